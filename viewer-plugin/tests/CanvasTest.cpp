#include "viewer-plugin/canvas/Canvas.h"

#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/window/InputState.h"
#include "platform/wintypes/Messages.h"
#include "viewer-plugin/canvas/BlitTile.h"
#include "viewer-plugin/tests/DisplayTestSupport.h"

namespace {

constexpr std::uint32_t kBackground = 0xFF00FF;

// A picture of scattered colours; its green is never 0, so it never shows the background.
std::uint32_t Picture(int x, int y) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return (h & 0xFFFFFF) | 0x000100;
}

// The pixels of a 32-bit surface, 0xRRGGBB.
struct Pixels {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> values;
    std::uint32_t operator()(int x, int y) const {
        return values[static_cast<std::size_t>(y) * width + x];
    }
};

Pixels Read(DDSurface& surface) {
    Pixels out;
    std::uint8_t* bits = nullptr;
    std::ptrdiff_t pitch = 0;
    if (!surface.Lock() || !surface.GetLockInfo(&bits, &pitch, nullptr)) return out;
    out.width = surface.GetWidth();
    out.height = surface.GetHeight();
    for (int y = 0; y < out.height; ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(bits + y * pitch);
        for (int x = 0; x < out.width; ++x) out.values.push_back(row[x] & 0xFFFFFF);
    }
    surface.Unlock();
    return out;
}

// A level's tiles read back, and its pixels addressed as one picture.
struct LevelPixels {
    explicit LevelPixels(const CanvasLevel& level) : grid(level.grid), size(level.size) {
        for (const auto& tile : level.tiles) tiles.push_back(Read(*tile));
    }
    const Pixels& Tile(int c, int r) const {
        return tiles[static_cast<std::size_t>(r * grid.x + c)];
    }
    std::uint32_t operator()(int x, int y) const {
        return Tile(x / 254, y / 254)(x % 254 + 1, y % 254 + 1);
    }
    Vector2<int> grid;
    Vector2<int> size;
    std::vector<Pixels> tiles;
};

// Each channel of the 2 x 2 block at (2x, 2y), averaged and rounded to nearest.
std::uint32_t Average(const LevelPixels& finer, int x, int y) {
    std::uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        std::uint32_t sum = 2;
        for (int dy = 0; dy < 2; ++dy) {
            for (int dx = 0; dx < 2; ++dx) sum += (finer(2 * x + dx, 2 * y + dy) >> shift) & 0xFF;
        }
        out |= (sum / 4) << shift;
    }
    return out;
}

// A display window closed at the end of its scope, after the canvases made later.
class DisplayHold {
public:
    explicit DisplayHold(std::unique_ptr<D3DWindow> window) : window_(std::move(window)) {}
    ~DisplayHold() { window_->OnDestroy(); }
    DisplayHold(const DisplayHold&) = delete;
    DisplayHold& operator=(const DisplayHold&) = delete;
    D3DWindow* get() const { return window_.get(); }
    D3DWindow* operator->() const { return window_.get(); }
    D3DWindow& operator*() const { return *window_; }

private:
    std::unique_ptr<D3DWindow> window_;
};

class CanvasTest : public display_test::Direct3DTest {
protected:
    DisplayHold Display(int width, int height) {
        auto window = Window(width, height);
        EXPECT_EQ(window->CreateWindowed(), 0);
        return DisplayHold(std::move(window));
    }
    // A display on the old interface, as the options' Debug key forces.
    DisplayHold OldDisplay(int width, int height) {
        DDWindow::SetForceDX3(true);
        auto window = Window(width, height);
        EXPECT_EQ(window->CreateWindowed(), 0);
        EXPECT_NE(window->GetDeviceDX3(), nullptr);
        return DisplayHold(std::move(window));
    }

