#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

// A whole file, read into memory. It fails in the same places as a mapping would: a file
// that cannot be opened, an empty file (a mapping of zero bytes cannot be made), and one
// whose bytes cannot be had (too large, or a read error). The bytes are a copy: a file
// that another program cuts short or rewrites meanwhile gives what could be read, never a
// fault on access (a real mapping ends the process with SIGBUS there).
class MappedFile {
public:
    enum class Status { Ok, OpenFailed, MappingFailed, MapFailed };

    // Larger files are refused as a view that cannot be mapped.
    static constexpr std::size_t kMaxSize = std::size_t{1} << 31;

    MappedFile() = default;
    ~MappedFile();
    MappedFile(MappedFile&& other) noexcept;
    MappedFile& operator=(MappedFile&& other) noexcept;
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    Status Open(const std::string& path);
    void Close();

    const std::uint8_t* data() const { return bytes_.get(); }
    std::size_t size() const { return size_; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::size_t size_ = 0;
};

}  // namespace platform
