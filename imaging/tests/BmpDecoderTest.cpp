#include "imaging/BmpDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "imaging/PictureConverter.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/BmpWriter.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/DecoderExercise.h"
#include "platform/bitmap/DibSection.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using test_pictures::BmpPicture;
using test_pictures::PaddedRows;

struct Decoded {
    bool head = false;
    bool image = false;
    int width = 0;
    int height = 0;
    Bytes rows;  // red, green, blue, top row first
};

Decoded Decode(const Bytes& file, std::size_t streamChunk = 0) {
    Decoded d;
    BmpDecoder decoder;
    ChunkStream stream(file, streamChunk);
    if (streamChunk > 0) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    d.head = decoder.ReadHead();
    if (!d.head) return d;
    const PictureInfo& info = decoder.GetInfo();
    d.width = info.width;
    d.height = info.height;
    EXPECT_EQ(info.bitsPerPixel, 24);
    EXPECT_EQ(info.rowBytes, info.width * 3);
    d.rows.assign(static_cast<std::size_t>(info.rowBytes) * static_cast<std::size_t>(info.height),
                  0xEE);
    d.image = decoder.ReadImage(d.rows.data(), info.rowBytes, nullptr);
    return d;
}

Bytes Rgb(std::initializer_list<int> values) {
    Bytes out;
    for (int v : values) out.push_back(static_cast<std::uint8_t>(v));
    return out;
}

TEST(BmpDecoder, EveryPlainDepthDeliversRedGreenBlueRows) {
    BmpPicture p;
    p.width = 2;
    p.height = 2;
    // Bottom-up: the first stored row is the bottom one; blue, green, red in the file.
    p.pixels = PaddedRows({{3, 2, 1, 6, 5, 4}, {9, 8, 7, 12, 11, 10}});
    Decoded d = Decode(p.Build());
    ASSERT_TRUE(d.head);
    EXPECT_TRUE(d.image);
    EXPECT_EQ(d.rows, Rgb({7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}));

    // Long rows are swapped several pixels at a time; every byte must still land.
    BmpPicture wide;
    wide.width = 11;
    Bytes stored;
    Bytes expectedWide;
    for (int x = 0; x < 11; ++x) {
        const auto b = static_cast<std::uint8_t>(3 * x + 1);
        stored.insert(stored.end(),
                      {b, static_cast<std::uint8_t>(b + 1), static_cast<std::uint8_t>(b + 2)});
        expectedWide.insert(expectedWide.end(), {static_cast<std::uint8_t>(b + 2),
                                                 static_cast<std::uint8_t>(b + 1), b});
    }
    wide.pixels = PaddedRows({stored});
    EXPECT_EQ(Decode(wide.Build()).rows, expectedWide);

    BmpPicture mapped;
    mapped.bits = 8;
    mapped.width = 3;
    mapped.palette = {0x0000FF, 0x00FF00, 0xFF0000};
    mapped.pixels = PaddedRows({{2, 0, 1}});
    d = Decode(mapped.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({0, 0, 255, 255, 0, 0, 0, 255, 0}));

    // Four bits: the high nibble first; an odd width leaves the last low nibble unused.
    mapped.bits = 4;
    mapped.pixels = PaddedRows({{0x12, 0x0F}});
    d = Decode(mapped.Build());
    EXPECT_EQ(d.rows, Rgb({0, 255, 0, 0, 0, 255, 255, 0, 0}));

    // One bit: 1 x 1 with a 4-byte row.
    BmpPicture mono;
    mono.bits = 1;
    mono.palette = {0x000000, 0xFFFFFF};
    mono.pixels = {0x80, 0, 0, 0};
    d = Decode(mono.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({255, 255, 255}));
    mono.width = 10;
    mono.pixels = {0xA5, 0x40, 0, 0};
    d = Decode(mono.Build());
    Bytes expected;
    for (int bit : {1, 0, 1, 0, 0, 1, 0, 1, 0, 1}) expected.insert(expected.end(), 3, bit ? 255 : 0);
    EXPECT_EQ(d.rows, expected);
}