    // Writes the picture into level 0 as the loader does, then fills the borders.
    static void Load(Canvas& canvas) {
        const Vector2<int> grid = canvas.GetGridSize();
        const int width = canvas.GetImageWidth();
        const int height = canvas.GetImageHeight();
        for (int r = 0; r < grid.y; ++r) {
            for (int c = 0; c < grid.x; ++c) {
                D3DSurface& tile = *canvas.GetTiles()[static_cast<std::size_t>(r * grid.x + c)];
                std::uint8_t* bits = nullptr;
                std::ptrdiff_t pitch = 0;
                ASSERT_TRUE(tile.Lock());
                ASSERT_TRUE(tile.GetLockInfo(&bits, &pitch, nullptr));
                for (int y = 254 * r; y < std::min(height, 254 * (r + 1)); ++y) {
                    auto* row = reinterpret_cast<std::uint32_t*>(bits + (y - 254 * r + 1) * pitch);
                    for (int x = 254 * c; x < std::min(width, 254 * (c + 1)); ++x) {
                        row[x - 254 * c + 1] = Picture(x, y);
                    }
                }
                tile.Unlock();
            }
        }
        canvas.FillTileBorders(0);
    }

    static void Select(Canvas& canvas, D3DWindow& window, Vector3 at) {
        canvas.SetPosition(at);
        canvas.SelectLevel(&window);
    }

    // Draws at a position on a background of kBackground; the back buffer's pixels.
    static Pixels Draw(Canvas& canvas, D3DWindow& window, Vector3 at, int filter = 1) {
        Select(canvas, window, at);
        window.GetBackBuffer()->Fill(kBackground);
        EXPECT_EQ(canvas.Draw3D(&window, filter), 1);
        return Read(*window.GetBackBuffer());
    }

    // Every border texel repeats the pixel of the picture it stands for.
    static void ExpectBordersMatch(const CanvasLevel& level) {
        const LevelPixels pixels(level);
        int wrong = 0;
        for (int r = 0; r < level.grid.y; ++r) {
            for (int c = 0; c < level.grid.x; ++c) {
                const Pixels& tile = pixels.Tile(c, r);
                const int w = std::min(254, level.size.x - 254 * c);
                const int h = std::min(254, level.size.y - 254 * r);
                // Border texel (tx, ty) stands for the level's pixel nearest to it.
                const auto expect = [&](int tx, int ty) {
                    const int x = std::clamp(254 * c + tx - 1, 0, level.size.x - 1);
                    const int y = std::clamp(254 * r + ty - 1, 0, level.size.y - 1);
                    wrong += tile(tx, ty) != pixels(x, y) ? 1 : 0;
                };
                for (int ty = 0; ty <= h + 1; ++ty) {
                    expect(0, ty);
                    expect(w + 1, ty);
                }
                for (int tx = 0; tx <= w + 1; ++tx) {
                    expect(tx, 0);
                    expect(tx, h + 1);
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "level of " << level.size.x << " x " << level.size.y;
    }
};

TEST_F(CanvasTest, LevelsHalveTheSizeAndCutItIntoTiles) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {1000, 700});
    Load(canvas);
    Select(canvas, *window, {0, 0, 0.05f});
    ASSERT_EQ(canvas.GetCurrentLevel(), 4);
    const struct {
        Vector2<int> size;
        Vector2<int> grid;
    } want[] = {{{1000, 700}, {4, 3}},
                {{500, 350}, {2, 2}},
                {{250, 175}, {1, 1}},
                {{125, 87}, {1, 1}},
                {{62, 43}, {1, 1}}};
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(canvas.GetLevel(i).ready);
        EXPECT_EQ(canvas.GetLevel(i).size, want[i].size) << i;
        EXPECT_EQ(canvas.GetLevel(i).grid, want[i].grid) << i;
    }
    // The last tile's quad: 238 x 192, its far texels one past the content.
    const CanvasLevel& level0 = canvas.GetLevel(0);
    const gfx::TLVertex* last = &level0.vertices[11 * 8];
    EXPECT_EQ(last[3].x, 238.0f);
    EXPECT_EQ(last[0].y, 192.0f);
    EXPECT_EQ(last[3].u, 239.0f / 256);
    EXPECT_EQ(last[0].v, 193.0f / 256);
    const gfx::TLVertex* full = &level0.vertices[0];
    EXPECT_EQ(full[1].u, 1.0f / 256);
    EXPECT_EQ(full[1].v, 1.0f / 256);
    EXPECT_EQ(full[2].u, 255.0f / 256);
    EXPECT_EQ(full[2].v, 255.0f / 256);
}

