// The viewer's display record: its one way of taking the locks, and what it remembers of the
// last plain frame.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "platform/sync/Semaphore.h"
#include "viewer-plugin/viewer/ViewerDisplay.h"

namespace {

// A hold waiting for the canvas has taken nothing after it yet, and once it has everything it
// gives all of it back.
TEST(ViewerDisplayHold, TakesTheCanvasBeforeTheDisplaysLocksAndGivesAllBack) {
    ViewerDisplay display;
    platform::Semaphore canvas(1, 1);
    ASSERT_TRUE(canvas.Acquire(platform::WaitTime{0}));
    std::atomic<bool> held{false};
    std::thread taker([&] {
        ViewerDisplay::Hold hold(display, &canvas);
        held = static_cast<bool>(hold);
        EXPECT_EQ(canvas.Count(), 0);
        EXPECT_EQ(display.StateSemaphore().Count(), 0);
        EXPECT_EQ(display.DeviceSemaphore().Count(), 0);
    });
    // Whether or not the taker is waiting yet, it must not hold the state lock meanwhile.
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(display.StateSemaphore().Count(), 1);
        EXPECT_EQ(display.DeviceSemaphore().Count(), 1);
        std::this_thread::yield();
    }
    canvas.Release();
    taker.join();
    EXPECT_TRUE(held);
    EXPECT_EQ(canvas.Count(), 1);
    EXPECT_EQ(display.StateSemaphore().Count(), 1);
    EXPECT_EQ(display.DeviceSemaphore().Count(), 1);

    // Without a canvas only the display's two are taken.
    {
        ViewerDisplay::Hold hold(display);
        EXPECT_TRUE(hold);
        EXPECT_EQ(display.StateSemaphore().Count(), 0);
        EXPECT_EQ(display.DeviceSemaphore().Count(), 0);
    }
    EXPECT_EQ(display.StateSemaphore().Count(), 1);
    EXPECT_EQ(display.DeviceSemaphore().Count(), 1);
}

// A lock held elsewhere fails the hold, which gives back what it did get and never what it
// did not.
TEST(ViewerDisplayHold, ABusyStateLockFailsTheHoldWithoutStealingIt) {
    ViewerDisplay display;
    platform::Semaphore canvas(1, 1);
    ASSERT_TRUE(display.StateSemaphore().Acquire(platform::WaitTime{0}));
    {
        ViewerDisplay::Hold hold(display, &canvas);
        EXPECT_FALSE(hold);
        EXPECT_EQ(canvas.Count(), 0);
        EXPECT_EQ(display.DeviceSemaphore().Count(), 0);
    }
    EXPECT_EQ(canvas.Count(), 1);
    EXPECT_EQ(display.StateSemaphore().Count(), 0);
    EXPECT_EQ(display.DeviceSemaphore().Count(), 1);
    display.StateSemaphore().Release();
}

// A plain frame is drawn again only when something it shows changed, or the back buffer was
// drawn over since.
TEST(ViewerDisplayPlainFrame, AsksForTheBackgroundOnlyWhenTheFrameDiffers) {
    ViewerDisplay display;
    EXPECT_FALSE(display);
    EXPECT_FALSE(display.HasDisplay());
    const ViewerDisplay::PlainFrame first{0x336699, {200, 100}, true, 1};
    EXPECT_TRUE(display.KeepPlainFrame(first));
    EXPECT_FALSE(display.KeepPlainFrame(first));
    ViewerDisplay::PlainFrame bigger = first;
    bigger.size = {300, 100};
    EXPECT_TRUE(display.KeepPlainFrame(bigger));
    ViewerDisplay::PlainFrame newer = bigger;
    newer.generation = 2;
    EXPECT_TRUE(display.KeepPlainFrame(newer));
    display.ForgetPlainFrame();
    EXPECT_TRUE(display.KeepPlainFrame(newer));
}

}  // namespace
