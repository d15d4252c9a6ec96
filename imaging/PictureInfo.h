#pragma once

#include <cstdint>
#include <vector>

namespace platform {
struct BitmapInfoHeader;
}

// The description of a decoded picture. The palette (256 entries of red, green, blue, 0
// with red in the low byte) is held by value, so a description stays valid after the
// decoder that filled it is gone; it is empty for pictures of more than 8 bits per pixel.
struct PictureInfo {
    std::uint8_t* pixels = nullptr;  // first row; set by the caller where it matters
    std::vector<std::uint32_t> palette;
    int width = 0;
    int height = 0;
    int rowBytes = 0;  // negative for a bottom-up bitmap whose pixels point at its top row
    int bitsPerPixel = 0;
    int alphaShift = 0;
    int redShift = 0;
    int greenShift = 0;
    int blueShift = 0;
    int alphaBits = 0;
    int redBits = 0;
    int greenBits = 0;
    int blueBits = 0;

    const std::uint32_t* PaletteData() const { return palette.empty() ? nullptr : palette.data(); }

    // Describes red-green-blue byte rows of 24 bits, the decoders' common output.
    void SetRgb24(int w, int h);
    // A gray palette: entry i is i * 0x010101.
    void SetGrayPalette();

    // Describes a bitmap the studio rendered itself, from its header and the colour table
    // (blue, green, red, 0 entries) that follows it. Row bytes are the bitmap's stride,
    // negative for a bottom-up bitmap; pixels and palette pointers are left for the caller.
    void SetFromBitmapInfoHeader(const platform::BitmapInfoHeader& header,
                                 const std::uint32_t* colourTable);
};

// Swaps a red-green-blue entry into a blue-green-red one and back.
inline std::uint32_t SwapRedBlue(std::uint32_t c) {
    return (c & 0xFF00FF00u) | ((c & 0xFFu) << 16) | ((c >> 16) & 0xFFu);
}