TEST(BmpDecoder, SixteenBitPixelsFollowTheirMasks) {
    BmpPicture p;
    p.bits = 16;
    p.width = 2;
    p.pixels = {0xFF, 0x7F, 0x1F, 0x00};  // 555 without masks
    Decoded d = Decode(p.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({248, 248, 248, 0, 0, 248}));

    testing_support::DebugCapture capture;
    p.compression = 3;
    p.masks = {0xF800, 0x07E0, 0x001F};
    p.pixels = {0x00, 0xF8, 0xE0, 0x07};  // pure red, pure green in 565
    d = Decode(p.Build());
    ASSERT_TRUE(d.head);
    EXPECT_TRUE(capture.Contains("16 bit Bitmap with bitfield format\n"));
    EXPECT_EQ(d.rows, Rgb({248, 0, 0, 0, 252, 0}));

    // Red in the low bits: its top bit is below bit 7, so it is shifted left.
    p.masks = {0x001F, 0x03E0, 0x7C00};
    p.pixels = {0x1F, 0x00, 0x00, 0x7C};
    d = Decode(p.Build());
    EXPECT_EQ(d.rows, Rgb({248, 0, 0, 0, 0, 248}));
}

TEST(BmpDecoder, CoreAndLongHeadersAndTheirTraces) {
    testing_support::DebugCapture capture;
    BmpPicture core;
    core.headerSize = 12;
    core.bits = 1;
    core.width = 2;
    core.palette = {0x000000, 0x336699};
    core.pixels = {0x80, 0, 0, 0};
    Decoded d = Decode(core.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({0x99, 0x66, 0x33, 0, 0, 0}));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"JTRC_BMP_OS2_MAPPED\n"});

    capture.Clear();
    core.bits = 24;
    core.palette.clear();
    core.pixels = PaddedRows({{1, 2, 3, 4, 5, 6}});
    d = Decode(core.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({3, 2, 1, 6, 5, 4}));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"JTRC_BMP_OS2"});

    capture.Clear();
    BmpPicture longHeader;
    longHeader.headerSize = 64;
    longHeader.pixels = {1, 2, 3, 0};
    d = Decode(longHeader.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({3, 2, 1}));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"JTRC_BMP\n"});

    capture.Clear();
    BmpPicture wide;
    wide.bits = 32;
    wide.pixels = {1, 2, 3, 4};
    EXPECT_FALSE(Decode(wide.Build()).head);
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"JTRC_BMP_MAPPED\n"});
}

TEST(BmpDecoder, TopDownFilesAndImageSizeRows) {
    BmpPicture p;
    p.width = 1;
    p.height = -2;
    p.pixels = PaddedRows({{0, 0, 10}, {0, 0, 20}});
    Decoded d = Decode(p.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.height, 2);
    EXPECT_EQ(d.rows, Rgb({10, 0, 0, 20, 0, 0}));

    // Rows of 8 bytes as the image size says (and the height's sign does not matter).
    p.imageSize = 16;
    p.pixels = {0, 0, 10, 9, 9, 9, 9, 9, 0, 0, 20, 9, 9, 9, 9, 9};
    d = Decode(p.Build());
    EXPECT_EQ(d.rows, Rgb({10, 0, 0, 20, 0, 0}));

    // An image size too small for the pixels is ignored.
    p.imageSize = 2;
    p.pixels = PaddedRows({{0, 0, 10}, {0, 0, 20}});
    d = Decode(p.Build());
    EXPECT_EQ(d.rows, Rgb({10, 0, 0, 20, 0, 0}));

    // The pixel-data offset is honoured: bytes between the tables and the pixels are
    // skipped.
    p.imageSize = 0;
    p.gap = {7, 7, 7, 7, 7};
    d = Decode(p.Build());
    EXPECT_EQ(d.rows, Rgb({10, 0, 0, 20, 0, 0}));
}

// Stored bottom-up, so the expected rows read from the last stored row to the first.
BmpPicture Rle8() {
    BmpPicture p;
    p.bits = 8;
    p.compression = 1;
    p.width = 6;
    p.height = 6;
    p.palette = {0x000001, 0x0000FF, 0x00FF00, 0xFF0000};
    // clang-format off
    p.pixels = {
        3,    1,    0,    3, 2, 3, 1, 0,  // row 0: run of three 1s, absolute 2 3 1 (+pad)
        0,    0,                          // end of line: rest of row 0 is entry 0
        9,    2,    0,    0,              // row 1: a run of 9 clipped to the row, then EOL
        0,    2,    2,    2,              // delta: right 2, down 2 (rows 2 and 3 left unset)
        2,    3,    0,    1,              // row 4 from x = 2: two 3s, end of bitmap
    };
    // clang-format on
    return p;
}

