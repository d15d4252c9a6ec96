#include "studio/shell/tree/DriveWatchers.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <set>

namespace shellns = platform::shellns;

namespace {

// Changes closer together than this are one burst, answered by one refresh.
constexpr int kSettleMs = 50;

constexpr std::uint32_t kFolderMask =
    IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_ONLYDIR;

// Reads every waiting event; true when one of them is about a folder (or events were lost).
bool DrainFolderEvents(int notify) {
    alignas(inotify_event) char buffer[4096];
    bool folder = false;
    for (;;) {
        const ssize_t got = ::read(notify, buffer, sizeof buffer);
        if (got <= 0) break;
        for (ssize_t at = 0; at + static_cast<ssize_t>(sizeof(inotify_event)) <= got;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if ((event->mask & (IN_ISDIR | IN_Q_OVERFLOW)) != 0) folder = true;
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
    return folder;
}

}  // namespace

struct DriveWatchers::Watcher {
    std::string root;
    int notify = -1;
    std::map<std::string, int> watched;  // folder -> watch descriptor
    std::thread thread;
};

DriveWatchers::DriveWatchers(std::function<void()> changed) : changed_(std::move(changed)) {
    stopEvent_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

DriveWatchers::~DriveWatchers() {
    Stop();
    if (stopEvent_ >= 0) ::close(stopEvent_);
}

bool DriveWatchers::IsWatchedKind(shellns::DriveKind kind) {
    return kind == shellns::DriveKind::Fixed || kind == shellns::DriveKind::Remote ||
           kind == shellns::DriveKind::RamDisk;
}

void DriveWatchers::Start(const std::vector<shellns::DriveInfo>& drives) {
    if (IsRunning() || stopEvent_ < 0) return;
    drives_ = drives;
    for (const shellns::DriveInfo& drive : drives_) {
        if (!IsWatchedKind(drive.kind)) continue;
        auto watcher = std::make_unique<Watcher>();
        watcher->root = drive.root;
        watcher->notify = ::inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
        if (watcher->notify < 0) continue;
        Renew(*watcher);
        live_.fetch_add(1);
        watcher->thread = std::thread([this, notify = watcher->notify] {
            Run(notify);
            live_.fetch_sub(1);
        });
        watchers_.push_back(std::move(watcher));
    }
}

void DriveWatchers::Stop() {
    if (watchers_.empty()) return;
    const std::uint64_t one = 1;
    while (::write(stopEvent_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    // Every watcher waits on the stop signal too, so each ends at once and all are joined:
    // none is left running on a freed parameter block.
    for (auto& watcher : watchers_) {
        if (watcher->thread.joinable()) watcher->thread.join();
        ::close(watcher->notify);
    }
    watchers_.clear();
    std::uint64_t count = 0;
    while (::read(stopEvent_, &count, sizeof count) < 0 && errno == EINTR) {
    }
}

std::vector<std::string> DriveWatchers::GetRoots() const {
    std::vector<std::string> roots;
    for (const auto& watcher : watchers_) roots.push_back(watcher->root);
    return roots;
}

void DriveWatchers::SetFolders(std::vector<std::string> folders) {
    folders_ = std::move(folders);
    for (auto& watcher : watchers_) Renew(*watcher);
}

std::vector<std::string> DriveWatchers::GetWatchedFolders() const {
    std::vector<std::string> folders;
    for (const auto& watcher : watchers_) {
        for (const auto& [folder, descriptor] : watcher->watched) folders.push_back(folder);
    }
    return folders;
}

void DriveWatchers::Renew(Watcher& watcher) {
    std::map<std::string, int> now;
    for (const std::string& folder : folders_) {
        const shellns::DriveInfo* drive = shellns::DriveOf(drives_, folder);
        if (drive == nullptr || drive->root != watcher.root) continue;
        // Added again each time: a folder made anew under an old name is another folder,
        // while one watched already keeps its descriptor.
        const int descriptor = ::inotify_add_watch(watcher.notify, folder.c_str(), kFolderMask);
        if (descriptor >= 0) now.emplace(folder, descriptor);
    }
    // Two names of one folder share a descriptor: keep it while either is watched.
    std::set<int> kept;
    for (const auto& [folder, descriptor] : now) kept.insert(descriptor);
    for (const auto& [folder, descriptor] : watcher.watched) {
        if (kept.count(descriptor) == 0) ::inotify_rm_watch(watcher.notify, descriptor);
    }
    watcher.watched = std::move(now);
}

// Waits until the folder events stop for a moment; false when told to stop meanwhile.
bool DriveWatchers::Settle(int notify) {
    pollfd fds[2] = {{notify, POLLIN, 0}, {stopEvent_, POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, kSettleMs);
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return ready == 0;
        if (fds[1].revents != 0) return false;
        DrainFolderEvents(notify);
    }
}

void DriveWatchers::Run(int notify) {
    pollfd fds[2] = {{notify, POLLIN, 0}, {stopEvent_, POLLIN, 0}};
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[1].revents != 0) return;
        if (fds[0].revents == 0 || !DrainFolderEvents(notify)) continue;
        if (!Settle(notify)) return;
        if (!pending_.exchange(true)) changed_();
    }
}
