#include "viewer-plugin/services/UpdateCheck.h"

#include <dlfcn.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include "platform/net/Fetch.h"
#include "platform/sync/Semaphore.h"
#include "platform/text/Text.h"
#include "viewer-plugin/services/AboutText.h"

namespace {

constexpr std::size_t kFetchLimit = std::size_t{1} << 20;
constexpr std::chrono::milliseconds kShutdownMargin{2000};

// Never destroyed: a check may still be ending while statics go.
struct CheckState {
    platform::Semaphore semaphore{1, 1};
    std::mutex mutex;
    std::condition_variable ended;
    std::thread thread;
    bool running = false;  // the thread has not yet returned
    bool held = false;     // the semaphore is this check's
    std::optional<UpdateCheck::Reply> reply;
    // The library this code lies in, kept loaded while the thread runs in it: a host may
    // unload it as soon as its shutdown returns.
    void* library = nullptr;
};

// A reference to the shared library (or program) holding this code; null when none is had.
void* HoldOwnLibrary() {
    static const char anchor = 0;
    Dl_info info{};
    if (::dladdr(&anchor, &info) == 0 || info.dli_fname == nullptr) return nullptr;
    return ::dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD);
}

// After the thread was joined: its code may go with the library from now on.
void LetGoOfLibrary(CheckState& state) {
    if (state.library != nullptr) ::dlclose(state.library);
    state.library = nullptr;
}

std::atomic<CheckState*> gState{nullptr};
std::mutex gStateMaking;

CheckState& State() {
    if (CheckState* state = gState.load(std::memory_order_acquire)) return *state;
    std::lock_guard lock(gStateMaking);
    CheckState* state = gState.load(std::memory_order_relaxed);
    if (state == nullptr) {
        state = new CheckState;
        gState.store(state, std::memory_order_release);
    }
    return *state;
}

void RunCheck(std::string url, std::function<bool()> deliver) {
    std::string body;
    UpdateCheck::Reply reply;
    reply.found = platform::Succeeded(
        platform::FetchUrl(url, UpdateCheck::kFetchTimeout, &body, kFetchLimit));
    if (reply.found) {
        if (body.size() > UpdateCheck::kMaxReply) body.resize(UpdateCheck::kMaxReply);
        // The text ends at the first zero byte, as a string read into a buffer does.
        reply.text = body.c_str();
    }
    CheckState& state = State();
    {
        std::lock_guard lock(state.mutex);
        state.reply = std::move(reply);
    }
    if (!deliver()) UpdateCheck::Finish();
    std::lock_guard lock(state.mutex);
    state.running = false;
    state.ended.notify_all();
}

}  // namespace

std::string UpdateCheck::Url() {
    const char* custom = std::getenv("VANTELO_UPDATE_URL");
    const std::string endpoint = custom != nullptr && *custom != '\0' ? custom : kUpdateEndpoint;
    return endpoint + platform::FormatC("/%.2f", 1.73);
}

bool UpdateCheck::Start(std::function<bool()> deliver) {
    CheckState& state = State();
    if (!state.semaphore.Acquire(kStartWait)) return false;
    std::unique_lock lock(state.mutex);
    // The last check has released the semaphore, so its thread is at its very end.
    if (state.thread.joinable()) {
        state.ended.wait(lock, [&] { return !state.running; });
        state.thread.join();
        LetGoOfLibrary(state);
    }
    state.held = true;
    state.running = true;
    state.reply.reset();
    state.library = HoldOwnLibrary();
    try {
        state.thread = std::thread(RunCheck, Url(), std::move(deliver));
    } catch (const std::system_error&) {
        LetGoOfLibrary(state);
        state.running = false;
        state.held = false;
        state.semaphore.Release();
        return false;
    }
    return true;
}

std::optional<UpdateCheck::Reply> UpdateCheck::TakeReply() {
    CheckState& state = State();
    std::lock_guard lock(state.mutex);
    std::optional<Reply> reply = std::move(state.reply);
    state.reply.reset();
    return reply;
}

void UpdateCheck::Finish() {
    CheckState& state = State();
    std::lock_guard lock(state.mutex);
    state.reply.reset();
    if (!state.held) return;
    state.held = false;
    state.semaphore.Release();
}

bool UpdateCheck::WaitForUpdateCheck() {
    // Never checked: nothing to wait for, and nothing is made only to be left behind.
    if (gState.load(std::memory_order_acquire) == nullptr) return true;
    CheckState& state = State();
    std::unique_lock lock(state.mutex);
    if (state.thread.joinable()) {
        const bool ended = state.ended.wait_for(lock, kFetchTimeout + kShutdownMargin,
                                                [&] { return !state.running; });
        if (!ended) {
            // The thread goes on alone and its library stays loaded for it: the reference
            // it holds is never given back, since its code would go under its last steps.
            state.thread.detach();
            state.library = nullptr;
            return false;
        }
        state.thread.join();
        LetGoOfLibrary(state);
    }
    lock.unlock();
    Finish();
    // No thread is left to use the state: it goes with the library that made it, and a
    // later check makes a new one.
    std::lock_guard making(gStateMaking);
    delete gState.exchange(nullptr, std::memory_order_acq_rel);
    return true;
}
