// The LuraWave decoder with the codec library built on OpenJPEG, on JPEG 2000 codestreams
// the tests encode themselves.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
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
using lwf_testing::EncodeJ2k;
using lwf_testing::J2kOptions;

const bool kOpenJpegCodec = lwf_testing::UseOpenJpegCodec();

// Smooth ramps in the first two components and an 8-pixel checker in the third.
std::vector<int> Picture(int width, int height, int components) {
    std::vector<int> samples;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int values[3] = {x * 255 / std::max(width - 1, 1),
                                   y * 255 / std::max(height - 1, 1),
                                   ((x / 8 + y / 8) % 2) * 200 + 20};
            for (int c = 0; c < components; ++c) samples.push_back(values[c]);
        }
    }
    return samples;
}

struct Result {
    bool ok = false;
    PictureInfo info;
    Bytes rows;
};

// Decodes the first length bytes (all when 0) with ReadImage, unconverted.
Result Decode(const Bytes& file, Vector2<int> wanted = {0, 0}, std::size_t length = 0) {
    Result result;
    LwfDecoder decoder;
    decoder.SetSource(file.data(), length != 0 ? length : file.size());
    decoder.SetWantedSize(wanted);
    if (!decoder.ReadHead()) return result;
    result.info = decoder.GetInfo();
    result.rows.assign(static_cast<std::size_t>(result.info.rowBytes * result.info.height), 0);
    result.ok = decoder.ReadImage(result.rows.data(), result.info.rowBytes, nullptr);
    return result;
}

// The mean absolute difference of the delivered bytes from the samples.
double MeanError(const Bytes& rows, const std::vector<int>& samples) {
    if (rows.size() != samples.size() || rows.empty()) return 1e9;
    double total = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) total += std::abs(rows[i] - samples[i]);
    return total / static_cast<double>(rows.size());
}

// The top-left width x height corner of a reference decode.
std::vector<int> Corner(const lwf_testing::Decoded& decoded, int width, int height) {
    std::vector<int> out;
    for (int y = 0; y < height; ++y) {
        const auto from = decoded.samples.begin() +
                          static_cast<std::ptrdiff_t>(y) * decoded.width * decoded.components;
        out.insert(out.end(), from, from + width * decoded.components);
    }
    return out;
}

TEST(LwfDecoderOpenJpeg, GrayAndColourPicturesDecodeToTheirSamples) {
    ASSERT_TRUE(kOpenJpegCodec);
    for (bool jp2 : {false, true}) {
        for (int components : {1, 3}) {
            SCOPED_TRACE(testing::Message() << (jp2 ? "JP2 " : "J2K ") << components);
            const std::vector<int> samples = Picture(40, 30, components);
            J2kOptions options;
            options.jp2 = jp2;
            const Result result = Decode(EncodeJ2k(samples, 40, 30, components, options));
            ASSERT_TRUE(result.ok);
            EXPECT_EQ(result.info.width, 40);
            EXPECT_EQ(result.info.height, 30);
            EXPECT_EQ(result.info.bitsPerPixel, components == 1 ? 8 : 24);
            EXPECT_EQ(result.info.palette.size(), components == 1 ? 256u : 0u);
            EXPECT_EQ(MeanError(result.rows, samples), 0.0);
        }
    }
}

