#include "imaging/TargaDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tga {
    int type = 2, width = 2, height = 1, depth = 24, descriptor = 0x20;  // top-down
    int mapType = 0, mapFirst = 0, mapEntryBits = 24;
    Bytes map{}, pixels{};  // raw colour-map bytes; raw or run-length encoded pixels

    Bytes Build() const {
        auto lo = [](int v) { return static_cast<std::uint8_t>(v); };
        auto hi = [](int v) { return static_cast<std::uint8_t>(v >> 8); };
        const int entries = static_cast<int>(map.size()) / ((mapEntryBits + 7) / 8);
        // clang-format off
        Bytes out{2, lo(mapType), lo(type), lo(mapFirst), hi(mapFirst), lo(entries), hi(entries),
                  lo(mapEntryBits), 0, 0, 0, 0, lo(width), hi(width), lo(height), hi(height),
                  lo(depth), lo(descriptor), 'h', 'i'};  // with an id of two bytes
        // clang-format on
        out.insert(out.end(), map.begin(), map.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

// The rows as red, green, blue; false when the header was refused or the data ran out.
bool Decode(const Bytes& file, Bytes& rows) {
    TargaDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    if (!decoder.ReadHead()) return false;
    const PictureInfo& info = decoder.GetInfo();
    rows.assign(static_cast<std::size_t>(info.rowBytes * info.height), 0);
    return decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
}

TEST(TargaDecoder, DecodesEveryPixelKindAndRefusesWhatItCannot) {
    const Bytes map = {30, 20, 10, 60, 50, 40};  // two entries, blue-green-red
    const Bytes six(6, 0);
    struct Case {
        Tga tga;
        Bytes rgb{};  // empty: refused
        bool complete = true;
    };
    // clang-format off
    const Case cases[] = {
        {{.pixels = {3, 2, 1, 6, 5, 4}}, {1, 2, 3, 4, 5, 6}},  // blue, green, red in the file
        {{.depth = 32, .pixels = {3, 2, 1, 99, 6, 5, 4, 99}}, {1, 2, 3, 4, 5, 6}},
        {{.depth = 16, .pixels = {0xFF, 0x7F, 0x1F, 0x00}}, {255, 255, 255, 0, 0, 255}},
        {{.depth = 15, .pixels = {0xFF, 0x7F, 0x1F, 0x00}}, {255, 255, 255, 0, 0, 255}},
        {{.type = 3, .depth = 8, .pixels = {7, 200}}, {7, 7, 7, 200, 200, 200}},
        // Maps of any entry size are skipped whole; an index beyond the map is black.
        {{.type = 1, .width = 3, .depth = 8, .mapType = 1, .map = map, .pixels = {1, 0, 255}},
         {40, 50, 60, 10, 20, 30, 0, 0, 0}},
        {{.type = 1, .width = 3, .depth = 8, .mapType = 1, .mapEntryBits = 32,
          .map = {30, 20, 10, 0, 60, 50, 40, 0}, .pixels = {1, 0, 255}},
         {40, 50, 60, 10, 20, 30, 0, 0, 0}},
        {{.type = 1, .depth = 8, .mapType = 1, .mapEntryBits = 8, .map = {7, 7}, .pixels = {1, 0}},
         {0, 0, 0, 0, 0, 0}},
        // Runs may cross rows; a run longer than the picture is cut at its end.
        {{.type = 10, .height = 2, .pixels = {0x82, 3, 2, 1, 0x00, 9, 8, 7}},
         {1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9}},
        {{.type = 11, .height = 2, .depth = 8, .pixels = {0x01, 5, 6, 0x81, 9}},
         {5, 5, 5, 6, 6, 6, 9, 9, 9, 9, 9, 9}},
        {{.type = 9, .depth = 8, .mapType = 1, .map = map, .pixels = {0x83, 1}}, {40, 50, 60, 40, 50, 60}},
        // A file that ends early keeps the rows decoded so far.
        {{.type = 10, .pixels = {0x00, 3, 2, 1}}, {1, 2, 3, 0, 0, 0}, false},
        // More map entries than 8-bit pixels can use, or than the map holds, or no map.
        {{.type = 1, .depth = 8, .mapType = 1, .map = Bytes(300 * 3, 0), .pixels = six}},
        {{.type = 1, .depth = 8, .mapType = 1, .mapFirst = 1, .map = map, .pixels = six}},
        {{.type = 1, .depth = 8, .mapType = 1, .pixels = six}},
        {{.type = 5, .pixels = six}},
        {{.depth = 12, .pixels = six}},
        {{.descriptor = 64, .pixels = six}},
        {{.type = 3, .pixels = six}},  // gray of 24 bits
        // A huge size from a few bytes is refused before anything is allocated.
        {{.width = 65535, .height = 65535}},
        {{.type = 10, .width = 65535, .height = 65535}},
    };
    // clang-format on
    testing_support::DebugCapture capture;
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        Bytes rows;
        EXPECT_EQ(Decode(cases[i].tga.Build(), rows), cases[i].complete && !cases[i].rgb.empty())
            << i;
        EXPECT_EQ(rows, cases[i].rgb) << i;
    }
    EXPECT_TRUE(capture.Contains("Error in targa colormap format\n"));
}

TEST(TargaDecoder, RowsStoredRightToLeftComeOutLeftToRight) {
    // Pixels stored as A B / C D (file order), red values 1-4.
    const auto stored = [](int depth, bool encoded) {
        Bytes out;
        for (std::uint8_t red = 1; red <= 4; ++red) {
            if (encoded && (red == 1 || red == 3)) out.push_back(0x01);  // two literal pixels
            out.insert(out.end(), {0, 0, red});
            if (depth == 32) out.push_back(0xFF);
        }
        return out;
    };
    struct Case {
        int descriptor;
        Bytes reds;  // the red bytes of the delivered rows, top row first
    };
    const Case cases[] = {{0x30, {2, 1, 4, 3}}, {0x10, {4, 3, 2, 1}}, {0x38, {2, 1, 4, 3}}};
    for (const Case& c : cases) {
        for (const int depth : {24, 32}) {
            for (const bool encoded : {false, true}) {
                const Tga tga{.type = encoded ? 10 : 2,
                              .height = 2,
                              .depth = depth,
                              .descriptor = c.descriptor,
                              .pixels = stored(depth, encoded)};
                Bytes rows;
                ASSERT_TRUE(Decode(tga.Build(), rows)) << c.descriptor << " " << depth;
                Bytes reds;
                for (std::size_t i = 0; i < rows.size(); i += 3) {
                    reds.push_back(rows[i]);
                    EXPECT_EQ(rows[i + 1], 0);
                    EXPECT_EQ(rows[i + 2], 0);
                }
                EXPECT_EQ(reds, c.reds) << c.descriptor << " " << depth << " " << encoded;
            }
        }
    }
}

TEST(TargaDecoder, LoadsBottomUpFilesIntoAPaddedBitmap) {
    testing_support::TempDir dir;
    Tga t{.width = 10, .height = 2, .descriptor = 0};  // 30 bytes a row: the bitmap pads to 32
    for (int i = 0; i < 20; ++i) t.pixels.insert(t.pixels.end(), {std::uint8_t(i), 100, 200});
    const Bytes bytes = t.Build();
    PictureInfo info;
    Vector2<int> size(0, 0);
    auto dib = LoadPictureAsDIB(dir.Write("pic.targa", std::string(bytes.begin(), bytes.end())),
                                &info, &size, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->stride(), 32u);
    EXPECT_EQ(size, Vector2<int>(10, 2));
    EXPECT_EQ(info.rowBytes, 30);
    // The top bitmap row is the last file row, blue-green-red as the file has it.
    EXPECT_EQ(Bytes(dib->Row(0), dib->Row(0) + 3), (Bytes{10, 100, 200}));
    EXPECT_EQ(dib->Row(1)[0], 0);
}

}  // namespace
