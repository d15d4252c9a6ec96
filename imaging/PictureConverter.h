#pragma once

#include <cstdint>

#include "imaging/PictureInfo.h"

namespace platform {
struct PixelFormat;
}

// Turns one decoded row (1, 4, 8 bits with a palette; 16 bits as 5-5-5 or 5-6-5; 24 or 32
// bits as red, green, blue(, alpha) bytes) into a 16-bit (4-4-4, 5-5-5, 5-6-5, red in the
// high bits), 24-bit (blue, green, red) or 32-bit (blue, green, red, 0) destination row.
// Only the destination's bits per pixel and green bit count choose the conversion.
class PictureConverter {
public:
    void SetPixelFormat(const platform::PixelFormat& format);
    void SetPictureFormat(const PictureInfo& info);

    // Converts count pixels. Unsupported combinations write a debug line and leave the
    // destination as it was. The 32-bit flag is unused.
    void Convert(const std::uint8_t* source, std::uint8_t* destination,
                 const std::uint32_t* palette, int count, int sourceBits, int redShift,
                 int greenShift, int blueShift, int redBits, int greenBits, int blueBits,
                 int flag32 = 0) const;
    // The same, with the source described by a decoder's description.
    void Convert(const std::uint8_t* source, std::uint8_t* destination, const PictureInfo& from,
                 int count) const;

    // Converts count pixels of a blue-green-red row of 24 bits, the order some decoders
    // produce colour rows in.
    void ConvertBgr24(const std::uint8_t* source, std::uint8_t* destination, int count) const;

    int bitsPerPixel = 0;
    int redShift = 0;
    int greenShift = 0;
    int blueShift = 0;
    int alphaShift = 0;
    int redBits = 0;
    int greenBits = 0;
    int blueBits = 0;
    int alphaBits = 0;

private:
    void Write16Bit(const std::uint8_t* source, std::uint8_t* destination,
                    const std::uint32_t* palette, int count, int sourceBits,
                    int sourceGreenBits) const;
    void Write24Bit(const std::uint8_t* source, std::uint8_t* destination,
                    const std::uint32_t* palette, int count, int sourceBits,
                    int sourceGreenBits) const;
    void Write32Bit(const std::uint8_t* source, std::uint8_t* destination,
                    const std::uint32_t* palette, int count, int sourceBits,
                    int sourceGreenBits) const;
};
