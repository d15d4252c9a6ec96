#pragma once

#include "platform/sync/Waitable.h"

namespace platform {

// A counting semaphore with a maximum count. Releasing past the maximum is refused and
// reported instead of raising the count, so a lock of maximum 1 stays a lock even when
// some path releases it twice.
class Semaphore final : public Waitable {
public:
    // The maximum is at least 1 and initial is kept within 0 to the maximum.
    Semaphore(int initial, int maximum);

    // Takes one count, waiting up to the limit; false when the limit passed.
    bool Acquire(WaitTime limit = kWaitForever) { return Wait(limit); }
    // Adds count; refused (false, nothing changed, a debug line) when the result would pass
    // the maximum or count is not positive. previous receives the count before the release.
    bool Release(int count = 1, int* previous = nullptr);

    int Count();
    int Maximum() const { return maximum_; }

private:
    bool TryTakeLocked() override;

    int count_;
    const int maximum_;
};

// Holds one count of a semaphore for a scope, when it got one. Releases only what it took.
class SemaphoreHold {
public:
    SemaphoreHold(Semaphore& semaphore, WaitTime limit)
        : semaphore_(semaphore), held_(semaphore.Acquire(limit)) {}
    ~SemaphoreHold() { Release(); }
    SemaphoreHold(const SemaphoreHold&) = delete;
    SemaphoreHold& operator=(const SemaphoreHold&) = delete;

    bool held() const { return held_; }
    explicit operator bool() const { return held_; }
    // Gives the count back early; a second call does nothing.
    void Release() {
        if (held_) semaphore_.Release();
        held_ = false;
    }

private:
    Semaphore& semaphore_;
    bool held_;
};

}  // namespace platform
