#include "platform/sync/PacingThread.h"

namespace platform {

PacingThread::PacingThread(WaitTime firstPeriod, Pass pass, Sleep sleep)
    : pass_(std::move(pass)), sleep_(std::move(sleep)) {
    if (!sleep_) {
        sleep_ = [this](WaitTime period) { interrupted_.Wait(period); };
    }
    thread_ = std::thread([this, firstPeriod] { Run(firstPeriod); });
}

PacingThread::~PacingThread() {
    Stop();
}

void PacingThread::Run(WaitTime period) {
    {
        std::lock_guard lock(mutex_);
        runner_ = std::this_thread::get_id();
    }
    for (;;) {
        sleep_(period);
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return stopping_ || pauses_ == 0; });
            if (stopping_) break;
            inPass_ = true;
        }
        const WaitTime next = pass_();
        {
            std::lock_guard lock(mutex_);
            inPass_ = false;
        }
        changed_.notify_all();
        period = next;
    }
    std::lock_guard lock(mutex_);
    finished_ = true;
}

void PacingThread::Pause() {
    std::unique_lock lock(mutex_);
    ++pauses_;
    interrupted_.Set();
    if (std::this_thread::get_id() == runner_) return;
    changed_.wait(lock, [this] { return !inPass_ || stopping_; });
}

void PacingThread::Resume() {
    {
        std::lock_guard lock(mutex_);
        if (pauses_ == 0) return;
        if (--pauses_ == 0 && !stopping_) interrupted_.Reset();
    }
    changed_.notify_all();
}

void PacingThread::Stop() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        interrupted_.Set();
    }
    changed_.notify_all();
    std::lock_guard join(joinMutex_);
    if (thread_.joinable() && std::this_thread::get_id() != thread_.get_id()) thread_.join();
}

int PacingThread::PauseCount() {
    std::lock_guard lock(mutex_);
    return pauses_;
}

bool PacingThread::Finished() {
    std::lock_guard lock(mutex_);
    return finished_;
}

}  // namespace platform
