#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/shellns/DriveKinds.h"

// One watcher thread per fixed, remote or RAM drive. The system tells of changes only per
// folder, not per drive, so each watcher watches the folders of its drive that the tree
// has loaded: everything the tree can show. A folder created, deleted or moved in one of
// them calls `changed` once for a burst, on the watcher's thread, and not again until the
// owner clears the pending mark (when it refreshes). Folders the tree has not loaded, and
// changes another machine makes on a network drive, go unseen. One shared stop signal ends
// them all.
class DriveWatchers {
public:
    explicit DriveWatchers(std::function<void()> changed);
    ~DriveWatchers();
    DriveWatchers(const DriveWatchers&) = delete;
    DriveWatchers& operator=(const DriveWatchers&) = delete;

    // Starts a watcher for each drive of a kind worth watching; nothing when they run.
    void Start(const std::vector<platform::shellns::DriveInfo>& drives);
    // Ends every watcher and waits for each.
    void Stop();
    bool IsRunning() const { return !watchers_.empty(); }
    int Count() const { return static_cast<int>(watchers_.size()); }
    // The roots of the running watchers' drives.
    std::vector<std::string> GetRoots() const;
    // Threads started and not yet ended.
    int LiveThreads() const { return live_.load(); }

    // The folders the tree has loaded now; kept for the watchers of a later Start.
    void SetFolders(std::vector<std::string> folders);
    // Folders watched now, of all drives.
    std::vector<std::string> GetWatchedFolders() const;
    void ClearPending() { pending_ = false; }

    static bool IsWatchedKind(platform::shellns::DriveKind kind);

private:
    struct Watcher;

    void Renew(Watcher& watcher);
    void Run(int notify);
    bool Settle(int notify);

    std::function<void()> changed_;
    std::atomic<bool> pending_{false};
    std::atomic<int> live_{0};
    int stopEvent_ = -1;
    std::vector<platform::shellns::DriveInfo> drives_;
    std::vector<std::string> folders_;
    std::vector<std::unique_ptr<Watcher>> watchers_;
};
