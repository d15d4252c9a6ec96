#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/Direct3DDevice.h"
#include "platform/gfx/Pixels.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/tests/GfxTestSupport.h"

namespace {

using gfx::TLVertex;

// The software device drawing into a system-memory target, one texture at a time.
class RasteriserTest : public gfx_test::GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        void* d3d = nullptr;
        ASSERT_EQ(dd_->QueryInterface(gfx::IID_IDirect3D3, &d3d), gfx::DD_OK);
        d3d_ = static_cast<gfx::Direct3D*>(static_cast<platform::IUnknown*>(d3d));
    }
    void TearDown() override {
        TearDownObjects();
        Drop(d3d_);
        GfxTest::TearDown();
    }
    void TearDownObjects() {
        Drop(texture_);
        Drop(viewport_);
        Drop(device_);
        Drop(target_);
    }
    template <class T>
    static void Drop(T*& object) {
        if (object != nullptr) object->Release();
        object = nullptr;
    }

    // A target of `format` filled with `fill`, a device on it and a viewport over `area`.
    void MakeTarget(int width, int height, const gfx::PixelFormatDesc& format, std::uint32_t fill,
                    Rect area = Rect{}) {
        target_ = Make(width, height, format, gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_SYSTEMMEMORY);
        ASSERT_NE(target_, nullptr);
        gfx::BltFx fx;
        fx.fillColour = fill;
        ASSERT_EQ(target_->Blt(nullptr, nullptr, nullptr, gfx::DDBLT_COLORFILL, &fx), gfx::DD_OK);
        ASSERT_EQ(d3d_->CreateDevice(gfx::IID_IDirect3DRGBDevice, target_, &device_), gfx::DD_OK);
        ASSERT_EQ(d3d_->CreateViewport(&viewport_), gfx::DD_OK);
        ASSERT_EQ(device_->AddViewport(viewport_), gfx::DD_OK);
        if (area.right == 0) area = Rect{0, 0, width, height};
        gfx::ViewportDesc desc;
        desc.x = area.left;
        desc.y = area.top;
        desc.width = area.right - area.left;
        desc.height = area.bottom - area.top;
        ASSERT_EQ(viewport_->SetViewport2(&desc), gfx::DD_OK);
        ASSERT_EQ(device_->SetCurrentViewport(viewport_), gfx::DD_OK);
        ASSERT_EQ(device_->SetRenderState(gfx::D3DRENDERSTATE_CULLMODE, gfx::D3DCULL_NONE),
                  gfx::DD_OK);
    }

    // A 256 x 256 texture of `format` whose texels come from `texel(x, y)`.
    template <class F>
    void MakeTexture(const gfx::PixelFormatDesc& format, F texel) {
        Drop(texture_);
        gfx::Surface* surface = Make(256, 256, format, gfx::DDSCAPS_TEXTURE);
        ASSERT_NE(surface, nullptr);
        platform::SurfacePixels pixels;
        ASSERT_EQ(surface->Lock(nullptr, pixels, 0), gfx::DD_OK);
        const gfx::PixelCodec codec(pixels.format);
        for (int y = 0; y < 256; ++y) {
            for (int x = 0; x < 256; ++x) codec.Write(gfx::PixelAddress(pixels, x, y), texel(x, y));
        }
        surface->Unlock();
        void* texture = nullptr;
        ASSERT_EQ(surface->QueryInterface(gfx::IID_IDirect3DTexture2, &texture), gfx::DD_OK);
        surface->Release();
        texture_ = static_cast<gfx::Texture*>(static_cast<platform::IUnknown*>(texture));
        ASSERT_EQ(device_->SetTexture(0, texture_), gfx::DD_OK);
    }

    void Filter(std::uint32_t filter) {
        ASSERT_EQ(device_->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, filter), gfx::DD_OK);
        ASSERT_EQ(device_->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, filter), gfx::DD_OK);
    }

    // The canvas's quad: the tile's content (w x h texels from texel (1, 1)) at (x, y),
    // scaled by s.
    static std::vector<TLVertex> Tile(double x, double y, double s, int w = 254, int h = 254) {
        const auto fx = [&](double local) { return static_cast<float>(local * s + x); };
        const auto fy = [&](double local) { return static_cast<float>(local * s + y); };
        const float uL = 1.0F / 256, vT = 1.0F / 256;
        const float uR = static_cast<float>(w + 1) / 256, vB = static_cast<float>(h + 1) / 256;
        return {TLVertex{fx(0), fy(h), 0, 1, ~0u, ~0u, uL, vB},
                TLVertex{fx(0), fy(0), 0, 1, ~0u, ~0u, uL, vT},
                TLVertex{fx(w), fy(h), 0, 1, ~0u, ~0u, uR, vB},
                TLVertex{fx(w), fy(0), 0, 1, ~0u, ~0u, uR, vT}};
    }

    gfx::HRESULT Draw(const std::vector<TLVertex>& strip) {
        EXPECT_EQ(device_->BeginScene(), gfx::DD_OK);
        const gfx::HRESULT hr =
            device_->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1, strip.data(),
                                   static_cast<int>(strip.size()), 24);
        EXPECT_EQ(device_->EndScene(), gfx::DD_OK);
        return hr;
    }

    std::vector<std::uint32_t> Snapshot() const {
        std::vector<std::uint32_t> all;
        platform::SurfacePixels pixels;
        EXPECT_EQ(target_->Lock(nullptr, pixels, 0), gfx::DD_OK);
        const gfx::PixelCodec codec(pixels.format);
        for (int y = 0; y < pixels.height; ++y) {
            for (int x = 0; x < pixels.width; ++x) {
                all.push_back(codec.Read(gfx::PixelAddress(pixels, x, y)));
            }
        }
        target_->Unlock();
        return all;
    }

    gfx::Direct3D* d3d_ = nullptr;
    gfx::Surface* target_ = nullptr;
    gfx::Device* device_ = nullptr;
    gfx::Viewport* viewport_ = nullptr;
    gfx::Texture* texture_ = nullptr;
};

