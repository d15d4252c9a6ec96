// The view model's loading: downloaded bytes decoded into the canvas's level-0 tiles, a
// progressive picture pass by pass on a loader thread while its bytes arrive.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

#include "imaging/PictureConverter.h"
#include "viewer-plugin/Album.h"
#include "viewer-plugin/Canvas.h"
#include "viewer-plugin/D3DSurface.h"
#include "viewer-plugin/D3DWindow.h"

namespace {

constexpr int kBand = Canvas::kTileStep;
// Levels are released every so many passes, so that they are built again from new rows.
constexpr int kPassesPerRebuild = 4;

// Holds the canvas lock across the rows of a band, letting go at each band's start.
class CanvasHold {
public:
    explicit CanvasHold(platform::Semaphore& lock) : lock_(lock) {}
    ~CanvasHold() { Release(); }
    CanvasHold(const CanvasHold&) = delete;
    CanvasHold& operator=(const CanvasHold&) = delete;
    void Take() {
        if (!held_) held_ = lock_.Acquire();
    }
    void Release() {
        if (held_) lock_.Release();
        held_ = false;
    }

private:
    platform::Semaphore& lock_;
    bool held_ = false;
};

// The locked tiles of one band of rows.
class BandTiles {
public:
    explicit BandTiles(const Canvas& canvas) : canvas_(canvas) {}
    ~BandTiles() { Unlock(); }
    BandTiles(const BandTiles&) = delete;
    BandTiles& operator=(const BandTiles&) = delete;

    void Lock(int band) {
        Unlock();
        const Vector2<int> grid = canvas_.GetGridSize();
        // A script may have made the canvas shorter than the picture between two passes:
        // rows below it have no tiles.
        if (band >= grid.y) return;
        for (int c = 0; c < grid.x; ++c) {
            D3DSurface* tile =
                canvas_.GetTiles()[static_cast<std::size_t>(band) * grid.x + c].get();
            Locked entry{tile, nullptr, 0};
            const platform::PixelFormat* format = nullptr;
            if (tile != nullptr && tile->IsValid() && tile->Lock()) {
                if (!tile->GetLockInfo(&entry.bits, &entry.pitch, &format)) {
                    tile->Unlock();
                    entry.bits = nullptr;
                }
            }
            locked_.push_back(entry);
        }
    }
    void Unlock() {
        for (const Locked& entry : locked_) {
            if (entry.bits == nullptr) continue;
            entry.tile->Unlock();
            entry.tile->UpdateMipmaps();
        }
        locked_.clear();
    }
    // One converted row (destination pixels of `pixelBytes`) into each tile of the band:
    // each tile's share after a one-pixel border, below its top border row.
    void Write(int row, const std::uint8_t* converted, int width, int pixelBytes) {
        const int inTile = row % kBand + 1;
        for (std::size_t c = 0; c < locked_.size(); ++c) {
            const Locked& entry = locked_[c];
            if (entry.bits == nullptr) continue;
            const int first = static_cast<int>(c) * kBand;
            const int count = std::min(kBand, width - first);
            if (count <= 0) continue;
            std::uint8_t* out =
                entry.bits + static_cast<std::ptrdiff_t>(inTile) * entry.pitch + pixelBytes;
            std::memcpy(out, converted + static_cast<std::size_t>(first) * pixelBytes,
                        static_cast<std::size_t>(count) * pixelBytes);
        }
    }

private:
    struct Locked {
        D3DSurface* tile;
        std::uint8_t* bits;
        std::ptrdiff_t pitch;
    };
    const Canvas& canvas_;
    std::vector<Locked> locked_;
};

}  // namespace

bool Album::AddData(D3DWindow* display, const std::string& name, const std::uint8_t* data,
                    std::size_t size) {
    if (data == nullptr) return false;
    if (!StartLoader(data, size, name, display)) {
        loader_.decoder_.reset();
        return false;
    }
    if (loader_.decoder_->IsProgressive()) return true;
    SetPosition(start_.x, start_.y, start_.z);
    if (display != nullptr) Fit(display->GetSize());
    loader_.decoder_.reset();
    return true;
}

