#include "testing/QtTestApp.h"

#include "testing/TempDir.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include <QApplication>
#include <QCoreApplication>
#include <QTimer>

namespace testing_support {

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "vantelo-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        UsePrivateRuntimeFolder();
        return new QApplication(argc, argv);
    }();
    return *app;
}

bool ServeEventsUntil(const std::function<bool()>& done) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

bool WaitOnEventsUntil(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                         std::chrono::duration<double>(seconds));
    QTimer tick;  // wakes the wait when no event comes
    tick.start(20);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    return true;
}

}  // namespace testing_support