std::uint32_t Hash(int x, int y) {
    std::uint32_t h =
        static_cast<std::uint32_t>(x) * 0x9E3779B1u ^ static_cast<std::uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    return h ^ (h >> 12);
}

TEST_F(RasteriserTest, ZoomOneOnWholePixelsCopiesTexelsInEveryFormat) {
    const gfx::PixelFormatDesc formats[] = {
        gfx::Format565(),
        gfx::Format555(),
        gfx::Format888(),
        gfx::FormatX888(),
        gfx::RgbFormat(32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000u),
        gfx::RgbFormat(16, 0x7C00, 0x03E0, 0x001F, 0x8000),
        gfx::RgbFormat(16, 0x0F00, 0x00F0, 0x000F, 0xF000),
    };
    for (const auto& format : formats) {
        for (const std::uint32_t filter : {gfx::D3DTFILTER_POINT, gfx::D3DTFILTER_LINEAR}) {
            SCOPED_TRACE(testing::Message() << format.rgb.rgbBitCount << " bits, green "
                                            << format.rgb.greenMask << ", filter " << filter);
            const std::uint32_t room = format.rgb.redMask | format.rgb.greenMask |
                                       format.rgb.blueMask | format.rgb.alphaMask;
            MakeTarget(64, 48, format, 0x1234 & room);
            MakeTexture(format, [room](int x, int y) { return Hash(x, y) & room; });
            Filter(filter);
            ASSERT_EQ(Draw(Tile(5, 7, 1.0, 40, 30)), gfx::DD_OK);
            int wrong = 0;
            for (int y = 0; y < 48; ++y) {
                for (int x = 0; x < 64; ++x) {
                    const bool inside = x >= 5 && x < 45 && y >= 7 && y < 37;
                    const std::uint32_t want =
                        inside ? Hash(x - 5 + 1, y - 7 + 1) & room : 0x1234 & room;
                    wrong += Get(target_, x, y) != want ? 1 : 0;
                }
            }
            EXPECT_EQ(wrong, 0);
            TearDownObjects();
        }
    }
}

TEST_F(RasteriserTest, AnotherTargetLayoutGetsTheTexelsConverted) {
    MakeTarget(32, 32, gfx::Format565(), 0);
    MakeTexture(gfx::FormatX888(), [](int x, int y) { return Hash(x, y) & 0xFFFFFF; });
    ASSERT_EQ(Draw(Tile(0, 0, 1.0, 32, 32)), gfx::DD_OK);
    const gfx::PixelCodec from(gfx::FormatX888().rgb);
    const gfx::PixelCodec to(gfx::Format565().rgb);
    for (int y = 0; y < 32; y += 5) {
        for (int x = 0; x < 32; x += 3) {
            EXPECT_EQ(Get(target_, x, y), to.Pack(from.Unpack(Hash(x + 1, y + 1) & 0xFFFFFF)));
        }
    }
}

