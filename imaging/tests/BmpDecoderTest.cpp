#include "imaging/BmpDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/tests/BmpWriter.h"
#include "imaging/tests/ChunkStream.h"
#include "imaging/tests/DecoderExercise.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Lines = std::vector<std::string>;
using test_pictures::BmpPicture;

// The rows as red, green, blue, top row first. -1: the header was refused; 0: the rows
// were not all there; 1: complete.
int Decode(const Bytes& file, Bytes& rows, std::size_t streamChunk = 0) {
    BmpDecoder decoder;
    ChunkStream stream(file, streamChunk);
    if (streamChunk > 0) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(file.data(), file.size());
    }
    rows.clear();
    if (!decoder.ReadHead()) return -1;
    const PictureInfo& info = decoder.GetInfo();
    rows.assign(static_cast<std::size_t>(info.rowBytes * info.height), 0xEE);
    return decoder.ReadImage(rows.data(), info.rowBytes, nullptr) ? 1 : 0;
}

// The rows of a complete picture read one by one with ReadLine.
Bytes ByLines(const Bytes& file) {
    BmpDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    if (!decoder.ReadHead()) return {};
    const PictureInfo& info = decoder.GetInfo();
    const auto rowBytes = static_cast<std::size_t>(info.rowBytes);
    Bytes rows(rowBytes * static_cast<std::size_t>(info.height), 0xEE);
    for (int y = 0; y < info.height; ++y) decoder.ReadLine(rows.data() + rowBytes * y);
    return rows;
}

