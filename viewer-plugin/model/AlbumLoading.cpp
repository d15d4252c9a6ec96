// The view model's loading: downloaded bytes decoded into the canvas's level-0 tiles, a
// progressive picture pass by pass on a loader thread while its bytes arrive.
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <system_error>
#include <vector>

#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "viewer-plugin/canvas/Canvas.h"
#include "viewer-plugin/display/D3DSurface.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/model/Album.h"

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
    // One converted row (destination pixels of `pixelBytes`) into each tile of the band.
    void Write(int row, const std::uint8_t* converted, int width, int pixelBytes) {
        const std::vector<std::uint8_t*>& pieces = Pieces(row, pixelBytes, width);
        for (std::size_t c = 0; c < pieces.size(); ++c) {
            const int first = static_cast<int>(c) * kBand;
            const int count = std::min(kBand, width - first);
            if (pieces[c] == nullptr || count <= 0) continue;
            std::memcpy(pieces[c], converted + static_cast<std::size_t>(first) * pixelBytes,
                        static_cast<std::size_t>(count) * pixelBytes);
        }
    }
    // Where row `row` of the picture starts in each tile of the band (past the tile's
    // one-pixel border, below its top border row); null for a tile that could not be locked.
    // There is a piece for every column of a `width`-pixel row even when the canvas was made
    // narrower meanwhile: the decoder writes each one that is not null.
    const std::vector<std::uint8_t*>& Pieces(int row, int pixelBytes, int width) {
        const int inTile = row % kBand + 1;
        const std::size_t columns = static_cast<std::size_t>((width + kBand - 1) / kBand);
        pieces_.assign(std::max(columns, locked_.size()), nullptr);
        for (std::size_t c = 0; c < locked_.size(); ++c) {
            const Locked& entry = locked_[c];
            if (entry.bits == nullptr) continue;
            pieces_[c] =
                entry.bits + static_cast<std::ptrdiff_t>(inTile) * entry.pitch + pixelBytes;
        }
        return pieces_;
    }

private:
    struct Locked {
        D3DSurface* tile;
        std::uint8_t* bits;
        std::ptrdiff_t pitch;
    };
    const Canvas& canvas_;
    std::vector<Locked> locked_;
    std::vector<std::uint8_t*> pieces_;
};

// Zeroes, when a pass ends, what it left unwritten of tiles made uncleared: the rows it did
// not reach, or everything when it failed. Made before the pass's canvas hold and band so
// that it runs after them, with the tiles unlocked.
class UnwrittenRows {
public:
    UnwrittenRows(Canvas* canvas, platform::Semaphore& lock) : canvas_(canvas), lock_(lock) {}
    ~UnwrittenRows() {
        if (canvas_ == nullptr) return;
        platform::SemaphoreHold hold(lock_, platform::kWaitForever);
        if (succeeded_) {
            canvas_->ClearRowsFrom(reached_, !edgesFilled_);
        } else {
            canvas_->ClearRowsFrom(0, true);
        }
    }
    UnwrittenRows(const UnwrittenRows&) = delete;
    UnwrittenRows& operator=(const UnwrittenRows&) = delete;