TEST_F(RasteriserTest, BilinearHalvingAveragesEachBlock) {
    MakeTarget(130, 130, gfx::FormatX888(), 0);
    MakeTexture(gfx::FormatX888(), [](int x, int y) { return Hash(x, y) & 0xFFFFFF; });
    Filter(gfx::D3DTFILTER_LINEAR);
    ASSERT_EQ(Draw(Tile(0, 0, 0.5)), gfx::DD_OK);
    int wrong = 0;
    for (int y = 0; y < 127; ++y) {
        for (int x = 0; x < 127; ++x) {
            std::uint32_t want = 0;
            for (int shift = 0; shift < 24; shift += 8) {
                std::uint32_t sum = 2;
                for (const auto& [dx, dy] : {std::pair{0, 0}, {1, 0}, {0, 1}, {1, 1}}) {
                    sum += (Hash(1 + 2 * x + dx, 1 + 2 * y + dy) >> shift) & 0xFF;
                }
                want |= (sum / 4) << shift;
            }
            wrong += Get(target_, x, y) != want ? 1 : 0;
        }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(Get(target_, 127, 0), 0u);
    EXPECT_EQ(Get(target_, 0, 127), 0u);
}

// Tiles placed as the canvas places them, at fractional positions and zooms: each pixel of
// the picture is drawn by exactly one tile, and the picture has no hole.
TEST_F(RasteriserTest, TilesSharingEdgesDrawEachPixelOnce) {
    MakeTarget(128, 128, gfx::FormatX888(), 0);
    std::mt19937 random(20);
    std::uniform_real_distribution<double> place(0.0, 12.0);
    std::uniform_real_distribution<double> zoom(0.02, 0.14);
    // One colour a tile, so that every pixel it draws changes.
    std::vector<gfx::Texture*> colours;
    for (int tile = 0; tile < 9; ++tile) {
        MakeTexture(gfx::FormatX888(), [tile](int, int) { return 0x010101u * (tile + 1); });
        texture_->AddRef();
        colours.push_back(texture_);
    }
    int failures = 0;
    for (int round = 0; round < 1000 && failures < 5; ++round) {
        const double x = place(random), y = place(random), s = zoom(random);
        gfx::BltFx clear;
        ASSERT_EQ(target_->Blt(nullptr, nullptr, nullptr, gfx::DDBLT_COLORFILL, &clear),
                  gfx::DD_OK);
        std::vector<int> count(128 * 128, 0);
        std::vector<std::uint32_t> before = Snapshot();
        for (int tile = 0; tile < 9; ++tile) {
            const int c = tile % 3, r = tile / 3;
            ASSERT_EQ(device_->SetTexture(0, colours[static_cast<std::size_t>(tile)]), gfx::DD_OK);
            ASSERT_EQ(Draw(Tile(254.0 * c * s + x, 254.0 * r * s + y, s, c == 2 ? 100 : 254,
                                r == 2 ? 77 : 254)),
                      gfx::DD_OK);
            const std::vector<std::uint32_t> after = Snapshot();
            for (std::size_t i = 0; i < after.size(); ++i)
                count[i] += after[i] != before[i] ? 1 : 0;
            before = after;
        }
        int left = 128, right = -1, top = 128, bottom = -1;
        for (int i = 0; i < 128 * 128; ++i) {
            if (count[i] == 0) continue;
            left = std::min(left, i % 128), right = std::max(right, i % 128);
            top = std::min(top, i / 128), bottom = std::max(bottom, i / 128);
        }
        bool good = right >= 0;
        for (int py = 0; py < 128; ++py) {
            for (int px = 0; px < 128; ++px) {
                const bool inBox = px >= left && px <= right && py >= top && py <= bottom;
                good = good && count[py * 128 + px] == (inBox ? 1 : 0);
            }
        }
        if (!good) {
            ++failures;
            ADD_FAILURE() << "round " << round << " at (" << x << ", " << y << ") zoom " << s;
        }
    }
    for (gfx::Texture* texture : colours) texture->Release();
}

// Quads at any angle, split along their diagonals, share edges as cleanly as screen-aligned
// ones: a turned 2 x 2 grid of them draws no pixel twice.
TEST_F(RasteriserTest, TurnedQuadsSharingEdgesNeverDrawAPixelTwice) {
    MakeTarget(64, 64, gfx::FormatX888(), 0);
    std::mt19937 random(7);
    std::uniform_real_distribution<float> at(8.0F, 40.0F);
    std::uniform_real_distribution<float> turn(0.0F, 6.2831853F);
    std::uniform_real_distribution<float> side(3.0F, 14.0F);
    int doubled = 0;
    int drawn = 0;
    for (int round = 0; round < 200; ++round) {
        const float ox = at(random), oy = at(random), angle = turn(random);
        const float w = side(random), h = side(random);
        const auto point = [&](int i, int j) {
            return TLVertex{ox + i * w * std::cos(angle) - j * h * std::sin(angle),
                            oy + i * w * std::sin(angle) + j * h * std::cos(angle),
                            0,
                            1,
                            ~0u,
                            ~0u,
                            0.5F,
                            0.5F};
        };
        std::vector<int> count(64 * 64, 0);
        std::vector<std::uint32_t> before = Snapshot();
        for (int quad = 0; quad < 4; ++quad) {
            const int i = quad % 2, j = quad / 2;
            MakeTexture(gfx::FormatX888(), [round, quad](int, int) {
                return static_cast<std::uint32_t>(round * 4 + quad + 1);
            });
            ASSERT_EQ(Draw({point(i, j + 1), point(i, j), point(i + 1, j + 1), point(i + 1, j)}),
                      gfx::DD_OK);
            const std::vector<std::uint32_t> after = Snapshot();
            for (std::size_t k = 0; k < after.size(); ++k)
                count[k] += after[k] != before[k] ? 1 : 0;
            before = after;
        }
        doubled += static_cast<int>(
            std::count_if(count.begin(), count.end(), [](int n) { return n > 1; }));
        drawn += static_cast<int>(
            std::count_if(count.begin(), count.end(), [](int n) { return n > 0; }));
    }
    EXPECT_EQ(doubled, 0);
    EXPECT_GT(drawn, 0);
}

TEST_F(RasteriserTest, DrawingStopsAtEachViewportEdgeWithoutShiftingThePicture) {
    const Rect area{10, 12, 50, 44};
    struct Case {
        const char* edge;
        double x, y;
    };
    const Case cases[] = {{"left", 4, 20}, {"right", 30, 20}, {"top", 20, 3}, {"bottom", 20, 30}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.edge);
        MakeTarget(64, 64, gfx::FormatX888(), 0xABCDEF, area);
        MakeTexture(gfx::FormatX888(), [](int x, int y) { return Hash(x, y) & 0xFFFFFF; });
        ASSERT_EQ(Draw(Tile(c.x, c.y, 1.0, 30, 30)), gfx::DD_OK);
        int wrong = 0;
        for (int y = 0; y < 64; ++y) {
            for (int x = 0; x < 64; ++x) {
                const int tx = x - static_cast<int>(c.x), ty = y - static_cast<int>(c.y);
                const bool drawn = tx >= 0 && tx < 30 && ty >= 0 && ty < 30 && x >= area.left &&
                                   x < area.right && y >= area.top && y < area.bottom;
                const std::uint32_t want = drawn ? Hash(tx + 1, ty + 1) & 0xFFFFFF : 0xABCDEF;
                wrong += Get(target_, x, y) != want ? 1 : 0;
            }
        }
        EXPECT_EQ(wrong, 0);
        TearDownObjects();
    }
}