TEST_F(CanvasTest, LevelForZoomTakesTheLevelThatSuitsIt) {
    Canvas large(nullptr, {8000, 6000});
    const struct {
        float zoom;
        int level;
    } cases[] = {{8, 0},     {1, 0},    {0.51f, 0}, {0.5f, 1},    {0.3f, 1},
                 {0.25f, 2}, {0.2f, 2}, {0.1f, 3},  {0.0625f, 4}, {0.001f, 4}};
    for (const auto& c : cases) EXPECT_EQ(large.LevelForZoom(c.zoom), c.level) << c.zoom;

    // A picture that fits one tile never needs a coarser level.
    Canvas small(nullptr, {254, 100});
    EXPECT_EQ(small.GetGridSize(), Vector2<int>(1, 1));
    for (const float zoom : {1.0f, 0.5f, 0.1f, 0.001f}) EXPECT_EQ(small.LevelForZoom(zoom), 0);

    // Nor a level truncated to no pixels: it would draw nothing.
    Canvas line(nullptr, {2000, 3});
    EXPECT_EQ(line.LevelForZoom(0.5f), 1);
    EXPECT_EQ(line.LevelForZoom(0.25f), 1);

    for (const float zoom : {0.0f, -2.0f, NAN}) {
        large.SetPosition(1, 2, zoom);
        EXPECT_EQ(large.GetPosition(), Vector3(1, 2, 0.001f));
        EXPECT_EQ(large.GetZoom(), 0.001f);
    }
}

TEST_F(CanvasTest, AReadySingleTileLevelServesEveryCoarserZoom) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {1000, 700});
    EXPECT_EQ(canvas.LevelForZoom(0.0625f), 4);
    Select(canvas, *window, {0, 0, 0.25f});
    ASSERT_TRUE(canvas.GetLevel(2).ready);
    EXPECT_EQ(canvas.LevelForZoom(0.0625f), 2);
    // A level-count change or a release drops the reduced levels again.
    canvas.SetLevelCount(5);
    EXPECT_TRUE(canvas.GetLevel(2).ready);
    canvas.ReleaseLevels();
    EXPECT_FALSE(canvas.GetLevel(1).ready);
    EXPECT_TRUE(canvas.GetLevel(0).ready);
    EXPECT_EQ(canvas.LevelForZoom(0.0625f), 4);
}

TEST_F(CanvasTest, TilesArePlacedFromTheCurrentLevel) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {8000, 6000});
    Select(canvas, *window, {10.5f, -3.25f, 0.3f});
    ASSERT_EQ(canvas.GetCurrentLevel(), 1);
    const CanvasLevel& level = canvas.GetLevel(1);
    const gfx::TLVertex* tile = &level.vertices[(1 * level.grid.x + 2) * 8];
    EXPECT_NEAR(tile[5].x, 304.8f + 10.5f, 1e-3);
    EXPECT_NEAR(tile[5].y, 152.4f - 3.25f, 1e-3);
}