    void Reached(int rows) { reached_ = rows; }
    void EdgesFilled() { edgesFilled_ = true; }
    void Succeeded() { succeeded_ = true; }

private:
    Canvas* canvas_;
    platform::Semaphore& lock_;
    int reached_ = 0;
    bool edgesFilled_ = false;
    bool succeeded_ = false;
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

Album::HeadCheck Album::CheckHead(const std::string& name, const std::uint8_t* data,
                                  std::size_t size) {
    refusedSize_ = {};
    Vector2<int> pictureSize;
    switch (PictureLoader::ReadHeadSoFar(name, data, size, pictureSize)) {
        case PictureLoader::Head::kNeedMore:
            return HeadCheck::kUnknown;
        case PictureLoader::Head::kWrongType:
            return HeadCheck::kRefused;
        case PictureLoader::Head::kRead:
            break;
    }
    if (pictureSize.x <= 0 || pictureSize.y <= 0) return HeadCheck::kRefused;
    // Level 0 alone, as the canvas counts it first: a size refused here is refused by every
    // canvas. Sizes only the coarser levels push over are left to the load itself.
    const auto tiles = [](int pixels) {
        return static_cast<std::uint64_t>(pixels / Canvas::kTileStep +
                                          (pixels % Canvas::kTileStep != 0 ? 1 : 0));
    };
    constexpr std::uint64_t kTileBytes =
        std::uint64_t{Canvas::kSurfaceSize} * Canvas::kSurfaceSize * 4;
    if (tiles(pictureSize.x) * tiles(pictureSize.y) > Canvas::kMaxTileMemory / kTileBytes) {
        refusedSize_ = pictureSize;
        return HeadCheck::kRefused;
    }
    return HeadCheck::kShowable;
}

bool Album::StartLoader(const std::uint8_t* data, std::size_t size, const std::string& name,
                        D3DWindow* display) {
    imageName_ = name;
    refusedSize_ = {};
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
        const Vector2<int> pictureSize(info.width, info.height);
        if (!canvas_->SetSize(display, pictureSize)) {
            refusedSize_ = pictureSize;
            return false;
        }
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
    // A progressive load had its canvas sized before its thread started. Tiles sized here
    // are written whole by this pass, so they are not zeroed first.
    const bool fresh = first && !loader_.canvasSized_;
    if (fresh) {
        platform::SemaphoreHold hold(loader_.canvasSemaphore_, platform::kWaitForever);
        if (!canvas_->SetSize(display, size, false)) {
            refusedSize_ = size;
            return false;
        }
    }
    UnwrittenRows unwritten(fresh ? canvas_.get() : nullptr, loader_.canvasSemaphore_);
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
    // A band's first row is decoded while the canvas is let go, so it waits here until
    // its tiles are locked.
    std::vector<std::uint8_t> firstRow;
    try {
        firstRow.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(pixelBytes), 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::uint8_t* const wholeRow[] = {firstRow.data()};
    CanvasHold canvasLock(loader_.canvasSemaphore_);
    BandTiles band(*canvas_);
    bool more = true;
    int reached = 0;
    for (int y = 0; y < height && more; ++y) {
        if (y % kBand != 0) {
            more = decoder->ReadConvertedLine(band.Pieces(y, pixelBytes, width).data(), kBand,
                                              converter);
        } else {
            band.Unlock();
            canvasLock.Release();
            if (loader_.stop_) return false;
            more = decoder->ReadConvertedLine(wholeRow, width, converter);
            canvasLock.Take();
            if (first && y == 0) {
                FillEdgeTiles();
                unwritten.EdgesFilled();
            }
            band.Lock(y / kBand);
            band.Write(y, firstRow.data(), width, pixelBytes);
        }
        // A row that failed may not have reached its tiles.
        if (more || y == height - 1) reached = y + 1;
    }
    band.Unlock();
    // A picture read at once that ends before its last row is a damaged file, not a
    // picture with a black foot. A progressive one reads only what has arrived.
    if (reached < height && !decoder->IsProgressive()) return false;
    unwritten.Reached(reached);
    unwritten.Succeeded();
    return true;
}

void Album::FillEdgeTiles() {
    // The last column and row of tiles reach past the picture: what lies beyond it shows
    // the canvas colour.
    const std::uint8_t* c = canvasColour_;
    const auto& tiles = canvas_->GetTiles();
    const Vector2<int> grid = canvas_->GetGridSize();
    for (int i = 0; i < grid.x * grid.y; ++i) {
        D3DSurface* tile = tiles[static_cast<std::size_t>(i)].get();
        const bool edge = i % grid.x == grid.x - 1 || i / grid.x == grid.y - 1;
        if (edge && tile != nullptr && tile->IsValid()) {
            tile->Fill(tile->ColourToPixel(c[0], c[1], c[2]));
        }
    }
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