TEST_F(RasteriserTest, UnusableVerticesDrawNothing) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        const char* what;
        float x, y, u;
    };
    const Case cases[] = {{"NaN x", nan, 0, 0.5F},       {"NaN u", 60, 60, nan},
                          {"infinite y", 60, inf, 0.5F}, {"1e30", 1e30F, 1e30F, 0.5F},
                          {"-1e30", -1e30F, 60, 0.5F},   {"huge", 3e6F, 60, 0.5F}};
    MakeTarget(32, 32, gfx::FormatX888(), 0x445566);
    MakeTexture(gfx::FormatX888(), [](int, int) { return 0xFFFFFFu; });
    for (const std::uint32_t filter : {gfx::D3DTFILTER_POINT, gfx::D3DTFILTER_LINEAR}) {
        Filter(filter);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.what);
            std::vector<TLVertex> strip = Tile(-2, -2, 1.0, 40, 40);
            strip[2].x = c.x;
            strip[2].y = c.y;
            strip[2].u = c.u;
            EXPECT_EQ(Draw(strip), gfx::DD_OK);
            const std::vector<std::uint32_t> all = Snapshot();
            EXPECT_TRUE(
                std::all_of(all.begin(), all.end(), [](std::uint32_t v) { return v == 0x445566; }));
        }
    }
}

