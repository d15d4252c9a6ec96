#include <cstdint>
#include <memory>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/tests/GfxTestSupport.h"
#include "platform/gfx/tests/MemoryFramebuffer.h"

namespace {

using namespace gfx;
using gfx_test::GfxTest;
using gfx_test::MemoryFramebuffer;

class DirectDrawTest : public GfxTest {
protected:
    void SetUp() override {
        GfxTest::SetUp();
        display::SetDesktopModeSource([] { return DisplayMode{64, 48, 32}; });
    }
};

TEST_F(DirectDrawTest, TheNewInterfaceIsTheSameObjectUnlessRefused) {
    void* dd4 = nullptr;
    ASSERT_EQ(dd_->QueryInterface(IID_IDirectDraw4, &dd4), DD_OK);
    EXPECT_EQ(dd4, static_cast<platform::IUnknown*>(dd_));
    static_cast<DirectDraw*>(static_cast<platform::IUnknown*>(dd4))->Release();
    display::SetNewInterfaceRefused(true);
    EXPECT_EQ(dd_->QueryInterface(IID_IDirectDraw4, &dd4), platform::E_NOINTERFACE);
    EXPECT_EQ(dd4, nullptr);

    DriverCaps caps;
    ASSERT_EQ(dd_->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_EQ(caps.caps & DDCAPS_3D, 0u);
    display::SetDriverCaps(DDCAPS_3D);
    ASSERT_EQ(dd_->GetCaps(&caps, nullptr), DD_OK);
    EXPECT_NE(caps.caps & DDCAPS_3D, 0u);
}

TEST_F(DirectDrawTest, CooperativeLevelsAndModes) {
    auto window = std::make_shared<MemoryFramebuffer>(Rect{0, 0, 8, 8}, FormatX888().rgb);
    const struct {
        std::uint32_t flags;
        bool withWindow;
        HRESULT result;
    } levels[] = {
        {0x408, true, DD_OK},
        {0x813, true, DD_OK},
        {0x8, false, DD_OK},
        {0x813, false, platform::E_INVALIDARG},
        {0x10, true, platform::E_INVALIDARG},
        {0x18, true, platform::E_INVALIDARG},
        {0, true, platform::E_INVALIDARG},
    };
    for (const auto& c : levels) {
        EXPECT_EQ(dd_->SetCooperativeLevel(c.withWindow ? window : nullptr, c.flags), c.result)
            << std::hex << c.flags;
    }
    SurfaceDesc mode;
    ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.width, 64);
    EXPECT_EQ(mode.pixelFormat.rgb.rgbBitCount, 32u);
    ASSERT_EQ(dd_->SetDisplayMode(32, 16, 16), DD_OK);
    ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.width, 32);
    EXPECT_EQ(mode.pixelFormat.rgb.greenMask, 0x07E0u);
    EXPECT_EQ(dd_->SetDisplayMode(32, 16, 15), DDERR_UNSUPPORTEDMODE);
    ASSERT_EQ(dd_->RestoreDisplayMode(), DD_OK);
    ASSERT_EQ(dd_->GetDisplayMode(&mode), DD_OK);
    EXPECT_EQ(mode.width, 64);

    display::SetModes({ModeDesc{640, 480, Format565()}, ModeDesc{800, 600, FormatX888()}});
    std::vector<int> seen;
    dd_->EnumDisplayModes(0, nullptr, [&](const ModeDesc& m) {
        seen.push_back(m.width);
        return true;
    });
    EXPECT_EQ(seen, (std::vector<int>{640, 800}));
    seen.clear();
    dd_->EnumDisplayModes(0, nullptr, [&](const ModeDesc& m) {
        seen.push_back(m.width);
        return false;
    });
    EXPECT_EQ(seen, (std::vector<int>{640}));
}

