#pragma once

#include <chrono>
#include <cstdint>
#include <functional>

// A millisecond clock for frames: the time between ticks and frames per second measured
// over windows of more than 100 ms.
class FrameTimer {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // The clock defaults to the steady clock; tests pass their own.
    explicit FrameTimer(Clock clock = {});

    // Starts over: no frames counted, no rate known.
    void Reset();
    // Counts a frame; returns the time now in milliseconds.
    std::int64_t Tick();
    // Milliseconds between the last two ticks.
    std::int64_t GetDelta() const { return now_ - previous_; }
    // Frames per second over the window that just ended, or the last value while the
    // window is 100 ms or shorter; -1 before any full window.
    int GetFps();

private:
    std::int64_t Now() const;

    Clock clock_;
    std::int64_t now_ = 0;
    std::int64_t previous_ = 0;
    int fps_ = -1;
    bool ticked_ = false;
    std::int64_t windowStart_ = 0;
    std::int64_t frames_ = 0;
};
