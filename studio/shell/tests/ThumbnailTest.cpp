#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/files/FileOps.h"
#include "studio/shell/ShellUtils.h"
#include "testing/TempDir.h"

namespace {

using platform::DibSection;
using testing_support::TempDir;

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr& o) const { return b == o.b && g == o.g && r == o.r; }
};

std::ostream& operator<<(std::ostream& out, const Bgr& c) {
    return out << "(b" << c.b << " g" << c.g << " r" << c.r << ")";
}

Bgr PixelAt(const DibSection& dib, int x, int y) {
    const std::uint8_t* p = dib.Row(y) + x * (dib.bitCount() / 8);
    return {p[0], p[1], p[2]};
}

// An uncompressed 24-bit Targa file, top row first, pixels from a function of (x, y).
template <class F>
std::string Targa(int width, int height, F colour) {
    std::string out = {0,
                       0,
                       2,
                       0,
                       0,
                       0,
                       0,
                       0,
                       0,
                       0,
                       0,
                       0,
                       static_cast<char>(width & 0xFF),
                       static_cast<char>(width >> 8),
                       static_cast<char>(height & 0xFF),
                       static_cast<char>(height >> 8),
                       24,
                       0x20};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bgr c = colour(x, y);
            out += static_cast<char>(c.b);
            out += static_cast<char>(c.g);
            out += static_cast<char>(c.r);
        }
    }
    return out;
}

constexpr Bgr kRed{0, 0, 255};
constexpr Bgr kGreen{0, 255, 0};
constexpr std::uint32_t kGreenColour = 0x00FF00;  // a Windows colour value
constexpr std::uint32_t kBlueColour = 0xFF0000;

TEST(RenderThumbnail, WidePicturesTakeTheWidthFlushWithTheBottom) {
    TempDir dir;
    const std::string wide = dir.Write("wide.tga", Targa(200, 100, [](int, int) { return kRed; }));
    PictureInfo info;
    Vector2<int> size;
    const auto thumb = RenderThumbnail({64, 64}, wide, &info, &size, kGreenColour, 0, nullptr);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 64);
    EXPECT_EQ(thumb->height(), 64);
    EXPECT_TRUE(thumb->topDown());
    EXPECT_EQ(thumb->bitCount(), 24);
    EXPECT_EQ(size, Vector2<int>(200, 100));
    EXPECT_EQ(info.width, 200);
    EXPECT_EQ(PixelAt(*thumb, 0, 31), kGreen);
    EXPECT_EQ(PixelAt(*thumb, 0, 32), kRed);
    EXPECT_EQ(PixelAt(*thumb, 63, 63), kRed);

    // Mode 1: exactly the scaled size.
    const auto exact = RenderThumbnail({64, 64}, wide, nullptr, nullptr, kGreenColour, 1, nullptr);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->width(), 64);
    EXPECT_EQ(exact->height(), 32);
    EXPECT_EQ(PixelAt(*exact, 0, 0), kRed);
}

TEST(RenderThumbnail, TallPicturesTakeTheHeightCentredAndBoxSizedOnesFill) {
    TempDir dir;
    const std::string tall = dir.Write("tall.tga", Targa(100, 200, [](int, int) { return kRed; }));
    const auto thumb = RenderThumbnail({64, 64}, tall, nullptr, nullptr, kBlueColour, 0, nullptr);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(PixelAt(*thumb, 15, 10), (Bgr{255, 0, 0}));
    EXPECT_EQ(PixelAt(*thumb, 16, 0), kRed);
    EXPECT_EQ(PixelAt(*thumb, 47, 63), kRed);
    EXPECT_EQ(PixelAt(*thumb, 48, 10), (Bgr{255, 0, 0}));
    const auto exact = RenderThumbnail({64, 64}, tall, nullptr, nullptr, 0, 1, nullptr);
    ASSERT_TRUE(exact);
    EXPECT_EQ(exact->width(), 32);
    EXPECT_EQ(exact->height(), 64);

    // A picture of the box's size fills the box, pixel for pixel.
    const std::string box = dir.Write("box.tga", Targa(48, 30, [](int x, int y) {
                                          return Bgr{x, y, 7};
                                      }));
    const auto same = RenderThumbnail({48, 30}, box, nullptr, nullptr, kBlueColour, 0, nullptr);
    ASSERT_TRUE(same);
    EXPECT_EQ(PixelAt(*same, 0, 0), (Bgr{0, 0, 7}));
    EXPECT_EQ(PixelAt(*same, 47, 29), (Bgr{47, 29, 7}));

    // A picture wider than tall in a box wider still is placed by its aspect ratio.
    const auto flat = RenderThumbnail({100, 20}, tall, nullptr, nullptr, 0, 1, nullptr);
    ASSERT_TRUE(flat);
    EXPECT_EQ(flat->height(), 20);
    EXPECT_EQ(flat->width(), 10);
}

