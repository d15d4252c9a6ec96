#pragma once

#include <cstddef>
#include <cstdint>

#include "geometry/Geometry.h"
#include "platform/bitmap/DibSection.h"

namespace platform {

// Pixels someone holds locked (a window's part of the screen, a drawing surface): the top
// row first, `pitch` bytes apart, in the layout `format` describes.
struct SurfacePixels {
    std::uint8_t* bits = nullptr;
    int width = 0;
    int height = 0;
    std::ptrdiff_t pitch = 0;
    PixelFormat format;
};

// A window's part of the screen as the graphics layer sees it. This is all the graphics
// layer knows of windows, so it builds and tests without a toolkit. Used on the window's
// thread only.
class Framebuffer {
public:
    virtual ~Framebuffer() = default;

    // The client area in screen coordinates: where these pixels lie on the screen.
    virtual Rect ScreenRect() const = 0;
    // False once the window is gone or while its client area is empty. Until Unlock the
    // pixels stay where they are; nothing is shown until Present.
    virtual bool Lock(SurfacePixels& pixels) = 0;
    virtual void Unlock() = 0;
    // Shows what was written. The window repaints from these pixels and its window
    // procedures see no WM_PAINT for it.
    virtual void Present() = 0;
};

}  // namespace platform
