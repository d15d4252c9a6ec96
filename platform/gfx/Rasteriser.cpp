#include "platform/gfx/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gfx/Pixels.h"

namespace gfx {
namespace {

// Beyond this a coordinate is refused: snapped to 1/256 pixel it still leaves the edge
// products of 64-bit integers room to spare.
constexpr double kCoordinateLimit = 2097152.0;
constexpr std::int64_t kSub = 256;  // snapping steps per pixel
constexpr std::int64_t kHalf = kSub / 2;

bool Usable(const TLVertex& v) {
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.u) && std::isfinite(v.v) &&
           std::fabs(v.x) <= kCoordinateLimit && std::fabs(v.y) <= kCoordinateLimit;
}

struct Point {
    std::int64_t x = 0;
    std::int64_t y = 0;
};

Point Snap(const TLVertex& v) {
    return Point{std::llrint(static_cast<double>(v.x) * kSub),
                 std::llrint(static_cast<double>(v.y) * kSub)};
}

std::int64_t CeilDiv(std::int64_t a, std::int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// The first pixel whose centre is at or past a snapped coordinate.
std::int64_t FirstCentreFrom(std::int64_t fixed) {
    return CeilDiv(fixed - kHalf, kSub);
}

// A texel coordinate (texel centres at whole numbers) in 16.16, kept to a range every later
// sum fits in.
std::int32_t TexelFixed(double s) {
    const double scaled = std::clamp(s * 65536.0, -1073741824.0, 1073741824.0);
    return static_cast<std::int32_t>(std::llrint(scaled));
}

bool SameLayout(const platform::PixelFormat& a, const platform::PixelFormat& b) {
    return a.rgbBitCount == b.rgbBitCount && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask && a.alphaMask == b.alphaMask;
}

bool Is8888(const platform::PixelFormat& f) {
    return f.rgbBitCount == 32 && f.redMask == 0xFF0000 && f.greenMask == 0xFF00 &&
           f.blueMask == 0xFF && (f.alphaMask == 0 || f.alphaMask == 0xFF000000u);
}

// One texel column or row as a filter reads it.
struct Tap {
    int nearest = 0;
    int first = 0;
    int second = 0;
    std::uint32_t weight = 0;  // of the second, in 1/256
    std::int32_t fixed = 0;
};

Tap MakeTap(std::int32_t s, int size) {
    Tap tap;
    tap.fixed = s;
    tap.nearest = static_cast<int>(
        std::clamp<std::int64_t>((std::int64_t{s} + 32768) >> 16, 0, size - 1));
    const std::int32_t clamped = std::clamp(s, 0, (size - 1) * 65536);
    tap.first = clamped >> 16;
    tap.second = std::min(tap.first + 1, size - 1);
    tap.weight = (static_cast<std::uint32_t>(clamped) >> 8) & 0xFF;
    return tap;
}

// Writes pixels of one layout from texels of another (or the same).
class Shader {
public:
    Shader(const RasterState& state, TextureFilter filter)
        : state_(state),
          from_(state.texture.format),
          to_(state.target.format),
          filter_(filter),
          raw_(SameLayout(state.texture.format, state.target.format)),
          fast8888_(Is8888(state.texture.format) && Is8888(state.target.format)) {}

    bool Supported() const { return from_.Supported() && to_.Supported(); }

    // Pixels [x0, x1) of row y, with their texel columns in `columns` (one per pixel).
    void Row(int y, int x0, int x1, const Tap* columns, const Tap& row) {
        std::uint8_t* out = PixelAddress(state_.target, x0, y);
        const int bytes = to_.BytesPerPixel();
        const platform::SurfacePixels& tex = state_.texture;
        if (filter_ == TextureFilter::Point) {
            const std::uint8_t* line = tex.bits + row.nearest * tex.pitch;
            const int texBytes = from_.BytesPerPixel();
            for (int x = x0; x < x1; ++x, out += bytes) {
                const std::uint8_t* texel = line + columns[x - x0].nearest * texBytes;
                if (raw_) {
                    std::memcpy(out, texel, static_cast<std::size_t>(bytes));
                } else {
                    to_.Write(out, to_.Pack(from_.Unpack(from_.Read(texel))));
                }
            }
            return;
        }
        if (fast8888_) {
            Linear8888(reinterpret_cast<std::uint32_t*>(out), x1 - x0, columns, row);
            return;
        }
        for (int x = x0; x < x1; ++x, out += bytes) {
            to_.Write(out, to_.Pack(SampleBilinear(tex, from_, columns[x - x0].fixed, row.fixed)));
        }
    }

private:
    // Two channels a word, 32 bits apart, so that weighted sums of them never meet.
    static std::uint64_t Lanes02(std::uint32_t c) {
        return (c & 0xFF) | (std::uint64_t{c & 0xFF0000} << 16);
    }
    static std::uint64_t Lanes13(std::uint32_t c) {
        return ((c >> 8) & 0xFF) | (std::uint64_t{c >> 24} << 32);
    }

    // The blits' bilinear rounding, done rows first: the sum of the four weighted texels is
    // the same either way, and one row's blend then serves every pixel of the span.
    void Linear8888(std::uint32_t* out, int count, const Tap* columns, const Tap& row) {
        const platform::SurfacePixels& tex = state_.texture;
        const auto* top = reinterpret_cast<const std::uint32_t*>(tex.bits + row.first * tex.pitch);
        const auto* bottom =
            reinterpret_cast<const std::uint32_t*>(tex.bits + row.second * tex.pitch);
        const int lo = columns[0].first;
        const int hi = columns[count - 1].second;
        const int left = std::min(lo, hi);
        const int right = std::max(lo, hi);
        blend02_.resize(static_cast<std::size_t>(right - left + 1));
        blend13_.resize(blend02_.size());
        const std::uint64_t wt = 256 - row.weight;
        const std::uint64_t wb = row.weight;
        for (int k = left; k <= right; ++k) {
            const std::uint32_t a = top[k];
            const std::uint32_t b = bottom[k];
            blend02_[static_cast<std::size_t>(k - left)] = Lanes02(a) * wt + Lanes02(b) * wb;
            blend13_[static_cast<std::size_t>(k - left)] = Lanes13(a) * wt + Lanes13(b) * wb;
        }
        const std::uint32_t alphaFill = state_.texture.format.alphaMask == 0 ? 0xFF000000u : 0;
        const std::uint32_t keep = state_.target.format.alphaMask == 0 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        constexpr std::uint64_t kRound = 0x0000800000008000ull;
        const std::uint64_t* b02 = blend02_.data() - left;
        const std::uint64_t* b13 = blend13_.data() - left;
        for (int i = 0; i < count; ++i) {
            const Tap& c = columns[i];
            const std::uint64_t wl = 256 - c.weight;
            const std::uint64_t wr = c.weight;
            const std::uint64_t s02 = b02[c.first] * wl + b02[c.second] * wr + kRound;
            const std::uint64_t s13 = b13[c.first] * wl + b13[c.second] * wr + kRound;
            const auto value = static_cast<std::uint32_t>(
                ((s02 >> 16) & 0xFF) | ((s13 >> 16) & 0xFF) << 8 | ((s02 >> 48) & 0xFF) << 16 |
                ((s13 >> 48) & 0xFF) << 24);
            out[i] = (value | alphaFill) & keep;
        }
    }

    const RasterState& state_;
    PixelCodec from_;
    PixelCodec to_;
    TextureFilter filter_;
    bool raw_;
    bool fast8888_;
    std::vector<std::uint64_t> blend02_;
    std::vector<std::uint64_t> blend13_;
};

TextureFilter ChooseFilter(const RasterState& state, double texelsPerPixelSquared) {
    return texelsPerPixelSquared <= 1.0 ? state.magFilter : state.minFilter;
}

// Which winding the cull mode leaves out; `area` is positive for clockwise on screen.
bool Culled(std::uint32_t cull, std::int64_t area) {
    return (cull == D3DCULL_CCW && area < 0) || (cull == D3DCULL_CW && area > 0);
}

std::int64_t Area(Point a, Point b, Point c) {
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

// The rectangle a strip of four vertices makes when two of them are opposite corners joined
// by the shared edge and u follows x, v follows y alone.
bool DrawAlignedQuad(const RasterState& state, const TLVertex* v) {
    const TLVertex& b = v[1];
    const TLVertex& c = v[2];
    if (b.x == c.x || b.y == c.y) return false;
    const TLVertex& a = v[0];
    const TLVertex& d = v[3];
    const bool aOnB = a.x == b.x && a.y == c.y && d.x == c.x && d.y == b.y;
    const bool aOnC = a.x == c.x && a.y == b.y && d.x == b.x && d.y == c.y;
    if (!aOnB && !aOnC) return false;
    // u alike along each vertical edge, v along each horizontal one.
    const TLVertex& sameXAsB = aOnB ? a : d;
    const TLVertex& sameYAsB = aOnB ? d : a;
    if (sameXAsB.u != b.u || sameYAsB.v != b.v) return false;
    if (aOnB ? (d.u != c.u || a.v != c.v) : (a.u != c.u || d.v != c.v)) return false;

    const Point pa = Snap(a);
    const Point pb = Snap(b);
    const Point pc = Snap(c);
    if (Culled(state.cull, Area(pa, pb, pc))) return true;

    const TLVertex& l = b.x < c.x ? b : c;
    const TLVertex& r = b.x < c.x ? c : b;
    const TLVertex& t = b.y < c.y ? b : c;
    const TLVertex& bo = b.y < c.y ? c : b;
    const std::int64_t x0 = std::max<std::int64_t>(FirstCentreFrom(Snap(l).x), state.clip.left);
    const std::int64_t x1 = std::min<std::int64_t>(FirstCentreFrom(Snap(r).x), state.clip.right);
    const std::int64_t y0 = std::max<std::int64_t>(FirstCentreFrom(Snap(t).y), state.clip.top);
    const std::int64_t y1 = std::min<std::int64_t>(FirstCentreFrom(Snap(bo).y), state.clip.bottom);
    if (x0 >= x1 || y0 >= y1) return true;

    const int tw = state.texture.width;
    const int th = state.texture.height;
    const double lx = l.x;
    const double ty = t.y;
    const double du = (static_cast<double>(r.u) - l.u) / (static_cast<double>(r.x) - lx);
    const double dv = (static_cast<double>(bo.v) - t.v) / (static_cast<double>(bo.y) - ty);
    Shader shader(state, ChooseFilter(state, du * tw * du * tw * dv * th * dv * th));
    if (!shader.Supported()) return false;

    std::vector<Tap> columns(static_cast<std::size_t>(x1 - x0));
    for (std::int64_t i = x0; i < x1; ++i) {
        const double u = l.u + (static_cast<double>(i) + 0.5 - lx) * du;
        columns[static_cast<std::size_t>(i - x0)] = MakeTap(TexelFixed(u * tw - 0.5), tw);
    }
    for (std::int64_t j = y0; j < y1; ++j) {
        const double vv = t.v + (static_cast<double>(j) + 0.5 - ty) * dv;
        shader.Row(static_cast<int>(j), static_cast<int>(x0), static_cast<int>(x1), columns.data(),
                   MakeTap(TexelFixed(vv * th - 0.5), th));
    }
    return true;
}

// Any triangle: edge tests per pixel, u and v from the plane through the three vertices.
bool DrawTriangle(const RasterState& state, const TLVertex& va, const TLVertex& vb,
                  const TLVertex& vc) {
    Point p[3] = {Snap(va), Snap(vb), Snap(vc)};
    const TLVertex* v[3] = {&va, &vb, &vc};
    std::int64_t area = Area(p[0], p[1], p[2]);
    if (area == 0 || Culled(state.cull, area)) return true;
    if (area < 0) {
        std::swap(p[1], p[2]);
        std::swap(v[1], v[2]);
        area = -area;
    }
    const std::int64_t minX = std::min({p[0].x, p[1].x, p[2].x});
    const std::int64_t maxX = std::max({p[0].x, p[1].x, p[2].x});
    const std::int64_t minY = std::min({p[0].y, p[1].y, p[2].y});
    const std::int64_t maxY = std::max({p[0].y, p[1].y, p[2].y});
    const std::int64_t x0 = std::max<std::int64_t>(FirstCentreFrom(minX), state.clip.left);
    const std::int64_t x1 = std::min<std::int64_t>(FirstCentreFrom(maxX + 1), state.clip.right);
    const std::int64_t y0 = std::max<std::int64_t>(FirstCentreFrom(minY), state.clip.top);
    const std::int64_t y1 = std::min<std::int64_t>(FirstCentreFrom(maxY + 1), state.clip.bottom);
    if (x0 >= x1 || y0 >= y1) return true;

    // u and v as planes over the screen, from the unsnapped positions.
    const double ax = v[0]->x, ay = v[0]->y;
    const double e1x = v[1]->x - ax, e1y = v[1]->y - ay;
    const double e2x = v[2]->x - ax, e2y = v[2]->y - ay;
    const double det = e1x * e2y - e2x * e1y;
    if (det == 0.0 || !std::isfinite(det)) return true;
    const int tw = state.texture.width;
    const int th = state.texture.height;
    const auto plane = [&](double q0, double q1, double q2, double& gx, double& gy) {
        const double d1 = q1 - q0;
        const double d2 = q2 - q0;
        gx = (d1 * e2y - d2 * e1y) / det;
        gy = (d2 * e1x - d1 * e2x) / det;
    };
    double ux = 0, uy = 0, vx = 0, vy = 0;
    plane(v[0]->u, v[1]->u, v[2]->u, ux, uy);
    plane(v[0]->v, v[1]->v, v[2]->v, vx, vy);
    const double jacobian = (ux * vy - uy * vx) * tw * th;
    Shader shader(state, ChooseFilter(state, jacobian * jacobian));
    if (!shader.Supported()) return false;

    // Edge i runs from p[i] to p[i + 1]; centres on a top or left edge are inside.
    std::int64_t bias[3];
    for (int i = 0; i < 3; ++i) {
        const Point& s = p[i];
        const Point& e = p[(i + 1) % 3];
        const bool top = e.y == s.y && e.x > s.x;
        const bool left = e.y < s.y;
        bias[i] = top || left ? 0 : 1;
    }
    const auto edge = [&](int i, std::int64_t px, std::int64_t py) {
        const Point& s = p[i];
        const Point& e = p[(i + 1) % 3];
        return (e.x - s.x) * (py - s.y) - (e.y - s.y) * (px - s.x);
    };
    std::vector<Tap> one(1);
    for (std::int64_t j = y0; j < y1; ++j) {
        const std::int64_t py = j * kSub + kHalf;
        for (std::int64_t i = x0; i < x1; ++i) {
            const std::int64_t px = i * kSub + kHalf;
            if (edge(0, px, py) < bias[0] || edge(1, px, py) < bias[1] ||
                edge(2, px, py) < bias[2]) {
                continue;
            }
            const double cx = static_cast<double>(i) + 0.5 - ax;
            const double cy = static_cast<double>(j) + 0.5 - ay;
            const double u = v[0]->u + ux * cx + uy * cy;
            const double vv = v[0]->v + vx * cx + vy * cy;
            one[0] = MakeTap(TexelFixed(u * tw - 0.5), tw);
            shader.Row(static_cast<int>(j), static_cast<int>(i), static_cast<int>(i) + 1,
                       one.data(), MakeTap(TexelFixed(vv * th - 0.5), th));
        }
    }
    return true;
}

}  // namespace

bool DrawTriangleStrip(const RasterState& state, const TLVertex* vertices, int count) {
    if (vertices == nullptr || count < 3) return true;
    if (state.texture.bits == nullptr || state.texture.width <= 0 || state.texture.height <= 0) {
        return true;
    }
    for (int i = 0; i < count; ++i) {
        if (!Usable(vertices[i])) return true;
    }
    RasterState clipped = state;
    clipped.clip.Intersect(Rect{0, 0, state.target.width, state.target.height});
    if (clipped.clip.left >= clipped.clip.right || clipped.clip.top >= clipped.clip.bottom) {
        return true;
    }
    if (count == 4) {
        if (const bool aligned = DrawAlignedQuad(clipped, vertices); aligned) return true;
    }
    for (int i = 0; i + 2 < count; ++i) {
        // Every second triangle of a strip runs the other way round; turned back, all share
        // one winding.
        const TLVertex& a = vertices[i];
        const TLVertex& b = vertices[i + 1 + (i % 2)];
        const TLVertex& c = vertices[i + 2 - (i % 2)];
        if (!DrawTriangle(clipped, a, b, c)) return false;
    }
    return true;
}

}  // namespace gfx
