#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/files/FileOps.h"
#include "studio/core/ShellUtils.h"
#include "testing/TempDir.h"

namespace {

using platform::DibSection;
using testing_support::TempDir;

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Bgr& c) {
    return out << "(b" << c.b << " g" << c.g << " r" << c.r << ")";
}

Bgr PixelAt(const DibSection& dib, int x, int y) {
    const std::uint8_t* p = dib.Row(y) + x * (dib.bitCount() / 8);
    return {p[0], p[1], p[2]};
}

bool Near(const Bgr& a, const Bgr& b) {
    return std::abs(a.b - b.b) <= 24 && std::abs(a.g - b.g) <= 24 && std::abs(a.r - b.r) <= 24;
}

// An uncompressed 24-bit Targa file, top row first, pixels from a function of (x, y).
template <class F>
std::string Targa(int width, int height, F colour) {
    std::string out("\0\0\2\0\0\0\0\0\0\0\0\0", 12);
    for (const int v : {width, height})
        out += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
    out += "\x18\x20";
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Bgr c = colour(x, y);
            out += {static_cast<char>(c.b), static_cast<char>(c.g), static_cast<char>(c.r)};
        }
    }
    return out;
}

constexpr Bgr kRed{0, 0, 255};
constexpr Bgr kGreen{0, 255, 0};
constexpr std::uint32_t kGreenColour = 0x00FF00;  // a Windows colour value

TEST(RenderThumbnail, ThePictureIsPlacedByItsAspectRatio) {
    TempDir dir;
    const auto red = [](int, int) { return kRed; };
    const std::string wide = dir.Write("wide.tga", Targa(200, 100, red));
    const std::string tall = dir.Write("tall.tga", Targa(100, 200, red));
    const std::string square = dir.Write("square.tga", Targa(100, 100, red));
    struct Case {
        const std::string& path;
        Vector2<int> box;
        int mode;
        int width, height;             // of the thumbnail
        int left, top, right, bottom;  // of the picture in it, the far edges excluded
    };
    const Case cases[] = {
        {wide, {64, 64}, 0, 64, 64, 0, 32, 64, 64},  // the full width, flush with the bottom
        {tall, {64, 64}, 0, 64, 64, 16, 0, 48, 64},  // the full height, centred
        {wide, {64, 64}, 1, 64, 32, 0, 0, 64, 32},   // mode 1: exactly the scaled size
        {tall, {64, 64}, 1, 32, 64, 0, 0, 32, 64},
        {square, {100, 20}, 0, 100, 20, 40, 0, 60, 20},  // by aspect ratio, not by width > height
        // A box far flatter or narrower than the picture still keeps its aspect ratio.
        {wide, {100, 20}, 1, 40, 20, 0, 0, 40, 20},
        {tall, {20, 100}, 0, 20, 100, 0, 60, 20, 100},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path + " in " + std::to_string(c.box.x) + "x" + std::to_string(c.box.y));
        const auto thumb =
            RenderThumbnail(c.box, c.path, nullptr, nullptr, kGreenColour, c.mode, nullptr);
        ASSERT_TRUE(thumb);
        ASSERT_EQ(thumb->width(), c.width);
        ASSERT_EQ(thumb->height(), c.height);
        EXPECT_EQ(PixelAt(*thumb, c.left, c.top), kRed);
        EXPECT_EQ(PixelAt(*thumb, c.right - 1, c.bottom - 1), kRed);
        // The background just outside the picture.
        for (const auto& [x, y] : std::initializer_list<std::pair<int, int>>{
                 {c.left - 1, c.top}, {c.left, c.top - 1}, {c.right, c.top}}) {
            if (x >= 0 && y >= 0 && x < c.width) {
                EXPECT_EQ(PixelAt(*thumb, x, y), kGreen) << x << "," << y;
            }
        }
    }

    // A picture of the box's size fills it pixel for pixel.
    const std::string box = dir.Write("box.tga", Targa(48, 30, [](int x, int y) {
                                          return Bgr{x, y, 7};
                                      }));
    PictureInfo info;
    Vector2<int> size;
    const auto same = RenderThumbnail({48, 30}, box, &info, &size, 0, 0, nullptr);
    ASSERT_TRUE(same);
    EXPECT_EQ(size, Vector2<int>(48, 30));
    EXPECT_EQ(PixelAt(*same, 0, 0), (Bgr{0, 0, 7}));
    EXPECT_EQ(PixelAt(*same, 47, 29), (Bgr{47, 29, 7}));
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
    for (int x = 0; x < 64; x += 9) EXPECT_NEAR(PixelAt(*thumb, x, 16).g, 128, 1) << x;
    EXPECT_FALSE(RenderThumbnail({64, 64}, dir.Write("bad.tga", "not a picture"), nullptr, nullptr,
                                 0, 0, nullptr));
    EXPECT_FALSE(RenderThumbnail({0, 64}, stripes, nullptr, nullptr, 0, 0, nullptr));
}