TEST(LwfDecoderOpenJpeg, DownscalingMatchesOpenJpegsReducedDecoding) {
    const std::vector<int> samples = Picture(250, 125, 3);
    J2kOptions options;
    options.resolutions = 6;
    const Bytes file = EncodeJ2k(samples, 250, 125, 3, options);
    struct Case {
        Vector2<int> wanted;
        int reduce;
        Vector2<int> decoded;
    };
    // OpenJPEG rounds halved sizes up; the decoder's sizes are rounded down.
    for (const Case& c : {Case{{100, 50}, 1, {125, 62}}, Case{{60, 30}, 2, {62, 31}},
                          Case{{20, 10}, 3, {31, 15}}}) {
        SCOPED_TRACE(c.reduce);
        const Result result = Decode(file, c.wanted);
        ASSERT_TRUE(result.ok);
        EXPECT_EQ(result.info.width, c.decoded.x);
        EXPECT_EQ(result.info.height, c.decoded.y);
        const auto reference = lwf_testing::DecodeJ2k(file, c.reduce);
        EXPECT_EQ(MeanError(result.rows, Corner(reference, c.decoded.x, c.decoded.y)), 0.0);
    }

    // A codestream without resolution levels to drop is decoded whole and thinned.
    options.resolutions = 1;
    const Bytes flat = EncodeJ2k(samples, 250, 125, 3, options);
    const Result thinned = Decode(flat, {60, 30});
    ASSERT_TRUE(thinned.ok);
    ASSERT_EQ(thinned.info.width, 62);
    std::vector<int> every4th;
    for (int y = 0; y < 31; ++y) {
        for (int x = 0; x < 62; ++x) {
            const auto at = static_cast<std::size_t>((y * 4 * 250 + x * 4) * 3);
            every4th.insert(every4th.end(), samples.begin() + at, samples.begin() + at + 3);
        }
    }
    EXPECT_EQ(MeanError(thinned.rows, every4th), 0.0);
}

TEST(LwfDecoderOpenJpeg, ACutShortCodestreamDecodesAndAgainWithMoreDetailAfterRestart) {
    const std::vector<int> samples = Picture(128, 96, 3);
    J2kOptions options;
    options.layers = 3;
    const Bytes file = EncodeJ2k(samples, 128, 96, 3, options);

    LwfDecoder decoder;
    decoder.SetSource(file.data(), file.size() * 3 / 10);
    ASSERT_TRUE(decoder.ReadHead());
    EXPECT_TRUE(decoder.IsProgressive());
    const int rowBytes = decoder.GetInfo().rowBytes;
    ASSERT_EQ(rowBytes, 128 * 3);
    auto readAll = [&] {
        Bytes rows(static_cast<std::size_t>(rowBytes) * 96);
        for (int y = 0; y < 96; ++y) {
            EXPECT_EQ(decoder.ReadLine(rows.data() + y * rowBytes), y < 95) << y;
        }
        return rows;
    };
    const double partial = MeanError(readAll(), samples);
    EXPECT_GT(partial, 0.0);
    EXPECT_LT(partial, 20.0);

    ASSERT_TRUE(decoder.Restart(file.size(), 0));
    EXPECT_EQ(MeanError(readAll(), samples), 0.0);
    Vector2<int> size;
    decoder.GetSize(size);
    EXPECT_EQ(size, Vector2<int>(128, 96));
}

// The offset of the first tile-part marker: everything before it is the main header.
std::size_t FirstTile(const Bytes& file) {
    for (std::size_t i = 0; i + 1 < file.size(); ++i) {
        if (file[i] == 0xFF && file[i + 1] == 0x90) return i;
    }
    return file.size();
}

TEST(LwfDecoderOpenJpeg, PicturesItCannotDeliverFailWithTheirTexts) {
    testing_support::DebugCapture capture;
    const Bytes junk(100, 0x42);
    EXPECT_FALSE(Decode(junk).ok);
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{
                  "Error 3 in LwfGetImageInfo():\nThe data are not a JPEG 2000 codestream\ns"});

    struct Case {
        int components;
        J2kOptions options;
        const char* line;
    };
    J2kOptions wide;
    wide.precision = 16;
    J2kOptions twelve;
    twelve.precision = 12;
    J2kOptions ycc;
    ycc.jp2 = true;
    ycc.colourSpace = OPJ_CLRSPC_SYCC;
    for (const Case& c : {Case{1, wide, "Unsupported source colourmode\n"},
                          Case{3, twelve, "Can not handle this Colorspace (6).\n"}}) {
        capture.Clear();
        EXPECT_FALSE(
            Decode(EncodeJ2k(Picture(16, 16, c.components), 16, 16, c.components, c.options)).ok);
        EXPECT_EQ(capture.lines(), std::vector<std::string>{c.line});
    }

    // A JP2 file's colour space shows only when it is decoded.
    capture.Clear();
    const Result yccResult = Decode(EncodeJ2k(Picture(16, 16, 3), 16, 16, 3, ycc));
    EXPECT_EQ(yccResult.info.width, 16);
    EXPECT_FALSE(yccResult.ok);
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"The codec cannot deliver rows of this colour space\n"});

    // The header alone is enough to open, not to decode.
    const Bytes file = EncodeJ2k(Picture(32, 32, 3), 32, 32, 3);
    capture.Clear();
    const Result headerOnly = Decode(file, {0, 0}, FirstTile(file) + 2);
    EXPECT_EQ(headerOnly.info.width, 32);
    EXPECT_FALSE(headerOnly.ok);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"The picture data cannot be decoded\n"});
}

