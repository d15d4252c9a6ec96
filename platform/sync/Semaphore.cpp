#include "platform/sync/Semaphore.h"

#include <algorithm>
#include <string>

#include "platform/debug/Debug.h"

namespace platform {

Semaphore::Semaphore(int initial, int maximum)
    : count_(std::clamp(initial, 0, std::max(maximum, 1))), maximum_(std::max(maximum, 1)) {}

bool Semaphore::Release(int count, int* previous) {
    std::lock_guard lock(mutex_);
    if (previous != nullptr) *previous = count_;
    if (count <= 0 || count > maximum_ - count_) {
        DebugOutput("Semaphore release refused: count " + std::to_string(count_) + " + " +
                    std::to_string(count) + " passes the maximum " + std::to_string(maximum_) +
                    "\n");
        return false;
    }
    count_ += count;
    NotifyLocked();
    return true;
}

int Semaphore::Count() {
    std::lock_guard lock(mutex_);
    return count_;
}

bool Semaphore::TryTakeLocked() {
    if (count_ == 0) return false;
    --count_;
    return true;
}

}  // namespace platform
