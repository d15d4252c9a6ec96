#pragma once

#include <cstdint>

#include "geometry/Geometry.h"

// The arithmetic of the view, free of canvas and display: where zooming, panning and fitting
// put the picture, which logo frame shows progress, and where an animated move stands. A
// screen position (X, Y, Z) puts the picture's top-left corner at window pixel (X, Y) at zoom
// Z. The page script does the same sums; the shared table of view cases holds both to them.
namespace view {

bool IsFinite(const Vector3& v);

// The screen extent of `size` picture pixels at `zoom`, truncated. Wide enough that no zoom
// a script can set wraps it; saturated where even that would not do.
std::int64_t ScreenExtent(int size, float zoom);

// Zooms by `step` about the picture pixel (px, py), which stays where it is on the screen.
// The zoom is held to MinZoom and then MaxZoom, so MaxZoom wins when the two cross. A result
// that is not finite leaves the position as it was.
Vector3 ZoomAbout(const Vector3& screen, float px, float py, float step, float minZoom,
                  float maxZoom);

// Moves the picture by -delta x factor. With `keepInside` each axis obeys the window: a
// picture smaller than the window stays wholly in it, a larger one leaves no gap at its
// edges; a move that starts outside those limits never takes it further out.
Vector3 PanTo(const Vector3& screen, Vector2<int> delta, float factor, Vector2<int> window,
              Vector2<int> image, bool keepInside);

// Fit bits 0x10 and 0x20 choose the zoom from the window (both: the one nearer 1; with 0x100
// the picture then fits inside), 0x01 and 0x02 centre an axis. A picture without pixels, or
// a zoom that comes out not finite or not positive, leaves the position as it was.
Vector3 FitTo(const Vector3& screen, Vector2<int> window, Vector2<int> image, int bits);

// The frame, 0 to 10, of the 11-frame progress logo: 10 before anything arrived and when
// the size is unknown.
int LogoFrame(int received, int total);

// One step of an animated move between script positions at d = elapsed / duration.
// Method 0 moves each coordinate linearly, method 2 moves linearly on the screen. Other
// methods neither move nor end.
struct MoveStep {
    Vector3 position;
    bool moves = false;  // position holds where the view now stands
    bool done = false;   // the goal is reached
};
MoveStep MoveToStep(const Vector3& start, const Vector3& goal, int method, double d);

}  // namespace view
