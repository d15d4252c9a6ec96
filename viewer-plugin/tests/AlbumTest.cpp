#include <cmath>
#include <limits>
#include <memory>
#include <utility>

#include <gtest/gtest.h>

#include "viewer-plugin/display/ImageResource.h"
#include "viewer-plugin/tests/AlbumTestSupport.h"

namespace {

using album_test::AlbumTest;

constexpr float kNaN = std::numeric_limits<float>::quiet_NaN();
constexpr float kInfinity = std::numeric_limits<float>::infinity();

void ExpectScreen(const Album& album, float x, float y, float z) {
    const Vector3 s = album.GetScreenPosition();
    EXPECT_NEAR(s.x, x, 0.001);
    EXPECT_NEAR(s.y, y, 0.001);
    EXPECT_NEAR(s.z, z, 0.001);
}

TEST_F(AlbumTest, ColoursAndBordersFillTheBackBuffer) {
    Album& album = WithCanvas({64, 48}, {100, 100}, {0, 0, 1});
    album.SetBgColor(0x123456);
    EXPECT_EQ(album.GetBgColor(), 0x123456);
    album.FillBackground(display_.get());
    EXPECT_EQ(BackPixel(30, 20), 0x123456u);  // red, green, blue from the high byte down

    // The border's colour has always come with red in its low byte.
    album.SetBorderColor(0x123456);
    album.SetBorderWidth(3);
    album.SetBorderHeight(2);
    album.DrawBorder(display_.get());
    EXPECT_EQ(BackPixel(2, 20), 0x563412u);
    EXPECT_EQ(BackPixel(61, 20), 0x563412u);
    EXPECT_EQ(BackPixel(30, 1), 0x563412u);
    EXPECT_EQ(BackPixel(30, 46), 0x563412u);
    EXPECT_EQ(BackPixel(3, 2), 0x123456u);

    album.SetBorderWidth(1000);
    album.SetBorderHeight(900);
    album.DrawBorder(display_.get());
    EXPECT_EQ(album.GetBorderWidth(), 64);
    EXPECT_EQ(album.GetBorderHeight(), 48);
    EXPECT_EQ(BackPixel(30, 20), 0x563412u);

    // A script's negative border, however far, is no border (and no overflowing sum).
    album.FillBackground(display_.get());
    album.SetBorderWidth(std::numeric_limits<int>::min());
    album.SetBorderHeight(std::numeric_limits<int>::min());
    album.DrawBorder(display_.get());
    for (const auto& [x, y] : {std::pair{0, 0}, std::pair{63, 47}, std::pair{30, 20}}) {
        EXPECT_EQ(BackPixel(x, y), 0x123456u) << x << "," << y;
    }
}

TEST_F(AlbumTest, TheBackgroundIsFilledOnlyWherePictureLeavesTheWindowOpen) {
    Album& album = WithCanvas({64, 48}, {100, 100}, {0, 0, 1});
    album.SetBgColor(0x123456);
    album.SetCanvasColor(0x000000);
    ASSERT_TRUE(display_->GetBackBuffer()->Fill(0xABCDEF));
    album.Render(display_.get());
    EXPECT_FALSE(album.IsDirty());
    EXPECT_NE(BackPixel(5, 5), 0x123456u);

    album.SetPosition(10.0f, 0, 1);  // the picture's corner at window pixel (10, 0)
    EXPECT_TRUE(album.IsDirty());
    ASSERT_TRUE(display_->GetBackBuffer()->Fill(0xABCDEF));
    album.Render(display_.get());
    EXPECT_EQ(BackPixel(5, 5), 0x123456u);
}

TEST_F(AlbumTest, TheLogoShowsTheFrameOfTheProgress) {
    Album& album = WithCanvas({120, 60}, {100, 100}, {0, 0, 1});
    auto logo = LoadImageResource(*display_->GetBackBuffer(), kLogoResourceName, &ViewerResources(),
                                  kLogoResource);
    ASSERT_NE(logo, nullptr);
    album.SetLogo(logo.get());
    const int left = 120 - logo->GetWidth();
    const DDSurface& back = *display_->GetBackBuffer();
    // Frame 5 lights five of the ten cells of four pixels that start 4 pixels in.
    album.SetProgress(50, 100);
    album.DrawLogo(display_.get());
    EXPECT_EQ(album.GetLastLogoFrame(), 5);
    EXPECT_EQ(BackPixel(left + 4 + 4 * 4, 5), back.ColourToPixel(235, 150, 40));
    EXPECT_EQ(BackPixel(left + 4 + 5 * 4, 5), back.ColourToPixel(55, 55, 60));
    EXPECT_EQ(BackPixel(left - 1, 5), BackPixel(0, 5));  // nothing left of it

    // A server sending more than it announced still gets the last frame, not rows past it.
    album.SetProgress(150, 100);
    album.DrawLogo(display_.get());
    EXPECT_EQ(album.GetLastLogoFrame(), 10);
    EXPECT_EQ(BackPixel(left + 4 + 9 * 4, 5), back.ColourToPixel(235, 150, 40));
    album.SetLogo(nullptr);
}

TEST_F(AlbumTest, TheLogoIsLeftOutWhereItDoesNotFit) {
    const struct {
        Vector2<int> window;
    } cases[] = {{{40, 100}}, {{100, 10}}};  // narrower than the logo; lower than a frame
    for (const auto& c : cases) {
        album_ = std::make_unique<Album>();
        Album& album = WithCanvas(c.window, {100, 100}, {0, 0, 1});
        auto logo = LoadImageResource(*display_->GetBackBuffer(), kLogoResourceName,
                                      &ViewerResources(), kLogoResource);
        ASSERT_NE(logo, nullptr);
        album.SetLogo(logo.get());
        album.DrawLogo(display_.get());
        EXPECT_EQ(album.GetLastLogoFrame(), -1);
        album.SetLogo(nullptr);
    }
}

TEST_F(AlbumTest, ValuesThatAreNoNumbersChangeNothing) {
    Album& album = *album_;
    album.SetPosition(kNaN, 1, 1);
    album.SetPosition(1, kInfinity, 1);
    album.SetPosition(1, 1, 0);
    EXPECT_EQ(album.GetStartPosition(), Vector3(0, 0, 1));
    album.SetMinZoom(kNaN);
    album.SetMaxZoom(kInfinity);
    album.SetZoomSpeed(kNaN);
    album.SetPanSpeed(-kInfinity);
    EXPECT_FLOAT_EQ(album.GetMinZoom(), 0.01f);
    EXPECT_FLOAT_EQ(album.GetMaxZoom(), 100.0f);
    EXPECT_FLOAT_EQ(album.GetZoomDivisor(), 50.0f);
    EXPECT_FLOAT_EQ(album.GetPanFactor(), 1.8f);

    WithCanvas({64, 48}, {100, 100}, {4, 6, 2});
    album.SetPosition(1e30f, 1, 1e30f);  // finite, but not once multiplied out
    album.ZoomAt(display_.get(), {10, 10}, kNaN);
    album.ZoomAt(display_.get(), {10, 10}, 3e38f);     // lands on MaxZoom
    ExpectScreen(album, 4 - 98 * 3, 6 - 98 * 2, 100);  // about picture pixel (3, 2)
    const Vector3 p = album.GetPosition();
    EXPECT_TRUE(std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z));
    // A canvas of no pixels is refused; the old one stays.
    album.ResizeCanvas(display_.get(), {0, -3});
    EXPECT_EQ(album.GetCanvasSize(), Vector2<int>(100, 100));
}

