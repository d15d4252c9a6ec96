#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace test_pictures {

// A PNG to be written through libpng: rows hold the samples packed as the file stores them
// (several pixels a byte below 8 bits, 16-bit samples most significant byte first).
struct PngPicture {
    int width = 1;
    int height = 1;
    int bitDepth = 8;
    int colourType =
        2;  // 0 gray, 2 red-green-blue, 3 palette, 4 gray-alpha, 6 red-green-blue-alpha
    bool interlaced = false;
    std::vector<std::array<std::uint8_t, 3>> palette{};
    std::vector<std::vector<std::uint8_t>> rows{};
    int compressionLevel = 6;
};

// The file's bytes; empty when libpng refused the picture.
std::vector<std::uint8_t> WritePng(const PngPicture& picture);

}  // namespace test_pictures