bool Album::StartLoader(const std::uint8_t* data, std::size_t size, const std::string& name,
                        D3DWindow* display) {
    imageName_ = name;
    // Only one loader reads at a time; an earlier one is told to stop and waited for.
    loader_.Join();
    loader_.decoder_.reset();
    loader_.stop_ = false;
    loader_.canvasSized_ = false;
    loader_.SetReport(AlbumLoader::kNoReport);
    if (!canvas_ || display == nullptr) return false;
    auto decoder = std::make_unique<PictureLoader>();
    // The viewer's pictures come from pages: no IPTC, no complaints in the debug output.
    decoder->SetQuiet(true);
    if (!decoder->Open(name, data, size)) return false;
    loader_.decoder_ = std::move(decoder);
    {
        std::lock_guard lock(loader_.section_);
        loader_.available_ = size;
        loader_.decoded_ = 0;
    }
    if (!loader_.decoder_->IsProgressive()) {
        if (!DecodeRows(display, true)) return false;
        platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
        SetPosition(start_.x, start_.y, start_.z);
        FitToWindow(display->GetSize(), fit_);
        RefreshLevels(true);
        return true;
    }
    // A size the canvas refuses fails here, before any thread starts.
    {
        platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
        const PictureInfo& info = loader_.decoder_->GetInfo();
        canvas_->SetLevelCount(Canvas::kLevelCount);
        if (!canvas_->SetSize(display, Vector2<int>(info.width, info.height))) return false;
        loader_.canvasSized_ = true;
    }
    loader_.state_ = AlbumLoader::kStarted;
    loader_.running_ = true;
    try {
        loader_.thread_ = std::thread([this, display] { LoaderThreadProc(display); });
    } catch (const std::system_error&) {
        loader_.running_ = false;
        loader_.state_ = AlbumLoader::kIdle;
        return false;
    }
    return true;
}

