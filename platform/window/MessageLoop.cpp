#include "platform/window/MessageLoop.h"

#include <optional>
#include <vector>

#include <QEventLoop>
#include <QTimer>

namespace platform {
namespace {

std::optional<int> quitCode;
std::vector<QEventLoop*> running;  // the innermost last

int TakeQuitCode(int otherwise) {
    const int code = quitCode.value_or(otherwise);
    quitCode.reset();
    return code;
}

}  // namespace

void PostQuitMessage(int exitCode) {
    quitCode = exitCode;
    if (!running.empty()) running.back()->exit(exitCode);
}

int MessageLoop(bool peekMode, const std::function<bool()>& idle, bool loop) {
    if (quitCode) return TakeQuitCode(0);
    QEventLoop events;
    if (!loop) {
        if (peekMode) {
            if (!events.processEvents(QEventLoop::AllEvents) && idle) idle();
        } else {
            events.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        return TakeQuitCode(-1);
    }
    // A running loop (rather than passes of processEvents) lets widgets deleted later from
    // inside it go when their event is over. A zero timer fires whenever nothing else waits:
    // that is when a peeking loop idles.
    QTimer idleTimer;
    if (peekMode && idle) {
        idleTimer.setInterval(0);
        QObject::connect(&idleTimer, &QTimer::timeout, [&idle] { idle(); });
        idleTimer.start();
    }
    running.push_back(&events);
    const int result = events.exec();
    running.pop_back();
    return TakeQuitCode(result);
}

}  // namespace platform
