#include "viewer-plugin/viewer/FrameTimer.h"

#include <gtest/gtest.h>

#include "viewer-plugin/display/BitMasks.h"

namespace {

using namespace std::chrono_literals;

struct FakeClock {
    std::chrono::steady_clock::time_point now{};
    FrameTimer::Clock clock() {
        return [this] { return now; };
    }
};

TEST(FrameTimer, RateIsMeasuredOverWindowsLongerThan100ms) {
    FakeClock fake;
    fake.now += std::chrono::hours(24 * 60);  // past what 32-bit milliseconds hold
    FrameTimer timer(fake.clock());
    EXPECT_EQ(timer.GetFps(), -1);  // before any tick
    timer.Tick();
    for (int i = 0; i < 9; ++i) {
        fake.now += 10ms;
        timer.Tick();
    }
    EXPECT_EQ(timer.GetDelta(), 10);
    EXPECT_EQ(timer.GetFps(), -1);  // 90 ms: not a full window yet

    fake.now += 110ms;
    timer.Tick();  // 11 frames over 200 ms
    EXPECT_EQ(timer.GetFps(), 55);
    fake.now += 50ms;
    timer.Tick();
    EXPECT_EQ(timer.GetFps(), 55);  // within 100 ms of the last measure: the same value
    EXPECT_EQ(timer.GetFps(), 55);

    timer.Reset();
    EXPECT_EQ(timer.GetFps(), -1);
}

TEST(BitMasks, ChannelPositionsAndWidths) {
    EXPECT_EQ(LowestSetBit(0xF800), 11);
    EXPECT_EQ(CountSetBits(0xF800), 5);
    EXPECT_EQ(LowestSetBit(0), -1);
    EXPECT_EQ(CountSetBits(0), 0);
    EXPECT_EQ(LowestSetBit(0x80000000u), 31);
}

}  // namespace