// Flattens pixels of three bytes each into rows.
Bytes Flat(const std::vector<Bytes>& pixels) {
    Bytes flat;
    for (const Bytes& b : pixels) flat.insert(flat.end(), b.begin(), b.end());
    return flat;
}

TEST(BmpDecoder, RunLengthEightBitRows) {
    const Decoded d = Decode(Rle8().Build());
    ASSERT_TRUE(d.head);
    EXPECT_TRUE(d.image);
    const Bytes e0 = Rgb({1, 0, 0}), e1 = Rgb({255, 0, 0}), e2 = Rgb({0, 255, 0}),
                e3 = Rgb({0, 0, 255});
    // clang-format off
    EXPECT_EQ(d.rows, Flat({e0, e0, e0, e0, e0, e0,    // file row 5
                            e0, e0, e3, e3, e0, e0,    // 4
                            e0, e0, e0, e0, e0, e0,    // 3
                            e0, e0, e0, e0, e0, e0,    // 2
                            e2, e2, e2, e2, e2, e2,    // 1
                            e1, e1, e1, e2, e3, e1})); // 0
    // clang-format on
}

TEST(BmpDecoder, RunLengthFourBitRows) {
    BmpPicture p;
    p.bits = 4;
    p.compression = 2;
    p.width = 7;
    p.height = -3;  // top-down, so rows read in file order
    p.palette = {0x000000, 0x0000FF, 0x00FF00, 0xFF0000};
    // clang-format off
    p.pixels = {
        5, 0x12,                      // 1 2 1 2 1
        0, 3, 0x31, 0x20,             // absolute 3 1 2: two bytes, already even
        0, 0,                         // end of line (row 0 had 8 pixels: clipped to 7)
        0, 5, 0x12, 0x31, 0x20, 0,    // absolute of five: three bytes plus one pad
        0, 2, 1, 1,                   // delta right 1, down 1: row 1 ends here
        1, 0x30,                      // row 2 from x = 6: one 3
        0, 1,
    };
    // clang-format on
    Decoded d = Decode(p.Build());
    ASSERT_TRUE(d.head);
    const Bytes e0 = Rgb({0, 0, 0}), e1 = Rgb({255, 0, 0}), e2 = Rgb({0, 255, 0}),
                e3 = Rgb({0, 0, 255});
    // clang-format off
    EXPECT_EQ(d.rows, Flat({e1, e2, e1, e2, e1, e3, e1,
                            e1, e2, e3, e1, e2, e0, e0,
                            e0, e0, e0, e0, e0, e0, e3}));
    // clang-format on
}

TEST(BmpDecoder, RefusesHeadersItCannotDecode) {
    BmpPicture good;
    good.pixels = {1, 2, 3, 0};
    ASSERT_TRUE(Decode(good.Build()).head);

    auto refused = [](const BmpPicture& p) { return !Decode(p.Build()).head; };
    auto with = [&](auto change) {
        BmpPicture p = good;
        change(p);
        return p;
    };
    using Change = void (*)(BmpPicture&);
    const Change changes[] = {
        [](BmpPicture& p) { p.headerSize = 50; },
        [](BmpPicture& p) { p.headerSize = 108; },
        [](BmpPicture& p) { p.planes = 2; },
        [](BmpPicture& p) { p.height = 0; },
        [](BmpPicture& p) { p.width = 0; },
        [](BmpPicture& p) { p.width = -4; },
        [](BmpPicture& p) { p.height = INT32_MIN; },
        [](BmpPicture& p) { p.width = p.height = 40000; },
        [](BmpPicture& p) { p.compression = 4; },
        [](BmpPicture& p) { p.pixelOffset = 1000; },
        [](BmpPicture& p) { p.pixelOffset = 30; },
        [](BmpPicture& p) { p.bits = 8, p.coloursUsed = 300, p.palette.assign(300, 0); },
        [](BmpPicture& p) { p.bits = 8, p.compression = 2, p.palette.assign(256, 0); },
        [](BmpPicture& p) { p.headerSize = 12, p.bits = 16; },
    };
    for (std::size_t i = 0; i < std::size(changes); ++i) EXPECT_TRUE(refused(with(changes[i]))) << i;
    Bytes notBm = good.Build();
    notBm[1] = 'A';
    EXPECT_FALSE(Decode(notBm).head);

    // 2 x 1 pixels of 8 bits with only one palette entry read: the other index is black.
    BmpPicture shortPalette = good;
    shortPalette.bits = 8;
    shortPalette.width = 2;
    shortPalette.coloursUsed = 1;
    shortPalette.palette = {0x0000FF};
    shortPalette.pixels = {0, 1, 0, 0};
    const Decoded d = Decode(shortPalette.Build());
    ASSERT_TRUE(d.head);
    EXPECT_EQ(d.rows, Rgb({255, 0, 0, 0, 0, 0}));
}

