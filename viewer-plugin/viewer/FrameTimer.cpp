#include "viewer-plugin/viewer/FrameTimer.h"

FrameTimer::FrameTimer(Clock clock) : clock_(std::move(clock)) {
    if (!clock_) clock_ = [] { return std::chrono::steady_clock::now(); };
    Reset();
}

std::int64_t FrameTimer::Now() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(clock_().time_since_epoch())
        .count();
}

void FrameTimer::Reset() {
    now_ = Now();
    previous_ = now_;
    windowStart_ = 0;
    frames_ = 0;
    fps_ = -1;
    ticked_ = false;
}

std::int64_t FrameTimer::Tick() {
    previous_ = now_;
    now_ = Now();
    if (!ticked_) {
        // The first frame opens the first window.
        ticked_ = true;
        windowStart_ = now_;
        frames_ = 1;
    } else {
        ++frames_;
    }
    return now_;
}

int FrameTimer::GetFps() {
    // Before the first tick there is no window to measure.
    if (!ticked_ || now_ - windowStart_ <= 100) return fps_;
    fps_ = static_cast<int>(frames_ * 1000 / (now_ - windowStart_));
    windowStart_ = now_;
    frames_ = 0;
    return fps_;
}
