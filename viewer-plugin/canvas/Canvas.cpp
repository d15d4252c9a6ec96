#include "viewer-plugin/canvas/Canvas.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <utility>

#include "platform/gfx/Direct3DDevice.h"
#include "platform/window/InputState.h"
#include "platform/wintypes/Messages.h"
#include "viewer-plugin/canvas/BlitTile.h"
#include "viewer-plugin/canvas/IntPower.h"
#include "viewer-plugin/display/DeviceSection.h"

namespace {

constexpr std::uint32_t kTileCaps = gfx::DDSCAPS_ALLOCONLOAD | gfx::DDSCAPS_TEXTURE;
// The old interface's tiles live in system memory, where its software device draws from.
constexpr std::uint32_t kOldTileCaps = kTileCaps | gfx::DDSCAPS_SYSTEMMEMORY;
constexpr std::uint32_t kManagedTexture = 0x10;
constexpr std::uint32_t kDrawFlags = gfx::D3DDP_DONOTUPDATEEXTENTS | gfx::D3DDP_DONOTLIGHT;

int TilesFor(int pixels) {
    // Rounded up without adding first, so that the largest sizes cannot overflow.
    return pixels / Canvas::kTileStep + (pixels % Canvas::kTileStep != 0 ? 1 : 0);
}

Vector2<int> GridFor(Vector2<int> size) {
    return Vector2<int>(TilesFor(size.x), TilesFor(size.y));
}

// The content extent of tile `index` of `count` along an axis of `pixels`.
int ContentOf(int index, int count, int pixels) {
    return index == count - 1 ? pixels - Canvas::kTileStep * index : Canvas::kTileStep;
}

bool Usable(const D3DSurface* tile) {
    return tile != nullptr && tile->IsValid();
}

}  // namespace

Canvas::Canvas(D3DWindow* window, Vector2<int> imageSize) {
    for (int i = 0; i < kMaxLevels; ++i) levels_[i].scale = IntPower(2.0f, -i);
    SetSize(window, imageSize);
}

Canvas::~Canvas() {
    InvalidateExecuteBuffer();
}

bool Canvas::SetSize(D3DWindow* window, Vector2<int> size, bool cleared) {
    if (size.x <= 0 || size.y <= 0) return false;
    constexpr std::uint64_t kMaxTiles =
        kMaxTileMemory / (std::uint64_t{kSurfaceSize} * kSurfaceSize * 4);
    // Level 0 alone first, in whole numbers: a script's size near int's end must not reach
    // the scaled sizes below, which pass through float.
    const Vector2<int> grid = GridFor(size);
    if (static_cast<std::uint64_t>(grid.x) * static_cast<std::uint64_t>(grid.y) > kMaxTiles) {
        return false;
    }
    // Every level's tiles together, at the deepest layout a tile can take.
    std::uint64_t tiles = 0;
    for (int i = 0; i < levelCount_; ++i) {
        const Vector2<int> scaled = GridFor(size * levels_[i].scale);
        tiles += static_cast<std::uint64_t>(scaled.x) * static_cast<std::uint64_t>(scaled.y);
    }
    if (tiles > kMaxTiles) return false;

    ReleaseLevels();
    levels_[0].tiles.clear();
    std::vector<std::unique_ptr<D3DSurface>> made;
    made.reserve(static_cast<std::size_t>(grid.x) * grid.y);
    for (int i = 0; i < grid.x * grid.y; ++i) made.push_back(CreateTile(window, cleared));
    InvalidateExecuteBuffer();
    SetupLevel(levels_[0], 0, true, std::move(made), grid, size);
    return true;
}

void Canvas::ClearRowsFrom(int row, bool edgeTiles) {
    const CanvasLevel& level = levels_[0];
    for (int r = 0; r < level.grid.y; ++r) {
        // Tile row 0 is the border above the band's first picture row.
        const int from = std::max(0, row - kTileStep * r + 1);
        if (from >= kSurfaceSize - 1) continue;
        const int top = from == 1 ? 0 : from;
        for (int c = 0; c < level.grid.x; ++c) {
            if (!edgeTiles && (c == level.grid.x - 1 || r == level.grid.y - 1)) continue;
            D3DSurface* tile = level.Tile(c, r);
            if (!Usable(tile)) continue;
            const Vector2<int> extent = tile->GetSize();
            if (top < extent.y) tile->FillRect(Rect{0, top, extent.x, extent.y}, 0);
        }
    }
}

void Canvas::SetLevelCount(int count) {
    count = std::clamp(count, 1, kMaxLevels);
    if (count == levelCount_) return;
    ReleaseLevels();
    levelCount_ = count;
    currentLevel_ = std::min(currentLevel_, levelCount_ - 1);
}

void Canvas::ReleaseLevels() {
    for (int i = 1; i < levelCount_; ++i) {
        CanvasLevel& level = levels_[i];
        level.ready = 0;
        level.tiles.clear();
        level.vertices.clear();
        level.grid = Vector2<int>();
    }
}

std::unique_ptr<D3DSurface> Canvas::CreateTile(D3DWindow* window, bool cleared) const {
    auto tile = std::make_unique<D3DSurface>();
    if (window == nullptr) return tile;
    auto section = EnterDeviceSection();
    gfx::DirectDraw* dd4 = SharedDirectDraw().dd4;
    if (dd4 == nullptr) {
        gfx::DirectDraw* dd = SharedDirectDraw().dd;
        if (dd != nullptr && window->GetDeviceDX3() != nullptr) {
            tile->CreateTextureDX3(dd, window->GetDeviceDX3(), kSurfaceSize, kSurfaceSize,
                                   window->GetBackBufferFormat(), kOldTileCaps, 0, mipmapCount_);
        }
        return tile;
    }
    const std::uint32_t caps = kTileCaps | (window->GetMipmapFilter() ? gfx::DDSCAPS_MIPMAP : 0);
    // A mipmap chain would be built from the borders before they are written.
    const bool uncleared = !cleared && mipmapCount_ == 1;
    const std::uint32_t caps2 = kManagedTexture | (uncleared ? gfx::DDSCAPS2_UNCLEARED : 0);
    tile->CreateTexture(dd4, kSurfaceSize, kSurfaceSize, window->GetBackBufferFormat(), caps, caps2,
                        mipmapCount_);
    return tile;
}

void Canvas::SetupLevel(CanvasLevel& level, int index, bool ready,
                        std::vector<std::unique_ptr<D3DSurface>> tiles, Vector2<int> grid,
                        Vector2<int> size) {
    level.ready = ready ? 1 : 0;
    level.tiles = std::move(tiles);
    level.size = size;
    level.grid = grid;
    level.scale = IntPower(2.0f, -index);
    level.vertices.assign(level.tiles.size() * CanvasLevel::kVerticesPerTile, gfx::TLVertex{});
    const float texel = 1.0f / static_cast<float>(surfaceSize_);
    for (int r = 0; r < grid.y; ++r) {
        const int h = ContentOf(r, grid.y, size.y);
        for (int c = 0; c < grid.x; ++c) {
            const int w = ContentOf(c, grid.x, size.x);
            const float uL = texel;
            const float uR = std::clamp(static_cast<float>(w + 1) * texel, 0.0f, 1.0f);
            const float vT = texel;
            const float vB = std::clamp(static_cast<float>(h + 1) * texel, 0.0f, 1.0f);
            gfx::TLVertex* v = &level.vertices[(static_cast<std::size_t>(r) * grid.x + c) *
                                               CanvasLevel::kVerticesPerTile];
            const auto set = [](gfx::TLVertex& vertex, int x, int y, float u, float vv) {
                vertex.x = static_cast<float>(x);
                vertex.y = static_cast<float>(y);
                vertex.u = u;
                vertex.v = vv;
            };
            set(v[0], 0, h, uL, vB);
            set(v[1], 0, 0, uL, vT);
            set(v[2], w, h, uR, vB);
            set(v[3], w, 0, uR, vT);
            std::copy(v, v + 4, v + 4);
        }
    }
}

void Canvas::PrepareLevel(CanvasLevel& level, D3DWindow* window, Vector2<int> size, float scale,
                          int index) {
    (void)scale;  // the level's scale follows from its index
    const Vector2<int> grid = GridFor(size);
    std::vector<std::unique_ptr<D3DSurface>> made;
    made.reserve(static_cast<std::size_t>(grid.x) * grid.y);
    for (int i = 0; i < grid.x * grid.y; ++i) made.push_back(CreateTile(window));
    SetupLevel(level, index, true, std::move(made), grid, size);
    InvalidateExecuteBuffer();
}

void Canvas::BuildLevel(D3DWindow* window, int index) {
    if (index < 1 || index >= levelCount_) return;
    const CanvasLevel& source = levels_[index - 1];
    CanvasLevel& dest = levels_[index];
    if (!source.ready || dest.tiles.empty()) return;
    // The 3D path draws on the shared device and back buffer.
    auto section = EnterDeviceSection();
    const int S = surfaceSize_;
    const Rect from{1, 1, S - 1, S - 1};
    const int half = S / 2;
    const Rect topLeft{1, 1, half, half};
    const Rect topRight{half, 1, S - 1, half};
    const Rect bottomLeft{1, half, half, S - 1};
    const Rect bottomRight{half, half, S - 1, S - 1};
    const auto copy = [&](int c, int r, D3DSurface& to, const Rect& quadrant) {
        D3DSurface* tile = source.Tile(c, r);
        if (!Usable(tile)) return;
        tile->Reload();
        BlitTile(window, *tile, to, from, quadrant);
    };
    for (int r = 0; r < source.grid.y; r += 2) {
        for (int c = 0; c < source.grid.x; c += 2) {
            // A finer level's odd last column or row may hold a single pixel that the
            // coarser level, truncated, no longer has.
            if (c / 2 >= dest.grid.x || r / 2 >= dest.grid.y) continue;
            D3DSurface* to = dest.Tile(c / 2, r / 2);
            if (!Usable(to)) continue;
            const bool right = (c + 1) % source.grid.x != 0;
            const bool below = (r + 1) % source.grid.y != 0;
            copy(c, r, *to, topLeft);
            if (right) copy(c + 1, r, *to, topRight);
            if (below) copy(c, r + 1, *to, bottomLeft);
            if (right && below) copy(c + 1, r + 1, *to, bottomRight);
            to->UpdateMipmaps();
        }
    }
    FillTileBorders(index);
}

void Canvas::FillTileBorders(int index) {
    if (index < 0 || index >= levelCount_) return;
    const CanvasLevel& level = levels_[index];
    if (level.tiles.empty()) return;
    const int S = surfaceSize_;
    const auto copy = [](D3DSurface* to, D3DSurface* from, const Rect& rect, Vector2<int> at) {
        if (Usable(to) && Usable(from)) to->BltTo(*from, rect, at, false);
    };
    // Columns first, so that the row pass carries the corners along.
    for (int r = 0; r < level.grid.y; ++r) {
        for (int c = 0; c < level.grid.x; ++c) {
            D3DSurface* tile = level.Tile(c, r);
            if (c > 0) {
                copy(tile, level.Tile(c - 1, r), Rect{S - 2, 1, S - 1, S - 1}, {0, 1});
            } else {
                copy(tile, tile, Rect{1, 1, 2, S - 1}, {0, 1});
            }
            if (c == level.grid.x - 1) {
                const int d = level.size.x - kTileStep * c;
                copy(tile, tile, Rect{d, 1, d + 1, S - 1}, {d + 1, 1});
            } else {
                copy(tile, level.Tile(c + 1, r), Rect{1, 1, 2, S - 1}, {S - 1, 1});
            }
        }
    }
    for (int r = 0; r < level.grid.y; ++r) {
        for (int c = 0; c < level.grid.x; ++c) {
            D3DSurface* tile = level.Tile(c, r);
            if (r > 0) {
                copy(tile, level.Tile(c, r - 1), Rect{0, S - 2, S, S - 1}, {0, 0});
            } else {
                copy(tile, tile, Rect{0, 1, S, 2}, {0, 0});
            }
            if (r == level.grid.y - 1) {
                const int d = level.size.y - kTileStep * r;
                copy(tile, tile, Rect{0, d, S, d + 1}, {0, d + 1});
            } else {
                copy(tile, level.Tile(c, r + 1), Rect{0, 1, S, 2}, {0, S - 1});
            }
        }
    }
}

void Canvas::SetPosition(float x, float y, float z) {
    // Written so that NaN is caught too.
    if (!(z >= kMinZoom)) z = kMinZoom;
    position_ = Vector3(x, y, z);
    zoom_ = z;
    const float s = z * IntPower(2.0f, currentLevel_);
    levelScale_ = s;
    CanvasLevel& level = levels_[currentLevel_];
    if (!level.ready) return;
    // Tile edges along each axis. A full tile's far edge is the next tile's origin, the
    // very same float, so neighbours share their edge exactly and no pixel column falls
    // between them.
    const float step = static_cast<float>(tileStep_) + tileGap_;
    std::vector<float> edgeX(static_cast<std::size_t>(level.grid.x) + 1);
    std::vector<float> edgeY(static_cast<std::size_t>(level.grid.y) + 1);
    for (int c = 0; c <= level.grid.x; ++c) edgeX[c] = step * static_cast<float>(c) * s + x;
    for (int r = 0; r <= level.grid.y; ++r) edgeY[r] = step * static_cast<float>(r) * s + y;
    const bool shared = tileGap_ == 0.0f && s != 0.0f;
    const auto place = [s](float local, float origin) {
        return s != 0.0f ? local * s + origin : local + origin;
    };
    for (int r = 0; r < level.grid.y; ++r) {
        for (int c = 0; c < level.grid.x; ++c) {
            gfx::TLVertex* v = &level.vertices[(static_cast<std::size_t>(r) * level.grid.x + c) *
                                               CanvasLevel::kVerticesPerTile];
            for (int i = 0; i < 4; ++i) {
                gfx::TLVertex& out = v[i + 4];
                const gfx::TLVertex& in = v[i];
                out.x = shared && in.x == static_cast<float>(tileStep_) ? edgeX[c + 1]
                                                                        : place(in.x, edgeX[c]);
                out.y = shared && in.y == static_cast<float>(tileStep_) ? edgeY[r + 1]
                                                                        : place(in.y, edgeY[r]);
                out.diffuse = in.diffuse;
                out.specular = in.specular;
            }
        }
    }
}

void Canvas::SelectLevel(D3DWindow* window) {
    if (window == nullptr || window->GetDevice() == nullptr) return;
    auto section = EnterDeviceSection();
    const int level = LevelForZoom(zoom_);
    if (level != currentLevel_) {
        currentLevel_ = level;
        InvalidateExecuteBuffer();
    }
    window->UpdateViewport();
    ActivateLevel(window);
}

int Canvas::LevelForZoom(float zoom) const {
    if (zoom > 1.0f) return 0;
    const Vector2<int> image = levels_[0].size;
    for (int i = 1; i < levelCount_; ++i) {
        const CanvasLevel& finer = levels_[i - 1];
        if (finer.ready && finer.grid == Vector2<int>(1, 1)) return i - 1;
        // A level truncated to no pixels would draw nothing at all: the finer one serves.
        const Vector2<int> size = image * levels_[i].scale;
        if (size.x <= 0 || size.y <= 0) return i - 1;
        if (levels_[i].scale < zoom && zoom <= finer.scale) return i - 1;
    }
    return levelCount_ - 1;
}

void Canvas::ActivateLevel(D3DWindow* window) {
    if (currentLevel_ > 0 && !levels_[currentLevel_].ready) {
        for (int i = 1; i <= currentLevel_; ++i) {
            if (levels_[i].ready) continue;
            PrepareLevel(levels_[i], window, levels_[0].size * levels_[i].scale, levels_[i].scale,
                         i);
            BuildLevel(window, i);
        }
    }
    SetPosition(position_);
}

int Canvas::Draw3D(D3DWindow* window, int filterRequest) {
    if (window == nullptr) return 0;
    if (window->GetDevice() == nullptr) {
        return window->GetDeviceDX3() != nullptr ? DrawExecuteBuffer(window) : 0;
    }
    auto section = EnterDeviceSection();
    const CanvasLevel& level = levels_[currentLevel_];
    if (!level.ready || !window->UpdateViewport()) return 0;
    gfx::Device* device = window->GetDevice();
    device_ = device;
    device->SetTextureStageState(0, gfx::D3DTSS_ALPHAOP, gfx::D3DTOP_DISABLE);
    device->SetTextureStageState(0, gfx::D3DTSS_COLORARG1, gfx::D3DTA_TEXTURE);
    device->SetTextureStageState(0, gfx::D3DTSS_COLOROP, gfx::D3DTOP_SELECTARG1);
    device->SetRenderState(gfx::D3DRENDERSTATE_CULLMODE, gfx::D3DCULL_NONE);
    const bool held = (platform::GetAsyncKeyState(platform::VK_SHIFT) & 0x8000) != 0 &&
                      (platform::GetAsyncKeyState('F') & 0x8000) != 0;
    const std::uint32_t filter =
        held || filterRequest == 0 ? gfx::D3DTFILTER_POINT : gfx::D3DTFILTER_LINEAR;
    device->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, filter);
    device->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, filter);
    if (device->BeginScene() != gfx::DD_OK) {
        device->EndScene();
        return 0;
    }
    device->SetTextureStageState(0, gfx::D3DTSS_ADDRESS, gfx::D3DTADDRESS_CLAMP);
    DrawTiles(device, level);
    device->EndScene();
    drawOrder_ = (drawOrder_ + 1) % 2;
    return 1;
}

void Canvas::DrawTiles(gfx::Device* device, const CanvasLevel& level) {
    const int count = level.grid.x * level.grid.y;
    for (int k = 0; k < count; ++k) {
        // Rows and columns ascending on one frame, both descending on the next.
        const int i = drawOrder_ != 0 ? k : count - 1 - k;
        const D3DSurface* tile = level.tiles[i].get();
        if (!Usable(tile) || tile->GetTexture() == nullptr) continue;
        device->SetTexture(0, tile->GetTexture());
        device->DrawPrimitive(
            gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1,
            &level.vertices[static_cast<std::size_t>(i) * CanvasLevel::kVerticesPerTile + 4], 4,
            kDrawFlags);
    }
    device->SetTexture(0, nullptr);
}

void Canvas::InvalidateExecuteBuffer() {
    executeGeneration_ = 0;
    if (executeDevice_ == nullptr && executeBuffer_ == nullptr) return;
    auto section = EnterDeviceSection();
    for (std::uint32_t& matrix : matrices_) {
        if (matrix != 0 && executeDevice_ != nullptr) executeDevice_->DeleteMatrix(matrix);
        matrix = 0;
    }
    if (executeBuffer_ != nullptr) executeBuffer_->Release();
    executeBuffer_ = nullptr;
    if (executeDevice_ != nullptr) executeDevice_->Release();
    executeDevice_ = nullptr;
}

Canvas::ExecuteLayout Canvas::ExecuteLayoutFor(Vector2<int> grid) {
    const auto tiles = static_cast<std::uint32_t>(std::max(grid.x, 0)) *
                       static_cast<std::uint32_t>(std::max(grid.y, 0));
    // Per tile: four 32-byte vertices, then a texture-handle state (12 bytes) and two
    // triangles (20 bytes). Once: three transforms (28), nineteen render states (156),
    // process-vertices (20), exit (4) and room for one alignment instruction.
    ExecuteLayout layout;
    layout.bufferSize = tiles * 160 + 224;
    layout.vertexCount = tiles * 4;
    layout.instructionOffset = tiles * 128;
    layout.instructionLength = tiles * 32 + 216;
    return layout;
}

float Canvas::LeftEdgeOffset(float zoom) {
    // Minified, the left edge reaches into the border column, which holds the left
    // neighbour's pixels: a seam. The offset keeps it inside the tile's own pixels.
    constexpr float kTexel = 1.0f / 127.0f;
    if (zoom < 0.25f) return 4.0f * kTexel;
    if (zoom < 0.5f) return 2.0f * kTexel;
    if (zoom < 1.0f) return (1.0f - zoom) * 2.0f * kTexel;
    return 0.0f;
}

bool Canvas::CreateMatrices(D3DWindow* window) {
    gfx::OldDevice* device = executeDevice_;
    if (device == nullptr) return false;
    const auto w = static_cast<float>(window->GetWidth());
    const auto h = static_cast<float>(window->GetHeight());
    // The viewport's origin is its centre with y upward, one unit a pixel: window pixels
    // (origin top-left, y downward) are turned over and moved by half the window.
    gfx::Matrix world;
    world.m[1][1] = -1.0f;
    world.m[3][0] = -w / 2.0f;
    world.m[3][1] = h / 2.0f;
    gfx::Matrix view;
    view.m[3][2] = 1.0f;
    const gfx::Matrix projection;
    const gfx::Matrix* values[3] = {&world, &view, &projection};
    for (int i = 0; i < 3; ++i) {
        if (device->CreateMatrix(&matrices_[i]) != gfx::DD_OK ||
            device->SetMatrix(matrices_[i], values[i]) != gfx::DD_OK) {
            return false;
        }
    }
    return true;
}

bool Canvas::PrepareExecuteBuffer(D3DWindow* window) {
    InvalidateExecuteBuffer();
    gfx::OldDevice* device = window->GetDeviceDX3();
    if (device == nullptr) return false;
    auto section = EnterDeviceSection();
    device->AddRef();
    executeDevice_ = device;
    const ExecuteLayout layout = ExecuteLayoutFor(levels_[currentLevel_].grid);
    // Triangles name their vertices in 16 bits.
    if (layout.vertexCount > 0x10000) {
        InvalidateExecuteBuffer();
        return false;
    }
    gfx::ExecuteBufferDesc desc;
    desc.flags = gfx::D3DDEB_BUFSIZE | gfx::D3DDEB_CAPS;
    desc.caps = gfx::D3DDEBCAPS_SYSTEMMEMORY;
    desc.bufferSize = layout.bufferSize;
    gfx::ExecuteData data;
    data.vertexCount = layout.vertexCount;
    data.instructionOffset = layout.instructionOffset;
    data.instructionLength = layout.instructionLength;
    if (!CreateMatrices(window) ||
        device->CreateExecuteBuffer(&desc, &executeBuffer_) != gfx::DD_OK ||
        executeBuffer_->SetExecuteData(&data) != gfx::DD_OK) {
        InvalidateExecuteBuffer();
        return false;
    }
    executeGeneration_ = window->GetGenerationDX3();
    return true;
}

namespace {

// Appends records to the locked buffer; false once one would not fit.
class ExecuteWriter {
public:
    ExecuteWriter(std::uint8_t* data, std::size_t size, std::size_t at)
        : data_(data), size_(size), at_(at) {}
    template <class T>
    void Put(const T& value) {
        if (!fits_ || at_ + sizeof(T) > size_) {
            fits_ = false;
            return;
        }
        std::memcpy(data_ + at_, &value, sizeof(T));
        at_ += sizeof(T);
    }
    void Op(std::uint8_t opcode, std::uint8_t size, std::uint16_t count) {
        Put(gfx::Instruction{opcode, size, count});
    }
    std::size_t At() const { return at_; }
    bool Fits() const { return fits_; }

private:
    std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_;
    bool fits_ = true;
};

}  // namespace

bool Canvas::FillExecuteBuffer() {
    if (executeBuffer_ == nullptr) return false;
    const CanvasLevel& level = levels_[currentLevel_];
    const ExecuteLayout layout = ExecuteLayoutFor(level.grid);
    gfx::ExecuteData data;
    executeBuffer_->GetExecuteData(&data);
    // Made for another grid: the next frame makes it anew.
    if (data.vertexCount != layout.vertexCount) return false;
    gfx::ExecuteBufferDesc desc;
    if (executeBuffer_->Lock(&desc) != gfx::DD_OK) return false;
    std::memset(desc.data, 0, desc.bufferSize);
    const std::size_t tiles = level.tiles.size();
    const float offset = LeftEdgeOffset(zoom_);
    ExecuteWriter out(desc.data, desc.bufferSize, 0);
    for (std::size_t i = 0; i < tiles; ++i) {
        const gfx::TLVertex* screen = &level.vertices[i * CanvasLevel::kVerticesPerTile + 4];
        for (int k = 0; k < 4; ++k) {
            gfx::LitVertex v;
            v.x = screen[k].x;
            v.y = screen[k].y;
            v.u = screen[k].u + (k < 2 ? offset : 0.0f);
            v.v = screen[k].v;
            out.Put(v);
        }
    }
    constexpr auto kState = static_cast<std::uint8_t>(sizeof(gfx::StateEntry));
    out.Op(gfx::D3DOP_STATETRANSFORM, kState, 3);
    out.Put(gfx::StateEntry{gfx::D3DTRANSFORMSTATE_WORLD, matrices_[0]});
    out.Put(gfx::StateEntry{gfx::D3DTRANSFORMSTATE_VIEW, matrices_[1]});
    out.Put(gfx::StateEntry{gfx::D3DTRANSFORMSTATE_PROJECTION, matrices_[2]});
    const gfx::StateEntry states[] = {
        {gfx::D3DRENDERSTATE_LASTPIXEL, 0},
        {gfx::D3DRENDERSTATE_EDGEANTIALIAS, 0},
        {gfx::D3DRENDERSTATE_FILLMODE, gfx::D3DFILL_SOLID},
        {gfx::D3DRENDERSTATE_CULLMODE, gfx::D3DCULL_CCW},
        {gfx::D3DRENDERSTATE_SHADEMODE, gfx::D3DSHADE_FLAT},
        {gfx::D3DRENDERSTATE_SPECULARENABLE, 0},
        {gfx::D3DRENDERSTATE_DITHERENABLE, 0},
        {gfx::D3DRENDERSTATE_TEXTUREPERSPECTIVE, 0},
        {gfx::D3DRENDERSTATE_TEXTUREADDRESS, gfx::D3DTADDRESS_CLAMP},
        {gfx::D3DRENDERSTATE_ADDRESSU, gfx::D3DTADDRESS_CLAMP},
        {gfx::D3DRENDERSTATE_ADDRESSV, gfx::D3DTADDRESS_CLAMP},
        {gfx::D3DRENDERSTATE_WRAPU, 0},
        {gfx::D3DRENDERSTATE_WRAPV, 0},
        {gfx::D3DRENDERSTATE_SRCBLEND, gfx::D3DBLEND_SRCCOLOR},
        {gfx::D3DRENDERSTATE_TEXTUREMAPBLEND, gfx::D3DTBLEND_DECAL},
        {gfx::D3DRENDERSTATE_SUBPIXEL, 0},
        {gfx::D3DRENDERSTATE_SUBPIXELX, 0},
        {gfx::D3DRENDERSTATE_TEXTUREMIN, gfx::D3DFILTER_LINEAR},
        {gfx::D3DRENDERSTATE_TEXTUREMAG, gfx::D3DFILTER_LINEAR},
    };
    out.Op(gfx::D3DOP_STATERENDER, kState, static_cast<std::uint16_t>(std::size(states)));
    for (const gfx::StateEntry& state : states) out.Put(state);
    out.Op(gfx::D3DOP_PROCESSVERTICES, sizeof(gfx::ProcessVertices), 1);
    out.Put(gfx::ProcessVertices{gfx::D3DPROCESSVERTICES_TRANSFORM, 0, 0, layout.vertexCount, 0});
    // Triangle records start on an eight-byte boundary when their instruction does not.
    if (out.At() % 8 == 0) out.Op(gfx::D3DOP_TRIANGLE, sizeof(gfx::Triangle), 0);
    for (std::size_t i = 0; i < tiles; ++i) {
        const D3DSurface* tile = level.tiles[i].get();
        out.Op(gfx::D3DOP_STATERENDER, kState, 1);
        out.Put(gfx::StateEntry{gfx::D3DRENDERSTATE_TEXTUREHANDLE,
                                Usable(tile) ? tile->GetTextureHandle() : 0u});
        const auto base = static_cast<std::uint16_t>(4 * i);
        out.Op(gfx::D3DOP_TRIANGLE, sizeof(gfx::Triangle), 2);
        out.Put(gfx::Triangle{static_cast<std::uint16_t>(base + 1),
                              static_cast<std::uint16_t>(base + 2), base, 0x700});
        out.Put(gfx::Triangle{static_cast<std::uint16_t>(base + 1),
                              static_cast<std::uint16_t>(base + 3),
                              static_cast<std::uint16_t>(base + 2), 0x700});
    }
    out.Op(gfx::D3DOP_EXIT, 0, 0);
    executeBuffer_->Unlock();
    return out.Fits();
}