TEST(BmpDecoder, DecodesEveryDepthAndHeaderAndRefusesWhatItCannot) {
    const std::vector<std::uint32_t> rgb = {0x0000FF, 0x00FF00, 0xFF0000};
    const Bytes topDown = {0, 0, 10, 0, 0, 0, 20, 0};
    const Bytes one = {1, 2, 3, 0};
    struct Case {
        BmpPicture picture;
        Bytes rgb{};
        Lines trace{};  // checked when given
        int result = 1;
    };
    // Files hold blue, green, red; bottom-up files the bottom row first.
    // clang-format off
    const Case cases[] = {
        {{.width = 2, .height = 2, .pixels = {3, 2, 1, 6, 5, 4, 0, 0, 9, 8, 7, 12, 11, 10, 0, 0}},
         {7, 8, 9, 10, 11, 12, 1, 2, 3, 4, 5, 6}, {"JTRC_BMP\n"}},
        // Long rows are swapped a few pixels at a time.
        {{.width = 5, .pixels = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 0}},
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13}},
        {{.height = -2, .pixels = topDown}, {10, 0, 0, 20, 0, 0}},
        // Rows as long as the image size says, unless it is too small for the pixels.
        {{.height = -2, .imageSize = 16, .pixels = {0, 0, 10, 9, 9, 9, 9, 9, 0, 0, 20, 9, 9, 9, 9, 9}},
         {10, 0, 0, 20, 0, 0}},
        {{.height = -2, .imageSize = 2, .pixels = topDown}, {10, 0, 0, 20, 0, 0}},
        {{.width = 3, .bits = 8, .palette = rgb, .pixels = {2, 0, 1, 0}},
         {0, 0, 255, 255, 0, 0, 0, 255, 0}, {"JTRC_BMP_MAPPED\n"}},
        {{.width = 3, .bits = 4, .palette = rgb, .pixels = {0x12, 0x0F, 0, 0}},
         {0, 255, 0, 0, 0, 255, 255, 0, 0}},
        {{.width = 4, .bits = 1, .palette = {0, 0xFFFFFF}, .pixels = {0xA0, 0, 0, 0}},
         {255, 255, 255, 0, 0, 0, 255, 255, 255, 0, 0, 0}},
        // An index beyond the colours used is black.
        {{.width = 2, .bits = 8, .coloursUsed = 1, .palette = {0x0000FF}, .pixels = {0, 1, 0, 0}},
         {255, 0, 0, 0, 0, 0}},
        {{.width = 2, .bits = 16, .pixels = {0xFF, 0x7F, 0x1F, 0x00}}, {248, 248, 248, 0, 0, 248}},
        {{.width = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
          .pixels = {0x00, 0xF8, 0xE0, 0x07}},
         {248, 0, 0, 0, 252, 0}, {"JTRC_BMP\n", "16 bit Bitmap with bitfield format\n"}},
        // Red in the low bits: its top bit is below bit 7, so it is shifted left.
        {{.width = 2, .bits = 16, .compression = 3, .masks = {0x001F, 0x03E0, 0x7C00},
          .pixels = {0x1F, 0x00, 0x00, 0x7C}},
         {248, 0, 0, 0, 0, 248}},
        {{.headerSize = 12, .width = 2, .bits = 1, .palette = {0, 0x336699}, .pixels = {0x80, 0, 0, 0}},
         {0x99, 0x66, 0x33, 0, 0, 0}, {"JTRC_BMP_OS2_MAPPED\n"}},
        {{.headerSize = 12, .width = 2, .pixels = {1, 2, 3, 4, 5, 6, 0, 0}},
         {3, 2, 1, 6, 5, 4}, {"JTRC_BMP_OS2"}},
        // The file ends inside its first stored (bottom) row: what is there is kept, the rest
        // is black.
        {{.width = 2, .height = 3, .pixels = {1, 1, 1, 2}},
         {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 0, 0, 2}, {}, 0},
        {{.headerSize = 108, .pixels = one}, {}, {}, -1},
        {{.planes = 2, .pixels = one}, {}, {}, -1},
        {{.height = 0, .pixels = one}, {}, {}, -1},
        {{.width = -4, .pixels = one}, {}, {}, -1},
        {{.height = INT32_MIN, .pixels = one}, {}, {}, -1},
        {{.width = 40000, .height = 40000, .pixels = one}, {}, {}, -1},
        {{.bits = 32, .pixels = one}, {}, {"JTRC_BMP_MAPPED\n"}, -1},
        {{.compression = 4, .pixels = one}, {}, {}, -1},  // embedded JPEG data
        {{.compression = 1, .pixels = one}, {}, {}, -1},  // run lengths on 24 bits
        {{.pixelOffset = 1000, .pixels = one}, {}, {}, -1},
        {{.pixelOffset = 30, .pixels = one}, {}, {}, -1},
        {{.bits = 16, .compression = 3, .masks = {0xF800}}, {}, {}, -1},  // masks cut short
        {{.bits = 8, .coloursUsed = 300, .palette = std::vector<std::uint32_t>(300), .pixels = one}, {}, {}, -1},
        {{.bits = 8, .compression = 2, .palette = std::vector<std::uint32_t>(256), .pixels = one}, {}, {}, -1},
        {{.headerSize = 12, .bits = 16, .pixels = one}, {}, {}, -1},
    };
    // clang-format on
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        testing_support::DebugCapture capture;
        Bytes rows;
        EXPECT_EQ(Decode(cases[i].picture.Build(), rows), cases[i].result) << i;
        EXPECT_EQ(rows, cases[i].rgb) << i;
        if (!cases[i].trace.empty()) {
            EXPECT_EQ(capture.lines(), cases[i].trace) << i;
        }
    }
}

// Stored bottom-up, so the expected rows read from the last stored row to the first.
// clang-format off
const BmpPicture kRle8{.width = 6, .height = 6, .bits = 8, .compression = 1,
    .palette = {0x000001, 0x0000FF, 0x00FF00, 0xFF0000},
    .pixels = {
        3, 1, 0, 3, 2, 3, 1, 0,  // row 0: run of three 1s, absolute 2 3 1 (+pad)
        0, 0,                    // end of line: rest of row 0 is entry 0
        9, 2, 0, 0,              // row 1: a run of 9 clipped to the row, then EOL
        0, 2, 2, 2,              // delta: right 2, down 2 (rows 2 and 3 left unset)
        2, 3, 0, 1}};            // row 4 from x = 2: two 3s, end of bitmap
