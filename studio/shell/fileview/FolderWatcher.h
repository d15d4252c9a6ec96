#pragma once

#include <atomic>
#include <functional>
#include <string>
#include <thread>

// Watches one folder (not its sub-folders) for names created, deleted or moved and files
// written, on a thread of its own. `changed` runs on that thread, at most once while
// `pending` is set: the watcher sets it and the owner clears it once it has reloaded, so a
// burst of changes gives one notice.
class FolderWatcher {
public:
    FolderWatcher(std::atomic<bool>& pending, std::function<void()> changed);
    ~FolderWatcher();
    FolderWatcher(const FolderWatcher&) = delete;
    FolderWatcher& operator=(const FolderWatcher&) = delete;

    // False when the folder cannot be watched; a running watch is stopped first.
    bool Start(const std::string& folder);
    // Waits for the thread to end.
    void Stop();
    bool IsRunning() const { return thread_.joinable(); }

private:
    void Run(int notify, int stop);

    std::atomic<bool>& pending_;
    std::function<void()> changed_;
    std::thread thread_;
    int stopEvent_ = -1;
};
