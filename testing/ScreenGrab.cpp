// Starts KVT on the display this program runs on (a virtual one under ctest), waits until
// the screen shows a settled, non-uniform picture, saves it and checks it.
//
//   kvt_screenshot <KVT> <viewer control server> <picture.png>
//
// KVT gets a registry of its own in a temporary folder, with the given server registered
// as its viewer control. Exit status 0 when the picture was saved, looks like a window and
// the viewer pane (bottom right) shows a picture rather than one colour.
#include <cstdio>
#include <set>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScreen>
#include <QThread>

#include "testing/StudioEnvironment.h"

namespace {

// A bound for a start that never settles, not a wait: a loaded machine starts the browser
// engine slowly.
constexpr int kTimeoutMs = 80000;
constexpr int kPollMs = 250;
constexpr int kQuietPolls = 12;

int CountColours(const QImage& image) {
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 3) {
        for (int x = 0; x < image.width(); x += 3) {
            colours.insert(image.pixel(x, y));
            if (colours.size() > 1000) return static_cast<int>(colours.size());
        }
    }
    return static_cast<int>(colours.size());
}

// Well inside the viewer pane of a window that fills the screen, whatever the splitters say.
QImage ViewerPaneRegion(const QImage& screen) {
    const int w = screen.width();
    const int h = screen.height();
    return screen.copy(w * 2 / 5, h * 2 / 5, w / 2, h / 2);
}

int Fail(const char* message) {
    std::fprintf(stderr, "kvt_screenshot: %s\n", message);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: kvt_screenshot <KVT> <viewer control server> <png>");
    testing_support::StudioEnvironment::Get();
    if (!testing_support::RegisterViewerControl(argv[2])) return Fail("no registry");

    // This program only grabs the screen and needs no GL. Qt's GLX integration would load
    // the system's software GL driver and unload it at exit, leaving allocations of a module
    // that no longer exists, which the leak checker reports and no suppression can name.
    // KVT itself keeps the environment it was given: its browser control wants GL.
    QProcessEnvironment kvtEnvironment = QProcessEnvironment::systemEnvironment();
    qputenv("QT_XCB_GL_INTEGRATION", "none");

    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return Fail("no screen");

    QProcess kvt;
    kvt.setProcessChannelMode(QProcess::ForwardedChannels);
    kvt.setProcessEnvironment(kvtEnvironment);
    kvt.start(QString::fromLocal8Bit(argv[1]), {});
    if (!kvt.waitForStarted(10000)) return Fail("KVT did not start");

    // Settled: a picture with some detail that the grabs agree on for a while. The splash
    // stays put while the browser engine starts, so one quiet poll is not enough.
    QImage last;
    QImage settled;
    int quietPolls = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < kTimeoutMs && settled.isNull()) {
        if (kvt.waitForFinished(kPollMs)) break;
        QImage now = screen->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
        quietPolls = !last.isNull() && now == last ? quietPolls + 1 : 0;
        // The start picture comes after the window: wait for it too.
        if (quietPolls >= kQuietPolls && CountColours(now) > 8 &&
            CountColours(ViewerPaneRegion(now)) > 8) {
            settled = now;
        }
        last = now;
    }
    const bool running = kvt.state() == QProcess::Running;
    kvt.kill();
    kvt.waitForFinished(5000);
    if (!running) return Fail("KVT ended before its window showed");
    if (settled.isNull()) {
        if (!last.isNull()) last.save(QString::fromLocal8Bit(argv[3]), "PNG");
        return Fail("the screen never settled on a window with a picture in the viewer pane");
    }

    if (!settled.save(QString::fromLocal8Bit(argv[3]), "PNG")) return Fail("cannot save");
    if (settled.size() != screen->size()) return Fail("the picture is not the screen's size");
    std::printf("kvt_screenshot: %dx%d, %d colours or more (%d in the viewer pane), saved to %s\n",
                settled.width(), settled.height(), CountColours(settled),
                CountColours(ViewerPaneRegion(settled)), argv[3]);
    return 0;
}
