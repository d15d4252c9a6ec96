#include "platform/sync/Waitable.h"

#include <algorithm>

namespace platform {

// One per waiting thread, registered with every object it waits on, so that a signal on any
// of them wakes exactly the threads that care.
struct Waiter {
    std::mutex mutex;
    std::condition_variable cv;
    bool signalled = false;
};

bool Waitable::Wait(WaitTime limit) {
    return WaitAny({this}, limit) == 0;
}

void Waitable::NotifyLocked() {
    for (Waiter* waiter : waiters_) {
        {
            std::lock_guard lock(waiter->mutex);
            waiter->signalled = true;
        }
        waiter->cv.notify_one();
    }
}

bool Waitable::TryTake() {
    std::lock_guard lock(mutex_);
    return TryTakeLocked();
}

void Waitable::AddWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.push_back(waiter);
}

void Waitable::RemoveWaiter(Waiter* waiter) {
    std::lock_guard lock(mutex_);
    waiters_.erase(std::remove(waiters_.begin(), waiters_.end(), waiter), waiters_.end());
}

int WaitAny(std::initializer_list<Waitable*> objects, WaitTime limit) {
    const bool forever = limit == kWaitForever;
    const auto deadline = forever ? std::chrono::steady_clock::time_point::max()
                                  : std::chrono::steady_clock::now() + limit;
    Waiter waiter;
    // Registered before the first look: a signal between a look and the sleep is then
    // recorded in the waiter and never missed.
    for (Waitable* object : objects) object->AddWaiter(&waiter);
    int result = kWaitTimedOut;
    for (;;) {
        {
            std::lock_guard lock(waiter.mutex);
            waiter.signalled = false;
        }
        int index = 0;
        for (Waitable* object : objects) {
            if (object->TryTake()) {
                result = index;
                break;
            }
            ++index;
        }
        if (result != kWaitTimedOut) break;
        std::unique_lock lock(waiter.mutex);
        if (forever) {
            waiter.cv.wait(lock, [&] { return waiter.signalled; });
        } else if (!waiter.cv.wait_until(lock, deadline, [&] { return waiter.signalled; })) {
            break;
        }
    }
    for (Waitable* object : objects) object->RemoveWaiter(&waiter);
    return result;
}

}  // namespace platform