bool Album::DecodeRows(D3DWindow* display, bool first) {
    PictureLoader* decoder = loader_.decoder_.get();
    if (decoder == nullptr || !canvas_) return false;
    const PictureInfo& info = decoder->GetInfo();
    const int width = info.width;
    const int height = info.height;
    if (width <= 0 || height <= 0) return false;
    const Vector2<int> size(width, height);
    // A progressive load had its canvas sized before its thread started.
    if (first && !loader_.canvasSized_) {
        platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
        if (!canvas_->SetSize(display, size)) return false;
    }
    std::uint64_t available = 0;
    std::uint64_t expected = 0;
    {
        std::lock_guard lock(loader_.section_);
        loader_.decoded_ = loader_.available_;
        available = loader_.available_;
        expected = loader_.expected_;
    }
    if (decoder->IsProgressive() &&
        !decoder->Restart(static_cast<std::size_t>(available),
                          static_cast<int>(std::min<std::uint64_t>(expected, INT_MAX)))) {
        return false;
    }

    const auto& tiles = canvas_->GetTiles();
    const D3DSurface* sample = nullptr;
    for (const auto& tile : tiles) {
        if (tile && tile->IsValid()) {
            sample = tile.get();
            break;
        }
    }
    if (sample == nullptr) return false;
    const platform::PixelFormat& format = sample->GetPixelFormat().rgb;
    const int pixelBytes = static_cast<int>(format.rgbBitCount / 8);
    PictureConverter converter;
    converter.SetPixelFormat(format);
    std::vector<std::uint8_t> row;
    std::vector<std::uint8_t> converted;
    try {
        // Room past the row: some decoders write whole groups of bytes.
        row.assign(static_cast<std::size_t>(info.rowBytes) + 16, 0);
        converted.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(pixelBytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }

    CanvasHold canvasLock(loader_.canvasSemaphore_);
    BandTiles band(*canvas_);
    bool more = true;
    for (int y = 0; y < height && more; ++y) {
        if (y % kBand == 0) {
            band.Unlock();
            canvasLock.Release();
            if (loader_.stop_) return false;
            more = decoder->ReadLine(row.data());
            canvasLock.Take();
            if (first && y == 0) {
                const std::uint8_t* c = canvasColour_;
                const Vector2<int> grid = canvas_->GetGridSize();
                for (int i = 0; i < grid.x * grid.y; ++i) {
                    D3DSurface* tile = tiles[static_cast<std::size_t>(i)].get();
                    const bool edge = i % grid.x == grid.x - 1 || i / grid.x == grid.y - 1;
                    if (edge && tile != nullptr && tile->IsValid()) {
                        tile->Fill(tile->ColourToPixel(c[0], c[1], c[2]));
                    }
                }
            }
            band.Lock(y / kBand);
        } else {
            more = decoder->ReadLine(row.data());
        }
        converter.Convert(row.data(), converted.data(), info, width);
        band.Write(y, converted.data(), width, pixelBytes);
    }
    band.Unlock();
    return true;
}

void Album::PlaceFirstRows(D3DWindow* display) {
    platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
    SetPosition(start_.x, start_.y, start_.z);
    if (display != nullptr) FitToWindow(display->GetSize(), fit_);
}

void Album::RefreshLevels(bool releaseReduced) {
    if (!canvas_) return;
    canvas_->FillTileBorders(0);
    if (releaseReduced) canvas_->ReleaseLevels();
}

void Album::LoaderThreadProc(D3DWindow* display) {
    AlbumLoader& l = loader_;
    int passes = 0;
    bool first = true;
    const auto leave = [&](int state) {
        l.state_ = state;
        l.progressive_ = false;
        l.SetReport(AlbumLoader::kLoaderLeft);
        l.running_ = false;
    };
    for (;;) {
        // Waiting never holds the loader lock: the download needs it to grow the buffer.
        if (!l.WaitForPass()) break;
        platform::SemaphoreHold hold(l.loaderSemaphore_, platform::kWaitForever);
        if (l.stop_) break;
        if (!DecodeRows(display, first)) {
            if (l.stop_) break;
            // The picture cannot be decoded (or placed): the load ends without it.
            hold.Release();
            leave(AlbumLoader::kIdle);
            return;
        }
        ++passes;
        if (first) {
            PlaceFirstRows(display);
            {
                platform::SemaphoreHold canvasLock(l.canvasSemaphore_, platform::kWaitForever);
                RefreshLevels(true);
            }
            l.state_ = AlbumLoader::kFirstRows;
            first = false;
        } else {
            platform::SemaphoreHold canvasLock(l.canvasSemaphore_, platform::kWaitForever);
            RefreshLevels(passes % kPassesPerRebuild == 0);
        }
        l.SetReport(AlbumLoader::kNewRows);
        bool finished = false;
        {
            std::lock_guard lock(l.section_);
            finished = l.expected_ != AlbumLoader::kUnknown && l.decoded_ >= l.expected_;
        }
        if (finished) {
            hold.Release();
            if (passes > 1) {
                platform::SemaphoreHold canvasLock(l.canvasSemaphore_, platform::kWaitForever);
                RefreshLevels(true);
            }
            leave(AlbumLoader::kFinished);
            return;
        }
    }
    leave(AlbumLoader::kIdle);
}

void Album::EndLoader() {
    loader_.Join();
    loader_.decoder_.reset();
    loader_.state_ = AlbumLoader::kIdle;
    loader_.progressive_ = false;
    loader_.SetReport(AlbumLoader::kNoReport);
}

void Album::StopLoader() {
    loader_.Join();
    ReleaseMouseDevice();
    loader_.decoder_.reset();
    platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
    canvas_.reset();
}