TEST(LwfDecoderOpenJpeg, SamplesOfOtherDepthsAreSpreadOverEightBits) {
    J2kOptions four;
    four.precision = 4;
    four.resolutions = 1;
    const Result low = Decode(EncodeJ2k({0, 1, 8, 15}, 4, 1, 1, four));
    ASSERT_TRUE(low.ok);
    EXPECT_EQ(low.rows, (Bytes{0, 17, 136, 255}));

    J2kOptions sgnd;
    sgnd.sgnd = true;
    sgnd.resolutions = 1;
    const Result signedSamples = Decode(EncodeJ2k({-128, -1, 0, 127}, 4, 1, 1, sgnd));
    ASSERT_TRUE(signedSamples.ok);
    EXPECT_EQ(signedSamples.rows, (Bytes{0, 127, 128, 255}));
}

TEST(LwfDecoderOpenJpeg, DamagedCodestreamsFailOrDecodeWithinTheirRows) {
    J2kOptions options;
    options.layers = 2;
    const Bytes file = EncodeJ2k(Picture(24, 20, 3), 24, 20, 3, options);
    int opened = 0;
    testing_support::ForEachDamagedCopy(
        file, FirstTile(file) + 16,
        [&](const Bytes& copy) {
            LwfDecoder decoder;
            decoder.SetSource(copy.data(), copy.size());
            if (!decoder.ReadHead()) return;
            ++opened;
            const PictureInfo& info = decoder.GetInfo();
            ASSERT_GT(info.width, 0);
            Bytes rows(static_cast<std::size_t>(info.rowBytes) *
                       static_cast<std::size_t>(info.height));
            decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
        },
        300);
    EXPECT_GT(opened, 0);
}

TEST(LwfDecoderOpenJpeg, LoadsFromFilesAndStreams) {
    const std::vector<int> samples = Picture(40, 30, 3);
    J2kOptions options;
    options.jp2 = true;
    const Bytes file = EncodeJ2k(samples, 40, 30, 3, options);

    testing_support::TempDir dir;
    const std::string name = dir.Write("picture.lwf", std::string(file.begin(), file.end()));
    PictureInfo info;
    auto dib = LoadPictureAsDIB(name, &info, nullptr, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 24);
    const std::uint8_t* pixel = dib->Row(29) + 39 * 3;
    const std::size_t last = (29 * 40 + 39) * 3;
    EXPECT_EQ(pixel[0], samples[last + 2]);  // bitmaps are blue, green, red
    EXPECT_EQ(pixel[1], samples[last + 1]);
    EXPECT_EQ(pixel[2], samples[last]);

    ChunkStream stream(file, 1000);
    LwfDecoder decoder;
    decoder.SetStream(&stream);
    ASSERT_TRUE(decoder.ReadHead());
    Bytes rows(40 * 3 * 30);
    ASSERT_TRUE(decoder.ReadImage(rows.data(), 40 * 3, nullptr));
    EXPECT_EQ(MeanError(rows, samples), 0.0);
}

}  // namespace