TEST_F(RasteriserTest, DrawingOutsideASceneFails) {
    MakeTarget(16, 16, gfx::FormatX888(), 0);
    MakeTexture(gfx::FormatX888(), [](int, int) { return 0xFFFFFFu; });
    const std::vector<TLVertex> strip = Tile(0, 0, 1.0, 8, 8);
    EXPECT_EQ(device_->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1, strip.data(),
                                     4, 24),
              gfx::D3DERR_NOTINBEGIN);
    EXPECT_EQ(device_->EndScene(), gfx::D3DERR_NOTINBEGIN);
    EXPECT_EQ(Get(target_, 0, 0), 0u);
    ASSERT_EQ(device_->BeginScene(), gfx::DD_OK);
    EXPECT_EQ(device_->BeginScene(), gfx::D3DERR_INBEGIN);
    EXPECT_EQ(device_->EndScene(), gfx::DD_OK);
}

TEST_F(RasteriserTest, TheHardwareDeviceExistsOnlyWhenTheDisplayHasOne) {
    gfx::Surface* target =
        Make(16, 16, gfx::FormatX888(), gfx::DDSCAPS_3DDEVICE | gfx::DDSCAPS_VIDEOMEMORY);
    gfx::Device* device = nullptr;
    EXPECT_EQ(d3d_->CreateDevice(gfx::IID_IDirect3DHALDevice, target, &device),
              gfx::D3DERR_NOTAVAILABLE);
    gfx::display::SetHardware3D(gfx::DeviceDesc{});
    gfx::display::SetDriverCaps(gfx::DDCAPS_3D);
    ASSERT_EQ(d3d_->CreateDevice(gfx::IID_IDirect3DHALDevice, target, &device), gfx::DD_OK);
    EXPECT_TRUE(device->IsHardware());
    device->Release();
    // The software device draws only in system memory.
    EXPECT_EQ(d3d_->CreateDevice(gfx::IID_IDirect3DRGBDevice, target, &device),
              gfx::D3DERR_INVALIDRENDERTARGET);
    target->Release();
    gfx::display::SetDirect3DRefused(true);
    void* refused = nullptr;
    EXPECT_EQ(dd_->QueryInterface(gfx::IID_IDirect3D3, &refused), platform::E_NOINTERFACE);
}

}  // namespace

// A viewport belongs to one device until it is deleted from it or the device goes; the
// device draws in none once its current one is deleted.
TEST_F(RasteriserTest, AViewportBelongsToOneDeviceUntilDeletedOrTheDeviceGoes) {
    MakeTarget(8, 8, gfx::FormatX888(), 0);
    gfx::Device* other = nullptr;
    ASSERT_EQ(d3d_->CreateDevice(gfx::IID_IDirect3DRGBDevice, target_, &other), gfx::DD_OK);
    EXPECT_EQ(other->AddViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);
    EXPECT_EQ(other->SetCurrentViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);
    EXPECT_EQ(other->DeleteViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);

    ASSERT_EQ(device_->DeleteViewport(viewport_), gfx::DD_OK);
    EXPECT_EQ(device_->DeleteViewport(viewport_), gfx::D3DERR_INVALIDVIEWPORT);
    const gfx::TLVertex strip[3]{};
    ASSERT_EQ(device_->BeginScene(), gfx::DD_OK);
    EXPECT_EQ(device_->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1, strip, 3, 0),
              gfx::D3DERR_INVALIDVIEWPORT);
    EXPECT_EQ(device_->EndScene(), gfx::DD_OK);

    ASSERT_EQ(other->AddViewport(viewport_), gfx::DD_OK);
    EXPECT_EQ(other->SetCurrentViewport(viewport_), gfx::DD_OK);
    other->Release();
    gfx::ViewportDesc desc;
    desc.width = 8;
    desc.height = 8;
    EXPECT_EQ(viewport_->SetViewport2(&desc), gfx::D3DERR_VIEWPORTHASNODEVICE);
    EXPECT_EQ(device_->AddViewport(viewport_), gfx::DD_OK);
}
