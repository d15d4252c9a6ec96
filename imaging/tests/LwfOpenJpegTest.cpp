// The LuraWave decoder with the codec library built on OpenJPEG, on JPEG 2000 codestreams
// the tests encode themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/LwfDecoder.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "platform/bitmap/DibSection.h"
#include "platform/lwf/testing/LwfTesting.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using lwf_testing::EncodeJ2k;
using lwf_testing::J2kOptions;

const bool kOpenJpegCodec = lwf_testing::UseOpenJpegCodec();

// Ramps in the first two components and an 8-pixel checker in the third.
std::vector<int> Picture(int width, int height, int components) {
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int values[3] = {x * 255 / (width - 1), y * 255 / (height - 1),
                                   ((x / 8 + y / 8) % 2) * 200 + 20};
            samples.insert(samples.end(), values, values + components);
        }
    }
    return samples;
}

// Decodes with ReadImage (from a stream when chunk is not 0); no rows when anything failed.
Bytes Decode(const Bytes& file, Vector2<int> wanted = {0, 0}, PictureInfo* info = nullptr,
             std::size_t chunk = 0) {
    LwfDecoder decoder;
    ChunkStream stream(file, chunk);
    if (chunk > 0) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    decoder.SetWantedSize(wanted);
    if (!decoder.ReadHead()) return {};
    if (info != nullptr) *info = decoder.GetInfo();
    Bytes rows(static_cast<std::size_t>(decoder.GetInfo().rowBytes * decoder.GetInfo().height));
    return decoder.ReadImage(rows.data(), decoder.GetInfo().rowBytes, nullptr) ? rows : Bytes{};
}

Bytes AsBytes(const std::vector<int>& samples) {
    return {samples.begin(), samples.end()};
}

TEST(LwfDecoderOpenJpeg, DecodesGrayAndColourCodestreamsAndFilesToTheirSamples) {
    ASSERT_TRUE(kOpenJpegCodec);
    for (bool jp2 : {false, true}) {
        for (int components : {1, 3}) {
            const std::vector<int> samples = Picture(40, 30, components);
            PictureInfo info;
            const Bytes file = EncodeJ2k(samples, 40, 30, components, {.jp2 = jp2});
            EXPECT_EQ(Decode(file, {0, 0}, &info, jp2 ? 1000 : 0), AsBytes(samples)) << jp2;
            EXPECT_EQ(info.bitsPerPixel, components == 1 ? 8 : 24);
            EXPECT_EQ(info.palette.size(), components == 1 ? 256u : 0u);
        }
    }
    // Samples of other depths are spread over eight bits; signed ones shifted up.
    EXPECT_EQ(Decode(EncodeJ2k({0, 1, 8, 15}, 4, 1, 1, {.resolutions = 1, .precision = 4})),
              (Bytes{0, 17, 136, 255}));
    EXPECT_EQ(Decode(EncodeJ2k({-128, -1, 0, 127}, 4, 1, 1, {.resolutions = 1, .sgnd = true})),
              (Bytes{0, 127, 128, 255}));
}

TEST(LwfDecoderOpenJpeg, DownscalingMatchesOpenJpegsReducedDecoding) {
    const Bytes file = EncodeJ2k(Picture(250, 125, 3), 250, 125, 3, {.resolutions = 6});
    // OpenJPEG rounds halved sizes up; the decoder's sizes are rounded down.
    for (auto [wanted, reduce, width, height] :
         {std::tuple{Vector2<int>(100, 50), 1, 125, 62}, {{20, 10}, 3, 31, 15}}) {
        PictureInfo info;
        const Bytes rows = Decode(file, wanted, &info);
        EXPECT_EQ(info.width, width);
        EXPECT_EQ(info.height, height);
        const auto reference = lwf_testing::DecodeJ2k(file, reduce);
        std::vector<int> corner;
        for (int y = 0; y < height; ++y) {
            const auto from = reference.samples.begin() + y * reference.width * 3;
            corner.insert(corner.end(), from, from + width * 3);
        }
        EXPECT_EQ(rows, AsBytes(corner)) << reduce;
    }
}

TEST(LwfDecoderOpenJpeg, PicturesItCannotDeliverFailWithTheirTexts) {
    const Bytes colour = EncodeJ2k(Picture(32, 32, 3), 32, 32, 3);
    const std::uint8_t tilePart[] = {0xFF, 0x90};  // the main header ends at the first
    const auto firstTile = static_cast<std::size_t>(
        std::search(colour.begin(), colour.end(), tilePart, tilePart + 2) - colour.begin());
    const std::pair<Bytes, std::string> cases[] = {
        {Bytes(100, 0x42),
         "Error 3 in LwfGetImageInfo():\nThe data are not a JPEG 2000 codestream\ns"},
        {EncodeJ2k(Picture(16, 16, 1), 16, 16, 1, {.precision = 16}),
         "Unsupported source colourmode\n"},
        {EncodeJ2k(Picture(16, 16, 3), 16, 16, 3, {.precision = 12}),
         "Can not handle this Colorspace (6).\n"},
        // A JP2 file's colour space, and missing tiles, show only when it is decoded.
        {EncodeJ2k(Picture(16, 16, 3), 16, 16, 3, {.jp2 = true, .colourSpace = OPJ_CLRSPC_SYCC}),
         "The codec cannot deliver rows of this colour space\n"},
        {Bytes(colour.begin(), colour.begin() + firstTile + 2),
         "The picture data cannot be decoded\n"},
    };
    for (const auto& [file, line] : cases) {
        testing_support::DebugCapture capture;
        EXPECT_TRUE(Decode(file).empty());
        EXPECT_EQ(capture.lines(), Lines{line});
    }

    int opened = 0;
    testing_support::ForEachDamagedCopy(
        colour, firstTile + 16,
        [&](const Bytes& copy) {
            LwfDecoder decoder;
            decoder.SetSource(copy.data(), copy.size());
            if (!decoder.ReadHead()) return;
            ++opened;
            const PictureInfo& info = decoder.GetInfo();
            Bytes rows(static_cast<std::size_t>(info.rowBytes * info.height));
            decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
        },
        300);
    EXPECT_GT(opened, 0);
}

TEST(LwfDecoderOpenJpeg, LoadsThroughThePictureLoader) {
    const std::vector<int> samples = Picture(40, 30, 3);
    const Bytes file = EncodeJ2k(samples, 40, 30, 3, {.jp2 = true});
    testing_support::TempDir dir;
    auto dib = LoadPictureAsDIB(dir.Write("picture.lwf", std::string(file.begin(), file.end())),
                                nullptr, nullptr, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 24);
    const std::uint8_t* pixel = dib->Row(29) + 39 * 3;  // bitmaps are blue, green, red
    EXPECT_EQ(Bytes(pixel, pixel + 3),
              AsBytes({samples.end()[-1], samples.end()[-2], samples.end()[-3]}));
}

}  // namespace
