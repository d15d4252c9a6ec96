#include "imaging/TargaDecoder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "testing/Damage.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tga {
    int type = 2;
    int width = 2;
    int height = 2;
    int depth = 24;
    int descriptor = 0x20;  // top-down
    int mapType = 0;
    int mapFirst = 0;
    int mapEntryBits = 24;
    Bytes id;
    Bytes map;     // raw colour-map bytes
    Bytes pixels;  // raw (or run-length encoded) pixel bytes

    Bytes Build() const {
        const int mapLength = mapEntryBits == 0 ? 0 : static_cast<int>(map.size()) / ((mapEntryBits + 7) / 8);
        Bytes out{static_cast<std::uint8_t>(id.size()), static_cast<std::uint8_t>(mapType),
                  static_cast<std::uint8_t>(type),
                  static_cast<std::uint8_t>(mapFirst), static_cast<std::uint8_t>(mapFirst >> 8),
                  static_cast<std::uint8_t>(mapLength), static_cast<std::uint8_t>(mapLength >> 8),
                  static_cast<std::uint8_t>(mapEntryBits), 0, 0, 0, 0,
                  static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(width >> 8),
                  static_cast<std::uint8_t>(height), static_cast<std::uint8_t>(height >> 8),
                  static_cast<std::uint8_t>(depth), static_cast<std::uint8_t>(descriptor)};
        out.insert(out.end(), id.begin(), id.end());
        out.insert(out.end(), map.begin(), map.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

// Decodes through the decoder directly and returns the rows as the decoder delivers them.
bool Decode(const Bytes& file, Bytes& rows, int* width = nullptr, int* height = nullptr) {
    TargaDecoder decoder;
    decoder.SetSource(file.data(), file.size());
    if (!decoder.ReadHead()) return false;
    const PictureInfo& info = decoder.GetInfo();
    if (width) *width = info.width;
    if (height) *height = info.height;
    rows.assign(static_cast<std::size_t>(info.rowBytes) * static_cast<std::size_t>(info.height), 0);
    return decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
}

TEST(TargaDecoder, TrueColourOfEveryPixelSizeDeliversRedGreenBlue) {
    struct Case {
        int depth;
        Bytes pixels, rgb;
    };
    const Case cases[] = {
        {24, {3, 2, 1, 6, 5, 4}, {1, 2, 3, 4, 5, 6}},  // blue, green, red in the file
        {32, {3, 2, 1, 99, 6, 5, 4, 99}, {1, 2, 3, 4, 5, 6}},
        {16, {0xFF, 0x7F, 0x1F, 0x00}, {255, 255, 255, 0, 0, 255}},
        {15, {0xFF, 0x7F, 0x1F, 0x00}, {255, 255, 255, 0, 0, 255}},
    };
    for (const Case& c : cases) {
        Tga t;
        t.height = 1;
        t.depth = c.depth;
        t.pixels = c.pixels;
        Bytes rows;
        ASSERT_TRUE(Decode(t.Build(), rows)) << c.depth;
        EXPECT_EQ(rows, c.rgb) << c.depth;
    }
}

TEST(TargaDecoder, RowOrderFollowsTheDescriptor) {
    Tga t;
    t.width = 1;
    t.height = 2;
    t.pixels = {0, 0, 10, 0, 0, 20};  // file row 0 red 10, file row 1 red 20
    Bytes rows;
    t.descriptor = 0x20;
    ASSERT_TRUE(Decode(t.Build(), rows));
    EXPECT_EQ(rows, (Bytes{10, 0, 0, 20, 0, 0}));
    t.descriptor = 0;
    ASSERT_TRUE(Decode(t.Build(), rows));
    EXPECT_EQ(rows, (Bytes{20, 0, 0, 10, 0, 0}));

    TargaDecoder decoder;
    const Bytes file = t.Build();
    decoder.SetSource(file.data(), file.size());
    ASSERT_TRUE(decoder.ReadHead());
    std::uint8_t row[3];
    EXPECT_TRUE(decoder.ReadLine(row));
    EXPECT_EQ(row[0], 20);
    EXPECT_FALSE(decoder.ReadLine(row));
    EXPECT_EQ(row[0], 10);
    EXPECT_FALSE(decoder.ReadLine(row));
}

TEST(TargaDecoder, ColourMappedAndGrayPictures) {
    Tga mapped;
    mapped.type = 1;
    mapped.mapType = 1;
    mapped.depth = 8;
    mapped.width = 3;
    mapped.height = 1;
    mapped.id = {'h', 'i'};
    mapped.map = {30, 20, 10, 60, 50, 40};  // two entries, blue-green-red
    mapped.pixels = {1, 0, 255};  // index beyond the map: black
    Bytes rows;
    ASSERT_TRUE(Decode(mapped.Build(), rows));
    EXPECT_EQ(rows, (Bytes{40, 50, 60, 10, 20, 30, 0, 0, 0}));

    // A map of another entry size is skipped whole: the pixels still line up.
    mapped.mapEntryBits = 32;
    mapped.map = {30, 20, 10, 0, 60, 50, 40, 0};
    ASSERT_TRUE(Decode(mapped.Build(), rows));
    EXPECT_EQ(rows, (Bytes{40, 50, 60, 10, 20, 30, 0, 0, 0}));
    testing_support::DebugCapture capture;
    mapped.mapEntryBits = 8;
    mapped.map = {7, 7};
    ASSERT_TRUE(Decode(mapped.Build(), rows));
    EXPECT_TRUE(capture.Contains("Error in targa colormap format\n"));
    EXPECT_EQ(rows, Bytes(9, 0));

    Tga gray;
    gray.type = 3;
    gray.depth = 8;
    gray.width = 2;
    gray.height = 1;
    gray.pixels = {7, 200};
    ASSERT_TRUE(Decode(gray.Build(), rows));
    EXPECT_EQ(rows, (Bytes{7, 7, 7, 200, 200, 200}));
}

TEST(TargaDecoder, RunLengthPacketsMayCrossRows) {
    Tga t;
    t.type = 10;
    t.width = 2;
    t.height = 2;
    // A run of three equal pixels then one literal pixel: the run spans the row end.
    t.pixels = {0x82, 3, 2, 1, 0x00, 9, 8, 7};
    Bytes rows;
    ASSERT_TRUE(Decode(t.Build(), rows));
    EXPECT_EQ(rows, (Bytes{1, 2, 3, 1, 2, 3, 1, 2, 3, 7, 8, 9}));

    Tga gray = t;
    gray.type = 11;
    gray.depth = 8;
    gray.pixels = {0x01, 5, 6, 0x81, 9};
    ASSERT_TRUE(Decode(gray.Build(), rows));
    EXPECT_EQ(rows, (Bytes{5, 5, 5, 6, 6, 6, 9, 9, 9, 9, 9, 9}));

    Tga mapped = t;
    mapped.type = 9;
    mapped.mapType = 1;
    mapped.depth = 8;
    mapped.map = {0, 0, 0, 30, 20, 10};
    mapped.pixels = {0x83, 1};
    ASSERT_TRUE(Decode(mapped.Build(), rows));
    EXPECT_EQ(rows, (Bytes{10, 20, 30, 10, 20, 30, 10, 20, 30, 10, 20, 30}));
}

TEST(TargaDecoder, RefusesHeadersItCannotDecode) {
    Tga t;
    t.pixels = Bytes(12, 0);
    Bytes rows;
    ASSERT_TRUE(Decode(t.Build(), rows));

    auto fails = [&](auto change) {
        Tga bad = t;
        change(bad);
        return !Decode(bad.Build(), rows);
    };
    auto mapped = [](Tga& m) {
        m.type = 1;
        m.mapType = 1;
        m.depth = 8;
        m.map = Bytes(300 * 3, 0);  // more entries than 8-bit pixels can use
    };
    EXPECT_TRUE(fails(mapped));
    EXPECT_TRUE(fails([&](Tga& m) { mapped(m); m.map = Bytes(6, 0); m.mapFirst = 1; }));
    EXPECT_TRUE(fails([&](Tga& m) { mapped(m); m.map.clear(); }));
    EXPECT_TRUE(fails([](Tga& b) { b.type = 5; }));
    EXPECT_TRUE(fails([](Tga& b) { b.depth = 12; }));
    EXPECT_TRUE(fails([](Tga& b) { b.descriptor = 64; }));
    EXPECT_TRUE(fails([](Tga& b) { b.type = 3; }));  // gray of 24 bits
    // A huge size from a few bytes is refused before anything is allocated.
    EXPECT_TRUE(fails([](Tga& b) { b.width = b.height = 65535; }));
    EXPECT_TRUE(fails([](Tga& b) { b.width = b.height = 65535; b.type = 10; }));
}

TEST(TargaDecoder, ACutShortEncodedFileDecodesWhatItHas) {
    Tga t;
    t.type = 10;
    t.width = 2;
    t.height = 1;
    t.pixels = {0x00, 3, 2, 1};  // one literal pixel, then the file ends
    Bytes rows;
    EXPECT_FALSE(Decode(t.Build(), rows));
    EXPECT_EQ(rows, (Bytes{1, 2, 3, 0, 0, 0}));
}

TEST(TargaDecoder, DamagedFilesNeverReadOutsideTheirBytes) {
    Tga plain;
    plain.width = 7;
    plain.height = 5;
    for (int i = 0; i < 7 * 5 * 3; ++i) plain.pixels.push_back(static_cast<std::uint8_t>(i));
    Tga encoded;
    encoded.type = 9;
    encoded.mapType = 1;
    encoded.depth = 8;
    encoded.width = 9;
    encoded.height = 4;
    encoded.id = {1, 2, 3};
    for (int i = 0; i < 16; ++i) encoded.map.insert(encoded.map.end(), {std::uint8_t(i), 0, 0});
    encoded.pixels = {0x85, 3, 0x03, 1, 2, 3, 4, 0xFF, 15, 0x8F, 7};
    for (const Tga& t : {plain, encoded}) {
        testing_support::ForEachDamagedCopy(t.Build(), 18 + t.id.size(), [](const Bytes& file) {
            TargaDecoder decoder;
            decoder.SetSource(file.data(), file.size());
            if (!decoder.ReadHead()) return;
            const PictureInfo& info = decoder.GetInfo();
            Bytes rows(static_cast<std::size_t>(info.rowBytes) * static_cast<std::size_t>(info.height));
            decoder.ReadImage(rows.data(), info.rowBytes, nullptr);
            std::vector<std::uint8_t> line(static_cast<std::size_t>(info.rowBytes) + 1);
            while (decoder.ReadLine(line.data())) {
            }
        });
    }
}

TEST(TargaDecoder, LoadsThroughTheLoaderIntoABitmap) {
    testing_support::TempDir dir;
    Tga t;
    t.width = 10;  // 30 bytes a row: the bitmap pads to 32
    t.height = 2;
    t.descriptor = 0;
    for (int i = 0; i < 20; ++i) t.pixels.insert(t.pixels.end(), {std::uint8_t(i), 100, 200});
    const Bytes bytes = t.Build();
    const std::string path = dir.Write("pic.targa", std::string(bytes.begin(), bytes.end()));
    PictureInfo info;
    Vector2<int> size(0, 0);
    auto dib = LoadPictureAsDIB(path, &info, &size, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->stride(), 32u);
    EXPECT_TRUE(dib->topDown());
    EXPECT_EQ(size, Vector2<int>(10, 2));
    EXPECT_EQ(info.rowBytes, 30);
    // Bottom-up file: the top bitmap row is the last file row (pixels 10-19), written
    // blue, green, red: the file's own byte order.
    EXPECT_EQ(dib->Row(0)[0], 10);
    EXPECT_EQ(dib->Row(0)[1], 100);
    EXPECT_EQ(dib->Row(0)[2], 200);
    EXPECT_EQ(dib->Row(1)[0], 0);
}

}  // namespace