TEST_F(CanvasTest, NeighbouringTilesShareTheirEdgesToTheLastBit) {
    Canvas canvas(nullptr, {3000, 2000});
    const CanvasLevel& level = canvas.GetLevel(0);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> zoomOf(0.5f, 8.0f);
    std::uniform_real_distribution<float> placeOf(-5000.0f, 500.0f);
    int apart = 0;
    for (int round = 0; round < 200; ++round) {
        canvas.SetPosition(placeOf(random), placeOf(random), zoomOf(random));
        for (int r = 0; r < level.grid.y; ++r) {
            for (int c = 0; c < level.grid.x; ++c) {
                const gfx::TLVertex* tile = &level.vertices[(r * level.grid.x + c) * 8];
                if (c + 1 < level.grid.x) apart += tile[6].x != tile[8 + 5].x ? 1 : 0;
                if (r + 1 < level.grid.y) {
                    apart += tile[4].y != tile[level.grid.x * 8 + 5].y ? 1 : 0;
                }
            }
        }
    }
    EXPECT_EQ(apart, 0);
}

// Each level is the 2 x 2 average of the one below it, and every border repeats the
// neighbouring pixels.
TEST_F(CanvasTest, LevelsAverageTheOneBelowAndRepeatTheirNeighboursAtTheBorders) {
    auto window = Display(320, 240);
    for (const Vector2<int> size :
         {Vector2<int>(1000, 700), Vector2<int>(255, 300), Vector2<int>(509, 255)}) {
        Canvas canvas(window.get(), size);
        Load(canvas);
        Select(canvas, *window, {0, 0, 0.02f});
        ExpectBordersMatch(canvas.GetLevel(0));
        for (int i = 1; i < 5 && canvas.GetLevel(i).ready; ++i) {
            ExpectBordersMatch(canvas.GetLevel(i));
            const LevelPixels finer(canvas.GetLevel(i - 1));
            const LevelPixels level(canvas.GetLevel(i));
            int wrong = 0;
            for (int y = 0; y < level.size.y; ++y) {
                for (int x = 0; x < level.size.x; ++x) wrong += level(x, y) != Average(finer, x, y);
            }
            EXPECT_EQ(wrong, 0) << "level " << i << " of " << size.x << " x " << size.y;
        }
    }
    // The one-pixel column of a 255-wide picture is repeated in its border column.
    Canvas narrow(window.get(), {255, 10});
    Load(narrow);
    EXPECT_EQ(narrow.GetGridSize(), Vector2<int>(2, 1));
    const Pixels second = Read(*narrow.GetTiles()[1]);
    EXPECT_EQ(second(2, 5), Picture(254, 4));
    EXPECT_EQ(second(1, 5), Picture(254, 4));
}

TEST_F(CanvasTest, ABlockWithoutNeighboursLeavesTheirQuadrantsAlone) {
    auto window = Display(320, 240);
    // Three columns: the last block has no right neighbour, and no block a lower one.
    Canvas canvas(window.get(), {762, 254});
    Load(canvas);
    Select(canvas, *window, {0, 0, 0.5f});
    const CanvasLevel& level = canvas.GetLevel(1);
    ASSERT_EQ(level.grid, Vector2<int>(2, 1));
    const Pixels tile = Read(*level.Tile(1, 0));
    int touched = 0;
    // Beyond the content (127 x 127) and its border column and row.
    for (int y = 1; y < 255; ++y) {
        for (int x = 1; x < 255; ++x) {
            if (x > 128 || y > 128) touched += tile(x, y) != 0 ? 1 : 0;
        }
    }
    EXPECT_EQ(touched, 0);
}

TEST_F(CanvasTest, BothWaysOfCopyingATileHalveAlike) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {254, 254});
    Load(canvas);
    D3DSurface& source = *canvas.GetFirstTile();
    Canvas targets(window.get(), {508, 254});
    D3DSurface& drawn = *targets.GetTiles()[0];
    D3DSurface& stretched = *targets.GetTiles()[1];
    const Rect from{1, 1, 255, 255};
    const Rect to{128, 1, 255, 128};
    ASSERT_TRUE(window->UpdateViewport());
    ASSERT_TRUE(BlitTile(window.get(), source, drawn, from, to));
    ASSERT_TRUE(BlitTile(nullptr, source, stretched, from, to));
    const Pixels a = Read(drawn);
    const Pixels b = Read(stretched);
    const Pixels back = Read(*window->GetBackBuffer());
    int differ = 0;
    for (int y = 1; y < 128; ++y) {
        for (int x = 128; x < 255; ++x) {
            differ += a(x, y) != b(x, y) ? 1 : 0;
            // The drawn way went through the back buffer.
            differ += back(x - 128, y - 1) != a(x, y) ? 1 : 0;
        }
    }
    EXPECT_EQ(differ, 0);
    EXPECT_NE(a(130, 5), 0u);
}

