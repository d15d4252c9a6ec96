// The file list and the folder tree on folders a photographer has: Select All and a refresh
// at 20,000 files, expanding and refreshing a tree folder of 2,000 sub-folders, and how long
// the window thread is held when the user leaves a folder while a large PNG decodes.
#include <stdlib.h>
#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <string>
#include <thread>

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

#include "studio/core/FileSelection.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/tree/DriveView.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using Clock = std::chrono::steady_clock;

// The studio's settings come from a registry of the benchmark's own, never the user's.
void OwnRegistry() {
    static testing_support::TempDir registry;
    static const bool set = ::setenv("VANTELO_REGISTRY_DIR", registry.path().c_str(), 1) == 0;
    (void)set;
}

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

bool ServeUntil(const std::function<bool()>& done, double limit = 120) {
    const auto start = Clock::now();
    while (!done()) {
        if (Seconds(start) > limit) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// Decoding is not what these measure: every file gets a small thumbnail at once.
class QuickThumbnails {
public:
    QuickThumbnails() {
        SetThumbnailRenderer([](const std::string&) -> std::optional<RenderedThumbnail> {
            RenderedThumbnail out;
            out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
            out.image.fill(QColor(90, 140, 200));
            out.info.width = 4000;
            out.info.height = 3000;
            return out;
        });
    }
    ~QuickThumbnails() { SetThumbnailRenderer({}); }
};

const testing_support::TempDir& TwentyThousandFiles() {
    static testing_support::TempDir folder;
    static bool made = false;
    if (!made) {
        made = true;
        for (int n = 0; n < 20000; ++n) {
            std::ofstream(folder.Path("photo" + std::to_string(n) + ".jpg")) << "x";
        }
    }
    return folder;
}

// The application object before any widget.
struct Started {
    Started() {
        OwnRegistry();
        testing_support::TestApplication();
    }
};

struct LoadedList {
    LoadedList() {
        view.SetSelection(&selection);
        view.SetFolder(PidlPath(TwentyThousandFiles().path()));
        ServeUntil([this] { return view.IsLoadComplete(); });
    }
    Started started;
    QuickThumbnails thumbnails;
    FileSelection selection;
    FileView view;
};

void BM_SelectAll20000(benchmark::State& state) {
    LoadedList list;
    for (auto _ : state) {
        list.view.SelectAll();
        state.PauseTiming();
        list.view.clearSelection();
        state.ResumeTiming();
    }
    state.counters["items"] = list.view.count();
    state.counters["selected"] = list.selection.GetItemCount();
}
BENCHMARK(BM_SelectAll20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// From the refresh request until the list is current again, thumbnails kept.
void BM_Refresh20000(benchmark::State& state) {
    LoadedList list;
    for (auto _ : state) {
        list.view.Refresh();
        ServeUntil([&list] { return list.view.IsLoadComplete(); });
    }
    state.counters["items"] = list.view.count();
}
BENCHMARK(BM_Refresh20000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A folder of 2,000 sub-folders, every other one holding a folder of its own.
const testing_support::TempDir& TwoThousandFolders() {
    static testing_support::TempDir folder;
    static bool made = false;
    if (!made) {
        made = true;
        ::mkdir(folder.Path("big").c_str(), 0777);
        for (int n = 0; n < 2000; ++n) {
            const std::string sub = folder.Path("big/folder" + std::to_string(n));
            ::mkdir(sub.c_str(), 0777);
            if (n % 2 == 0) ::mkdir((sub + "/inner").c_str(), 0777);
            std::ofstream(sub + "/file.txt") << "x";
        }
    }
    return folder;
}

struct LoadedTree {
    LoadedTree() {
        tree.SetDriveSource({[] {
                                 return std::vector<platform::shellns::DriveInfo>{
                                     {"/", platform::shellns::DriveKind::Unknown}};
                             },
                             [](const std::string&) { return std::optional<std::string>("one"); }});
        tree.OnInitialUpdate();
        big = PidlPath(TwoThousandFolders().Path("big"));
        tree.ExpandPath(big);
    }
    QTreeWidgetItem* Big() const { return tree.FindItem(big); }
    Started started;
    DriveView tree;
    PidlPath big;
};

void BM_TreeExpand2000(benchmark::State& state) {
    LoadedTree loaded;
    for (auto _ : state) {
        state.PauseTiming();
        loaded.Big()->setExpanded(false);
        state.ResumeTiming();
        loaded.Big()->setExpanded(true);
    }
    state.counters["children"] = loaded.Big()->childCount();
}
BENCHMARK(BM_TreeExpand2000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_TreeRefresh2000(benchmark::State& state) {
    LoadedTree loaded;
    for (auto _ : state) loaded.tree.Refresh();
    state.counters["children"] = loaded.Big()->childCount();
}
BENCHMARK(BM_TreeRefresh2000)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// A 9000 x 9000 PNG with enough detail that decoding it takes a while.
const testing_support::TempDir& LargePng() {
    static testing_support::TempDir folder;
    static bool made = false;
    if (!made) {
        made = true;
        ::mkdir(folder.Path("large").c_str(), 0777);
        ::mkdir(folder.Path("small").c_str(), 0777);
        QImage image(9000, 9000, QImage::Format_RGB888);
        for (int y = 0; y < image.height(); ++y) {
            uchar* row = image.scanLine(y);
            for (int x = 0; x < image.width() * 3; ++x) {
                row[x] = static_cast<uchar>((x * 7 + y * 13 + ((x * y) >> 5)) & 0xFF);
            }
        }
        image.save(QString::fromStdString(folder.Path("large/huge.png")), "PNG", 10);
        std::ofstream(folder.Path("small/page.htm")) << "<html></html>";
    }
    return folder;
}

void BM_LeaveFolderWhileDecoding(benchmark::State& state) {
    OwnRegistry();
    testing_support::TestApplication();
    const auto& folders = LargePng();
    const PidlPath large(folders.Path("large"));
    const PidlPath small(folders.Path("small"));
    double blocked = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<FileView>();
        view->SetFolder(large);
        ServeUntil([&view] { return view->count() == 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the decode is under way
        state.ResumeTiming();
        const auto start = Clock::now();
        view->SetFolder(small);
        blocked = Seconds(start);
        state.PauseTiming();
        ServeUntil([&view] { return view->IsLoadComplete(); });
        view.reset();
        state.ResumeTiming();
    }
    state.counters["blocked_ms"] = blocked * 1000;
}
BENCHMARK(BM_LeaveFolderWhileDecoding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace
