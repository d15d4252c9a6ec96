#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "geometry/Geometry.h"
#include "viewer-plugin/canvas/CanvasLevel.h"
#include "viewer-plugin/display/D3DSurface.h"
#include "viewer-plugin/display/D3DWindow.h"

// The picture being viewed, as a pyramid of resolution levels cut into tiles of 254 x 254
// pixels, each in a 256 x 256 texture with a one-texel border on every side so that linear
// filtering never reads past a tile's edge. Level 0 is filled by the loader; coarser levels
// are built from the next finer one when a zoom first needs them. The loader thread and the
// GUI thread share it under the view model's canvas lock.
class Canvas {
public:
    static constexpr int kTileStep = 254;
    static constexpr int kSurfaceSize = 256;
    static constexpr int kLevelCount = 5;
    static constexpr int kMaxLevels = 6;
    static constexpr float kMinZoom = 0.001f;
    // Sizes whose tiles (every level, four bytes a pixel) would need more are refused: a
    // web picture may declare 65,535 x 65,535.
    static constexpr std::uint64_t kMaxTileMemory = std::uint64_t{1} << 30;

    Canvas(D3DWindow* window, Vector2<int> imageSize);
    virtual ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    // New empty level-0 tiles for a picture of `size`; the coarser levels are dropped.
    // False, with the old size and tiles kept, for a side of 0 or less or a size beyond
    // kMaxTileMemory. Tiles made not `cleared` hold undefined pixels until the caller writes
    // them all (ClearRowsFrom covers what it could not).
    bool SetSize(D3DWindow* window, Vector2<int> size, bool cleared = true);
    // Zeroes level 0 from picture row `row` down (in the tiles of the last column and row
    // too when `edgeTiles`), borders included.
    void ClearRowsFrom(int row, bool edgeTiles);
    void SetLevelCount(int count);
    // Drops levels 1 and up; they are built again when drawn.
    void ReleaseLevels();

    void SetupLevel(CanvasLevel& level, int index, bool ready,
                    std::vector<std::unique_ptr<D3DSurface>> tiles, Vector2<int> grid,
                    Vector2<int> size);
    void PrepareLevel(CanvasLevel& level, D3DWindow* window, Vector2<int> size, float scale,
                      int index);
    // Level `index` (1 and up) from level index - 1, borders included.
    void BuildLevel(D3DWindow* window, int index);
    void FillTileBorders(int index);

    // (x, y): the window position of the picture's top-left corner; z: the zoom. Places the
    // current level's tiles on the screen.
    void SetPosition(float x, float y, float z);
    void SetPosition(const Vector3& position) { SetPosition(position.x, position.y, position.z); }
    // Picks the level for the zoom and builds what it needs; once a frame.
    void SelectLevel(D3DWindow* window);
    int LevelForZoom(float zoom) const;
    void ActivateLevel(D3DWindow* window);
    // Draws the current level on the window's back buffer: 1 when drawn, else 0. A
    // `filterRequest` of 0 (or Shift and F held) samples the nearest texel, else bilinear.
    int Draw3D(D3DWindow* window, int filterRequest);
    // Forgets the old interface's device and the generation its buffer was made for,
    // letting go of the buffer and the matrices made on that device.
    void InvalidateExecuteBuffer();

    // The old interface's path: one execute buffer draws the current level's tiles.
    // The buffer's size and where its parts lie, for a grid of tiles.
    struct ExecuteLayout {
        std::uint32_t bufferSize = 0;
        std::uint32_t vertexCount = 0;
        std::uint32_t instructionOffset = 0;
        std::uint32_t instructionLength = 0;
    };
    static ExecuteLayout ExecuteLayoutFor(Vector2<int> grid);
    // How far the left edge of each tile reaches into its left border at a zoom (in u).
    static float LeftEdgeOffset(float zoom);
    // Matrices and buffer for the window's device; false when they cannot be made.
    bool PrepareExecuteBuffer(D3DWindow* window);
    // World, view and projection putting window pixels on the same pixels of the window's
    // viewport.
    bool CreateMatrices(D3DWindow* window);
    bool FillExecuteBuffer();
    bool RunExecuteBuffer(D3DWindow* window);
    // 1 when drawn, else 0.
    int DrawExecuteBuffer(D3DWindow* window);
    gfx::ExecuteBuffer* GetExecuteBuffer() const { return executeBuffer_; }

    Vector3 GetPosition() const { return position_; }
    int GetImageWidth() const { return levels_[0].size.x; }
    int GetImageHeight() const { return levels_[0].size.y; }
    int GetDisplayWidth() const;
    int GetDisplayHeight() const;
    Vector2<int> GetGridSize() const { return levels_[0].grid; }
    // Level 0's tiles, row-major; a tile may be uncreated (IsValid() false).
    const std::vector<std::unique_ptr<D3DSurface>>& GetTiles() const { return levels_[0].tiles; }
    D3DSurface* GetFirstTile() const;
    // The picture pixel under a window point, clamped to the picture; z is the zoom.
    Vector3 WindowToImage(Vector2<float> point) const;
    // Where a picture pixel (clamped to the picture) lies in the window.
    Vector2<int> ImageToWindow(Vector2<int> point) const;

    float GetZoom() const { return zoom_; }
    int GetCurrentLevel() const { return currentLevel_; }
    int GetLevelCount() const { return levelCount_; }
    const CanvasLevel& GetLevel(int index) const { return levels_[index]; }

private:
    // A new 256 x 256 tile in the back buffer's texture format; uncreated when that fails.
    std::unique_ptr<D3DSurface> CreateTile(D3DWindow* window, bool cleared = true) const;
    void DrawTiles(gfx::Device* device, const CanvasLevel& level);

    int tileStep_ = kTileStep;
    std::uint32_t matrices_[3] = {0, 0, 0};    // world, view, projection
    gfx::OldDevice* executeDevice_ = nullptr;  // that made them and the buffer; held
    int executeGeneration_ = 0;
    gfx::ExecuteBuffer* executeBuffer_ = nullptr;  // held
    int mipmapCount_ = 1;
    gfx::Device* device_ = nullptr;  // the device of the current draw; not held
    Vector3 position_;
    float zoom_ = 1.0f;
    std::array<CanvasLevel, kMaxLevels> levels_;
    int levelCount_ = kLevelCount;
    int currentLevel_ = 0;
    float levelScale_ = 1.0f;  // screen pixels per pixel of the current level
    int surfaceSize_ = kSurfaceSize;
    float tileGap_ = 0.0f;
    int drawOrder_ = 1;
};