TEST(BmpDecoder, ReadLineStreamsAndCutFiles) {
    BmpPicture p;
    p.width = 2;
    p.height = 3;
    p.pixels = PaddedRows({{1, 1, 1, 2, 2, 2}, {3, 3, 3, 4, 4, 4}, {5, 5, 5, 6, 6, 6}});
    const Bytes file = p.Build();
    const Decoded whole = Decode(file);

    BmpDecoder lines;
    lines.SetSource(file.data(), file.size());
    ASSERT_TRUE(lines.ReadHead());
    Bytes byLine(whole.rows.size());
    EXPECT_TRUE(lines.ReadLine(byLine.data()));
    EXPECT_TRUE(lines.ReadLine(byLine.data() + 6));
    EXPECT_FALSE(lines.ReadLine(byLine.data() + 12));
    EXPECT_FALSE(lines.ReadLine(byLine.data()));
    EXPECT_EQ(byLine, whole.rows);

    for (std::size_t chunk : {1u, 5u, 4096u}) EXPECT_EQ(Decode(file, chunk).rows, whole.rows);
    const Decoded rle = Decode(Rle8().Build());
    EXPECT_EQ(Decode(Rle8().Build(), 3).rows, rle.rows);

    // The file ends inside its first stored (bottom) row: that row is partly there, the
    // rest is black, and the result says the picture is incomplete.
    const Bytes cut(file.begin(), file.end() - 20);
    const Decoded partial = Decode(cut);
    ASSERT_TRUE(partial.head);
    EXPECT_FALSE(partial.image);
    EXPECT_EQ(Bytes(partial.rows.begin() + 12, partial.rows.end()), Rgb({1, 1, 1, 0, 0, 2}));
    EXPECT_EQ(Bytes(partial.rows.begin(), partial.rows.begin() + 12), Bytes(12, 0));
}

// Into a bitmap, converted to 16 and 32 bits, line by line; then from streams of 1 and 7
// bytes a read.
constexpr std::uint8_t kRoutes[] = {0, 1, 2, 3, 4, 3 | 4 | 6 << 3};

TEST(BmpDecoder, DamagedFilesNeverReadOrWriteOutsideTheirBytes) {
    BmpPicture plain;
    plain.bits = 4;
    plain.width = 9;
    plain.height = 5;
    plain.palette.assign(16, 0x808080);
    for (int i = 0; i < 5 * 8; ++i) plain.pixels.push_back(static_cast<std::uint8_t>(i * 37));
    BmpPicture fields;
    fields.bits = 16;
    fields.compression = 3;
    fields.width = 3;
    fields.height = -4;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixels.assign(32, 0x5A);
    BmpPicture rle4 = Rle8();
    rle4.bits = 4;
    rle4.compression = 2;
    for (const BmpPicture& p : {plain, fields, Rle8(), rle4}) {
        const Bytes file = p.Build();
        testing_support::ForEachDamagedCopy(file, file.size(), [](const Bytes& copy) {
            for (std::uint8_t route : kRoutes)
                test_pictures::ExerciseDecoder<BmpDecoder>(copy, route);
        });
    }
}

TEST(BmpDecoder, LoadsThroughTheLoaderIntoABitmap) {
    testing_support::TempDir dir;
    BmpPicture p;
    p.width = 2;
    p.height = 2;
    p.pixels = PaddedRows({{3, 2, 1, 6, 5, 4}, {9, 8, 7, 12, 11, 10}});
    const Bytes bytes = p.Build();
    PictureInfo info;
    auto dib = LoadPictureAsDIB(dir.Write("pic.BMP", std::string(bytes.begin(), bytes.end())),
                                &info, nullptr, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bitCount(), 24);
    EXPECT_EQ(info.rowBytes, 6);
    // The bitmap's rows are blue, green, red: the file's own order, top row first.
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 6), Rgb({9, 8, 7, 12, 11, 10}));
    EXPECT_EQ(Bytes(dib->Row(1), dib->Row(1) + 6), Rgb({3, 2, 1, 6, 5, 4}));
}

}  // namespace
