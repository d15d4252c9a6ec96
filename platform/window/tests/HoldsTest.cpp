// Several holds on one widget (a browser's plug-in window carries a plug-in's and its
// display's), and a copy of the layer giving back what it left in Qt.
#include <QImage>

#include <gtest/gtest.h>

#include "platform/window/DrawContext.h"
#include "platform/window/LayerRelease.h"
#include "platform/window/TaskPost.h"
#include "platform/window/Window.h"
#include "platform/window/tests/WindowTestSupport.h"

namespace {

using namespace platform;
using window_test::HostWidget;
using window_test::PumpUntil;
using window_test::Recorder;

void Fill(Framebuffer& framebuffer, std::uint32_t rgb) {
    SurfacePixels pixels;
    ASSERT_TRUE(framebuffer.Lock(pixels));
    for (int y = 0; y < pixels.height; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(pixels.bits + y * pixels.pitch);
        for (int x = 0; x < pixels.width; ++x) row[x] = rgb;
    }
    framebuffer.Unlock();
}

TEST(WindowHolds, AnOlderHoldPaintsOnThePixelsTheWidgetShows) {
    HostWidget host;
    host.show();
    auto older = Window::Attach(&host);
    int paints = 0;
    older->AddHandler([&](const Message& m) {
        if (m.id == WM_PAINT) {
            ++paints;
            auto dc = older->BeginPaint();
            if (dc) dc->FillRect(Rect{10, 10, 30, 30}, COLOR_WINDOW + 1);
        }
        return false;
    });
    auto newer = Window::Attach(&host);
    Fill(newer->framebuffer(), 0x0000FF00);
    newer->Invalidate();
    ASSERT_TRUE(PumpUntil([&] { return paints > 0; }));
    const QImage shown = host.grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(shown.pixel(60, 60) & 0xFFFFFF, 0x00FF00u);
    EXPECT_NE(shown.pixel(20, 20) & 0xFFFFFF, 0x00FF00u);
}

TEST(WindowHolds, ANumberTheNewestHoldLeavesGoesOnToTheOlder) {
    HostWidget host;
    auto older = Window::Attach(&host);
    Recorder olderSeen;
    older->AddHandler(olderSeen.Handler());
    auto newer = Window::Attach(&host);
    Recorder newerSeen;
    newerSeen.handle = false;
    newer->AddHandler(newerSeen.Handler());
    QApplication::postEvent(&host, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1125)));
    ASSERT_TRUE(PumpUntil([&] { return olderSeen.Count(1125) == 1; }));
    EXPECT_EQ(newerSeen.Count(1125), 1);

    // Taken by the newer one, it stops there.
    newerSeen.handle = true;
    QApplication::postEvent(&host, new QEvent(static_cast<QEvent::Type>(QEvent::User + 1125)));
    ASSERT_TRUE(PumpUntil([&] { return newerSeen.Count(1125) == 2; }));
    window_test::Pump();
    EXPECT_EQ(olderSeen.Count(1125), 1);
}

TEST(WindowHolds, ReleasingTheLayerDropsTasksStillWaiting) {
    testing_support::TestApplication();
    int ran = 0;
    PostTask([&] { ++ran; });
    ReleaseWindowLayer();
    window_test::Pump();
    EXPECT_EQ(ran, 0);
    // The layer works again afterwards.
    PostTask([&] { ++ran; });
    ASSERT_TRUE(PumpUntil([&] { return ran == 1; }));
}

}  // namespace
