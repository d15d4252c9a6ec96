#include "viewer-plugin/model/ViewGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace view {
namespace {

constexpr double kMaxExtent = 9.0e18;

// Truncated toward zero, as the integer division of the original sums.
double CentreOf(std::int64_t window, std::int64_t extent) {
    const std::int64_t gap = window - extent;
    return static_cast<double>(gap / 2);
}

// One axis of a kept-inside pan: W the window, w the picture's extent.
double KeepInside(double old, double now, double W, double w) {
    if (now > old) {
        if (w < W) {
            if (now > W - w) now = old < W - w ? W - w : old;
        } else if (now >= 0) {
            now = old;
        }
    } else if (now < old) {
        if (w < W) {
            if (now <= 0) now = 0;
        } else if (now < W - w) {
            now = old > W - w ? W - w : old;
        }
    }
    return now;
}

}  // namespace

bool IsFinite(const Vector3& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

std::int64_t ScreenExtent(int size, float zoom) {
    const double extent = std::trunc(static_cast<double>(size) * static_cast<double>(zoom));
    if (std::isnan(extent)) return 0;
    return static_cast<std::int64_t>(std::clamp(extent, -kMaxExtent, kMaxExtent));
}

Vector3 ZoomAbout(const Vector3& screen, float px, float py, float step, float minZoom,
                  float maxZoom) {
    const float zoom = std::min(std::max(screen.z + step, minZoom), maxZoom);
    const float change = zoom - screen.z;
    const Vector3 next(screen.x - change * px, screen.y - change * py, zoom);
    if (!IsFinite(next) || zoom <= 0) return screen;
    return next;
}

Vector3 PanTo(const Vector3& screen, Vector2<int> delta, float factor, Vector2<int> window,
              Vector2<int> image, bool keepInside) {
    Vector3 next(screen.x - static_cast<float>(delta.x) * factor,
                 screen.y - static_cast<float>(delta.y) * factor, screen.z);
    if (keepInside) {
        const auto w = static_cast<double>(ScreenExtent(image.x, screen.z));
        const auto h = static_cast<double>(ScreenExtent(image.y, screen.z));
        next.x = static_cast<float>(KeepInside(screen.x, next.x, window.x, w));
        next.y = static_cast<float>(KeepInside(screen.y, next.y, window.y, h));
    }
    if (!IsFinite(next)) return screen;
    return next;
}

Vector3 FitTo(const Vector3& screen, Vector2<int> window, Vector2<int> image, int bits) {
    const int W = window.x;
    const int H = window.y;
    const int w = image.x;
    const int h = image.y;
    if (w <= 0 || h <= 0) return screen;
    float zoom = screen.z;
    bool centreX = (bits & 0x01) != 0;
    bool centreY = (bits & 0x02) != 0;
    if ((bits & 0x30) == 0x30) {
        const float m = static_cast<float>(W) / static_cast<float>(w);
        const float t = static_cast<float>(H) / static_cast<float>(h);
        zoom = std::fabs(1 - t) > std::fabs(1 - m) ? m : t;
        if ((bits & 0x100) != 0) {
            const std::int64_t across = ScreenExtent(w, zoom);
            const std::int64_t down = ScreenExtent(h, zoom);
            if (across > W) {
                zoom = zoom * static_cast<float>(W) / static_cast<float>(across);
            } else if (down > H) {
                zoom = zoom * static_cast<float>(H) / static_cast<float>(down);
            }
        }
        centreX = centreY = true;
    } else if ((bits & 0x10) != 0) {
        zoom = static_cast<float>(W) / static_cast<float>(w);
        centreX = true;
    } else if ((bits & 0x20) != 0) {
        zoom = static_cast<float>(H) / static_cast<float>(h);
        centreY = true;
    }
    if (!std::isfinite(zoom) || zoom <= 0) return screen;
    Vector3 next(screen.x, screen.y, zoom);
    if (centreX) next.x = static_cast<float>(CentreOf(W, ScreenExtent(w, zoom)));
    if (centreY) next.y = static_cast<float>(CentreOf(H, ScreenExtent(h, zoom)));
    return next;
}

int LogoFrame(int received, int total) {
    if (total == 0 || received == 0) return 10;
    const double frame = std::trunc(static_cast<double>(received) / total * 10.5);
    // A server may send more than it announced, or announce nonsense: the logo has 11
    // frames and no more.
    if (!(frame >= 0)) return 0;
    return static_cast<int>(std::min(frame, 10.0));
}

MoveStep MoveToStep(const Vector3& start, const Vector3& goal, int method, double d) {
    MoveStep step;
    if (method != 0 && method != 2) return step;
    // A step of no measurable time (0 / 0) counts as arrived rather than as a position of
    // no number.
    if (!(d < 1)) {
        step.position = goal;
        step.moves = true;
        step.done = true;
        return step;
    }
    const auto f = static_cast<float>(d);
    if (method == 0) {
        step.position = start + (goal - start) * f;
    } else {
        const Vector3 S(start.x * start.z, start.y * start.z, start.z);
        const Vector3 G(goal.x * goal.z, goal.y * goal.z, goal.z);
        const Vector3 P = S + (G - S) * f;
        step.position = Vector3(P.x / P.z, P.y / P.z, P.z);
    }
    step.moves = IsFinite(step.position);
    return step;
}

}  // namespace view