TEST_F(CanvasTest, ZoomOneAndOneHalfOnWholePixelsReproduceTheLevel) {
    auto window = Display(640, 480);
    Canvas canvas(window.get(), {700, 520});
    Load(canvas);
    for (const int filter : {1, 0}) {
        const Pixels shown = Draw(canvas, *window, {13, 7, 1}, filter);
        int wrong = 0;
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                const bool inside = x >= 13 && y >= 7;
                wrong += shown(x, y) != (inside ? Picture(x - 13, y - 7) : kBackground) ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0) << "filter " << filter;
    }
    const Pixels half = Draw(canvas, *window, {-20, 3, 0.5f});
    const LevelPixels level1(canvas.GetLevel(1));
    int wrong = 0;
    for (int y = 3; y < 3 + level1.size.y; ++y) {
        for (int x = 0; x < level1.size.x - 20; ++x) wrong += half(x, y) != level1(x + 20, y - 3);
    }
    EXPECT_EQ(wrong, 0);
}

// At any position and zoom, every pixel inside the picture's rectangle is drawn by some tile.
TEST_F(CanvasTest, NoGapOpensBetweenTiles) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {2100, 1600});
    Load(canvas);
    std::mt19937 random(131);
    std::uniform_real_distribution<float> zoomOf(0.05f, 8.0f);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    int failures = 0;
    for (int round = 0; round < 1000 && failures < 5; ++round) {
        const float zoom = zoomOf(random);
        // Somewhere the picture's seams are in view.
        const float x = 160 - unit(random) * 2100 * zoom;
        const float y = 120 - unit(random) * 1600 * zoom;
        const Pixels shown = Draw(canvas, *window, {x, y, zoom});
        const CanvasLevel& level = canvas.GetLevel(canvas.GetCurrentLevel());
        const float s = zoom * static_cast<float>(1 << canvas.GetCurrentLevel());
        // Pixels whose centres lie inside, one pixel in from the outer edges.
        const int left = std::max(0, static_cast<int>(std::floor(x)) + 1);
        const int top = std::max(0, static_cast<int>(std::floor(y)) + 1);
        const int right = std::min(320, static_cast<int>(std::floor(x + level.size.x * s)) - 1);
        const int bottom = std::min(240, static_cast<int>(std::floor(y + level.size.y * s)) - 1);
        int holes = 0;
        for (int py = top; py < bottom; ++py) {
            for (int px = left; px < right; ++px) holes += shown(px, py) == kBackground ? 1 : 0;
        }
        if (holes != 0) {
            ++failures;
            ADD_FAILURE() << holes << " holes at (" << x << ", " << y << ") zoom " << zoom;
        }
    }
}

TEST_F(CanvasTest, ShiftWithFOrANullRequestSamplesTheNearestPixel) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {300, 200});
    Load(canvas);
    // No pixel centre falls on a line between two picture pixels.
    const Vector3 at(0.25f, 0.25f, 2);
    const Pixels nearest = Draw(canvas, *window, at, 0);
    for (int y = 1; y < 240; y += 3) {
        for (int x = 1; x < 320; x += 3) {
            ASSERT_EQ(nearest(x, y), Picture((x * 4 + 1) / 8, (y * 4 + 1) / 8)) << x << ", " << y;
        }
    }
    const struct {
        bool shift;
        bool f;
        bool point;
    } cases[] = {
        {false, false, false}, {true, true, true}, {true, false, false}, {false, true, false}};
    for (const auto& c : cases) {
        platform::SetAsyncKeyState(platform::VK_SHIFT, c.shift);
        platform::SetAsyncKeyState('F', c.f);
        const Pixels shown = Draw(canvas, *window, at, 1);
        EXPECT_EQ(shown.values == nearest.values, c.point) << c.shift << c.f;
    }
    platform::SetAsyncKeyState(platform::VK_SHIFT, false);
    platform::SetAsyncKeyState('F', false);
}

