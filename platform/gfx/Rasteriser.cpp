#include "platform/gfx/Rasteriser.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "platform/gfx/Pixels.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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
    tap.nearest =
        static_cast<int>(std::clamp<std::int64_t>((std::int64_t{s} + 32768) >> 16, 0, size - 1));
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
            if (raw_ && bytes == 4) {
                auto* out32 = reinterpret_cast<std::uint32_t*>(out);
                const auto* line32 = reinterpret_cast<const std::uint32_t*>(line);
                for (int i = 0; i < x1 - x0; ++i) out32[i] = line32[columns[i].nearest];
                return;
            }
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
    // The four channels 16 bits apart: a weighted sum of two texels (weights adding to 256)
    // fills each lane without reaching the next.
    static std::uint64_t Lanes(std::uint32_t c) {
        const std::uint64_t w = c;
        return (w & 0xFF) | (w & 0xFF00) << 8 | (w & 0xFF0000) << 16 | (w & 0xFF000000u) << 24;
    }

    // The blits' bilinear rounding, done rows first: the sum of the four weighted texels is
    // the same either way, and one row's blend then serves every pixel of the span (and the
    // next row too when it reads the same texels with the same weight).
    void Linear8888(std::uint32_t* out, int count, const Tap* columns, const Tap& row) {
        const platform::SurfacePixels& tex = state_.texture;
        const int left = std::min(columns[0].first, columns[count - 1].first);
        const int right = std::max(columns[0].first, columns[count - 1].first) + 1;
        if (row.first != blendRow_ || row.weight != blendWeight_ || left < blendLeft_ ||
            right > blendRight_) {
            const auto* top =
                reinterpret_cast<const std::uint32_t*>(tex.bits + row.first * tex.pitch);
            const auto* bottom =
                reinterpret_cast<const std::uint32_t*>(tex.bits + row.second * tex.pitch);
            // One texel past the edge repeats it, so every pixel may read its right
            // neighbour (with weight 0 at the edge).
            blend_.resize(static_cast<std::size_t>(tex.width) + 1);
            const std::uint64_t wt = 256 - row.weight;
            const std::uint64_t wb = row.weight;
            const int last = std::min(right, tex.width - 1);
            std::uint64_t* rows = blend_.data();
            int k = left;
#if defined(__SSE2__)
            // Four texels at once: bytes widened to 16-bit lanes are the same lanes.
            const __m128i zero = _mm_setzero_si128();
            const __m128i topWeight = _mm_set1_epi16(static_cast<short>(wt));
            const __m128i bottomWeight = _mm_set1_epi16(static_cast<short>(wb));
            for (; k + 3 <= last; k += 4) {
                const __m128i t = _mm_loadu_si128(reinterpret_cast<const __m128i*>(top + k));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bottom + k));
                const __m128i lo =
                    _mm_add_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(t, zero), topWeight),
                                  _mm_mullo_epi16(_mm_unpacklo_epi8(b, zero), bottomWeight));
                const __m128i hi =
                    _mm_add_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(t, zero), topWeight),
                                  _mm_mullo_epi16(_mm_unpackhi_epi8(b, zero), bottomWeight));
                _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + k), lo);
                _mm_storeu_si128(reinterpret_cast<__m128i*>(rows + k + 2), hi);
            }
#endif
            for (; k <= last; ++k) rows[k] = Lanes(top[k]) * wt + Lanes(bottom[k]) * wb;
            if (right > last) rows[right] = rows[last];
            blendRow_ = row.first;
            blendWeight_ = row.weight;
            blendLeft_ = left;
            blendRight_ = right;
        }
        const std::uint32_t alphaFill = state_.texture.format.alphaMask == 0 ? 0xFF000000u : 0;
        const std::uint32_t keep = state_.target.format.alphaMask == 0 ? 0x00FFFFFFu : 0xFFFFFFFFu;
        constexpr std::uint64_t kPair = 0x0000FFFF0000FFFFull;
        constexpr std::uint64_t kRound = 0x0000800000008000ull;
        const std::uint64_t* blend = blend_.data();
        int i = 0;
