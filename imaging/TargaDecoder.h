#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/ImageDecoder.h"

// Colour-mapped, true-colour and gray Targa files, plain or run-length encoded (image
// types 1, 2, 3, 9, 10, 11). Delivers red-green-blue rows of 24 bits, top row first and
// leftmost pixel first, whichever order the file stores them in.
class TargaDecoder final : public ImageDecoder {
public:
    bool ReadHead() override;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter) override;
    bool ReadLine(std::uint8_t* destination) override;

private:
    enum class Reader { ColourMap, Rgb16, TrueColour, Gray };

    bool ReadColourMap(int length, int entryBits);
    bool ReadPixel(std::uint8_t* rgb);
    bool NextPixel(std::uint8_t* rgb);
    bool DecodeAll();
    void MirrorRows();
    const std::uint8_t* OutputRow(int i) const;

    Reader reader_ = Reader::TrueColour;
    bool encoded_ = false;
    bool bottomUp_ = true;
    bool rightToLeft_ = false;
    int bytesPerPixel_ = 0;
    std::array<std::uint8_t, 256> red_{};
    std::array<std::uint8_t, 256> green_{};
    std::array<std::uint8_t, 256> blue_{};
    int repeatLeft_ = 0;
    int rawLeft_ = 0;
    std::array<std::uint8_t, 3> current_{};
    std::vector<std::uint8_t> picture_;
    enum class State { Header, Decoded, Failed } state_ = State::Header;
    bool complete_ = false;
    int rowsOut_ = 0;
};
