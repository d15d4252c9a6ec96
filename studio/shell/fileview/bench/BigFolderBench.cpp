// The file list and the folder tree on folders a photographer has: Select All and a refresh
// at 20,000 files, expanding and refreshing a tree folder of 2,000 sub-folders, and how long
// the window thread is held when the user leaves a folder while a large PNG decodes.
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <map>
#include <memory>
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
    return testing_support::WaitOnEventsUntil(done, limit);
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
    double most = 0;
    double sum = 0;
    int runs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto view = std::make_unique<FileView>();
        view->SetFolder(large);
        ServeUntil([&view] { return view->count() == 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(100));  // the decode is under way
        state.ResumeTiming();
        const auto start = Clock::now();
        view->SetFolder(small);
        const double blocked = Seconds(start);
        most = std::max(most, blocked);
        sum += blocked;
        ++runs;
        state.PauseTiming();
        ServeUntil([&view] { return view->IsLoadComplete(); });
        view.reset();
        state.ResumeTiming();
    }
    state.counters["blocked_ms_max"] = most * 1000;
    state.counters["blocked_ms_mean"] = runs > 0 ? sum / runs * 1000 : 0;
}
BENCHMARK(BM_LeaveFolderWhileDecoding)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// Resident memory of the process.
double ResidentMb() {
    long pages = 0;
    long resident = 0;
    std::ifstream statm("/proc/self/statm");
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / 1e6;
}

// A folder of `count` names, made once per size.
const testing_support::TempDir& FilesFolder(int count) {
    static std::map<int, std::unique_ptr<testing_support::TempDir>> folders;
    auto& folder = folders[count];
    if (!folder) {
        folder = std::make_unique<testing_support::TempDir>();
        for (int n = 0; n < count; ++n) {
            std::ofstream(folder->Path("photo" + std::to_string(n) + ".jpg")) << "x";
        }
    }
    return *folder;
}

// Thumbnails that compress as a photograph's do: each a different part of a detailed picture
// with a little grain, so neither flat colour nor noise flatters the figure.
class PhotoLikeThumbnails {
public:
    PhotoLikeThumbnails() : scene_(1024, 768, QImage::Format_RGB32) {
        QPainter painter(&scene_);
        QLinearGradient gradient(0, 0, 1024, 768);
        gradient.setColorAt(0, QColor(210, 170, 120));
        gradient.setColorAt(1, QColor(40, 70, 120));
        painter.fillRect(scene_.rect(), gradient);
        for (int k = 0; k < 400; ++k) {
            painter.setPen(QColor::fromHsv(k * 37 % 360, 120, 60 + k % 150));
            painter.setBrush(QColor::fromHsv(k * 53 % 360, 140, 90 + k * 7 % 160));
            painter.drawEllipse(k * 173 % 1000, k * 131 % 740, 8 + k % 60, 6 + k * 3 % 50);
        }
        painter.end();
        unsigned grain = 1;
        for (int y = 0; y < scene_.height(); ++y) {
            auto* row = reinterpret_cast<QRgb*>(scene_.scanLine(y));
            for (int x = 0; x < scene_.width(); ++x) {
                grain = grain * 1103515245u + 12345u;
                const int d = static_cast<int>((grain >> 16) % 9) - 4;
                const QRgb c = row[x];
                row[x] = qRgb(std::clamp(qRed(c) + d, 0, 255), std::clamp(qGreen(c) + d, 0, 255),
                              std::clamp(qBlue(c) + d, 0, 255));
            }
        }
        SetThumbnailRenderer([this](const std::string& path) -> std::optional<RenderedThumbnail> {
            const std::size_t hash = std::hash<std::string>{}(path);
            const int x = static_cast<int>(hash % 640);
            const int y = static_cast<int>((hash >> 16) % 384);
            RenderedThumbnail out;
            // A 4:3 photograph scaled into the box, flush with its bottom edge.
            out.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
            out.image.fill(Qt::white);
            QPainter place(&out.image);
            place.drawImage(QRect(0, 16, 64, 48),
                            scene_.copy(x, y, 384, 288)
                                .scaled(64, 48, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
            place.end();
            out.info.width = 4000;
            out.info.height = 3000;
            out.info.imageBytes = 36000000;
            return out;
        });
    }
    ~PhotoLikeThumbnails() { SetThumbnailRenderer({}); }

private:
    QImage scene_;
};

// Resident memory of the list over an empty folder once every thumbnail of a folder of
// `count` files is made, what is left of it after going back to the empty folder, and how
// long a row far down takes to be drawn with its thumbnail after a scroll to it.
void BM_ThumbnailMemory(benchmark::State& state) {
    OwnRegistry();
    testing_support::TestApplication();
    const int files = static_cast<int>(state.range(0));
    const auto& folder = FilesFolder(files);
    testing_support::TempDir empty;
    PhotoLikeThumbnails thumbnails;
    double grown = 0;
    double left = 0;
    double scroll = 0;
    double held = 0;
    double packed = 0;
    double loaded = 0;
    for (auto _ : state) {
        FileView view;
        view.resize(1280, 800);
        view.show();
        view.SetFolder(PidlPath(empty.path()));
        ServeUntil([&view] { return view.IsLoadComplete(); });
        const double before = ResidentMb();
        const auto loadStart = Clock::now();
        view.SetFolder(PidlPath(folder.path()));
        if (!ServeUntil([&view] { return view.IsLoadComplete(); }, 600)) {
            state.SkipWithError("the folder did not load");
            return;
        }
        QCoreApplication::processEvents();
        grown = ResidentMb() - before;
        const auto kept = view.Images().Thumbnails().size();
        held = static_cast<double>(kept);
        double bytes = 0;
        for (const auto& [slot, info] : view.Images().Thumbnails()) {
            bytes += static_cast<double>(view.Images().Packed(slot).size());
        }
        packed = kept > 0 ? bytes / static_cast<double>(kept) : 0;
        loaded = Seconds(loadStart);

        const auto start = Clock::now();
        view.scrollToItem(view.item(view.count() * 9 / 10));
        view.viewport()->repaint();
        scroll = Seconds(start);

        view.SetFolder(PidlPath(empty.path()));
        ServeUntil([&view] { return view.IsLoadComplete(); });
        QCoreApplication::processEvents();
        left = ResidentMb() - before;
    }
    state.counters["files"] = files;
    state.counters["thumbnails"] = held;
    state.counters["rss_grown_mb"] = grown;
    state.counters["rss_left_mb"] = left;
    state.counters["scroll_draw_ms"] = scroll * 1000;
    state.counters["packed_bytes"] = packed;
    state.counters["load_s"] = loaded;
}
BENCHMARK(BM_ThumbnailMemory)
    ->Arg(20000)
    ->Arg(100000)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(1);

}  // namespace
