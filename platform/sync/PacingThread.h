#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/sync/Event.h"

namespace platform {

// A thread that runs one pass of work, sleeps for the period the pass asked for, and runs
// the next. It can be paused (pauses nest) and is stopped cooperatively and joined: it is
// never killed, so it never dies holding a lock.
//
// A pass that waits on something should include Interrupted() in its waits (WaitAny) and
// return early when that fires, so that a pause or a stop never waits for its limit.
class PacingThread {
public:
    // One pass; returns the period to sleep before the next one.
    using Pass = std::function<WaitTime()>;
    // Sleeps for the period. The default sleep wakes early when a pause or stop is asked for.
    using Sleep = std::function<void(WaitTime)>;

    // Starts the thread, which sleeps firstPeriod before its first pass.
    PacingThread(WaitTime firstPeriod, Pass pass, Sleep sleep = {});
    // Stops and joins.
    ~PacingThread();
    PacingThread(const PacingThread&) = delete;
    PacingThread& operator=(const PacingThread&) = delete;

    // Holds the thread before its next pass. Returns once no pass is running, so nothing a
    // pass does happens until the matching Resume (called from a pass itself, it returns at
    // once). Pauses nest: each needs its Resume.
    void Pause();
    // Undoes one Pause; without one it does nothing.
    void Resume();
    // Ends the thread after its current pass, paused or not, and waits for it. Later calls
    // do nothing. Must not be called from a pass.
    void Stop();

    // Set while a pause or stop is asked for.
    Event& Interrupted() { return interrupted_; }
    int PauseCount();
    bool Finished();

private:
    void Run(WaitTime period);

    Pass pass_;
    Sleep sleep_;
    Event interrupted_{Event::Mode::ManualReset, false};
    std::mutex mutex_;
    std::condition_variable changed_;
    int pauses_ = 0;
    bool stopping_ = false;
    bool inPass_ = false;
    bool finished_ = false;
    std::thread::id runner_;
    std::mutex joinMutex_;
    std::thread thread_;
};

}  // namespace platform
