#include "platform/window/ShellOpen.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>

#include <QCoreApplication>
#include <QDesktopServices>
#include <QStandardPaths>
#include <QString>
#include <QThread>
#include <QUrl>

extern char** environ;

namespace platform {
namespace {

std::mutex openerMutex;

AddressOpener& Opener() {
    static AddressOpener opener;
    return opener;
}

// How long the desktop's opener has to say that no program could show the address. A
// browser that refuses to run (as root, for one) ends within a second or so; one that shows
// the page keeps running, or hands the page to a running one and ends well.
constexpr std::chrono::milliseconds kVerdictTime{4000};

bool OnGuiThread() {
    const QCoreApplication* app = QCoreApplication::instance();
    return app != nullptr && QThread::currentThread() == app->thread();
}

// Runs the desktop's opener and waits for its verdict: its failure is the program's, which
// a start alone never tells.
bool RunOpener(const std::string& opener, const std::string& address) {
    std::string program = opener;
    std::string argument = address;
    char* argv[] = {program.data(), argument.data(), nullptr};
    pid_t pid = 0;
    if (::posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ) != 0) return false;
    const auto until = std::chrono::steady_clock::now() + kVerdictTime;
    const bool gui = OnGuiThread();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        // Reaped elsewhere: whatever it said is lost, and a start is all there is to go on.
        if (done < 0 && errno != EINTR) return true;
        if (std::chrono::steady_clock::now() >= until) break;
        // The window keeps drawing meanwhile; what the user does waits.
        if (gui) {
            QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 20);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    // Still running: the page is shown. Its end is collected aside.
    std::thread([pid] {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return true;
}

}  // namespace

bool ShellOpen(std::string_view address) {
    AddressOpener opener;
    {
        std::lock_guard lock(openerMutex);
        opener = Opener();
    }
    if (opener) return opener(address);
    const QUrl url(QString::fromUtf8(address.data(), static_cast<qsizetype>(address.size())));
    if (!url.isValid()) return false;
    const QString desktopOpener = QStandardPaths::findExecutable("xdg-open");
    if (desktopOpener.isEmpty()) return QDesktopServices::openUrl(url);
    return RunOpener(desktopOpener.toStdString(), url.toString(QUrl::FullyEncoded).toStdString());
}

AddressOpener SetAddressOpener(AddressOpener opener) {
    std::lock_guard lock(openerMutex);
    AddressOpener previous = std::move(Opener());
    Opener() = std::move(opener);
    return previous;
}

}  // namespace platform
