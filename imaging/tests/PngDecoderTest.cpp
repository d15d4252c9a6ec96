#include "imaging/PngDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/DecoderExercise.h"
#include "imaging/tests/PngWriter.h"
#include "platform/bitmap/DibSection.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_pictures::PngPicture;
using test_pictures::WritePng;

int Channels(int colourType) {
    switch (colourType) {
        case 2:
            return 3;
        case 4:
            return 2;
        case 6:
            return 4;
        default:
            return 1;
    }
}

int Sample(int x, int y, int c, int depth) {
    const int v = x * 7919 + y * 104729 + c * 31;
    return depth == 16 ? v % 65536 : v % (1 << depth);
}

// Packs samples of one row as a file stores them.
Bytes Pack(const std::vector<int>& samples, int depth) {
    Bytes out;
    if (depth == 16) {
        for (int s : samples) {
            out.push_back(static_cast<std::uint8_t>(s >> 8));
            out.push_back(static_cast<std::uint8_t>(s));
        }
        return out;
    }
    const int perByte = 8 / depth;
    out.assign((samples.size() + static_cast<std::size_t>(perByte) - 1) /
                   static_cast<std::size_t>(perByte),
               0);
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const int shift = 8 - depth * (static_cast<int>(i % static_cast<std::size_t>(perByte)) + 1);
        out[i / static_cast<std::size_t>(perByte)] |=
            static_cast<std::uint8_t>(samples[i] << shift);
    }
    return out;
}

// A picture of the given kind with a pattern of samples, and the rows the decoder is
// expected to deliver: 16-bit samples cut to their high byte, 2-bit samples one a byte,
// other depths as stored.
struct Fixture {
    PngPicture picture;
    Bytes expected;
};

Fixture MakeFixture(int colourType, int depth, int width, int height, bool interlaced = false) {
    Fixture f;
    f.picture.width = width;
    f.picture.height = height;
    f.picture.bitDepth = depth;
    f.picture.colourType = colourType;
    f.picture.interlaced = interlaced;
    if (colourType == 3) {
        for (int i = 0; i < (1 << depth); ++i) {
            f.picture.palette.push_back({static_cast<std::uint8_t>(255 - i),
                                         static_cast<std::uint8_t>(i * 3),
                                         static_cast<std::uint8_t>(i)});
        }
    }
    for (int y = 0; y < height; ++y) {
        std::vector<int> samples;
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < Channels(colourType); ++c)
                samples.push_back(Sample(x, y, c, depth));
        }
        f.picture.rows.push_back(Pack(samples, depth));
        if (depth == 16) {
            for (int s : samples) f.expected.push_back(static_cast<std::uint8_t>(s >> 8));
        } else if (depth == 2) {
            for (int s : samples) f.expected.push_back(static_cast<std::uint8_t>(s));
        } else {
            const Bytes packed = Pack(samples, depth);
            f.expected.insert(f.expected.end(), packed.begin(), packed.end());
        }
    }
    return f;
}

struct Decoded {
    bool head = false;
    bool image = false;
    PictureInfo info;
    Bytes rows;
};

enum class Route { Image, Lines, Stream };

Decoded Decode(const Bytes& file, Route route = Route::Image) {
    Decoded d;
    PngDecoder decoder;
    ChunkStream stream(file, 5);
    if (route == Route::Stream) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    d.head = decoder.ReadHead();
    if (!d.head) return d;
    d.info = decoder.GetInfo();
    const auto rowBytes = static_cast<std::size_t>(d.info.rowBytes);
    d.rows.assign(rowBytes * static_cast<std::size_t>(d.info.height), 0);
    if (route == Route::Lines) {
        std::size_t row = 0;
        while (decoder.ReadLine(d.rows.data() + row * rowBytes)) ++row;
        d.image = row + 1 == static_cast<std::size_t>(d.info.height);
    } else {
        d.image = decoder.ReadImage(d.rows.data(), d.info.rowBytes, nullptr);
    }
    return d;
}

