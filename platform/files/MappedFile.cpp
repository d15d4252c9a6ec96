#include "platform/files/MappedFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <utility>

namespace platform {

MappedFile::~MappedFile() { Close(); }

MappedFile::MappedFile(MappedFile&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        Close();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::Status MappedFile::Open(const std::string& path) {
    Close();
    // O_NONBLOCK: a named pipe must not hold the open until a writer comes; mmap ignores it.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return Status::OpenFailed;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return Status::OpenFailed;
    }
    if (st.st_size <= 0) {
        ::close(fd);
        return Status::MappingFailed;
    }
    const auto length = static_cast<std::size_t>(st.st_size);
    void* view = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd, 0);
    ::close(fd);  // the mapping keeps the file alive
    if (view == MAP_FAILED) return Status::MapFailed;
    data_ = static_cast<const std::uint8_t*>(view);
    size_ = length;
    return Status::Ok;
}

void MappedFile::Close() {
    if (data_ != nullptr) {
        ::munmap(const_cast<std::uint8_t*>(data_), size_);
        data_ = nullptr;
        size_ = 0;
    }
}

}  // namespace platform
