// The canvas on one thread: building every level of an 8000 x 6000 picture from decoded
// pixels, against an external pyramid tiler cutting the same picture into the same tiles;
// and a full-HD frame drawn by the canvas, against the same tiles drawn straight through
// the rasteriser. On a busy machine, compare the pairs from one run with
// --benchmark_enable_random_interleaving=true --benchmark_repetitions=5.
#include <sys/mman.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

#include <linux/magic.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QWidget>

#include <benchmark/benchmark.h>

#include "imaging/PictureConverter.h"
#include "platform/gfx/Rasteriser.h"
#include "platform/gfx/Surface.h"
#include "viewer-plugin/canvas/Canvas.h"

namespace {

namespace fs = std::filesystem;

constexpr int kPictureWidth = 8000;
constexpr int kPictureHeight = 6000;
constexpr int kFrameWidth = 1920;
constexpr int kFrameHeight = 1080;
constexpr float kZoom = 1.37f;

// The decoded picture as a decoder delivers it: rows of red, green, blue.
const std::vector<std::uint8_t>& DecodedPicture() {
    static const std::vector<std::uint8_t> pixels = [] {
        std::vector<std::uint8_t> out(std::size_t{kPictureWidth} * kPictureHeight * 3);
        std::uint8_t* p = out.data();
        for (int y = 0; y < kPictureHeight; ++y) {
            for (int x = 0; x < kPictureWidth; ++x) {
                *p++ = static_cast<std::uint8_t>(x * 7 + y);
                *p++ = static_cast<std::uint8_t>(y * 5 ^ x);
                *p++ = static_cast<std::uint8_t>((x + y) * 3);
            }
        }
        return out;
    }();
    return pixels;
}

// The program's one application object, offscreen.
void Application() {
    static int argc = 1;
    static char name[] = "viewer_canvas_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        return new QApplication(argc, argv);
    }();
    (void)app;
}

// The program's display window, of a full-HD frame's size, on a computer-wide record of its
// own. It lives as long as the program.
class Display {
public:
    Display() {
        const std::string record = "/vantelo-bench-" + std::to_string(::getpid());
        ::setenv("VANTELO_SHM_NAME", record.c_str(), 1);
        Application();
        widget_ = new QWidget(nullptr, Qt::FramelessWindowHint);
        widget_->setGeometry(0, 0, kFrameWidth, kFrameHeight);
        widget_->show();
        window_ = new D3DWindow(nullptr, widget_);
        created_ = window_->CreateWindowed() == 0;
        // Mapped by now; the name is not needed again.
        ::shm_unlink(record.c_str());
    }

    bool created() const { return created_; }
    D3DWindow* window() const { return window_; }

private:
    QWidget* widget_ = nullptr;
    D3DWindow* window_ = nullptr;
    bool created_ = false;
};

Display& TheDisplay() {
    static Display* display = new Display;
    return *display;
}

// Level 0 filled as the loader fills it: band by band of 254 rows, each row converted into
// every tile of its band; then the borders.
void Load(Canvas& canvas, const std::vector<std::uint8_t>& rgb) {
    const Vector2<int> grid = canvas.GetGridSize();
    const int width = canvas.GetImageWidth();
    const int height = canvas.GetImageHeight();
    const auto& tiles = canvas.GetTiles();
    PictureConverter converter;
    converter.bitsPerPixel = 32;
    converter.greenBits = 8;
    std::vector<std::uint8_t*> bits(static_cast<std::size_t>(grid.x));
    std::vector<std::ptrdiff_t> pitch(static_cast<std::size_t>(grid.x));
    for (int y = 0; y < height; ++y) {
        const int band = y / Canvas::kTileStep;
        if (y % Canvas::kTileStep == 0) {
            for (int c = 0; c < grid.x; ++c) {
                D3DSurface& tile = *tiles[static_cast<std::size_t>(band * grid.x + c)];
                tile.Lock();
                tile.GetLockInfo(&bits[c], &pitch[c], nullptr);
            }
        }
        const std::uint8_t* row = rgb.data() + std::size_t{3} * width * y;
        const int tileRow = y % Canvas::kTileStep + 1;
        for (int c = 0; c < grid.x; ++c) {
            const int count = std::min(Canvas::kTileStep, width - Canvas::kTileStep * c);
            converter.Convert(row + std::size_t{3} * Canvas::kTileStep * c,
                              bits[c] + tileRow * pitch[c] + 4, nullptr, count, 24, 16, 8, 0, 8, 8,
                              8);
        }
        if (y % Canvas::kTileStep == Canvas::kTileStep - 1 || y == height - 1) {
            for (int c = 0; c < grid.x; ++c) {
                tiles[static_cast<std::size_t>(band * grid.x + c)]->Unlock();
            }
        }
    }
    canvas.FillTileBorders(0);
}

void BM_CanvasBuildsAllLevels(benchmark::State& state) {
    const auto& rgb = DecodedPicture();
    Display& display = TheDisplay();
    if (!display.created()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) {
        Canvas canvas(display.window(), {kPictureWidth, kPictureHeight});
        Load(canvas, rgb);
        // The coarsest zoom needs every level.
        canvas.SetPosition(0, 0, 0.05f);
        canvas.SelectLevel(display.window());
        benchmark::DoNotOptimize(canvas.GetLevel(4).ready);
    }
    state.SetItemsProcessed(state.iterations() * kPictureWidth * kPictureHeight);
}
BENCHMARK(BM_CanvasBuildsAllLevels)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