TEST(PngDecoder, EveryColourTypeAndDepthInTheFilesOwnLayout) {
    struct Case {
        int colourType, depth, bitsPerPixel;
    };
    const Case cases[] = {{0, 1, 1},  {0, 2, 8},   {0, 4, 4},  {0, 8, 8}, {0, 16, 8},
                          {2, 8, 24}, {2, 16, 24}, {3, 1, 1},  {3, 2, 8}, {3, 4, 4},
                          {3, 8, 8},  {6, 8, 32},  {6, 16, 32}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "colour type " << c.colourType << " depth " << c.depth);
        const Fixture f = MakeFixture(c.colourType, c.depth, 11, 3);
        const Bytes file = WritePng(f.picture);
        ASSERT_FALSE(file.empty());
        for (Route route : {Route::Image, Route::Lines, Route::Stream}) {
            const Decoded d = Decode(file, route);
            ASSERT_TRUE(d.head);
            EXPECT_TRUE(d.image);
            EXPECT_EQ(d.info.bitsPerPixel, c.bitsPerPixel);
            EXPECT_EQ(d.info.rowBytes, (11 * c.bitsPerPixel + 7) / 8);
            EXPECT_EQ(d.rows, f.expected);
        }
        const Decoded d = Decode(file);
        if (c.colourType == 3) {
            // Red, green, blue, 0 with red in the low byte.
            EXPECT_EQ(d.info.palette[1], 0x0103FEu);
            EXPECT_EQ(d.info.palette[(1u << c.depth) - 1] & 0xFFu, 256u - (1u << c.depth));
        }
    }
}

TEST(PngDecoder, GrayLevelsSpreadOverTheFullRange) {
    for (int depth : {1, 2, 4, 8, 16}) {
        const Decoded d = Decode(WritePng(MakeFixture(0, depth, 4, 1).picture));
        ASSERT_TRUE(d.head) << depth;
        const int levels = 1 << std::min(depth, 8);
        for (int i = 0; i < levels; ++i) {
            EXPECT_EQ(d.info.palette[static_cast<std::size_t>(i)],
                      static_cast<std::uint32_t>(i * 255 / (levels - 1)) * 0x010101u)
                << depth << " " << i;
        }
    }
}

TEST(PngDecoder, InterlacedFilesDecodeLikeTheOthers) {
    for (auto [colourType, depth] : {std::pair{0, 1}, {0, 2}, {2, 8}, {2, 16}, {3, 4}, {6, 8}}) {
        SCOPED_TRACE(testing::Message() << "colour type " << colourType << " depth " << depth);
        const Fixture f = MakeFixture(colourType, depth, 13, 11, true);
        const Bytes file = WritePng(f.picture);
        for (Route route : {Route::Image, Route::Lines, Route::Stream}) {
            const Decoded d = Decode(file, route);
            ASSERT_TRUE(d.head);
            EXPECT_TRUE(d.image);
            EXPECT_EQ(d.rows, f.expected);
        }
    }
}

TEST(PngDecoder, LoadsThroughTheLoaderWithItsColours) {
    testing_support::TempDir dir;
    auto load = [&](const PngPicture& p) {
        const Bytes bytes = WritePng(p);
        return LoadPictureAsDIB(dir.Write("pic.png", std::string(bytes.begin(), bytes.end())),
                                nullptr, nullptr, nullptr);
    };

    // A 4-bit palette picture keeps its depth; the colour table holds blue, green, red, so
    // a red entry must still be red there.
    PngPicture mapped;
    mapped.width = 3;
    mapped.colourType = 3;
    mapped.bitDepth = 4;
    mapped.palette = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    mapped.rows = {{0x01, 0x20}};
    auto dib = load(mapped);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 4);
    EXPECT_EQ(std::vector<std::uint32_t>(dib->colours().begin(), dib->colours().begin() + 3),
              (std::vector<std::uint32_t>{0xFF0000u, 0x00FF00u, 0x0000FFu}));
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 2), (Bytes{0x01, 0x20}));

    // 2-bit pictures load as 8-bit bitmaps.
    mapped.bitDepth = 2;
    mapped.rows = {{0x24}};  // 0, 2, 1
    dib = load(mapped);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 8);
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 3), (Bytes{0, 2, 1}));
    EXPECT_EQ(dib->colours()[0], 0xFF0000u);

    PngPicture gray;
    gray.width = 2;
    gray.colourType = 0;
    gray.bitDepth = 1;
    gray.rows = {{0x40}};  // black, white
    dib = load(gray);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 1);
    EXPECT_EQ(dib->colours()[1], 0xFFFFFFu);
    gray.bitDepth = 2;
    gray.rows = {{0x30}};  // black, white
    dib = load(gray);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->colours()[dib->Row(0)[1]], 0xFFFFFFu);

    PngPicture rgba;
    rgba.width = 2;
    rgba.colourType = 6;
    rgba.rows = {{10, 20, 30, 255, 40, 50, 60, 0}};
    dib = load(rgba);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 32);
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 8), (Bytes{30, 20, 10, 0, 60, 50, 40, 0}));

    PngPicture deep;
    deep.width = 2;
    deep.bitDepth = 16;
    deep.rows = {{1, 0, 2, 0, 3, 0, 4, 0, 5, 0, 6, 0}};
    dib = load(deep);
    ASSERT_TRUE(dib);
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 6), (Bytes{3, 2, 1, 6, 5, 4}));
}