TEST_F(AlbumTest, TheCanvasStartsAtTheStartPositionOrFitted) {
    album_->SetPosition(-10, -20, 2);
    D3DWindow* display = Display({64, 48});
    album_->ResizeCanvas(display, {100, 100});
    album_->CreateCanvas(display);
    ExpectScreen(*album_, -20, -40, 2);
    const Vector3 p = album_->GetPosition();
    EXPECT_NEAR(p.x, -10, 0.001);
    EXPECT_NEAR(p.y, -20, 0.001);
    EXPECT_EQ(album_->GetCanvasSize(), Vector2<int>(100, 100));

    album_ = std::make_unique<Album>();
    album_->SetFit(Album::kFitCentre);
    display = Display({100, 50});
    album_->ResizeCanvas(display, {200, 200});
    album_->CreateCanvas(display);
    ExpectScreen(*album_, 25, 0, 0.25f);
}

// Drags read the mouse device: records injected as the window layer would feed them.
class AlbumMouseTest : public AlbumTest {
protected:
    Album& Ready(int lock = Album::kLockFreePan) {
        Album& album = WithCanvas({200, 150}, {400, 300}, {0, 0, 1});
        album.SetUserInterfaceLock(lock);
        album.SetActive(nullptr, true);
        EXPECT_TRUE(album.HasMouseDevice());
        return album;
    }
    static void Records(std::uint32_t offset, int data, int count) {
        for (int i = 0; i < count; ++i) gfx::mouse::Inject(offset, data);
    }
};

