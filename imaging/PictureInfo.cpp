#include "imaging/PictureInfo.h"

#include "platform/bitmap/DibSection.h"

void PictureInfo::SetRgb24(int w, int h) {
    width = w;
    height = h;
    rowBytes = w * 3;
    bitsPerPixel = 24;
    palette.clear();
    alphaShift = 0;
    alphaBits = 0;
    redShift = 16;
    greenShift = 8;
    blueShift = 0;
    redBits = greenBits = blueBits = 8;
}

void PictureInfo::SetGrayPalette() {
    palette.resize(256);
    for (std::uint32_t i = 0; i < 256; ++i) palette[i] = i * 0x010101u;
}

void PictureInfo::SetFromBitmapInfoHeader(const platform::BitmapInfoHeader& header,
                                          const std::uint32_t* colourTable) {
    width = header.width;
    height = header.height < 0 ? -header.height : header.height;
    const auto stride =
        static_cast<int>(platform::DibSection::MinimumStride(width, header.bitCount));
    rowBytes = header.height < 0 ? stride : -stride;
    bitsPerPixel = header.bitCount;
    pixels = nullptr;
    palette.clear();
    alphaShift = 0;
    alphaBits = 0;
    switch (bitsPerPixel) {
        case 8:
            palette.resize(256);
            for (int i = 0; i < 256; ++i) {
                palette[static_cast<std::size_t>(i)] =
                    colourTable != nullptr ? SwapRedBlue(colourTable[i]) : 0;
            }
            redShift = greenShift = blueShift = 0;
            redBits = greenBits = blueBits = 0;
            break;
        case 24:
            redShift = 0;
            greenShift = 8;
            blueShift = 16;
            redBits = greenBits = blueBits = 8;
            break;
        case 32:
            redShift = 16;
            greenShift = 8;
            blueShift = 0;
            redBits = greenBits = blueBits = 8;
            break;
        default:
            break;
    }
}
