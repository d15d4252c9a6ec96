#include "studio/shell/fileview/FolderWatcher.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

FolderWatcher::FolderWatcher(std::atomic<bool>& pending, std::function<void()> changed)
    : pending_(pending), changed_(std::move(changed)) {}

FolderWatcher::~FolderWatcher() {
    Stop();
}

bool FolderWatcher::Start(const std::string& folder) {
    Stop();
    const int notify = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    if (notify < 0) return false;
    constexpr std::uint32_t kMask = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO |
                                    IN_CLOSE_WRITE | IN_DELETE_SELF | IN_MOVE_SELF | IN_ONLYDIR;
    if (inotify_add_watch(notify, folder.c_str(), kMask) < 0) {
        ::close(notify);
        return false;
    }
    stopEvent_ = eventfd(0, EFD_CLOEXEC);
    if (stopEvent_ < 0) {
        ::close(notify);
        return false;
    }
    pending_ = false;
    thread_ = std::thread([this, notify, stop = stopEvent_] { Run(notify, stop); });
    return true;
}

void FolderWatcher::Stop() {
    if (!thread_.joinable()) return;
    const std::uint64_t one = 1;
    while (::write(stopEvent_, &one, sizeof one) < 0 && errno == EINTR) {
    }
    thread_.join();
    ::close(stopEvent_);
    stopEvent_ = -1;
}

void FolderWatcher::Run(int notify, int stop) {
    pollfd fds[2] = {{notify, POLLIN, 0}, {stop, POLLIN, 0}};
    alignas(inotify_event) char buffer[4096];
    for (;;) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[1].revents != 0) break;
        if (fds[0].revents == 0) continue;
        // Every event counts as a change, a queue overflow too: drain them all.
        bool any = false;
        while (::read(notify, buffer, sizeof buffer) > 0) any = true;
        if (any && !pending_.exchange(true)) changed_();
    }
    ::close(notify);
}