#if defined(__SSE2__)
        // Two pixels at once, the same sums in 32-bit lanes.
        const __m128i round = _mm_set1_epi32(32768);
        const __m128i fill = _mm_set1_epi32(static_cast<int>(alphaFill));
        const __m128i mask = _mm_set1_epi32(static_cast<int>(keep));
        for (; i + 1 < count; i += 2) {
            const Tap& c0 = columns[i];
            const Tap& c1 = columns[i + 1];
            const __m128i a = _mm_set_epi64x(static_cast<long long>(blend[c1.first]),
                                             static_cast<long long>(blend[c0.first]));
            const __m128i b = _mm_set_epi64x(static_cast<long long>(blend[c1.first + 1]),
                                             static_cast<long long>(blend[c0.first + 1]));
            const auto l0 = static_cast<short>(256 - c0.weight);
            const auto l1 = static_cast<short>(256 - c1.weight);
            const auto r0 = static_cast<short>(c0.weight);
            const auto r1 = static_cast<short>(c1.weight);
            const __m128i wl = _mm_set_epi16(l1, l1, l1, l1, l0, l0, l0, l0);
            const __m128i wr = _mm_set_epi16(r1, r1, r1, r1, r0, r0, r0, r0);
            const __m128i alo = _mm_mullo_epi16(a, wl);
            const __m128i ahi = _mm_mulhi_epu16(a, wl);
            const __m128i blo = _mm_mullo_epi16(b, wr);
            const __m128i bhi = _mm_mulhi_epu16(b, wr);
            __m128i p0 = _mm_add_epi32(_mm_unpacklo_epi16(alo, ahi), _mm_unpacklo_epi16(blo, bhi));
            __m128i p1 = _mm_add_epi32(_mm_unpackhi_epi16(alo, ahi), _mm_unpackhi_epi16(blo, bhi));
            p0 = _mm_srli_epi32(_mm_add_epi32(p0, round), 16);
            p1 = _mm_srli_epi32(_mm_add_epi32(p1, round), 16);
            __m128i bytes = _mm_packs_epi32(p0, p1);
            bytes = _mm_packus_epi16(bytes, bytes);
            bytes = _mm_and_si128(_mm_or_si128(bytes, fill), mask);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), bytes);
        }
#endif
        for (; i < count; ++i) {
            const Tap& c = columns[i];
            const std::uint64_t wl = 256 - c.weight;
            const std::uint64_t wr = c.weight;
            const std::uint64_t a = blend[c.first];
            const std::uint64_t b = blend[c.first + 1];
            // Blue and red, then green and alpha, each pair 32 bits apart.
            const std::uint64_t br = (a & kPair) * wl + (b & kPair) * wr + kRound;
            const std::uint64_t ga = (a >> 16 & kPair) * wl + (b >> 16 & kPair) * wr + kRound;
            const std::uint64_t mixed =
                (br >> 16 & 0x000000FF000000FFull) | (ga >> 8 & 0x0000FF000000FF00ull);
            const auto value =
                static_cast<std::uint32_t>(mixed) | static_cast<std::uint32_t>(mixed >> 32) << 16;
            out[i] = (value | alphaFill) & keep;
        }
    }

    const RasterState& state_;
    PixelCodec from_;
    PixelCodec to_;
    TextureFilter filter_;
    bool raw_;
    bool fast8888_;
    // Kept from draw to draw: a frame draws many quads.
    static thread_local std::vector<std::uint64_t> blend_;
    int blendRow_ = -1;
    std::uint32_t blendWeight_ = 0;
    int blendLeft_ = 0;
    int blendRight_ = -1;
};

thread_local std::vector<std::uint64_t> Shader::blend_;

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

    thread_local std::vector<Tap> columns;
    columns.resize(static_cast<std::size_t>(x1 - x0));
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