// The primary is the screen: a blit to it shows in the clipper's window, at the window's
// place on the screen and no further than its client area.
TEST_F(DirectDrawTest, BlitsToThePrimaryLandInTheClippersWindow) {
    auto window = std::make_shared<MemoryFramebuffer>(Rect{10, 20, 16, 24}, FormatX888().rgb);
    ASSERT_EQ(dd_->SetCooperativeLevel(window, DDSCL_NORMAL), DD_OK);
    SurfaceDesc desc;
    desc.flags = DDSD_CAPS;
    desc.caps = DDSCAPS_PRIMARYSURFACE;
    Surface* primary = nullptr;
    ASSERT_EQ(dd_->CreateSurface(desc, &primary), DD_OK);
    Surface* second = nullptr;
    EXPECT_EQ(dd_->CreateSurface(desc, &second), DDERR_PRIMARYSURFACEALREADYEXISTS);
    SurfaceDesc got;
    primary->GetSurfaceDesc(&got);
    EXPECT_EQ(got.width, 64);
    EXPECT_NE(got.caps & DDSCAPS_VIDEOMEMORY, 0u);

    Surface* back = Make(8, 8, FormatX888());
    Number(back);
    const Rect screen{8, 18, 16, 26};  // two pixels past the window's left and top
    EXPECT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DDERR_NOCLIPPERATTACHED);
    Clipper* clipper = nullptr;
    ASSERT_EQ(dd_->CreateClipper(0, &clipper), DD_OK);
    ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
    EXPECT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DDERR_NOHWND);
    clipper->SetHWnd(0, window);
    ASSERT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(window->presents, 1);
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) EXPECT_EQ(window->Pixel(x, y), Tag(x + 2, y + 2));
    }
    // Into a 16-bit window the colours are converted.
    auto narrow = std::make_shared<MemoryFramebuffer>(Rect{0, 0, 2, 1}, Format565().rgb);
    clipper->SetHWnd(0, narrow);
    BltFx fx;
    fx.fillColour = 0xFF0000;
    ASSERT_EQ(primary->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(narrow->Pixel(1, 0), 0xF800u);
    // A window that is gone shows nothing.
    narrow.reset();
    EXPECT_EQ(primary->Blt(&screen, back, nullptr, DDBLT_WAIT, nullptr), DDERR_NOHWND);

    // Flipping needs the display for itself and a back buffer of the screen's kind.
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_NOTFLIPPABLE);
    EXPECT_EQ(primary->AddAttachedSurface(back), DDERR_CANNOTATTACHSURFACE);
    Surface* full = Make(64, 48, FormatX888(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    Number(full);
    ASSERT_EQ(primary->AddAttachedSurface(full), DD_OK);
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_NOEXCLUSIVEMODE);
    ASSERT_EQ(dd_->SetCooperativeLevel(window, 0x813), DD_OK);
    ASSERT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(window->Pixel(0, 0), Tag(10, 20));
    display::LoseAllSurfaces();
    EXPECT_EQ(primary->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACELOST);
    ASSERT_EQ(primary->DeleteAttachedSurface(0, full), DD_OK);
    full->Release();
    back->Release();
    clipper->Release();
    primary->Release();
    // The primary can be made again once the first is gone.
    ASSERT_EQ(dd_->CreateSurface(desc, &primary), DD_OK);
    primary->Release();
}

TEST_F(DirectDrawTest, InjectedFailuresAndDisplaysOfEightBits) {
    display::FailSurfaceCreations(2, platform::E_FAIL);
    SurfaceDesc desc;
    desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.width = desc.height = 2;
    desc.caps = DDSCAPS_OFFSCREENPLAIN;
    Surface* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(desc, &s), platform::E_FAIL);
    EXPECT_EQ(dd_->CreateSurface(desc, &s), platform::E_FAIL);
    ASSERT_EQ(dd_->CreateSurface(desc, &s), DD_OK);
    s->Release();
    // A surface in the display's layout needs a layout that has colours.
    display::SetDesktopModeSource([] { return DisplayMode{64, 48, 8}; });
    EXPECT_EQ(dd_->CreateSurface(desc, &s), DDERR_INVALIDPIXELFORMAT);
}

}  // namespace
