#include "platform/files/MappedFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <new>
#include <utility>

#include "platform/files/UniqueFd.h"

namespace platform {

MappedFile::~MappedFile() {
    Close();
}

MappedFile::MappedFile(MappedFile&& other) noexcept
    : bytes_(std::move(other.bytes_)), size_(std::exchange(other.size_, 0)) {}

MappedFile& MappedFile::operator=(MappedFile&& other) noexcept {
    if (this != &other) {
        bytes_ = std::move(other.bytes_);
        size_ = std::exchange(other.size_, 0);
    }
    return *this;
}

MappedFile::Status MappedFile::Open(const std::string& path) {
    Close();
    // O_NONBLOCK: a named pipe must not hold the open until a writer comes.
    const UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    if (!fd.ok()) return Status::OpenFailed;
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) return Status::OpenFailed;
    if (st.st_size <= 0) return Status::MappingFailed;
    const auto length = static_cast<std::size_t>(st.st_size);
    if (length > kMaxSize) return Status::MapFailed;
    std::unique_ptr<std::uint8_t[]> bytes(new (std::nothrow) std::uint8_t[length]);
    if (!bytes) return Status::MapFailed;
    // Never more than the size seen at the open: a file that grows meanwhile is read as it
    // was, one that shrinks ends where its bytes end.
    std::size_t done = 0;
    while (done < length) {
        const ssize_t got = ::read(fd.get(), bytes.get() + done, length - done);
        if (got < 0) {
            if (errno == EINTR) continue;
            return Status::MapFailed;
        }
        if (got == 0) break;
        done += static_cast<std::size_t>(got);
    }
    if (done == 0) return Status::MappingFailed;
    bytes_ = std::move(bytes);
    size_ = done;
    return Status::Ok;
}

void MappedFile::Close() {
    bytes_.reset();
    size_ = 0;
}

}  // namespace platform
