#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "platform/sync/Event.h"
#include "platform/sync/PacingThread.h"
#include "platform/sync/Semaphore.h"

namespace {

using namespace std::chrono_literals;
using platform::Event;
using platform::PacingThread;
using platform::Semaphore;
using platform::WaitTime;

TEST(Semaphore, ReleasePastTheMaximumIsRefusedAndChangesNothing) {
    Semaphore lock(1, 1);
    EXPECT_FALSE(lock.Release());
    EXPECT_EQ(lock.Count(), 1);
    ASSERT_TRUE(lock.Acquire(0ms));
    EXPECT_FALSE(lock.Acquire(0ms));
    int previous = -1;
    EXPECT_TRUE(lock.Release(1, &previous));
    EXPECT_EQ(previous, 0);

    Semaphore counting(0, 3);
    EXPECT_FALSE(counting.Release(4));
    EXPECT_TRUE(counting.Release(3));
}

TEST(Semaphore, HoldReleasesOnlyWhatItGot) {
    Semaphore lock(1, 1);
    {
        platform::SemaphoreHold first(lock, 0ms);
        ASSERT_TRUE(first.held());
        {
            platform::SemaphoreHold second(lock, 10ms);
            EXPECT_FALSE(second.held());
        }
        // The failed hold gave nothing back, so the lock is still taken.
        EXPECT_EQ(lock.Count(), 0);
    }
    EXPECT_EQ(lock.Count(), 1);
}

TEST(Semaphore, TimedWaitsTimeOutAndAReleaseWakesAWaiter) {
    Semaphore stop(0, 1);
    EXPECT_FALSE(stop.Acquire(20ms));
    std::thread releaser([&] {
        std::this_thread::sleep_for(10ms);
        stop.Release();
    });
    EXPECT_TRUE(stop.Acquire(platform::kWaitForever));
    releaser.join();
}

TEST(WaitAny, TellsWhichObjectFiredAndTakesOnlyThat) {
    Semaphore stop(0, 1);
    Event frame(Event::Mode::AutoReset, false);
    Event manual(Event::Mode::ManualReset, true);
    EXPECT_EQ(platform::WaitAny({&stop, &frame}, 10ms), platform::kWaitTimedOut);

    frame.Set();
    EXPECT_EQ(platform::WaitAny({&stop, &frame}, 0ms), 1);
    EXPECT_FALSE(frame.IsSet());  // an auto-reset event lets one waiter through
    EXPECT_EQ(platform::WaitAny({&stop, &manual}, 0ms), 1);
    EXPECT_TRUE(manual.IsSet());  // a manual-reset one stays set

    // Both signalled: the first in the list wins, the other keeps its signal.
    stop.Release();
    frame.Set();
    EXPECT_EQ(platform::WaitAny({&stop, &frame}, 0ms), 0);
    EXPECT_TRUE(frame.IsSet());
}

TEST(PacingThread, InjectedSleepSeesThePeriodsThePassesAsk) {
    std::mutex m;
    std::vector<long> periods;
    std::atomic<int> passes{0};
    Event enough(Event::Mode::ManualReset, false);
    PacingThread pacing(
        11ms, [&] { return ++passes < 3 ? WaitTime(66) : WaitTime(11); },
        [&](WaitTime period) {
            std::lock_guard lock(m);
            periods.push_back(static_cast<long>(period.count()));
            if (periods.size() == 4) enough.Set();
        });
    ASSERT_TRUE(enough.Wait(platform::kWaitForever));
    pacing.Stop();
    EXPECT_TRUE(pacing.Finished());
    std::lock_guard lock(m);
    ASSERT_GE(periods.size(), 4u);
    EXPECT_EQ(std::vector<long>(periods.begin(), periods.begin() + 4),
              (std::vector<long>{11, 66, 66, 11}));
}

TEST(PacingThread, PausesNestAndStopWhilePausedEndsTheThread) {
    std::atomic<int> passes{0};
    PacingThread pacing(1ms, [&] {
        ++passes;
        return WaitTime(1);
    });
    while (passes == 0) std::this_thread::yield();

    pacing.Pause();
    pacing.Pause();
    const int held = passes;
    pacing.Resume();
    EXPECT_EQ(pacing.PauseCount(), 1);
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(passes, held);  // one Resume of two Pauses still holds it
    EXPECT_TRUE(pacing.Interrupted().IsSet());

    pacing.Resume();
    pacing.Resume();  // one too many: ignored
    EXPECT_EQ(pacing.PauseCount(), 0);
    while (passes == held) std::this_thread::yield();

    pacing.Pause();
    pacing.Stop();
    EXPECT_TRUE(pacing.Finished());
}

TEST(PacingThread, APassWaitingOnItsInterruptLetsAPauseThrough) {
    Event frame(Event::Mode::AutoReset, false);
    std::atomic<bool> waiting{false};
    std::atomic<int> woke{0};
    PacingThread pacing(0ms, [&] {
        // Waits for a frame that never comes, as the real pass does while a frame is slow.
        waiting = true;
        auto& interrupted = pacing.Interrupted();
        if (platform::WaitAny({&interrupted, &frame}, platform::kWaitForever) == 0) ++woke;
        return WaitTime(0);
    });
    while (!waiting) std::this_thread::yield();
    pacing.Pause();  // would wait forever if the pass ignored the interrupt
    EXPECT_EQ(woke, 1);
}

}  // namespace
