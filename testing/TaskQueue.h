#pragma once

#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>

namespace testing_support {

// Plays the window thread for code that posts work to it: tasks posted from any thread wait
// here until the test's own thread runs them.
class TaskQueue {
public:
    // A poster function for the code under test; the queue must outlive its use.
    std::function<void(std::function<void()>)> Poster();

    // Runs tasks as they come until `done` holds (checked before each wait) or the limit
    // passes; returns `done()` at the end.
    bool RunUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds limit = std::chrono::seconds(20));
    // Runs whatever is posted during the period.
    void RunFor(std::chrono::milliseconds period);

private:
    std::mutex mutex_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> tasks_;
};

}  // namespace testing_support
