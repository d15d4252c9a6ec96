// A 6000 x 4000 JPEG reaching a viewer in a 1280 x 720 window: from the first 64 KiB chunk
// the downloader hands over to the end of the first frame that shows the picture, against
// the picture loader decoding the same bytes into a bitmap. On a busy machine, compare the
// pair from one run with --benchmark_enable_random_interleaving=true
// --benchmark_repetitions=5.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include "imaging/PictureLoader.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/com/MemoryStream.h"
#include "platform/net/UrlMoniker.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

constexpr int kPictureWidth = 6000;
constexpr int kPictureHeight = 4000;
constexpr std::size_t kChunk = 64 * 1024;

// The program's application object (offscreen), its temporary folder (the picture file and
// an empty registry) and the picture.
struct Setting {
    Setting() {
        char made[] = "/tmp/vantelo-viewer-bench-XXXXXX";
        if (::mkdtemp(made) != nullptr) folder = made;
        ::setenv("VANTELO_REGISTRY_DIR", folder.c_str(), 1);
        ::setenv("VANTELO_PACING", "manual", 1);
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        const std::string record = "/vantelo-viewer-bench-" + std::to_string(::getpid());
        ::setenv("VANTELO_SHM_NAME", record.c_str(), 1);
        static int argc = 1;
        static char name[] = "viewer_load_bench";
        static char* argv[] = {name, nullptr};
        app = new QApplication(argc, argv);
        jpeg = jpeg_fixtures::Encode(
            {.width = kPictureWidth, .height = kPictureHeight, .quality = 85});
        path = folder + "/picture.jpg";
        if (FILE* file = std::fopen(path.c_str(), "wb")) {
            std::fwrite(jpeg.data(), 1, jpeg.size(), file);
            std::fclose(file);
        }
    }
    ~Setting() {
        std::remove(path.c_str());
        ::rmdir(folder.c_str());
    }

    QApplication* app = nullptr;
    std::string folder;
    std::string path;
    std::vector<std::uint8_t> jpeg;
};

Setting& TheSetting() {
    static Setting setting;
    return setting;
}

// Feeds the bytes to the viewer's callbacks through a downloader, chunk by chunk, as a
// binding reports them.
void Download(CVanteloPlugin& viewer, const std::vector<std::uint8_t>& bytes) {
    CVanteloPlugin::Downloader* downloader = nullptr;
    if (CVanteloPlugin::Downloader::CreateDownloader(&downloader, &viewer) != platform::S_OK)
        return;
    downloader->SetCallbacks(&CVanteloPlugin::OnDownloadData, &CVanteloPlugin::OnDownloadComplete,
                             &CVanteloPlugin::OnDownloadProgress);
    platform::MemoryStream* stream = platform::MemoryStream::Create(bytes);
    const auto size = static_cast<std::uint32_t>(bytes.size());
    downloader->OnProgress(0, size, platform::BINDSTATUS_BEGINDOWNLOADDATA, nullptr);
    for (std::size_t sent = 0; sent < bytes.size();) {
        sent = std::min(bytes.size(), sent + kChunk);
        std::uint32_t flags = sent == kChunk ? platform::BSCF_FIRSTDATANOTIFICATION : 0;
        if (sent == bytes.size()) flags |= platform::BSCF_LASTDATANOTIFICATION;
        downloader->OnProgress(static_cast<std::uint32_t>(sent), size,
                               platform::BINDSTATUS_DOWNLOADINGDATA, nullptr);
        platform::STGMEDIUM medium{platform::TYMED_ISTREAM, stream};
        downloader->OnDataAvailable(flags, static_cast<std::uint32_t>(sent), nullptr, &medium);
    }
    downloader->OnStopBinding(platform::S_OK, nullptr);
    stream->Release();
    downloader->Release();
}

void BM_ViewerShowsTheDownloadedPicture(benchmark::State& state) {
    Setting& setting = TheSetting();
    auto* widget = new QWidget(nullptr, Qt::FramelessWindowHint);
    widget->setGeometry(0, 0, 1280, 720);
    widget->show();
    for (auto _ : state) {
        state.PauseTiming();
        auto viewer = std::make_unique<CVanteloPlugin>();
        viewer->AttachWindow(widget);
        // The name the page gave. Its own download fails (no such file) and is never heard
        // of: nothing here runs the event loop that would deliver its news.
        viewer->SetFilename(setting.folder + "/downloaded.jpg");
        state.ResumeTiming();
        Download(*viewer, setting.jpeg);
        viewer->OnFrameMessage();
        state.PauseTiming();
        if (!viewer->IsImagePresent()) state.SkipWithError("the picture did not load");
        viewer->OnDestroyWindow();
        viewer.reset();
        state.ResumeTiming();
    }
    delete widget;
}
BENCHMARK(BM_ViewerShowsTheDownloadedPicture)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3);

void BM_LoadPictureAsDIB(benchmark::State& state) {
    Setting& setting = TheSetting();
    for (auto _ : state) {
        auto dib = LoadPictureAsDIB(setting.path, nullptr, nullptr, nullptr);
        if (!dib) state.SkipWithError("the picture did not load");
        benchmark::DoNotOptimize(dib);
    }
}
BENCHMARK(BM_LoadPictureAsDIB)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace
