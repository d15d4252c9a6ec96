#include "imaging/PngDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/PngWriter.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_pictures::PngPicture;
using test_pictures::WritePng;

// A 13 x 11 picture with a pattern of samples, and the rows the decoder is expected to
// deliver: 16-bit samples cut to their high byte, 2-bit samples one a byte, others as stored.
std::pair<Bytes, Bytes> MakeFile(int colourType, int depth, bool interlaced = false) {
    constexpr int kChannels[] = {1, 0, 3, 1, 2, 0, 4};
    PngPicture p{13, 11, depth, colourType, interlaced};
    for (int i = 0; colourType == 3 && i < (1 << depth); ++i)
        p.palette.push_back({std::uint8_t(255 - i), std::uint8_t(i * 3), std::uint8_t(i)});
    const int perByte = depth < 8 ? 8 / depth : 1;
    Bytes expected;
    for (int y = 0; y < p.height; ++y) {
        Bytes packed;
        for (int i = 0; i < p.width * kChannels[colourType]; ++i) {
            const int v = i * 7919 + y * 104729;
            const int sample = depth == 16 ? v % 65536 : v % (1 << depth);
            if (depth == 16) {
                packed.insert(packed.end(), {std::uint8_t(sample >> 8), std::uint8_t(sample)});
                expected.push_back(static_cast<std::uint8_t>(sample >> 8));
                continue;
            }
            if (i % perByte == 0) packed.push_back(0);
            packed.back() |= static_cast<std::uint8_t>(sample << (8 - depth * (i % perByte + 1)));
            if (depth == 2) expected.push_back(static_cast<std::uint8_t>(sample));
        }
        if (depth != 16 && depth != 2)
            expected.insert(expected.end(), packed.begin(), packed.end());
        p.rows.push_back(packed);
    }
    return {WritePng(p), expected};
}

enum class Route { Image, Lines, Stream };

// The rows by one route; false when the header or the rows failed.
bool Decode(const Bytes& file, Bytes& rows, PictureInfo* info = nullptr,
            Route route = Route::Image) {
    PngDecoder decoder;
    ChunkStream stream(file, 5);
    if (route == Route::Stream) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    rows.clear();
    if (!decoder.ReadHead()) return false;
    if (info != nullptr) *info = decoder.GetInfo();
    const auto rowBytes = static_cast<std::size_t>(decoder.GetInfo().rowBytes);
    const auto height = static_cast<std::size_t>(decoder.GetInfo().height);
    rows.assign(rowBytes * height, 0);
    if (route != Route::Lines)
        return decoder.ReadImage(rows.data(), decoder.GetInfo().rowBytes, nullptr);
    std::size_t row = 0;
    while (decoder.ReadLine(rows.data() + row * rowBytes)) ++row;
    return row + 1 == height;
}

TEST(PngDecoder, EveryColourTypeAndDepthInTheFilesOwnLayout) {
    const std::tuple<int, int, int> cases[] = {
        {0, 1, 1}, {0, 2, 8}, {0, 4, 4}, {0, 8, 8}, {0, 16, 8}, {2, 8, 24}, {2, 16, 24},
        {3, 1, 1}, {3, 2, 8}, {3, 4, 4}, {3, 8, 8}, {6, 8, 32}, {6, 16, 32}};
    for (const auto& [colourType, depth, bitsPerPixel] : cases) {
        for (bool interlaced : {false, true}) {
            SCOPED_TRACE(testing::Message() << "colour type " << colourType << " depth " << depth
                                            << (interlaced ? " interlaced" : ""));
            const auto [file, expected] = MakeFile(colourType, depth, interlaced);
            for (Route route : {Route::Image, Route::Lines, Route::Stream}) {
                Bytes rows;
                PictureInfo info;
                EXPECT_TRUE(Decode(file, rows, &info, route));
                EXPECT_EQ(info.bitsPerPixel, bitsPerPixel);
                EXPECT_EQ(rows, expected);
                // Gray levels spread over the full range.
                const int levels = 1 << std::min(depth, 8);
                for (int i = 0; colourType == 0 && i < levels; ++i)
                    EXPECT_EQ(info.palette[i], std::uint32_t(i * 255 / (levels - 1)) * 0x010101u);
            }
        }
    }
}

TEST(PngDecoder, TwoBitPalettePicturesLoadWithTheirColours) {
    testing_support::TempDir dir;
    // The palette is red, green, blue; the colour table blue, green, red.
    const Bytes bytes =
        WritePng({3, 1, 2, 3, false, {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}}, {{0x24}}});
    auto dib = LoadPictureAsDIB(dir.Write("pic.png", std::string(bytes.begin(), bytes.end())),
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(std::vector<std::uint32_t>(dib->colours().begin(), dib->colours().begin() + 3),
              (std::vector<std::uint32_t>{0xFF0000u, 0x00FF00u, 0x0000FFu}));
    EXPECT_EQ(dib->bitCount(), 8);
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 3), (Bytes{0, 2, 1}));
}

TEST(PngDecoder, LibraryWarningsAndErrorsStayInside) {
    const auto [file, expected] = MakeFile(2, 8);
    testing_support::DebugCapture capture;
    // A damaged ancillary chunk (a wrong checksum) is only a warning.
    const Bytes text{0, 0, 0, 1, 't', 'E', 'X', 't', 'x', 0xDE, 0xAD, 0xBE, 0xEF};
    Bytes warned = file, rows;
    warned.insert(warned.begin() + 33, text.begin(), text.end());
    EXPECT_TRUE(Decode(warned, rows));
    EXPECT_EQ(rows, expected);
    EXPECT_TRUE(capture.Contains("png read warning\n"));

    // Cut inside the pixel data: the header reads, the rows fail, nothing escapes.
    capture.Clear();
    const Bytes cut(file.begin(), file.end() - 40);
    EXPECT_FALSE(Decode(cut, rows));
    EXPECT_FALSE(rows.empty());
    EXPECT_TRUE(capture.Contains("Error reading data for png picture\n"));
    EXPECT_TRUE(capture.Contains("Serious png error\n"));
    EXPECT_FALSE(Decode(Bytes(file.begin(), file.begin() + 20), rows));
    PngDecoder noSource;
    EXPECT_FALSE(noSource.ReadHead());
    capture.Clear();
    EXPECT_FALSE(Decode(MakeFile(4, 8).first, rows));  // gray with alpha
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Unsupported source bitdepth\n"});
}

}  // namespace