TEST(RenderThumbnail, DownscalingAveragesTheCoveredPixels) {
    TempDir dir;
    // One-pixel stripes: a filter that only picks pixels would give black or white.
    const std::string stripes = dir.Write("stripes.tga", Targa(128, 64, [](int x, int) {
                                              const int v = x % 2 == 0 ? 0 : 255;
                                              return Bgr{v, v, v};
                                          }));
    const auto thumb = RenderThumbnail({64, 32}, stripes, nullptr, nullptr, 0, 0, nullptr);
    ASSERT_TRUE(thumb);
    for (int x = 0; x < 64; x += 9) {
        const Bgr c = PixelAt(*thumb, x, 16);
        EXPECT_NEAR(c.g, 128, 1) << x;
    }
    EXPECT_FALSE(RenderThumbnail({64, 64}, dir.Write("bad.tga", "not a picture"), nullptr, nullptr,
                                 0, 0, nullptr));
    EXPECT_FALSE(
        RenderThumbnail({64, 64}, dir.Path("missing.tga"), nullptr, nullptr, 0, 0, nullptr));
    EXPECT_FALSE(RenderThumbnail({0, 64}, stripes, nullptr, nullptr, 0, 0, nullptr));
}

bool Near(const Bgr& a, const Bgr& b, int tolerance = 24) {
    return std::abs(a.b - b.b) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.r - b.r) <= tolerance;
}

TEST(SaveThumbnailJpeg, WritesABoxSizedJpegWithTheMarkAtTheTopRight) {
    TempDir dir;
    const std::string source =
        dir.Write("wide.tga", Targa(300, 200, [](int, int) { return kRed; }));
    auto mark = DibSection::Create(16, -14, 24);
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 16; ++x) mark->Row(y)[x * 3] = 255;  // blue
    }
    Vector2<int> size;
    ASSERT_TRUE(SaveThumbnailJpeg({64, 48}, source, dir.Path("tmb_wide.png"), 90, nullptr, &size,
                                  nullptr, mark.get(), 0xFFFFFF, 0));
    EXPECT_EQ(size, Vector2<int>(300, 200));
    // A target named as a picture becomes a ".jpg".
    EXPECT_FALSE(platform::PathExists(dir.Path("tmb_wide.png")));
    Vector2<int> decodedSize;
    const auto thumb = LoadPictureAsDIB(dir.Path("tmb_wide.jpg"), nullptr, &decodedSize, nullptr);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 64);
    EXPECT_EQ(thumb->height(), 48);
    const Bgr blue{255, 0, 0}, white{255, 255, 255};
    EXPECT_TRUE(Near(PixelAt(*thumb, 64 - 18 + 8, 2 + 7), blue)) << PixelAt(*thumb, 54, 9);
    EXPECT_TRUE(Near(PixelAt(*thumb, 10, 30), kRed)) << PixelAt(*thumb, 10, 30);
    EXPECT_TRUE(Near(PixelAt(*thumb, 10, 1), white)) << PixelAt(*thumb, 10, 1);
    EXPECT_TRUE(Near(PixelAt(*thumb, 40, 1), white)) << PixelAt(*thumb, 40, 1);

    // Never over the picture it is made from; nothing written when rendering fails.
    const std::string jpeg = dir.Path("tmb_wide.jpg");
    const std::string before = testing_support::ReadFile(jpeg);
    EXPECT_FALSE(SaveThumbnailJpeg({64, 48}, jpeg, dir.Path("tmb_wide.bmp"), 90, nullptr, nullptr,
                                   nullptr, nullptr, 0, 0));
    EXPECT_EQ(testing_support::ReadFile(jpeg), before);
    EXPECT_FALSE(SaveThumbnailJpeg({64, 48}, dir.Path("missing.tga"), dir.Path("out.vtd"), 90,
                                   nullptr, nullptr, nullptr, nullptr, 0, 0));
    EXPECT_FALSE(platform::PathExists(dir.Path("out.vtd")));
}