TEST(SaveThumbnailJpeg, WritesABoxSizedJpegWithTheMarkAtTheTopRight) {
    TempDir dir;
    const std::string source =
        dir.Write("wide.tga", Targa(300, 200, [](int, int) { return kRed; }));
    auto mark = DibSection::Create(16, -14, 24);
    for (int y = 0; y < 14; ++y) {
        for (int x = 0; x < 16; ++x) mark->Row(y)[x * 3] = 255;  // blue
    }
    ASSERT_TRUE(SaveThumbnailJpeg({64, 48}, source, dir.Path("tmb_wide.png"), 90, nullptr, nullptr,
                                  nullptr, mark.get(), 0xFFFFFF, 0));
    // A target named as a picture becomes a ".jpg".
    EXPECT_FALSE(platform::PathExists(dir.Path("tmb_wide.png")));
    const std::string jpeg = dir.Path("tmb_wide.jpg");
    const auto thumb = LoadPictureAsDIB(jpeg, nullptr, nullptr, nullptr);
    ASSERT_TRUE(thumb);
    EXPECT_EQ(thumb->width(), 64);
    EXPECT_EQ(thumb->height(), 48);
    EXPECT_TRUE(Near(PixelAt(*thumb, 64 - 18 + 8, 2 + 7), Bgr{255, 0, 0}));
    EXPECT_TRUE(Near(PixelAt(*thumb, 10, 30), kRed));
    EXPECT_TRUE(Near(PixelAt(*thumb, 10, 1), Bgr{255, 255, 255}));

    // Never over the picture it is made from; a failed render or write is a failure.
    const std::string before = testing_support::ReadFile(jpeg);
    EXPECT_FALSE(SaveThumbnailJpeg({64, 48}, jpeg, dir.Path("tmb_wide.bmp"), 90, nullptr, nullptr,
                                   nullptr, nullptr, 0, 0));
    EXPECT_EQ(testing_support::ReadFile(jpeg), before);
    EXPECT_FALSE(SaveThumbnailJpeg({64, 48}, dir.Path("missing.tga"), dir.Path("out.vtd"), 90,
                                   nullptr, nullptr, nullptr, nullptr, 0, 0));
    EXPECT_FALSE(platform::PathExists(dir.Path("out.vtd")));
    EXPECT_FALSE(SaveThumbnailJpeg({64, 48}, source, dir.Path("none/tmb.jpg"), 90, nullptr, nullptr,
                                   nullptr, nullptr, 0, 0));
}

TEST(BitmapHelpers, ConcatenationPutsTheSecondAtTheRightEdge) {
    auto first = DibSection::Create(10, -4, 24);
    auto second = DibSection::Create(4, -2, 24);
    second->Row(1)[0] = 200;
    const auto joined = ConcatBitmaps(*first, *second);
    ASSERT_TRUE(joined);
    EXPECT_EQ(joined->width(), 10);
    EXPECT_EQ(PixelAt(*joined, 6, 1).b, 200);
    EXPECT_EQ(PixelAt(*joined, 6, 0).b + PixelAt(*joined, 6, 2).b + PixelAt(*joined, 5, 1).b, 0);
    EXPECT_EQ(ConcatBitmaps(*second, *first)->width(), 4);
}

TEST(BitmapHelpers, WrappingBreaksBeforeTheCharacterThatReachesTheWidth) {
    // Ten pixels a character, counting UTF-8 sequences as one.
    const auto measure = [](std::string_view text) {
        int n = 0;
        for (const char c : text) n += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
        return n * 10;
    };
    EXPECT_EQ(WrapTextToWidth("ab\ncdef", 35, measure), "ab\ncde\nf");
    EXPECT_EQ(WrapTextToWidth("\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 35, measure),
              "\xC3\xA9\xC3\xA9\xC3\xA9\n\xC3\xA9");
    // A window narrower than one character still shows one a line.
    EXPECT_EQ(WrapTextToWidth("abc", 5, measure), "a\nb\nc");
}

}  // namespace