TEST_F(AlbumMouseTest, PanDragsFollowTheMouseAndZoomDragsZoomUpwards) {
    Album& album = Ready();
    ASSERT_TRUE(album.SetPanDrag(true));
    EXPECT_FALSE(album.SetZoomDrag(true));
    gfx::mouse::Move(10, 5);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 18, 9, 1);  // with the mouse, times the pan factor

    ASSERT_TRUE(album.SetPanDrag(false));
    ASSERT_TRUE(album.SetZoomDrag(true));
    EXPECT_FALSE(album.SetPanDrag(true));
    CursorAt({0, 0});
    album.SetPosition(0, 0, 1);
    Records(gfx::DIMOFS_Y, -50, 4);         // upwards, 200 in all, held to 128
    gfx::mouse::Inject(gfx::DIMOFS_X, 30);  // no pan during a zoom drag
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 0, 0, 1 + 128.0f / 50);
}

TEST_F(AlbumMouseTest, LockBitsStopTheirDrag) {
    Album& album = Ready(Album::kLockFreePan | Album::kLockPan);
    album.SetPanDrag(true);
    gfx::mouse::Move(10, 5);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 0, 0, 1);

    album.SetUserInterfaceLock(Album::kLockFreePan | Album::kLockZoom);
    album.SetPanDrag(false);
    album.SetZoomDrag(true);
    gfx::mouse::Move(0, -50);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 0, 0, 1);
}

TEST_F(AlbumMouseTest, AFrameTakesSixteenRecordsAndAFlushDropsThem) {
    Album& album = Ready();
    album.SetPanDrag(true);
    Records(gfx::DIMOFS_X, 1, 20);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 16 * 1.8f, 0, 1);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 20 * 1.8f, 0, 1);

    Records(gfx::DIMOFS_X, 1, 40);  // the device keeps 32
    album.FlushMouseInput(display_.get());
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 20 * 1.8f, 0, 1);
}

TEST_F(AlbumMouseTest, ALostDeviceIsTakenAgain) {
    Album& album = Ready();
    album.SetPanDrag(true);
    gfx::mouse::LoseInput(3);
    album.ProcessMouseInput(display_.get());
    gfx::mouse::Move(10, 0);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 18, 0, 1);

    // Input switched off lets the device go; nothing it missed shows later.
    album.SetActive(nullptr, false);
    gfx::mouse::Move(10, 0);
    album.ProcessMouseInput(display_.get());
    album.SetActive(nullptr, true);
    album.ProcessMouseInput(display_.get());
    ExpectScreen(album, 18, 0, 1);
}

TEST_F(AlbumMouseTest, WithoutTheDeviceDragsDoNothing) {
    gfx::mouse::SetRefused(true);
    Album& album = WithCanvas({200, 150}, {400, 300}, {0, 0, 1});
    EXPECT_FALSE(album.HasMouseDevice());
    album.SetActive(nullptr, true);
    album.SetPanDrag(true);
    album.ProcessMouseInput(display_.get());
    album.FlushMouseInput(display_.get());
    ExpectScreen(album, 0, 0, 1);
}

}  // namespace