TEST_F(CanvasTest, WindowAndPicturePointsConvertBothWays) {
    Canvas canvas(nullptr, {1000, 700});
    for (const Vector3 at :
         {Vector3(-500.25f, 37.5f, 2.5f), Vector3(12, -30, 1), Vector3(100.5f, 20, 0.3f)}) {
        canvas.SetPosition(at);
        for (const Vector2<int> point : {Vector2<int>(0, 0), Vector2<int>(700, 600),
                                         Vector2<int>(999, 699), Vector2<int>(333, 1)}) {
            const Vector2<int> shown = canvas.ImageToWindow(point);
            const Vector3 back =
                canvas.WindowToImage(Vector2<float>(static_cast<float>(shown.x), shown.y));
            EXPECT_LE(std::abs(back.x - point.x), 1 / at.z) << point.x << " at zoom " << at.z;
            EXPECT_LE(std::abs(back.y - point.y), 1 / at.z) << point.y << " at zoom " << at.z;
            EXPECT_EQ(back.z, at.z);
        }
    }
    // Zoomed in, the window point lies far beyond the picture's own size.
    canvas.SetPosition(-500.25f, 37.5f, 2.5f);
    EXPECT_EQ(canvas.ImageToWindow({700, 600}), Vector2<int>(1249, 1537));
    // Points outside the picture are taken at its edge, both ways.
    EXPECT_EQ(canvas.ImageToWindow({-5, 5000}), Vector2<int>(-500, 1785));
    EXPECT_EQ(canvas.WindowToImage({-9000, 9000}), Vector3(0, 699, 2.5f));
}

TEST_F(CanvasTest, ARefusedSizeKeepsTheCanvasDrawable) {
    auto window = Display(320, 240);
    Canvas canvas(window.get(), {300, 200});
    Load(canvas);
    D3DSurface* first = canvas.GetFirstTile();
    for (const Vector2<int> size :
         {Vector2<int>(0, 10), Vector2<int>(10, -1), Vector2<int>(65535, 65535),
          Vector2<int>(INT_MAX, 1), Vector2<int>(INT_MAX, INT_MAX)}) {
        EXPECT_FALSE(canvas.SetSize(window.get(), size)) << size.x << " x " << size.y;
    }
    EXPECT_EQ(canvas.GetImageWidth(), 300);
    EXPECT_EQ(canvas.GetGridSize(), Vector2<int>(2, 1));
    EXPECT_EQ(canvas.GetFirstTile(), first);
    EXPECT_EQ(Draw(canvas, *window, {0, 0, 1})(299, 199), Picture(299, 199));
    // A canvas that never had a size draws nothing, and says so.
    Canvas empty(window.get(), {0, 0});
    EXPECT_EQ(empty.GetFirstTile(), nullptr);
    empty.SelectLevel(window.get());
    EXPECT_EQ(empty.Draw3D(window.get(), 1), 0);
}

