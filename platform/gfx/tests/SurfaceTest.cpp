#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/tests/GfxTestSupport.h"

namespace {

using namespace gfx;
using gfx_test::GfxTest;

class SurfaceTest : public GfxTest {};

TEST_F(SurfaceTest, SurfacesStartZeroedInTheirLayout) {
    for (const auto& format : {Format565(), Format555(), Format888(), FormatX888()}) {
        Surface* s = Make(3, 2, format);
        SurfaceDesc desc;
        ASSERT_EQ(s->GetSurfaceDesc(&desc), DD_OK);
        EXPECT_EQ(desc.pixelFormat.rgb.rgbBitCount, format.rgb.rgbBitCount);
        EXPECT_EQ(desc.pitch % 4, 0);
        EXPECT_EQ(Get(s, 2, 1), 0u);
        s->Release();
    }
    // A layout nobody can draw is refused.
    SurfaceDesc odd;
    odd.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    odd.width = odd.height = 4;
    odd.caps = DDSCAPS_OFFSCREENPLAIN;
    odd.pixelFormat = RgbFormat(8, 0xE0, 0x1C, 0x03);
    Surface* none = nullptr;
    EXPECT_EQ(dd_->CreateSurface(odd, &none), DDERR_INVALIDPIXELFORMAT);
    EXPECT_EQ(none, nullptr);
}

// A destination with a clipper takes rectangles reaching past any edge; only what lies
// inside is written, and each pixel keeps the source pixel it had without clipping.
TEST_F(SurfaceTest, BlitsAreClippedAtEveryEdge) {
    Surface* source = Make(4, 4, FormatX888());
    Number(source);
    Clipper* clipper = nullptr;
    ASSERT_EQ(dd_->CreateClipper(0, &clipper), DD_OK);
    const Rect cases[] = {
        {-2, 1, 2, 5},   // left
        {4, 2, 8, 6},    // right
        {3, -3, 7, 1},   // top
        {1, 5, 5, 9},    // bottom
        {-3, -3, 9, 9},  // all four at once (stretched 4 to 12)
    };
    for (const Rect& dest : cases) {
        SCOPED_TRACE(testing::Message() << dest.left << "," << dest.top);
        Surface* target = Make(6, 6, FormatX888());
        target->SetClipper(clipper);
        ASSERT_EQ(target->Blt(&dest, source, nullptr, DDBLT_WAIT, nullptr), DD_OK);
        const int w = dest.right - dest.left;
        for (int y = 0; y < 6; ++y) {
            for (int x = 0; x < 6; ++x) {
                const bool inside = dest.Contains(x, y);
                const std::uint32_t expected =
                    inside && w == 4 ? Tag(x - dest.left, y - dest.top) : 0;
                if (w == 4 || !inside) {
                    EXPECT_EQ(Get(target, x, y), expected) << x << "," << y;
                }
            }
        }
        if (w != 4) {
            // Three times larger: these pixel centres fall on source pixel centres.
            EXPECT_EQ(Get(target, 1, 1), Tag(1, 1));
            EXPECT_EQ(Get(target, 4, 4), Tag(2, 2));
        }
        target->Release();
    }
    clipper->Release();
    source->Release();
}

TEST_F(SurfaceTest, BadRectanglesAreRefusedAndNothingIsWritten) {
    Surface* source = Make(4, 4, FormatX888());
    Number(source);
    Surface* target = Make(4, 4, FormatX888());
    const Rect whole{0, 0, 4, 4};
    struct Case {
        const char* name;
        Rect dest;
        Rect from;
    };
    const Case cases[] = {
        {"dest past the right edge", {1, 0, 5, 4}, whole},
        {"dest past the bottom", {0, 2, 4, 6}, whole},
        {"dest negative", {-1, -1, 3, 3}, whole},
        {"dest empty", {2, 2, 2, 3}, whole},
        {"dest inverted", {3, 0, 1, 4}, whole},
        {"source past the edge", whole, {0, 0, 5, 4}},
        {"source negative", whole, {-4, 0, 0, 4}},
        {"source huge", whole, {0, 0, 0x7FFFFFFF, 0x7FFFFFFF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(target->Blt(&c.dest, source, &c.from, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);
        BltFx fx;
        fx.fillColour = 0xFFFFFF;
        if (c.from == whole) {
            EXPECT_EQ(target->Blt(&c.dest, nullptr, nullptr, DDBLT_COLORFILL, &fx),
                      DDERR_INVALIDRECT);
        }
        for (int i = 0; i < 16; ++i) ASSERT_EQ(Get(target, i % 4, i / 4), 0u);
    }
    platform::SurfacePixels pixels;
    const Rect outside{2, 2, 6, 3};
    EXPECT_EQ(target->Lock(&outside, pixels, DDLOCK_WAIT), DDERR_INVALIDRECT);
    target->Release();
    source->Release();
}

TEST_F(SurfaceTest, FillsKeysAndOverlappingCopies) {
    Surface* s = Make(5, 3, Format565());
    BltFx fx;
    fx.fillColour = 0xF800;
    const Rect middle{1, 1, 4, 2};
    ASSERT_EQ(s->Blt(&middle, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx), DD_OK);
    EXPECT_EQ(Get(s, 0, 1), 0u);
    EXPECT_EQ(Get(s, 1, 1), 0xF800u);
    EXPECT_EQ(Get(s, 3, 1), 0xF800u);
    EXPECT_EQ(Get(s, 4, 1), 0u);

    // Black is the key: the red row is copied over a blue surface and only red lands.
    Surface* blue = Make(5, 3, Format565());
    fx.fillColour = 0x001F;
    ASSERT_EQ(blue->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL, &fx), DD_OK);
    EXPECT_EQ(blue->Blt(nullptr, s, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
    const ColourKey black{0, 0};
    ASSERT_EQ(s->SetColorKey(DDCKEY_SRCBLT, &black), DD_OK);
    ASSERT_EQ(blue->Blt(nullptr, s, nullptr, DDBLT_KEYSRC | DDBLT_WAIT, nullptr), DD_OK);
    EXPECT_EQ(Get(blue, 0, 0), 0x001Fu);
    EXPECT_EQ(Get(blue, 2, 1), 0xF800u);
    EXPECT_EQ(Get(blue, 4, 1), 0x001Fu);
    blue->Release();
    s->Release();

    // Copies onto themselves read the source as it was, in either direction.
    Surface* row = Make(8, 2, FormatX888());
    Number(row);
    const Rect left{0, 0, 6, 2};
    const Rect right{2, 0, 8, 2};
    ASSERT_EQ(row->Blt(&right, row, &left, DDBLT_WAIT, nullptr), DD_OK);
    for (int x = 2; x < 8; ++x) EXPECT_EQ(Get(row, x, 1), Tag(x - 2, 1)) << x;
    Number(row);
    ASSERT_EQ(row->Blt(&left, row, &right, DDBLT_WAIT, nullptr), DD_OK);
    for (int x = 0; x < 6; ++x) EXPECT_EQ(Get(row, x, 0), Tag(x + 2, 0)) << x;
    row->Release();
}

TEST_F(SurfaceTest, LostSurfacesRefuseWorkUntilRestored) {
    Surface* a = Make(2, 2, FormatX888());
    Surface* b = Make(2, 2, FormatX888());
    display::LoseAllSurfaces();
    EXPECT_EQ(a->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    platform::SurfacePixels pixels;
    EXPECT_EQ(a->Lock(nullptr, pixels, DDLOCK_WAIT), DDERR_SURFACELOST);
    display::SetRestoreRefused(true);
    EXPECT_EQ(a->Restore(), DDERR_SURFACELOST);
    display::SetRestoreRefused(false);
    EXPECT_EQ(a->Restore(), DD_OK);
    // The source is still lost.
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
    EXPECT_EQ(b->Restore(), DD_OK);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    // A locked surface is busy, and a second unlock is an error.
    ASSERT_EQ(b->Lock(nullptr, pixels, DDLOCK_WAIT), DD_OK);
    EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACEBUSY);
    EXPECT_EQ(b->Unlock(), DD_OK);
    EXPECT_EQ(b->Unlock(), DDERR_NOTLOCKED);
    a->Release();
    b->Release();
}

TEST_F(SurfaceTest, VideoMemoryRunsOutIntoSystemMemory) {
    display::SetVideoMemoryBudget(4 * 4 * 4);
    Surface* first = Make(4, 4, FormatX888(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY);
    ASSERT_NE(first, nullptr);
    SurfaceDesc desc;
    desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
    desc.width = desc.height = 4;
    desc.caps = DDSCAPS_OFFSCREENPLAIN | DDSCAPS_VIDEOMEMORY;
    Surface* second = nullptr;
    EXPECT_EQ(dd_->CreateSurface(desc, &second), DDERR_OUTOFVIDEOMEMORY);
    // Without a memory named, the surface goes where there is room.
    desc.caps = DDSCAPS_OFFSCREENPLAIN;
    ASSERT_EQ(dd_->CreateSurface(desc, &second), DD_OK);
    SurfaceDesc got;
    second->GetSurfaceDesc(&got);
    EXPECT_EQ(got.caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY), DDSCAPS_SYSTEMMEMORY);
    second->Release();
    first->Release();
    EXPECT_EQ(display::VideoMemoryUsed(), 0u);
}

TEST_F(SurfaceTest, AttachmentsAndClippersHoldReferences) {
    Surface* top = Make(4, 4, FormatX888());
    Surface* other = Make(4, 4, FormatX888());
    Clipper* clipper = nullptr;
    ASSERT_EQ(dd_->CreateClipper(0, &clipper), DD_OK);
    ASSERT_EQ(top->AddAttachedSurface(other), DD_OK);
    EXPECT_EQ(top->AddAttachedSurface(other), DDERR_SURFACEALREADYATTACHED);
    ASSERT_EQ(top->SetClipper(clipper), DD_OK);
    // Our own references go; the top surface keeps the others alive.
    const int live = display::LiveObjects();
    EXPECT_EQ(other->Release(), 1u);
    EXPECT_EQ(clipper->Release(), 1u);
    EXPECT_EQ(display::LiveObjects(), live);
    Surface* found = nullptr;
    ASSERT_EQ(top->GetAttachedSurface(DDSCAPS_OFFSCREENPLAIN, &found), DD_OK);
    EXPECT_EQ(found, other);
    found->Release();
    EXPECT_EQ(top->GetAttachedSurface(DDSCAPS_TEXTURE, &found), DDERR_NOTFOUND);
    EXPECT_EQ(top->Release(), 0u);
    EXPECT_EQ(display::LiveObjects(), live - 3);

    // A mipmapped texture hangs its smaller levels on itself.
    SurfaceDesc desc;
    desc.flags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_MIPMAPCOUNT;
    desc.width = desc.height = 8;
    desc.caps = DDSCAPS_TEXTURE | DDSCAPS_MIPMAP | DDSCAPS_COMPLEX;
    desc.mipmapCount = 3;
    Surface* texture = nullptr;
    ASSERT_EQ(dd_->CreateSurface(desc, &texture), DD_OK);
    Surface* level = nullptr;
    ASSERT_EQ(texture->GetAttachedSurface(DDSCAPS_TEXTURE | DDSCAPS_MIPMAP, &level), DD_OK);
    SurfaceDesc got;
    level->GetSurfaceDesc(&got);
    EXPECT_EQ(got.width, 4);
    level->Release();
    texture->Release();
}

}  // namespace
