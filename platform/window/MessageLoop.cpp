#include "platform/window/MessageLoop.h"

#include <optional>

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QEventLoop>

namespace platform {
namespace {

std::optional<int> quitCode;

}  // namespace

void PostQuitMessage(int exitCode) {
    quitCode = exitCode;
    // A loop asleep in blocking mode wakes to see it.
    if (auto* dispatcher = QAbstractEventDispatcher::instance()) dispatcher->wakeUp();
}

int MessageLoop(bool peekMode, const std::function<bool()>& idle, bool loop) {
    QEventLoop events;
    while (true) {
        if (quitCode) {
            const int code = *quitCode;
            quitCode.reset();
            return code;
        }
        if (peekMode) {
            if (!events.processEvents(QEventLoop::AllEvents) && idle) idle();
        } else {
            events.processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
        }
        if (!loop && !quitCode) return -1;
    }
}

}  // namespace platform