TEST_F(CanvasTest, ClearingRowsZeroesThemWithTheirBordersAndNothingAbove) {
    auto window = Display(320, 240);
    // 600 x 600: three bands of tiles, the last column and row at the picture's edge.
    const struct {
        int row;
        bool edgeTiles;
        int firstZero[3];  // the first zeroed tile row in each band; 256 for none
    } cases[] = {
        {300, false, {256, 47, 256}},  // inside the second band
        {300, true, {256, 47, 0}},     // the last band is all edge tiles
        {254, false, {256, 0, 256}},   // a band's first row takes its top border along
        {253, false, {254, 0, 256}},   // a band's last row takes its bottom border along
        {0, true, {0, 0, 0}},         {600, false, {256, 256, 256}},  // past the picture: nothing
        {600, true, {256, 256, 93}},  // what lies below the picture goes too
    };
    for (const auto& test : cases) {
        Canvas canvas(window.get(), {600, 600});
        Load(canvas);
        canvas.ClearRowsFrom(test.row, test.edgeTiles);
        const LevelPixels level(canvas.GetLevel(0));
        for (int r = 0; r < 3; ++r) {
            for (int c = 0; c < 3; ++c) {
                const bool edge = c == 2 || r == 2;
                const int firstZero = edge && !test.edgeTiles ? 256 : test.firstZero[r];
                const Pixels& tile = level.Tile(c, r);
                int wrong = 0;
                for (int ty = 0; ty < 256; ++ty) {
                    for (int tx = 0; tx < 256; ++tx) {
                        // Loaded texels are never 0: their green is not.
                        const bool loaded = tile(tx, ty) != 0;
                        const bool inPicture = 254 * c + tx - 1 < 600 && 254 * r + ty - 1 < 600;
                        if (ty >= firstZero ? loaded : inPicture && tx > 0 && ty > 0 && !loaded) {
                            ++wrong;
                        }
                    }
                }
                EXPECT_EQ(wrong, 0) << "row " << test.row << ", tile " << c << ", " << r;
            }
        }
    }
}

TEST_F(CanvasTest, UncreatedTilesAreLeftOut) {
    auto window = Display(320, 240);
    // Made without a display: no tile has a surface.
    Canvas canvas(nullptr, {600, 400});
    EXPECT_FALSE(canvas.GetFirstTile()->IsValid());
    canvas.FillTileBorders(0);
    window->GetBackBuffer()->Fill(kBackground);
    canvas.SelectLevel(window.get());
    EXPECT_EQ(canvas.Draw3D(window.get(), 1), 1);
    EXPECT_EQ(Read(*window->GetBackBuffer())(5, 5), kBackground);
    // Coarser levels are made, from nothing.
    Select(canvas, *window, {0, 0, 0.2f});
    EXPECT_EQ(canvas.GetCurrentLevel(), 2);
    EXPECT_EQ(canvas.Draw3D(window.get(), 1), 1);
}

TEST_F(CanvasTest, TheOldInterfaceDrawsWhatTheNewOneDrawsFromZoomOneUp) {
    const Vector3 whole[] = {{13, 7, 1}, {-20, -9, 2}, {5, 3, 3}};
    const Vector3 fractional[] = {{13.37f, 7.61f, 1}, {-20.5f, 3.25f, 1.7f}, {0.3f, 0.8f, 2.5f}};
    std::vector<Pixels> expected;
    {
        auto window = Display(320, 240);
        Canvas canvas(window.get(), {700, 520});
        Load(canvas);
        for (const Vector3& at : whole) expected.push_back(Draw(canvas, *window, at));
        for (const Vector3& at : fractional) expected.push_back(Draw(canvas, *window, at));
    }
    auto window = OldDisplay(320, 240);
    Canvas canvas(window.get(), {700, 520});
    const D3DSurface& tile = *canvas.GetFirstTile();
    ASSERT_TRUE(tile.IsValid());
    EXPECT_TRUE(tile.IsDX3());
    EXPECT_EQ(tile.GetDesc().caps & 0x4001800u, 0x4001800u);
    EXPECT_NE(tile.GetTextureHandle(), 0u);
    Load(canvas);
    std::size_t i = 0;
    for (const Vector3& at : whole) {
        const Pixels shown = Draw(canvas, *window, at);
        const Pixels& want = expected[i++];
        int differ = 0;
        for (std::size_t k = 0; k < shown.values.size(); ++k) {
            differ += shown.values[k] != want.values[k] ? 1 : 0;
        }
        EXPECT_EQ(differ, 0) << at.x << ", " << at.y << " zoom " << at.z;
        EXPECT_EQ(shown(160, 120), want(160, 120));
    }
    for (const Vector3& at : fractional) {
        const Pixels shown = Draw(canvas, *window, at);
        const Pixels& want = expected[i++];
        int far = 0;
        for (std::size_t k = 0; k < shown.values.size(); ++k) {
            for (int shift = 0; shift < 24; shift += 8) {
                const int a = static_cast<int>(shown.values[k] >> shift & 0xFF);
                const int b = static_cast<int>(want.values[k] >> shift & 0xFF);
                far += std::abs(a - b) > 1 ? 1 : 0;
            }
        }
        EXPECT_EQ(far, 0) << at.x << ", " << at.y << " zoom " << at.z;
    }
}

