#include <cstdint>
#include <memory>

#include <gtest/gtest.h>

#include "platform/gfx/tests/GfxTestSupport.h"
#include "testing/QtTestApp.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/tests/SurfacePixel.h"

namespace {

// Surfaces on a DirectDraw object of their own; every object checked back in.
class DDSurfaceTest : public gfx_test::GfxTest {
protected:
    std::unique_ptr<DDSurface> MakeDD(int w, int h, const gfx::PixelFormatDesc& format,
                                      std::uint32_t caps = 0x40) {
        auto surface = std::make_unique<DDSurface>(dd_, w, h, &format, caps, 0u);
        EXPECT_TRUE(surface->IsValid());
        return surface;
    }

    static std::uint32_t At(DDSurface& surface, int x, int y) {
        return display_test::PixelAt(surface, x, y);
    }
};

TEST_F(DDSurfaceTest, ColoursBecomePixelsOfEachLayout) {
    const struct {
        gfx::PixelFormatDesc format;
        int r, g, b;
        std::uint32_t pixel;
    } cases[] = {
        {gfx::Format565(), 255, 255, 255, 0xFFFF},
        {gfx::Format565(), 0x08, 0x04, 0x08, 0x0821},
        {gfx::Format555(), 255, 0, 0, 0x7C00},
        {gfx::Format555(), 0x08, 0x08, 0x08, 0x0421},
        {gfx::Format888(), 0x12, 0x34, 0x56, 0x123456},
        {gfx::FormatX888(), 0xAB, 0xCD, 0xEF, 0xABCDEF},
    };
    for (const auto& c : cases) {
        auto surface = MakeDD(2, 2, c.format);
        EXPECT_EQ(surface->ColourToPixel(c.r, c.g, c.b), c.pixel);
        // Filled with it, the surface holds exactly that pixel.
        ASSERT_TRUE(surface->Fill(c.pixel));
        EXPECT_EQ(At(*surface, 1, 1), c.pixel);
    }
}

TEST_F(DDSurfaceTest, ClippedStretchesKeepTheSourceInScale) {
    auto source = MakeDD(8, 1, gfx::FormatX888());
    for (int x = 0; x < 8; ++x) {
        const Rect column{x, 0, x + 1, 1};
        source->FillRect(column, static_cast<std::uint32_t>(x * 30));
    }
    auto target = MakeDD(16, 1, gfx::FormatX888());
    target->PushClipRect(Rect{4, 0, 16, 1});
    target->SetClipping(true);
    // Twice as wide; four destination pixels cut off are two source pixels.
    ASSERT_TRUE(target->BltStretch(*source, Rect{0, 0, 8, 1}, Rect{0, 0, 16, 1}));
    EXPECT_EQ(At(*target, 3, 0), 0u);  // outside the clip
    EXPECT_EQ(At(*target, 4, 0), 60u);
    EXPECT_EQ(At(*target, 15, 0), 210u);
    for (int x = 5; x < 16; ++x) EXPECT_GE(At(*target, x, 0), At(*target, x - 1, 0));

    // Copies move the source with the cut; fills stay inside too.
    auto copy = MakeDD(8, 1, gfx::FormatX888());
    copy->PushClipRect(Rect{2, 0, 6, 1});
    copy->SetClipping(true);
    ASSERT_TRUE(copy->BltTo(*source, Rect{0, 0, 8, 1}, Vector2<int>(0, 0), false));
    EXPECT_EQ(At(*copy, 1, 0), 0u);
    EXPECT_EQ(At(*copy, 2, 0), 60u);
    EXPECT_EQ(At(*copy, 5, 0), 150u);
    EXPECT_EQ(At(*copy, 6, 0), 0u);
    ASSERT_TRUE(copy->FillRect(Rect{0, 0, 8, 1}, 0xFFFFFF));
    EXPECT_EQ(At(*copy, 0, 0), 0u);
    EXPECT_EQ(At(*copy, 3, 0), 0xFFFFFFu);
    // Nothing left after clipping is nothing to do.
    EXPECT_TRUE(copy->BltTo(*source, Rect{0, 0, 2, 1}, Vector2<int>(6, 0), false));
    copy->PopClipRect();
    ASSERT_TRUE(copy->BltTo(*source, Rect{7, 0, 8, 1}, Vector2<int>(0, 0), false));
    EXPECT_EQ(At(*copy, 0, 0), 210u);
}

TEST_F(DDSurfaceTest, ColourKeyAndCompatibleSurfaces) {
    auto source = MakeDD(4, 1, gfx::Format565());
    source->FillRect(Rect{1, 0, 3, 1}, source->ColourToPixel(255, 0, 255));
    auto target = source->CreateCompatible(4, 1, 0x840, 0);
    ASSERT_NE(target, nullptr);
    EXPECT_TRUE(target->SameFormat(*source));
    EXPECT_FALSE(target->IsVideoMemory());
    target->Fill(0x001F);
    // Black is every surface's key until told otherwise.
    ASSERT_TRUE(target->BltTo(*source, Rect{0, 0, 4, 1}, Vector2<int>(0, 0), true));
    EXPECT_EQ(At(*target, 0, 0), 0x001Fu);
    EXPECT_EQ(At(*target, 1, 0), 0xF81Fu);
    ASSERT_TRUE(source->SetColorKey(0xFF00FF));  // magenta, as a COLORREF
    ASSERT_TRUE(target->BltTo(*source, Rect{0, 0, 4, 1}, Vector2<int>(0, 0), true));
    EXPECT_EQ(At(*target, 0, 0), 0u);
    EXPECT_EQ(At(*target, 1, 0), 0xF81Fu);
}

TEST_F(DDSurfaceTest, VideoMemoryFallsBackAndTheContextDrawsOnThePixels) {
    testing_support::TestApplication();
    gfx::display::SetVideoMemoryBudget(0);
    auto surface = MakeDD(10, 6, gfx::Format565(), 0x6040);
    EXPECT_FALSE(surface->IsVideoMemory());
    EXPECT_EQ(surface->GetName(), "Unknown");
    platform::DrawContext* dc = surface->GetDC();
    ASSERT_NE(dc, nullptr);
    EXPECT_EQ(surface->GetDC(), dc);
    EXPECT_EQ(dc->GetDeviceCaps(platform::HORZRES), 10);
    EXPECT_FALSE(surface->Lock());  // held by the context
    EXPECT_TRUE(dc->FillRect(Rect{2, 2, 4, 4}, platform::COLOR_WINDOW + 1));
    ASSERT_TRUE(surface->ReleaseDC());
    EXPECT_NE(At(*surface, 2, 2), 0u);
    EXPECT_EQ(At(*surface, 4, 4), 0u);

    // Nothing at all to be had: not valid, and nothing to draw on.
    DDSurface none;
    EXPECT_FALSE(none.CreateDX6(dd_, 0, 4, nullptr, 0x40, 0));
    EXPECT_FALSE(none.IsValid());
    EXPECT_EQ(none.GetDC(), nullptr);
    EXPECT_FALSE(none.Fill(0));
}

}  // namespace
