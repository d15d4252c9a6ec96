#include "testing/TaskQueue.h"

namespace testing_support {

std::function<void(std::function<void()>)> TaskQueue::Poster() {
    return [this](std::function<void()> task) {
        {
            std::lock_guard lock(mutex_);
            tasks_.push_back(std::move(task));
        }
        posted_.notify_all();
    };
}

bool TaskQueue::RunUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (done()) return true;
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            if (!posted_.wait_until(lock, end, [this] { return !tasks_.empty(); })) return done();
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}

void TaskQueue::RunFor(std::chrono::milliseconds period) {
    RunUntil([] { return false; }, period);
}

}  // namespace testing_support
