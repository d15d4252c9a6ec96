#include <cstring>

#include <QGuiApplication>
#include <QImage>
#include <QPalette>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include "platform/window/Desktop.h"
#include "platform/window/DrawContext.h"
#include "platform/window/Window.h"
#include "platform/window/tests/WindowTestSupport.h"

namespace {

using namespace platform;
using window_test::HostWidget;
using window_test::PumpUntil;
using window_test::Recorder;

// What the screen shows of a widget.
QImage ScreenPixels(QWidget& widget) {
    const QPoint origin = widget.mapTo(widget.window(), QPoint(0, 0));
    return widget.screen()
        ->grabWindow(widget.window()->winId(), origin.x(), origin.y(), widget.width(),
                     widget.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

void WritePattern(Framebuffer& framebuffer) {
    SurfacePixels pixels;
    ASSERT_TRUE(framebuffer.Lock(pixels));
    ASSERT_EQ(pixels.format.rgbBitCount, 32u);
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels.bits + y * pixels.pitch);
        for (int x = 0; x < pixels.width; ++x) {
            // The graphics layer leaves the unused byte at 0.
            row[x] = static_cast<std::uint32_t>((x * 7) << 16 | (y * 5) << 8 | ((x ^ y) & 0xFF));
        }
    }
    framebuffer.Unlock();
}

TEST(WindowPresent, PresentedPixelsReachTheScreenWithoutAPaintMessage) {
    HostWidget host;
    host.resize(37, 23);
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());
    host.show();
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_PAINT) == 1; }));
    window_test::Pump();
    EXPECT_EQ(recorder.Count(WM_PAINT), 1);  // showing sends one

    WritePattern(window->framebuffer());
    window->framebuffer().Present();
    window_test::Pump();
    EXPECT_EQ(recorder.Count(WM_PAINT), 1);
    EXPECT_EQ(host.paints, 0);  // the widget's own painting is replaced

    const QImage screen = ScreenPixels(host);
    ASSERT_EQ(screen.size(), QSize(37, 23));
    for (int y = 0; y < 23; ++y) {
        for (int x = 0; x < 37; ++x) {
            const QRgb expected = qRgb((x * 7) & 0xFF, (y * 5) & 0xFF, (x ^ y) & 0xFF);
            ASSERT_EQ(screen.pixel(x, y), expected) << x << "," << y;
        }
    }
    const Rect onScreen = window->framebuffer().ScreenRect();
    const QPoint origin = host.mapToGlobal(QPoint(0, 0));
    EXPECT_EQ(onScreen, (Rect{origin.x(), origin.y(), origin.x() + 37, origin.y() + 23}));

    // Each resize asks for one paint; the framebuffer follows and keeps what it showed.
    host.resize(50, 30);
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_PAINT) == 2; }));
    host.resize(60, 30);
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_PAINT) == 3; }));
    window_test::Pump();
    EXPECT_EQ(recorder.Count(WM_PAINT), 3);
    SurfacePixels pixels;
    ASSERT_TRUE(window->framebuffer().Lock(pixels));
    EXPECT_EQ(pixels.width, 60);
    EXPECT_EQ(reinterpret_cast<std::uint32_t*>(pixels.bits + 3 * pixels.pitch)[2] & 0xFFFFFF,
              static_cast<std::uint32_t>(14 << 16 | 15 << 8 | 1));
    window->framebuffer().Unlock();

    window->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_PAINT) == 4; }));
}

TEST(WindowPresent, PaintingThroughTheDrawContextShows) {
    HostWidget host;
    host.resize(40, 20);
    auto window = Window::Attach(&host);
    window->AddHandler([&](const Message& m) {
        if (m.id == WM_PAINT) {
            auto dc = window->BeginPaint();
            EXPECT_EQ(dc->GetDeviceCaps(TECHNOLOGY), DT_RASDISPLAY);
            EXPECT_EQ(dc->GetDeviceCaps(HORZRES), 40);
            dc->FillRect(Rect{0, 0, 40, 20}, COLOR_WINDOWFRAME + 1);
            dc->FillRect(Rect{10, 5, 20, 10}, COLOR_WINDOW + 1);
            EXPECT_FALSE(dc->FillRect(Rect{0, 0, 1, 1}, 99));
        }
        return true;
    });
    host.show();
    ASSERT_TRUE(PumpUntil([&] { return host.isVisible(); }));
    window_test::Pump();
    const QImage screen = ScreenPixels(host);
    const QPalette palette = QGuiApplication::palette();
    EXPECT_EQ(screen.pixel(0, 0), palette.color(QPalette::WindowText).rgb());
    EXPECT_EQ(screen.pixel(10, 5), palette.color(QPalette::Base).rgb());
    EXPECT_EQ(screen.pixel(19, 9), palette.color(QPalette::Base).rgb());
    // The right and bottom edges stay out.
    EXPECT_EQ(screen.pixel(20, 5), palette.color(QPalette::WindowText).rgb());
    EXPECT_EQ(screen.pixel(10, 10), palette.color(QPalette::WindowText).rgb());
}

TEST(WindowPresent, DisplayDepthChangesTheFormatAndTellsEveryWindow) {
    HostWidget host;
    host.resize(8, 4);
    auto window = Window::Attach(&host);
    Recorder recorder;
    window->AddHandler(recorder.Handler());

    ASSERT_TRUE(SetDisplayBitsPerPixel(16));
    SurfacePixels pixels;
    ASSERT_TRUE(window->framebuffer().Lock(pixels));
    EXPECT_EQ(pixels.format.rgbBitCount, 16u);
    EXPECT_EQ(pixels.format.greenMask, 0x07E0u);
    EXPECT_GE(pixels.pitch, 16);
    window->framebuffer().Unlock();
    ASSERT_TRUE(PumpUntil([&] { return recorder.Count(WM_DISPLAYCHANGE) == 1; }));
    EXPECT_EQ(recorder.Last(WM_DISPLAYCHANGE)->wParam, 16u);
    const Rect desktop = GetDesktopRect();
    EXPECT_EQ(recorder.Last(WM_DISPLAYCHANGE)->lParam,
              MakeLParam(desktop.right - desktop.left, desktop.bottom - desktop.top));

    EXPECT_FALSE(SetDisplayBitsPerPixel(15));
    ASSERT_TRUE(SetDisplayBitsPerPixel(32));
    EXPECT_EQ(GetDisplayBitsPerPixel(), 32);
}

}  // namespace