// A folder in memory, so that neither side waits for a disk.
fs::path MemoryFolder() {
    for (const char* candidate : {static_cast<const char*>(std::getenv("XDG_RUNTIME_DIR")),
                                  static_cast<const char*>("/dev/shm")}) {
        struct statfs info {};
        if (candidate != nullptr && ::statfs(candidate, &info) == 0 && info.f_type == TMPFS_MAGIC) {
            return candidate;
        }
    }
    return {};
}

int Run(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// The tiler on the same picture, stored beforehand in its own uncompressed format so that
// neither side decodes; one thread, as the canvas builds on one.
void BM_PyramidTilerBuildsAllLevels(benchmark::State& state) {
    if (Run("command -v vips >/dev/null 2>&1") != 0) {
        state.SkipWithError("vips is not installed");
        return;
    }
    const fs::path memory = MemoryFolder();
    if (memory.empty()) {
        state.SkipWithError("no tmpfs folder (XDG_RUNTIME_DIR or /dev/shm)");
        return;
    }
    const fs::path work = memory / ("vantelo-canvas-bench-" + std::to_string(::getpid()));
    fs::create_directories(work);
    const fs::path ppm = work / "picture.ppm";
    const fs::path native = work / "picture.v";
    {
        const auto& rgb = DecodedPicture();
        std::FILE* file = std::fopen(ppm.c_str(), "wb");
        if (file == nullptr) {
            state.SkipWithError("cannot write the picture");
            return;
        }
        std::fprintf(file, "P6\n%d %d\n255\n", kPictureWidth, kPictureHeight);
        std::fwrite(rgb.data(), 1, rgb.size(), file);
        std::fclose(file);
    }
    if (Run("vips copy '" + ppm.string() + "' '" + native.string() + "'") != 0) {
        fs::remove_all(work);
        state.SkipWithError("vips cannot store the picture");
        return;
    }
    fs::remove(ppm);
    const fs::path out = work / "out";
    const std::string command = "VIPS_CONCURRENCY=1 vips dzsave '" + native.string() + "' '" +
                                (out / "pyramid").string() +
                                "' --tile-size 254 --overlap 1 --suffix .ppm";
    for (auto _ : state) {
        fs::create_directories(out);
        if (Run(command) != 0) {
            state.SkipWithError("vips dzsave failed");
            break;
        }
        state.PauseTiming();
        fs::remove_all(out);
        state.ResumeTiming();
    }
    fs::remove_all(work);
    state.SetItemsProcessed(state.iterations() * kPictureWidth * kPictureHeight);
}
BENCHMARK(BM_PyramidTilerBuildsAllLevels)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

// A full-HD view of a loaded picture at a fractional position, bilinear; one for both
// drawing benchmarks, so that they draw exactly the same frame.
class Frame {
public:
    Frame() {
        if (!TheDisplay().created()) return;
        std::vector<std::uint8_t> rgb(std::size_t{kWidth} * kHeight * 3);
        for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 7);
        canvas_ = std::make_unique<Canvas>(window(), Vector2<int>(kWidth, kHeight));
        Load(*canvas_, rgb);
        canvas_->SetPosition(-100.3f, -50.7f, kZoom);
        canvas_->SelectLevel(window());
    }

    bool ready() const { return canvas_ != nullptr; }
    Canvas& canvas() { return *canvas_; }
    D3DWindow* window() const { return TheDisplay().window(); }

private:
    static constexpr int kWidth = 3000;
    static constexpr int kHeight = 2000;
    std::unique_ptr<Canvas> canvas_;
};

Frame& TheFrame() {
    static Frame* frame = new Frame;
    return *frame;
}

void BM_CanvasDrawsAFrame(benchmark::State& state) {
    Frame& frame = TheFrame();
    if (!frame.ready()) {
        state.SkipWithError("no display");
        return;
    }
    for (auto _ : state) benchmark::DoNotOptimize(frame.canvas().Draw3D(frame.window(), 1));
    state.SetItemsProcessed(state.iterations() * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_CanvasDrawsAFrame)->Unit(benchmark::kMillisecond)->MinTime(2);

// The same tiles at the same places, handed to the rasteriser without the device.
void BM_RasteriserDrawsTheSameFrame(benchmark::State& state) {
    Frame& frame = TheFrame();
    if (!frame.ready()) {
        state.SkipWithError("no display");
        return;
    }
    const CanvasLevel& level = frame.canvas().GetLevel(frame.canvas().GetCurrentLevel());
    gfx::RasterState raster;
    frame.window()->GetBackBuffer()->GetSurface()->DrawablePixels(raster.target);
    raster.clip = Rect{0, 0, kFrameWidth, kFrameHeight};
    raster.magFilter = gfx::TextureFilter::Linear;
    raster.minFilter = gfx::TextureFilter::Linear;
    raster.cull = gfx::D3DCULL_NONE;
    std::vector<platform::SurfacePixels> textures(level.tiles.size());
    for (std::size_t i = 0; i < level.tiles.size(); ++i) {
        level.tiles[i]->GetSurface()->DrawablePixels(textures[i]);
    }
    for (auto _ : state) {
        for (std::size_t i = 0; i < textures.size(); ++i) {
            raster.texture = textures[i];
            gfx::DrawTriangleStrip(raster, &level.vertices[i * CanvasLevel::kVerticesPerTile + 4],
                                   4);
        }
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * kFrameWidth * kFrameHeight);
}
BENCHMARK(BM_RasteriserDrawsTheSameFrame)->Unit(benchmark::kMillisecond)->MinTime(2);

}  // namespace
