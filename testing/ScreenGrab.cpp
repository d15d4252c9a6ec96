// Starts KVT on the display this program runs on (a virtual one under ctest), waits until
// the screen shows a settled, non-uniform picture, saves it and checks it.
//
//   kvt_screenshot <KVT> <viewer control server> <picture.png>
//
// KVT gets a registry of its own in a temporary folder, with the given server registered
// as its viewer control. Exit status 0 when the picture was saved and looks like a window.
#include <cstdio>
#include <set>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QThread>

#include "testing/StudioEnvironment.h"

namespace {

constexpr int kTimeoutMs = 30000;
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

int Fail(const char* message) {
    std::fprintf(stderr, "kvt_screenshot: %s\n", message);
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) return Fail("usage: kvt_screenshot <KVT> <viewer control server> <png>");
    testing_support::StudioEnvironment::Get();
    if (!testing_support::RegisterViewerControl(argv[2])) return Fail("no registry");

    QGuiApplication application(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return Fail("no screen");

    QProcess kvt;
    kvt.setProcessChannelMode(QProcess::ForwardedChannels);
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
        if (quietPolls >= kQuietPolls && CountColours(now) > 8) settled = now;
        last = now;
    }
    const bool running = kvt.state() == QProcess::Running;
    kvt.kill();
    kvt.waitForFinished(5000);
    if (!running) return Fail("KVT ended before its window showed");
    if (settled.isNull()) return Fail("the screen never settled on a window");

    if (!settled.save(QString::fromLocal8Bit(argv[3]), "PNG")) return Fail("cannot save");
    if (settled.size() != screen->size()) return Fail("the picture is not the screen's size");
    std::printf("kvt_screenshot: %dx%d, %d colours or more, saved to %s\n", settled.width(),
                settled.height(), CountColours(settled), argv[3]);
    return 0;
}