const BmpPicture kRle4{.width = 7, .height = -3, .bits = 4, .compression = 2,
    .palette = {0x000001, 0x0000FF, 0x00FF00, 0xFF0000},
    .pixels = {
        5, 0x12,                    // 1 2 1 2 1
        0, 3, 0x31, 0x20,           // absolute 3 1 2: two bytes, already even
        0, 0,                       // end of line (row 0 had 8 pixels: clipped to 7)
        0, 5, 0x12, 0x31, 0x20, 0,  // absolute of five: three bytes plus one pad
        0, 2, 1, 1,                 // delta right 1, down 1: row 1 ends here
        1, 0x30,                    // row 2 from x = 6: one 3
        0, 1}};
// clang-format on

TEST(BmpDecoder, RunLengthRowsAreClippedAndSkippedPixelsGetEntryZero) {
    const std::pair<const BmpPicture&, std::vector<int>> cases[] = {
        {kRle8, {0, 0, 0, 0, 0, 0, 0, 0, 3, 3, 0, 0, 0, 0, 0, 0, 0, 0,
                 0, 0, 0, 0, 0, 0, 2, 2, 2, 2, 2, 2, 1, 1, 1, 2, 3, 1}},
        {kRle4, {1, 2, 1, 2, 1, 3, 1, 1, 2, 3, 1, 2, 0, 0, 0, 0, 0, 0, 0, 0, 3}}};
    const Bytes colours[] = {{1, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    for (const auto& [picture, entries] : cases) {
        Bytes expected, rows;
        for (int e : entries) expected.insert(expected.end(), colours[e].begin(), colours[e].end());
        EXPECT_EQ(Decode(picture.Build(), rows), 1);
        EXPECT_EQ(rows, expected);
        EXPECT_EQ(Decode(picture.Build(), rows, 3), 1);  // from a stream of 3 bytes a read
        EXPECT_EQ(rows, expected);
    }
}

TEST(BmpDecoder, DamagedRunLengthFilesStayInsideTheirBytesAndRows) {
    for (const BmpPicture& p : {kRle8, kRle4}) {
        const Bytes file = p.Build();
        testing_support::ForEachDamagedCopy(file, file.size(), [](const Bytes& copy) {
            // Whatever a damaged file decodes to, it decodes to the same from memory, from a
            // stream of 7 bytes a read and line by line.
            // (Up to the size the bitmap routes below take; the rest is the line route's.)
            BmpDecoder head;
            head.SetSource(copy.data(), copy.size());
            if (head.ReadHead() && static_cast<std::size_t>(head.GetInfo().width) *
                                           static_cast<std::size_t>(head.GetInfo().height) >
                                       test_pictures::kMaxPixels) {
                test_pictures::ExerciseDecoder<BmpDecoder>(copy, 3);
                return;
            }
            Bytes whole, streamed;
            const int result = Decode(copy, whole);
            EXPECT_EQ(Decode(copy, streamed, 7), result);
            EXPECT_EQ(streamed, whole);
            if (result == 1) {
                EXPECT_EQ(ByLines(copy), whole);
            }
            // Into a bitmap, converted to 32 bits, line by line, from a stream of 7 bytes a read.
            for (std::uint8_t route : {0, 2, 3, 3 | 4 | 6 << 3})
                test_pictures::ExerciseDecoder<BmpDecoder>(copy, route);
        });
    }
}

TEST(BmpDecoder, ReadLineGivesTheSameRowsAndNothingAfterTheLast) {
    const Bytes file =
        BmpPicture{.width = 2, .height = 3, .pixels = {1, 1, 1, 2, 2, 2, 0, 0, 3, 3, 3, 4,
                                                       4, 4, 0, 0, 5, 5, 5, 6, 6, 6, 0, 0}}
            .Build();
    BmpDecoder lines;
    lines.SetSource(file.data(), file.size());
    ASSERT_TRUE(lines.ReadHead());
    Bytes byLine(18), whole;
    for (int y = 0; y < 3; ++y) EXPECT_EQ(lines.ReadLine(byLine.data() + 6 * y), y < 2);
    EXPECT_FALSE(lines.ReadLine(byLine.data()));
    EXPECT_EQ(Decode(file, whole), 1);
    EXPECT_EQ(byLine, whole);
}

}  // namespace
