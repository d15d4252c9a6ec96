#include <cmath>

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>

#include <gtest/gtest.h>

#include "platform/window/DrawContext.h"
#include "testing/QtTestApp.h"

namespace {

using namespace platform;

// The bounding box of the pixels that differ from `background`.
QRect Inked(const QImage& image, QRgb background) {
    QRect box;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != background) box |= QRect(x, y, 1, 1);
        }
    }
    return box;
}

TEST(DrawContext, CentredBaselineTextSitsOnItsPoint) {
    testing_support::TestApplication();
    QImage image(200, 100, QImage::Format_RGB32);
    image.fill(Qt::white);
    DrawContext dc(image);
    EXPECT_EQ(dc.GetBkMode(), OPAQUE);
    dc.SetTextAlign(TA_CENTER | TA_BASELINE);
    dc.SetBkColor(RGB(255, 0, 0));
    ASSERT_TRUE(dc.TextOut(100, 60, "Error loading: x.jpg"));

    // The opaque cell spans the font's ascent above the baseline and its descent below,
    // centred on x.
    const QFontMetricsF metrics(QGuiApplication::font(), &image);
    const QRect cell = Inked(image, qRgb(255, 255, 255));
    EXPECT_NEAR(cell.top(), 60 - metrics.ascent(), 1.0);
    EXPECT_NEAR(cell.bottom() + 1, 60 + metrics.descent(), 1.0);
    EXPECT_NEAR((cell.left() + cell.right() + 1) / 2.0, 100, 1.0);
    EXPECT_NEAR(cell.width(), metrics.horizontalAdvance("Error loading: x.jpg"), 1.0);

    // Transparent: only the glyphs; none of the capitals reach below the baseline.
    image.fill(Qt::white);
    dc.SetBkMode(TRANSPARENT);
    dc.TextOut(100, 60, "EH");
    const QRect glyphs = Inked(image, qRgb(255, 255, 255));
    ASSERT_FALSE(glyphs.isEmpty());
    EXPECT_LE(glyphs.bottom(), 60);
    EXPECT_GE(glyphs.bottom(), 58);
    EXPECT_NEAR((glyphs.left() + glyphs.right() + 1) / 2.0, 100, 2.0);
}

TEST(DrawContext, MappingModesOriginsScalingAndSavedStates) {
    testing_support::TestApplication();
    QImage image(100, 100, QImage::Format_RGB32);
    DrawContext dc(image);
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    EXPECT_FALSE(dc.ScaleViewportExtEx(2, 1, 2, 1));  // no extents in MM_TEXT

    const int saved = dc.SaveDC();
    EXPECT_EQ(dc.SetMapMode(MM_ISOTROPIC), MM_TEXT);
    EXPECT_EQ(dc.GetMapMode(), MM_ISOTROPIC);
    EXPECT_TRUE(dc.SetWindowExtEx(100, 100));
    EXPECT_TRUE(dc.SetViewportExtEx(300, 200));  // isotropic: the smaller scale, 2, wins
    dc.SetViewportOrgEx(10, 20);
    dc.SetWindowOrgEx(5, 5);
    Vector2<int> points[] = {{10, 20}, {30, 60}};
    EXPECT_TRUE(dc.DPtoLP(points, 2));
    EXPECT_EQ(points[0], Vector2<int>(5, 5));
    EXPECT_EQ(points[1], Vector2<int>(15, 25));
    EXPECT_TRUE(dc.LPtoDP(points, 2));
    EXPECT_EQ(points[1], Vector2<int>(30, 60));

    dc.SetMapMode(MM_ANISOTROPIC);
    Vector2<int> previous;
    EXPECT_TRUE(dc.ScaleViewportExtEx(1, 3, 1, 2, &previous));
    EXPECT_EQ(previous, Vector2<int>(300, 200));
    Vector2<int> p[] = {{11, 21}};
    dc.DPtoLP(p, 1);
    EXPECT_EQ(p[0], Vector2<int>(6, 6));

    EXPECT_TRUE(dc.RestoreDC(saved));
    EXPECT_EQ(dc.GetMapMode(), MM_TEXT);
    Vector2<int> q[] = {{7, 8}};
    dc.DPtoLP(q, 1);
    EXPECT_EQ(q[0], Vector2<int>(7, 8));
    EXPECT_FALSE(dc.RestoreDC(saved));  // used up
    EXPECT_FALSE(dc.RestoreDC(-1));
}

TEST(DrawContext, StretchBltFromFiveSixFiveIsExact) {
    testing_support::TestApplication();
    // 3 x 2 source pixels of 5-6-5, with a padded pitch.
    const std::uint16_t source[2][4] = {{0xF800, 0x07E0, 0x001F, 0xDEAD},
                                        {0x1234, 0xFFFF, 0x0841, 0xBEEF}};
    SurfacePixels pixels;
    pixels.bits = reinterpret_cast<std::uint8_t*>(const_cast<std::uint16_t*>(&source[0][0]));
    pixels.width = 3;
    pixels.height = 2;
    pixels.pitch = 8;
    pixels.format = PixelFormat{16, 0xF800, 0x07E0, 0x001F, 0};

    // Onto a 16-bit screen, doubled: each pixel becomes a 2 x 2 block of the same value.
    QImage screen(8, 6, QImage::Format_RGB16);
    screen.fill(0);
    DrawContext dc(screen);
    ASSERT_TRUE(dc.StretchBlt(Rect{1, 1, 7, 5}, pixels, Rect{0, 0, 3, 2}));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 6; ++x) {
            const auto* row = reinterpret_cast<const std::uint16_t*>(screen.constScanLine(1 + y));
            ASSERT_EQ(row[1 + x], source[y / 2][x / 2]) << x << "," << y;
        }
    }
    EXPECT_EQ(reinterpret_cast<const std::uint16_t*>(screen.constScanLine(0))[0], 0);

    // Onto 32 bits each channel widens by repeating its top bits.
    QImage wide(3, 2, QImage::Format_RGB32);
    DrawContext dc32(wide);
    ASSERT_TRUE(dc32.StretchBlt(Rect{0, 0, 3, 2}, pixels, Rect{0, 0, 3, 2}));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            const int v = source[y][x];
            const int r5 = v >> 11, g6 = (v >> 5) & 0x3F, b5 = v & 0x1F;
            EXPECT_EQ(wide.pixel(x, y),
                      qRgb((r5 << 3) | (r5 >> 2), (g6 << 2) | (g6 >> 4), (b5 << 3) | (b5 >> 2)));
        }
    }

    pixels.format = PixelFormat{16, 0x001F, 0x07E0, 0xF800, 0};
    EXPECT_FALSE(dc.StretchBlt(Rect{0, 0, 3, 2}, pixels, Rect{0, 0, 3, 2}));
}

}  // namespace
