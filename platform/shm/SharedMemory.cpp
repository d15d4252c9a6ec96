#include "platform/shm/SharedMemory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "platform/debug/Debug.h"

namespace platform {
namespace {

int FlockRetrying(int fd, int operation) {
    int result;
    do {
        result = ::flock(fd, operation);
    } while (result != 0 && errno == EINTR);
    return result;
}

}  // namespace

SharedMemory::~SharedMemory() {
    Close();
}

bool SharedMemory::Open(const std::string& name, std::size_t size) {
    Close();
    if (size == 0) return false;
    const std::string shmName = name.starts_with('/') ? name : "/" + name;
    const int fd = ::shm_open(shmName.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        DebugOutput("SharedMemory: cannot open " + shmName + ": " + std::strerror(errno) + "\n");
        return false;
    }
    auto fail = [&](const char* step) {
        DebugOutput("SharedMemory: " + shmName + ": " + step + ": " + std::strerror(errno) + "\n");
        ::close(fd);
        return false;
    };
    // Alone: nobody else holds the block, whatever an earlier holder left in it is stale.
    const bool alone = FlockRetrying(fd, LOCK_EX | LOCK_NB) == 0;
    if (alone) {
        if (::ftruncate(fd, static_cast<off_t>(size)) != 0) return fail("size");
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0) return fail("stat");
    // A block another user made in our name could feed us anything.
    if (st.st_uid != ::geteuid()) {
        errno = EPERM;
        return fail("owned by another user");
    }
    // Mapping past the end of the object would fault on first touch.
    if (st.st_size < 0 || static_cast<std::size_t>(st.st_size) < size) {
        if (alone) return fail("size");
        // Another opener may be between creating and sizing: wait for its zeroing to end.
        if (FlockRetrying(fd, LOCK_SH) != 0 || ::fstat(fd, &st) != 0) return fail("lock");
        if (static_cast<std::size_t>(st.st_size) < size) {
            errno = EINVAL;
            return fail("smaller than expected");
        }
    }
    void* view = ::mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) return fail("map");
    if (alone) std::memset(view, 0, size);
    // Turning the exclusive lock into a shared one, or taking the shared one, also waits
    // for an opener that is zeroing the block right now.
    if (FlockRetrying(fd, LOCK_SH) != 0) {
        ::munmap(view, size);
        return fail("lock");
    }
    fd_ = fd;
    data_ = static_cast<std::byte*>(view);
    size_ = size;
    startedFresh_ = alone;
    return true;
}

void SharedMemory::Close() {
    if (data_ != nullptr) ::munmap(data_, size_);
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    data_ = nullptr;
    size_ = 0;
    startedFresh_ = false;
}

std::string PerUserSharedName(std::string_view base) {
    if (const char* name = std::getenv("VANTELO_SHM_NAME"); name != nullptr && *name != '\0') {
        return name;
    }
    return std::string(base) + std::to_string(::getuid());
}

}  // namespace platform
