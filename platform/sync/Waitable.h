#pragma once

#include <chrono>
#include <condition_variable>
#include <initializer_list>
#include <mutex>
#include <vector>

namespace platform {

// Time limits of waits. kWaitForever waits without a limit.
using WaitTime = std::chrono::milliseconds;
inline constexpr WaitTime kWaitForever = WaitTime::max();
// What WaitAny returns when the limit passed before any object fired.
inline constexpr int kWaitTimedOut = -1;

struct Waiter;

// An object a thread can wait on: semaphores and events. A successful wait takes what the
// object offers (a semaphore's count, an auto-reset event's signal).
class Waitable {
public:
    Waitable() = default;
    virtual ~Waitable() = default;
    Waitable(const Waitable&) = delete;
    Waitable& operator=(const Waitable&) = delete;

    // True when the object fired within the limit (0: only looks).
    bool Wait(WaitTime limit = kWaitForever);

protected:
    // Called with mutex_ held: takes the signal when there is one.
    virtual bool TryTakeLocked() = 0;
    // Called with mutex_ held after the object became signalled.
    void NotifyLocked();

    std::mutex mutex_;

private:
    friend int WaitAny(std::initializer_list<Waitable*> objects, WaitTime limit);
    bool TryTake();
    void AddWaiter(Waiter* waiter);
    void RemoveWaiter(Waiter* waiter);

    std::vector<Waiter*> waiters_;
};

// Waits until one of the objects fires and returns its index in the list, or kWaitTimedOut.
// When several are signalled, the first in the list wins and only it is taken.
int WaitAny(std::initializer_list<Waitable*> objects, WaitTime limit);

}  // namespace platform
