#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

// The process's update check: one at a time, its fetch on a thread of its own. The thread
// knows no viewer: it hands its answer to whoever `deliver` finds on the window thread, and
// the boxes are shown there. The check holds the process's update semaphore from Start
// until Finish.
class UpdateCheck {
public:
    struct Reply {
        bool found = false;  // false: no update (the fetch failed)
        std::string text;    // at most kMaxReply bytes of what the server said
    };

    static constexpr std::chrono::milliseconds kStartWait{100};
    static constexpr std::chrono::milliseconds kFetchTimeout{10000};
    static constexpr std::size_t kMaxReply = 2047;

    // The address asked: the endpoint (VANTELO_UPDATE_URL when set) and "/1.73".
    static std::string Url();

    // Starts a check unless one runs (the semaphore is not had within kStartWait). On the
    // check's thread, once the reply is kept, `deliver` is called: true when it passed the
    // reply to the window thread, which then takes it and calls Finish; false ends the
    // check there and drops the reply.
    static bool Start(std::function<bool()> deliver);
    // The reply waiting for its boxes, taken once.
    static std::optional<Reply> TakeReply();
    // Ends the check: the reply is dropped and the semaphore released. Safe to call when
    // none runs.
    static void Finish();
    // Waits for the check's thread to end, at most a fetch's timeout and a little more, and
    // drops a reply nobody showed. For the library's shutdown; true when no thread is left.
    static bool WaitForUpdateCheck();
};
