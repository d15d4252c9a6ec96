#pragma once

#include <cstdint>

#include "geometry/Geometry.h"
#include "platform/gfx/Direct3DTypes.h"
#include "platform/gfx/Framebuffer.h"

// Draws textured triangle strips of window-pixel vertices onto memory pixels.
//
// The rules, so that a picture drawn as tiles looks like one picture:
// - Pixel (i, j) is covered when its centre (i + 0.5, j + 0.5) lies inside a triangle; a
//   centre exactly on an edge belongs to the triangle the edge bounds on the left or above
//   (top-left rule). Vertices are snapped to 1/256 pixel first, and edges are tested in
//   exact integers, so two triangles sharing an edge cover each pixel along it once.
// - Vertices are checked as floats before any integer conversion: a strip with a NaN,
//   infinite or huge coordinate (beyond 2^21 pixels) draws nothing.
// - u and v vary affinely over the screen (rhw is taken as 1). Texel k's centre lies at
//   u = (k + 0.5) / width, so a quad at zoom 1 on whole pixels copies texels exactly.
// - Point filtering takes the texel whose span holds u (floor(u * width)); linear filtering
//   weighs the four nearest texel centres by 8-bit fractions and rounds each channel to
//   nearest, exactly as the blits do, so halving averages each 2 x 2 block. Both clamp at
//   the texture's edges. Magnification (a texel larger than a pixel) uses the
//   magnification filter, everything else the minification filter.
// - Each pixel gets the texture's colour, converted to the target's layout.
namespace gfx {

enum class TextureFilter { Point, Linear };

struct RasterState {
    platform::SurfacePixels target;
    Rect clip;  // drawn pixels stay inside, and inside the target
    platform::SurfacePixels texture;
    TextureFilter magFilter = TextureFilter::Point;
    TextureFilter minFilter = TextureFilter::Point;
    std::uint32_t cull = D3DCULL_CCW;  // which winding on screen is left out
};

// False, with nothing drawn, for a layout it cannot read or write. Screen-aligned quads
// (the common case) take a faster path with the same results.
bool DrawTriangleStrip(const RasterState& state, const TLVertex* vertices, int count);

}  // namespace gfx
