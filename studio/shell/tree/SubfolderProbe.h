#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// Finds out, on a thread of its own, which folders hold folders, so the tree can draw its
// expand buttons without reading every child folder on the window thread. Answers come per
// request through `report`, on the probe's thread.
class SubfolderProbe {
public:
    struct Answer {
        std::string parent;
        std::vector<std::pair<std::string, bool>> folders;  // path, holds a shown folder
    };
    explicit SubfolderProbe(std::function<void(Answer)> report);
    ~SubfolderProbe();
    SubfolderProbe(const SubfolderProbe&) = delete;
    SubfolderProbe& operator=(const SubfolderProbe&) = delete;

    // Queues the folders (file-system paths) listed below `parent`.
    void Ask(std::string parent, std::vector<std::string> folders, bool includeHidden);
    // Drops every question not yet taken up (the tree they were asked for is gone).
    void Forget();
    // True while questions wait or one is being answered.
    bool IsBusy() const;

private:
    struct Question {
        std::string parent;
        std::vector<std::string> folders;
        bool includeHidden = false;
    };
    void Run();

    std::function<void(Answer)> report_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Question> queue_;
    bool working_ = false;
    bool stop_ = false;
    std::atomic<bool> stopping_{false};  // read between the folders of one question
    std::thread thread_;
};