bool Canvas::RunExecuteBuffer(D3DWindow* window) {
    gfx::OldDevice* device = window->GetDeviceDX3();
    if (device == nullptr || executeBuffer_ == nullptr) return false;
    if (device->BeginScene() != gfx::DD_OK) return false;
    const gfx::HRESULT hr =
        device->Execute(executeBuffer_, window->GetViewportDX3(), gfx::D3DEXECUTE_CLIPPED);
    device->EndScene();
    return hr == gfx::DD_OK;
}

int Canvas::DrawExecuteBuffer(D3DWindow* window) {
    if (window == nullptr || window->GetDeviceDX3() == nullptr) return 0;
    auto section = EnterDeviceSection();
    const CanvasLevel& level = levels_[currentLevel_];
    if (!level.ready || level.tiles.empty()) return 0;
    if (executeDevice_ != window->GetDeviceDX3() ||
        executeGeneration_ != window->GetGenerationDX3()) {
        if (!PrepareExecuteBuffer(window)) return 0;
    }
    if (!FillExecuteBuffer()) {
        InvalidateExecuteBuffer();
        return 0;
    }
    return RunExecuteBuffer(window) ? 1 : 0;
}

int Canvas::GetDisplayWidth() const {
    return static_cast<int>(static_cast<float>(GetImageWidth()) * zoom_);
}

int Canvas::GetDisplayHeight() const {
    return static_cast<int>(static_cast<float>(GetImageHeight()) * zoom_);
}

D3DSurface* Canvas::GetFirstTile() const {
    return levels_[0].tiles.empty() ? nullptr : levels_[0].tiles.front().get();
}

Vector3 Canvas::WindowToImage(Vector2<float> point) const {
    const auto clampTo = [](float v, int extent) {
        return std::max(0.0f, std::min(v, static_cast<float>(extent - 1)));
    };
    return Vector3(clampTo((point.x - position_.x) / zoom_, GetImageWidth()),
                   clampTo((point.y - position_.y) / zoom_, GetImageHeight()), zoom_);
}

Vector2<int> Canvas::ImageToWindow(Vector2<int> point) const {
    // The picture point is what must lie inside the picture; where it shows in the window
    // may be anywhere, off the window too.
    const int x = std::max(0, std::min(point.x, GetImageWidth() - 1));
    const int y = std::max(0, std::min(point.y, GetImageHeight() - 1));
    using geometry_detail::SaturatingInt;
    return Vector2<int>(
        SaturatingInt(static_cast<double>(static_cast<float>(x) * zoom_ + position_.x)),
        SaturatingInt(static_cast<double>(static_cast<float>(y) * zoom_ + position_.y)));
}
