#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// A read-only mapping of a whole file. The mapping steps fail in the same places as the
// platform's: a file that cannot be opened, an empty file (a mapping of zero bytes cannot
// be made), and a view that cannot be mapped.
class MappedFile {
public:
    enum class Status { Ok, OpenFailed, MappingFailed, MapFailed };

    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    Status Open(const std::string& path);
    void Close();

    const std::uint8_t* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace platform
