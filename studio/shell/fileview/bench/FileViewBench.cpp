// Filling the file list with 1,000 large JPEGs: time until the list holds its items and
// until the last thumbnail is applied, beside one single-threaded vipsthumbnail process
// making 64 x 64 thumbnails of the same files.
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QProcess>
#include <QProcessEnvironment>

#include <benchmark/benchmark.h>

#include "studio/shell/fileview/FileView.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

constexpr int kNames = 1000;
constexpr int kPhotographs = 24;

// A folder of 1,000 names: hard links to a few dozen generated 12-megapixel photographs.
const testing_support::TempDir& Photographs() {
    static testing_support::TempDir folder;
    static bool made = false;
    if (!made) {
        made = true;
        for (int i = 0; i < kPhotographs; ++i) {
            QImage image(4000, 3000, QImage::Format_RGB32);
            QPainter painter(&image);
            QLinearGradient gradient(0, 0, 4000, 3000);
            gradient.setColorAt(0, QColor::fromHsv(i * 15 % 360, 200, 220));
            gradient.setColorAt(1, QColor::fromHsv((i * 15 + 120) % 360, 180, 90));
            painter.fillRect(image.rect(), gradient);
            for (int k = 0; k < 60; ++k) {
                painter.setBrush(QColor::fromHsv((i * 37 + k * 11) % 360, 160, 200));
                painter.drawEllipse((k * 173 + i * 97) % 3600, (k * 131 + i * 53) % 2700, 400, 300);
            }
            painter.end();
            image.save(QString::fromStdString(folder.Path("shot" + std::to_string(i) + ".jpg")),
                       "JPG", 88);
        }
        for (int n = 0; n < kNames; ++n) {
            const std::string source =
                folder.Path("shot" + std::to_string(n % kPhotographs) + ".jpg");
            const std::string name = folder.Path("photo" + std::to_string(n) + ".jpg");
            if (n >= kPhotographs) ::link(source.c_str(), name.c_str());
        }
    }
    return folder;
}

// A folder of the first `count` names of the photographs' folder, as links to them.
const testing_support::TempDir& FirstNames(int count) {
    static testing_support::TempDir folder;
    static bool made = false;
    if (!made) {
        made = true;
        const std::string from = Photographs().path();
        for (int n = 0; n < count; ++n) {
            const std::string name =
                n < kPhotographs ? "shot" + std::to_string(n) : "photo" + std::to_string(n);
            ::link((from + "/" + name + ".jpg").c_str(), folder.Path(name + ".jpg").c_str());
        }
    }
    return folder;
}

double Since(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// True once every row on screen shows a picture of its own (not the placeholder).
bool ScreenShown(const FileView& view) {
    const QRect area = view.viewport()->rect();
    int shown = 0;
    for (int row = 0; row < view.count(); ++row) {
        if (!view.visualItemRect(view.item(row)).intersects(area)) {
            if (shown > 0) break;
            continue;
        }
        if (view.GetItemSlot(row) == kSlotPlaceholder) return false;
        ++shown;
    }
    return shown > 0;
}

// The folder's first `names` names, listed and shown in a window of a usual size; the decode
// threads are the list's own choice (one a core) when the argument is 0.
void ShowFolder(benchmark::State& state, int names) {
    testing_support::TestApplication();
    const std::string folder = names == kNames ? Photographs().path() : FirstNames(names).path();
    for (auto _ : state) {
        FileView view;
        view.resize(1280, 800);
        view.show();
        if (state.range(0) > 0) view.SetDecodeThreads(static_cast<int>(state.range(0)));
        const auto start = std::chrono::steady_clock::now();
        view.SetFolder(PidlPath(folder));
        double listed = 0;
        double screen = 0;
        testing_support::WaitOnEventsUntil(
            [&] {
                if (listed == 0 && view.count() > 0) listed = Since(start);
                if (screen == 0 && view.count() > 0 && ScreenShown(view)) screen = Since(start);
                return view.IsLoadComplete();
            },
            600);
        QCoreApplication::processEvents();
        state.counters["items_listed_s"] = listed;
        state.counters["first_screen_s"] = screen;
        state.counters["items"] = view.count();
        state.counters["threads"] = view.GetDecodeThreads();
    }
}

void BM_SetFolderThumbnails(benchmark::State& state) {
    ShowFolder(state, kNames);
}
BENCHMARK(BM_SetFolderThumbnails)
    ->Arg(1)
    ->Arg(4)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

// The photographer's folder of 200 large photographs: time until all thumbnails show.
void BM_TwoHundredPhotographs(benchmark::State& state) {
    ShowFolder(state, 200);
}
BENCHMARK(BM_TwoHundredPhotographs)
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

void BM_VipsThumbnailReference(benchmark::State& state) {
    const std::string folder = Photographs().path();
    // Its thumbnails go elsewhere: in the folder they would be listed by every later run.
    const testing_support::TempDir output;
    QStringList arguments = {"-s", "64x64", "-o",
                             QString::fromStdString(output.path() + "/tn_%s.jpg")};
    for (int n = 0; n < kNames; ++n) {
        const std::string name =
            n < kPhotographs ? "shot" + std::to_string(n) : "photo" + std::to_string(n);
        arguments << QString::fromStdString(folder + "/" + name + ".jpg");
    }
    for (auto _ : state) {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("VIPS_CONCURRENCY", "1");
        process.setProcessEnvironment(environment);
        process.setWorkingDirectory(QString::fromStdString(output.path()));
        process.start("vipsthumbnail", arguments);
        if (!process.waitForFinished(-1) || process.exitCode() != 0) {
            state.SkipWithError("vipsthumbnail did not run");
            return;
        }
    }
}
BENCHMARK(BM_VipsThumbnailReference)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

}  // namespace
