#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// JPEG files made by the library itself, for the tests of the decoder, the writer and the
// IPTC block.
namespace jpeg_fixtures {

using Bytes = std::vector<std::uint8_t>;

enum class Colour { Rgb, Gray, Cmyk, Ycck };

struct Options {
    int width = 37;
    int height = 23;
    Colour colour = Colour::Rgb;
    bool progressive = false;
    int quality = 90;
    // Extra segments (marker code, data) written after the library's own header segments.
    std::vector<std::pair<int, Bytes>> markers;
};

// Smooth, varied content: components bytes a pixel.
Bytes Pattern(int width, int height, int components);

// Encodes pixels (3 bytes a pixel, or 1 for gray, 4 for CMYK and YCCK input).
Bytes Encode(const Options& options, const Bytes& pixels);
Bytes Encode(const Options& options);

// Decodes with the library alone into packed rows (red, green, blue or gray).
Bytes Decode(const Bytes& jpeg, int scaleDenominator = 1, int* width = nullptr,
             int* height = nullptr);

// The data of an APP13 segment holding the given image resources, each (id, data).
Bytes Photoshop(const std::vector<std::pair<int, Bytes>>& resources);
// One record 2 dataset.
Bytes DataSet(int number, const std::string& text, int record = 2);

std::string AsString(const Bytes& bytes);
Bytes AsBytes(const std::string& text);

}  // namespace jpeg_fixtures
