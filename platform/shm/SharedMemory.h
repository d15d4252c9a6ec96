#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace platform {

// A named block of memory shared by the processes of one user, opened read-write.
//
// The block outlives its processes, so a record left by a killed process would otherwise
// stay for good. Every opener therefore holds a shared lock on it while it is mapped: an
// opener that can take the lock exclusively is alone and starts from a zeroed block, as if
// it had created it.
class SharedMemory {
public:
    SharedMemory() = default;
    ~SharedMemory();
    SharedMemory(const SharedMemory&) = delete;
    SharedMemory& operator=(const SharedMemory&) = delete;

    // Opens or creates the block of `size` bytes. False when it cannot be opened, locked,
    // sized or mapped; a block that is smaller while others have it open, or that another
    // user owns, is refused.
    bool Open(const std::string& name, std::size_t size);
    void Close();

    bool IsOpen() const { return data_ != nullptr; }
    // True when this opener found no other and zeroed the block.
    bool StartedFresh() const { return startedFresh_; }
    std::byte* data() const { return data_; }
    std::size_t size() const { return size_; }

private:
    int fd_ = -1;
    std::byte* data_ = nullptr;
    std::size_t size_ = 0;
    bool startedFresh_ = false;
};

// The name of a block shared by one user's processes: base plus the user id, so that two
// users of one computer never share it. VANTELO_SHM_NAME, when set, names it instead (tests
// give each run its own).
std::string PerUserSharedName(std::string_view base);

}  // namespace platform
