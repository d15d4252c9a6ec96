#pragma once

#include <cstdint>

#include "geometry/Geometry.h"
#include "platform/gfx/Framebuffer.h"

// Reading, writing and moving pixels of any RGB layout of 16, 24 or 32 bits. Blits and the
// rasteriser share these, so a stretched blit and a drawn quad agree to the pixel.
namespace gfx {

struct Rgba {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    std::uint8_t a = 255;

    bool operator==(const Rgba&) const = default;
};

// One layout's channels, taken from its masks. Channels narrower than 8 bits widen by
// repeating their top bits, so full intensity stays full (0x1F becomes 0xFF); they narrow
// by keeping the top bits.
class PixelCodec {
public:
    explicit PixelCodec(const platform::PixelFormat& format);

    // 16, 24 or 32 bits with red, green and blue masks inside the pixel.
    bool Supported() const { return supported_; }
    int BytesPerPixel() const { return bytes_; }

    std::uint32_t Read(const std::uint8_t* pixel) const;
    void Write(std::uint8_t* pixel, std::uint32_t value) const;
    Rgba Unpack(std::uint32_t value) const;
    // A layout without alpha ignores a; its unused bits stay 0.
    std::uint32_t Pack(Rgba colour) const;

private:
    struct Channel {
        std::uint32_t mask = 0;
        int shift = 0;
        int width = 0;
    };
    static Channel Describe(std::uint32_t mask);
    static std::uint8_t Widen(std::uint32_t value, const Channel& channel);
    static std::uint32_t Narrow(std::uint8_t value, const Channel& channel);

    Channel red_, green_, blue_, alpha_;
    int bytes_ = 0;
    bool supported_ = false;
};

// The address of pixel (x, y); the caller keeps it inside.
inline std::uint8_t* PixelAddress(const platform::SurfacePixels& pixels, int x, int y) {
    return pixels.bits + y * pixels.pitch +
           static_cast<std::ptrdiff_t>(x) *
               static_cast<std::ptrdiff_t>(pixels.format.rgbBitCount / 8);
}

// The colour at a point given in 16.16 fixed point, where whole numbers are pixel centres:
// the four nearest pixels weighted by the fractions (taken to 8 bits), each channel rounded
// to nearest. Points beyond the edges take the edge pixels. A point halfway between four
// pixels gives their average, so halving a picture averages each 2 x 2 block.
Rgba SampleBilinear(const platform::SurfacePixels& source, const PixelCodec& codec, std::int32_t u,
                    std::int32_t v);

// The source coordinate, in 16.16 fixed point, whose colour lands on destination pixel i of
// a span of `destLength` pixels drawn from `sourceLength` source pixels (both spans start at
// 0): pixel centres map onto pixel centres.
std::int32_t SpanSample(int i, int destLength, int sourceLength);

// A blit: `sourceRect` of `source` drawn onto `destRect` of the destination, scaled to fit,
// writing only the destination pixels inside `destClip`. Clipping therefore never shifts
// what lands where. A scaled blit is filtered bilinearly within the source rectangle, except
// with a colour key: a filtered pixel would mix keyed and kept colours, so it takes the
// nearest one. Both rectangles must lie inside their pixels; the layouts may differ.
struct BlitRequest {
    const platform::SurfacePixels* source = nullptr;
    Rect sourceRect;
    Rect destRect;
    Rect destClip;
    bool colourKey = false;
    std::uint32_t keyLow = 0;  // source pixel values in [low, high] are left out
    std::uint32_t keyHigh = 0;
};

// False, with nothing written, for a layout it cannot read or write. A source that overlaps
// the destination is read as it was before the blit.
bool Blit(const platform::SurfacePixels& dest, const BlitRequest& request);

// Sets every pixel of the rectangle (inside the pixels) to a value of their layout.
void FillPixels(const platform::SurfacePixels& dest, const Rect& rect, std::uint32_t value);

}  // namespace gfx
