#include "platform/debug/Debug.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

namespace platform {
namespace {

struct Sink {
    std::mutex mutex;
    DebugHook hook;
    bool silent = false;
    bool toStderr = [] {
        const char* v = std::getenv("VANTELO_DEBUG");
        return v != nullptr && *v != '\0' && std::strcmp(v, "0") != 0;
    }();
};

Sink& TheSink() {
    static Sink sink;
    return sink;
}

}  // namespace

void DebugOutput(std::string_view text) {
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    if (sink.silent) return;
    if (sink.hook) {
        sink.hook(text);
    } else if (sink.toStderr) {
        std::fwrite(text.data(), 1, text.size(), stderr);
    }
}

DebugHook SetDebugHook(DebugHook hook) {
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    std::swap(sink.hook, hook);
    return hook;
}

void SetDebugSilent(bool silent) {
    Sink& sink = TheSink();
    std::lock_guard lock(sink.mutex);
    sink.silent = silent;
}

}  // namespace platform
