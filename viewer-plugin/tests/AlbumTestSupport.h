#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx/RelativeMouse.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/model/Album.h"
#include "viewer-plugin/tests/DisplayTestSupport.h"
#include "viewer-plugin/tests/SurfacePixel.h"

namespace album_test {

// A view model over a 3D display window of the size a test asks for.
class AlbumTest : public display_test::Direct3DTest {
protected:
    void SetUp() override {
        Direct3DTest::SetUp();
        host_->setGeometry(0, 0, 1200, 900);
        gfx::mouse::Reset();
    }
    void TearDown() override {
        album_.reset();
        if (display_) Close(display_);
        gfx::mouse::Reset();
        Direct3DTest::TearDown();
    }

    // The display of `size`, drawn in software; one at a time.
    D3DWindow* Display(Vector2<int> size) {
        if (display_) Close(display_);
        display_ = Window(size.x, size.y);
        EXPECT_EQ(display_->CreateWindowed(), 0);
        return display_.get();
    }

    // A canvas of `image` on a display of `window`, the picture's corner at (X, Y) at zoom Z.
    Album& WithCanvas(Vector2<int> window, Vector2<int> image, const Vector3& screen) {
        D3DWindow* display = Display(window);
        album_->ResizeCanvas(display, image);
        album_->CreateCanvas(display);
        album_->SetPosition(screen.x / screen.z, screen.y / screen.z, screen.z);
        return *album_;
    }

    // The back buffer's pixel at (x, y), as 0xRRGGBB on the 32-bit display.
    std::uint32_t BackPixel(int x, int y) {
        return display_test::PixelAt(*display_->GetBackBuffer(), x, y) & 0xFFFFFF;
    }

    // Puts the cursor on a point of the display's client area.
    void CursorAt(Vector2<int> point) {
        platform::SetCursorPos(display_->window()->ClientToScreen(point));
    }

    std::unique_ptr<Album> album_ = std::make_unique<Album>();
    std::unique_ptr<D3DWindow> display_;
};

}  // namespace album_test