TEST(BitmapHelpers, GreyCopiesAverageTheChannelsOfEachDepth) {
    auto rgb = DibSection::Create(2, 1, 24);
    std::uint8_t* p = rgb->Row(0);
    p[0] = 30, p[1] = 60, p[2] = 90;
    auto grey = CreateGreyBitmap(*rgb);
    ASSERT_TRUE(grey);
    EXPECT_EQ(PixelAt(*grey, 0, 0), (Bgr{60, 60, 60}));

    auto quad = DibSection::Create(1, -1, 32);
    quad->Row(0)[0] = 3, quad->Row(0)[1] = 6, quad->Row(0)[2] = 9, quad->Row(0)[3] = 77;
    grey = CreateGreyBitmap(*quad);
    ASSERT_TRUE(grey);
    EXPECT_TRUE(grey->topDown());
    EXPECT_EQ(PixelAt(*grey, 0, 0), (Bgr{6, 6, 6}));
    EXPECT_EQ(grey->Row(0)[3], 0);

    auto high = DibSection::Create(1, 1, 16);
    const unsigned v = 3 | (6 << 5) | (9 << 10);
    high->Row(0)[0] = static_cast<std::uint8_t>(v),
    high->Row(0)[1] = static_cast<std::uint8_t>(v >> 8);
    grey = CreateGreyBitmap(*high);
    ASSERT_TRUE(grey);
    const unsigned g = grey->Row(0)[0] | (grey->Row(0)[1] << 8);
    EXPECT_EQ(g, 6u | (6u << 5) | (6u << 10));

    EXPECT_FALSE(CreateGreyBitmap(*DibSection::Create(4, 4, 8)));
}

TEST(BitmapHelpers, ConcatenationPutsTheSecondAtTheRightEdge) {
    auto first = DibSection::Create(10, -4, 24);
    auto second = DibSection::Create(4, -2, 24);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 4; ++x) second->Row(y)[x * 3] = 200;
    }
    auto joined = ConcatBitmaps(*first, *second);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->width(), 10);
    EXPECT_EQ(joined->height(), 4);
    EXPECT_EQ(PixelAt(*joined, 5, 0).b, 0);
    EXPECT_EQ(PixelAt(*joined, 6, 0).b, 200);
    EXPECT_EQ(PixelAt(*joined, 9, 1).b, 200);
    EXPECT_EQ(PixelAt(*joined, 9, 2).b, 0);

    // A second bitmap wider than the first starts at 0 and is cut at the first's edge.
    joined = ConcatBitmaps(*second, *first);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->width(), 4);
    EXPECT_EQ(PixelAt(*joined, 0, 0).b, 0);
}

TEST(BitmapHelpers, WrappingBreaksBeforeTheCharacterThatReachesTheWidth) {
    // Ten pixels a character, counting UTF-8 sequences as one.
    const auto measure = [](std::string_view text) {
        int n = 0;
        for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n * 10;
    };
    EXPECT_EQ(WrapTextToWidth("abcdefgh", 35, measure), "abc\ndef\ngh");
    EXPECT_EQ(WrapTextToWidth("ab\ncdef", 35, measure), "ab\ncde\nf");
    EXPECT_EQ(WrapTextToWidth("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 35, measure),
              "\xC3\xA9\xC3\xA9\xC3\xA9\n\xC3\xA9");
    // A window narrower than one character still shows one a line.
    EXPECT_EQ(WrapTextToWidth("abc", 5, measure), "a\nb\nc");
}

}  // namespace
