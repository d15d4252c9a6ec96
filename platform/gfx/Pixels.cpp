#include "platform/gfx/Pixels.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <utility>
#include <vector>

namespace gfx {

PixelCodec::PixelCodec(const platform::PixelFormat& format)
    : red_(Describe(format.redMask)),
      green_(Describe(format.greenMask)),
      blue_(Describe(format.blueMask)),
      alpha_(Describe(format.alphaMask)),
      bytes_(static_cast<int>(format.rgbBitCount / 8)) {
    const std::uint32_t bits = format.rgbBitCount;
    const std::uint64_t room = (std::uint64_t{1} << bits) - 1;
    const std::uint64_t all =
        std::uint64_t{format.redMask} | format.greenMask | format.blueMask | format.alphaMask;
    supported_ = (bits == 16 || bits == 24 || bits == 32) && red_.width > 0 && green_.width > 0 &&
                 blue_.width > 0 && (all & ~room) == 0;
}

PixelCodec::Channel PixelCodec::Describe(std::uint32_t mask) {
    Channel channel;
    channel.mask = mask;
    if (mask != 0) {
        channel.shift = std::countr_zero(mask);
        channel.width = std::popcount(mask);
    }
    return channel;
}

std::uint8_t PixelCodec::Widen(std::uint32_t value, const Channel& channel) {
    if (channel.width == 0) return 255;
    std::uint32_t v = (value & channel.mask) >> channel.shift;
    if (channel.width >= 8) return static_cast<std::uint8_t>(v >> (channel.width - 8));
    // Repeats the bits down to fill 8.
    std::uint32_t wide = 0;
    int filled = 0;
    while (filled < 8) {
        wide = (wide << channel.width) | v;
        filled += channel.width;
    }
    return static_cast<std::uint8_t>(wide >> (filled - 8));
}

std::uint32_t PixelCodec::Narrow(std::uint8_t value, const Channel& channel) {
    if (channel.width == 0) return 0;
    const std::uint32_t v = channel.width >= 8 ? std::uint32_t{value} << (channel.width - 8)
                                               : std::uint32_t{value} >> (8 - channel.width);
    return (v << channel.shift) & channel.mask;
}

std::uint32_t PixelCodec::Read(const std::uint8_t* pixel) const {
    switch (bytes_) {
        case 2:
            return std::uint32_t{pixel[0]} | std::uint32_t{pixel[1]} << 8;
        case 3:
            return std::uint32_t{pixel[0]} | std::uint32_t{pixel[1]} << 8 |
                   std::uint32_t{pixel[2]} << 16;
        default:
            return std::uint32_t{pixel[0]} | std::uint32_t{pixel[1]} << 8 |
                   std::uint32_t{pixel[2]} << 16 | std::uint32_t{pixel[3]} << 24;
    }
}

void PixelCodec::Write(std::uint8_t* pixel, std::uint32_t value) const {
    for (int i = 0; i < bytes_; ++i) pixel[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

Rgba PixelCodec::Unpack(std::uint32_t value) const {
    return Rgba{Widen(value, red_), Widen(value, green_), Widen(value, blue_),
                Widen(value, alpha_)};
}

std::uint32_t PixelCodec::Pack(Rgba colour) const {
    return Narrow(colour.r, red_) | Narrow(colour.g, green_) | Narrow(colour.b, blue_) |
           Narrow(colour.a, alpha_);
}

Rgba SampleBilinear(const platform::SurfacePixels& source, const PixelCodec& codec, std::int32_t u,
                    std::int32_t v) {
    const std::int32_t maxU = (source.width - 1) * 65536;
    const std::int32_t maxV = (source.height - 1) * 65536;
    u = std::clamp(u, 0, maxU);
    v = std::clamp(v, 0, maxV);
    const int x0 = u >> 16;
    const int y0 = v >> 16;
    const int x1 = std::min(x0 + 1, source.width - 1);
    const int y1 = std::min(y0 + 1, source.height - 1);
    const std::uint32_t fx = (static_cast<std::uint32_t>(u) >> 8) & 0xFF;
    const std::uint32_t fy = (static_cast<std::uint32_t>(v) >> 8) & 0xFF;
    const Rgba c00 = codec.Unpack(codec.Read(PixelAddress(source, x0, y0)));
    const Rgba c10 = codec.Unpack(codec.Read(PixelAddress(source, x1, y0)));
    const Rgba c01 = codec.Unpack(codec.Read(PixelAddress(source, x0, y1)));
    const Rgba c11 = codec.Unpack(codec.Read(PixelAddress(source, x1, y1)));
    const auto mix = [&](std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
        const std::uint32_t top = a * (256 - fx) + b * fx;
        const std::uint32_t bottom = c * (256 - fx) + d * fx;
        return static_cast<std::uint8_t>((top * (256 - fy) + bottom * fy + 32768) >> 16);
    };
    return Rgba{mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g),
                mix(c00.b, c10.b, c01.b, c11.b), mix(c00.a, c10.a, c01.a, c11.a)};
}

std::int32_t SpanSample(int i, int destLength, int sourceLength) {
    const std::int64_t centre =
        ((2 * std::int64_t{i} + 1) * sourceLength * 65536) / (2 * std::int64_t{destLength});
    return static_cast<std::int32_t>(centre - 32768);
}

namespace {

// The pixels of a rectangle, seen as pixels of their own.
platform::SurfacePixels SubPixels(const platform::SurfacePixels& pixels, const Rect& rect) {
    platform::SurfacePixels part = pixels;
    part.bits = PixelAddress(pixels, rect.left, rect.top);
    part.width = rect.right - rect.left;
    part.height = rect.bottom - rect.top;
    return part;
}

bool Overlaps(const platform::SurfacePixels& a, const platform::SurfacePixels& b) {
    const auto span = [](const platform::SurfacePixels& p) {
        const auto* first = p.bits;
        const auto* last = p.bits + (p.height - 1) * p.pitch +
                           static_cast<std::ptrdiff_t>(p.width) * (p.format.rgbBitCount / 8);
        return std::pair{first, last};
    };
    const auto [a0, a1] = span(a);
    const auto [b0, b1] = span(b);
    return std::less<>()(a0, b1) && std::less<>()(b0, a1);
}

bool SameLayout(const platform::PixelFormat& a, const platform::PixelFormat& b) {
    return a.rgbBitCount == b.rgbBitCount && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask && a.alphaMask == b.alphaMask;
}

}  // namespace

bool Blit(const platform::SurfacePixels& dest, const BlitRequest& request) {
    const PixelCodec to(dest.format);
    const PixelCodec from(request.source->format);
    if (!to.Supported() || !from.Supported()) return false;
    Rect clip = request.destClip;
    clip.Intersect(request.destRect);
    if (clip.left >= clip.right || clip.top >= clip.bottom) return true;

    platform::SurfacePixels source = SubPixels(*request.source, request.sourceRect);
    // Reading what this blit has already overwritten would smear the picture.
    std::vector<std::uint8_t> copy;
    if (Overlaps(source, SubPixels(dest, clip))) {
        const std::size_t row = static_cast<std::size_t>(source.width) * from.BytesPerPixel();
        copy.resize(row * static_cast<std::size_t>(source.height));
        for (int y = 0; y < source.height; ++y) {
            std::memcpy(copy.data() + row * static_cast<std::size_t>(y),
                        source.bits + y * source.pitch, row);
        }
        source.bits = copy.data();
        source.pitch = static_cast<std::ptrdiff_t>(row);
    }

    const int dw = request.destRect.right - request.destRect.left;
    const int dh = request.destRect.bottom - request.destRect.top;
    const bool scaled = dw != source.width || dh != source.height;
    const bool raw = !scaled && !request.colourKey && SameLayout(dest.format, source.format);
    for (int y = clip.top; y < clip.bottom; ++y) {
        const int j = y - request.destRect.top;
        const std::int32_t v = SpanSample(j, dh, source.height);
        const int nearestY = std::clamp((v + 32768) >> 16, 0, source.height - 1);
        if (raw) {
            std::memcpy(PixelAddress(dest, clip.left, y),
                        PixelAddress(source, clip.left - request.destRect.left, j),
                        static_cast<std::size_t>(clip.right - clip.left) * to.BytesPerPixel());
            continue;
        }
        for (int x = clip.left; x < clip.right; ++x) {
            const int i = x - request.destRect.left;
            std::uint32_t value = 0;
            if (!scaled || request.colourKey) {
                const std::int32_t u = SpanSample(i, dw, source.width);
                const int nearestX = std::clamp((u + 32768) >> 16, 0, source.width - 1);
                value = from.Read(PixelAddress(source, nearestX, scaled ? nearestY : j));
                if (request.colourKey && value >= request.keyLow && value <= request.keyHigh) {
                    continue;
                }
                if (!SameLayout(dest.format, source.format)) value = to.Pack(from.Unpack(value));
            } else {
                value = to.Pack(SampleBilinear(source, from, SpanSample(i, dw, source.width), v));
            }
            to.Write(PixelAddress(dest, x, y), value);
        }
    }
    return true;
}

void FillPixels(const platform::SurfacePixels& dest, const Rect& rect, std::uint32_t value) {
    const int bytes = static_cast<int>(dest.format.rgbBitCount / 8);
    if (bytes <= 0 || rect.left >= rect.right || rect.top >= rect.bottom) return;
    // One row pixel by pixel; the others are copies of it.
    std::uint8_t* first = PixelAddress(dest, rect.left, rect.top);
    std::uint8_t* p = first;
    for (int x = rect.left; x < rect.right; ++x, p += bytes) {
        for (int b = 0; b < bytes; ++b) p[b] = static_cast<std::uint8_t>(value >> (8 * b));
    }
    const auto rowBytes = static_cast<std::size_t>(rect.right - rect.left) * bytes;
    for (int y = rect.top + 1; y < rect.bottom; ++y) {
        std::memcpy(PixelAddress(dest, rect.left, y), first, rowBytes);
    }
}

}  // namespace gfx