// Inserts a chunk after the signature and IHDR, with the given checksum.
Bytes WithChunk(const Bytes& png, const std::string& type, const std::string& data,
                std::uint32_t crc) {
    Bytes chunk;
    const auto length = static_cast<std::uint32_t>(data.size());
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(length >> shift));
    chunk.insert(chunk.end(), type.begin(), type.end());
    chunk.insert(chunk.end(), data.begin(), data.end());
    for (int shift : {24, 16, 8, 0}) chunk.push_back(static_cast<std::uint8_t>(crc >> shift));
    Bytes out = png;
    out.insert(out.begin() + 33, chunk.begin(), chunk.end());
    return out;
}

TEST(PngDecoder, LibraryWarningsAndErrorsStayInside) {
    const Fixture f = MakeFixture(2, 8, 40, 30);
    const Bytes file = WritePng(f.picture);
    testing_support::DebugCapture capture;

    // A damaged ancillary chunk is only a warning.
    Decoded d = Decode(WithChunk(file, "tEXt", std::string("Title\0text", 10), 0xDEADBEEF));
    ASSERT_TRUE(d.head);
    EXPECT_TRUE(d.image);
    EXPECT_EQ(d.rows, f.expected);
    EXPECT_TRUE(capture.Contains("png read warning\n"));

    // Cut inside the pixel data: the header reads, the rows fail, nothing escapes.
    capture.Clear();
    d = Decode(Bytes(file.begin(), file.end() - 40));
    ASSERT_TRUE(d.head);
    EXPECT_FALSE(d.image);
    EXPECT_TRUE(capture.Contains("Error reading data for png picture\n"));
    EXPECT_TRUE(capture.Contains("Serious png error\n"));
    EXPECT_FALSE(Decode(Bytes(file.begin(), file.end() - 40), Route::Lines).image);

    // Cut inside the header, or not a PNG at all.
    EXPECT_FALSE(Decode(Bytes(file.begin(), file.begin() + 20)).head);
    EXPECT_FALSE(Decode(Bytes(100, 'x')).head);
    PngDecoder empty;
    EXPECT_FALSE(empty.ReadHead());

    // Gray with alpha is not read.
    capture.Clear();
    EXPECT_FALSE(Decode(WritePng(MakeFixture(4, 8, 3, 2).picture)).head);
    EXPECT_TRUE(capture.Contains("Unsupported source bitdepth\n"));

    // Rows are handed out once; a decoder that finished or failed gives nothing more.
    PngDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    ASSERT_TRUE(decoder.ReadHead());
    Bytes rows(f.expected.size());
    EXPECT_TRUE(decoder.ReadImage(rows.data(), 120, nullptr));
    EXPECT_FALSE(decoder.ReadImage(rows.data(), 120, nullptr));
    EXPECT_FALSE(decoder.ReadLine(rows.data()));
    EXPECT_FALSE(decoder.ReadHead());
}

TEST(PngDecoder, DamagedFilesNeverCrash) {
    std::vector<Bytes> files = {WritePng(MakeFixture(3, 4, 9, 7, true).picture),
                                WritePng(MakeFixture(2, 16, 5, 4).picture),
                                WritePng(MakeFixture(0, 2, 17, 3).picture)};
    for (const Bytes& file : files) {
        testing_support::ForEachDamagedCopy(file, 64, [](const Bytes& copy) {
            // Into a bitmap, converted to 16 and 32 bits, line by line; then from streams
            // of 1 and 11 bytes a read.
            for (std::uint8_t route : {0, 1, 2, 3, 4, 3 | 4 | 10 << 3}) {
                test_pictures::ExerciseDecoder<PngDecoder>(copy, route);
            }
        });
    }
}

}  // namespace