TEST_F(CanvasTest, TheOldInterfaceBufferHoldsTheGridAndEndsAtExit) {
    auto window = OldDisplay(320, 240);
    Canvas canvas(window.get(), {4 * 254, 3 * 254});
    ASSERT_EQ(canvas.GetGridSize(), Vector2<int>(4, 3));
    Load(canvas);
    const Pixels shown = Draw(canvas, *window, {0, 0, 0.3f});
    // Level 0, minified: the picture's whole 305 x 229 pixels, and only they.
    EXPECT_NE(shown(10, 10), kBackground);
    EXPECT_NE(shown(303, 227), kBackground);
    EXPECT_EQ(shown(306, 230), kBackground);
    EXPECT_EQ(canvas.GetCurrentLevel(), 0);
    gfx::ExecuteBuffer* buffer = canvas.GetExecuteBuffer();
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(buffer->Bytes().size(), 2144u);
    EXPECT_EQ(buffer->Data().vertexCount, 48u);
    EXPECT_EQ(buffer->Data().instructionOffset, 1536u);
    EXPECT_EQ(buffer->Data().instructionLength, 600u);
    // The left vertices reach 2/127 further into the texture below zoom 0.5.
    const auto vertex = [&](int index) {
        gfx::LitVertex v;
        std::memcpy(&v, buffer->Bytes().data() + index * sizeof v, sizeof v);
        return v;
    };
    EXPECT_FLOAT_EQ(vertex(0).u, 1.0f / 256 + 2.0f / 127);
    EXPECT_FLOAT_EQ(vertex(1).u, 1.0f / 256 + 2.0f / 127);
    EXPECT_FLOAT_EQ(vertex(2).u, 255.0f / 256);
    EXPECT_EQ(vertex(47).colour, 0xFFFFFFFFu);
    // Transforms, render states, process-vertices, then one texture and two triangles per
    // tile and exit, short of the length.
    std::size_t at = 1536;
    std::vector<std::uint8_t> opcodes;
    while (at + 4 <= buffer->Bytes().size()) {
        gfx::Instruction op;
        std::memcpy(&op, buffer->Bytes().data() + at, sizeof op);
        opcodes.push_back(op.opcode);
        at += 4 + std::size_t{op.size} * op.count;
        if (op.opcode == gfx::D3DOP_EXIT) break;
    }
    ASSERT_EQ(opcodes.size(), 3u + 2 * 12 + 1);
    EXPECT_EQ(opcodes[0], gfx::D3DOP_STATETRANSFORM);
    EXPECT_EQ(opcodes[2], gfx::D3DOP_PROCESSVERTICES);
    EXPECT_EQ(opcodes.back(), gfx::D3DOP_EXIT);
    EXPECT_LE(at, 1536u + 600u);
    // Each frame fills the same buffer again; a new device generation makes a new one.
    Draw(canvas, *window, {4, 0, 1});
    EXPECT_EQ(canvas.GetExecuteBuffer(), buffer);
    window->Resize({300, 200}, false);
    EXPECT_EQ(Draw(canvas, *window, {0, 0, 1})(5, 5), Picture(5, 5));
    EXPECT_NE(canvas.GetExecuteBuffer(), nullptr);
}

}  // namespace
