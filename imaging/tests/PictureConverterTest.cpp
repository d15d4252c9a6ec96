#include "imaging/PictureConverter.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"

namespace {

PictureConverter Destination(int bits, int greenBits = 8) {
    PictureConverter c;
    c.bitsPerPixel = bits;
    c.greenBits = greenBits;
    return c;
}

std::uint16_t Pixel16(const std::vector<std::uint8_t>& row, int i) {
    return static_cast<std::uint16_t>(row[2 * i] | row[2 * i + 1] << 8);
}

void Convert(const PictureConverter& c, const std::vector<std::uint8_t>& src,
             std::vector<std::uint8_t>& dst, int sourceBits, int count,
             const std::uint32_t* palette = nullptr, int sourceGreenBits = 8) {
    c.Convert(src.data(), dst.data(), palette, count, sourceBits, 0, 0, 0, 0, sourceGreenBits, 0);
}

TEST(PictureConverter, PacksRedIntoEachSixteenBitLayout) {
    const std::vector<std::uint8_t> red{255, 0, 0};
    const std::vector<std::uint8_t> redAlpha{255, 0, 0, 128};
    for (auto [g, expected] : {std::pair{6, 0xF800}, {5, 0x7C00}, {4, 0x0F00}}) {
        std::vector<std::uint8_t> dst(2);
        Convert(Destination(16, g), red, dst, 24, 1);
        EXPECT_EQ(Pixel16(dst, 0), expected) << "green bits " << g;
        dst.assign(2, 0);
        Convert(Destination(16, g), redAlpha, dst, 32, 1);
        EXPECT_EQ(Pixel16(dst, 0), expected) << "32-bit source, green bits " << g;
    }
}

TEST(PictureConverter, PaletteSourcesOfEveryDepthReachTheSameColours) {
    std::uint32_t palette[256] = {};
    palette[0] = 0x000000;
    palette[1] = 10 | 20 << 8 | 30 << 16;
    const std::vector<std::uint8_t> oneBit{0x80};    // pixel 0 from entry 1, 1-7 from entry 0
    const std::vector<std::uint8_t> fourBit{0x10};   // high nibble first
    const std::vector<std::uint8_t> eightBit{1, 0};

    std::vector<std::uint8_t> dst(3 * 8, 0xEE);
    Convert(Destination(24), oneBit, dst, 1, 8, palette);
    EXPECT_EQ((std::vector<std::uint8_t>(dst.begin(), dst.begin() + 6)),
              (std::vector<std::uint8_t>{30, 20, 10, 0, 0, 0}));
    for (std::size_t i = 3; i < dst.size(); ++i) EXPECT_EQ(dst[i], 0);

    for (const auto* src : {&fourBit, &eightBit}) {
        std::vector<std::uint8_t> out(8, 0xEE);
        Convert(Destination(32), *src, out, src == &fourBit ? 4 : 8, 2, palette);
        EXPECT_EQ(out, (std::vector<std::uint8_t>{30, 20, 10, 0, 0, 0, 0, 0}));
    }
    std::vector<std::uint8_t> out16(2);
    Convert(Destination(16, 6), eightBit, out16, 8, 1, palette);
    EXPECT_EQ(Pixel16(out16, 0), (10 >> 3) << 11 | (20 >> 2) << 5 | (30 >> 3));
}

TEST(PictureConverter, SixteenBitSourcesUnpackToBlueGreenRed) {
    std::vector<std::uint8_t> dst(3);
    Convert(Destination(24), {0xFF, 0x7F}, dst, 16, 1, nullptr, 5);
    EXPECT_EQ(dst, (std::vector<std::uint8_t>{248, 248, 248}));
    // Pure red as 5-5-5 (0x7C00) lands in the red byte, the last of a blue-green-red pixel.
    Convert(Destination(24), {0x00, 0x7C}, dst, 16, 1, nullptr, 5);
    EXPECT_EQ(dst, (std::vector<std::uint8_t>{0, 0, 248}));
    std::vector<std::uint8_t> dst32(4, 0xEE);
    Convert(Destination(32), {0x1F, 0x00}, dst32, 16, 1, nullptr, 6);  // 5-6-5 pure blue
    EXPECT_EQ(dst32, (std::vector<std::uint8_t>{248, 0, 0, 0}));
    std::vector<std::uint8_t> dst16(2);
    Convert(Destination(16, 6), {0xFF, 0x7F}, dst16, 16, 1, nullptr, 5);  // 555 widened
    EXPECT_EQ(Pixel16(dst16, 0), 0xFFDF);
    Convert(Destination(16, 5), {0x34, 0x12}, dst16, 16, 1, nullptr, 5);  // same layout
    EXPECT_EQ(Pixel16(dst16, 0), 0x1234);
}

TEST(PictureConverter, TrueColourSourcesToTwentyFourAndThirtyTwoBits) {
    // Rows of every length up to a few blocks of four pixels, so both the word-wise and the
    // byte-wise parts of the 24-bit swap are covered.
    for (int count = 0; count <= 13; ++count) {
        std::vector<std::uint8_t> src(static_cast<std::size_t>(count) * 3);
        for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i + 1);
        std::vector<std::uint8_t> out(src.size() + 1, 0xEE);
        Convert(Destination(24), src, out, 24, count);
        for (int p = 0; p < count; ++p) {
            const auto k = static_cast<std::size_t>(p) * 3;
            ASSERT_EQ(out[k], src[k + 2]) << count;
            ASSERT_EQ(out[k + 1], src[k + 1]) << count;
            ASSERT_EQ(out[k + 2], src[k]) << count;
        }
        EXPECT_EQ(out.back(), 0xEE) << "wrote past the row of " << count;
    }
    std::vector<std::uint8_t> dst(6);
    Convert(Destination(24), {1, 2, 3, 9, 4, 5, 6, 9}, dst, 32, 2);
    EXPECT_EQ(dst, (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
    std::vector<std::uint8_t> dst32(8);
    Convert(Destination(32), {1, 2, 3, 9, 4, 5, 6, 9}, dst32, 32, 2);
    EXPECT_EQ(dst32, (std::vector<std::uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
    Convert(Destination(32), {1, 2, 3, 4, 5, 6}, dst32, 24, 2);
    EXPECT_EQ(dst32, (std::vector<std::uint8_t>{3, 2, 1, 0, 6, 5, 4, 0}));
}

TEST(PictureConverter, UnsupportedCombinationsLeaveTheRowAndSaySo) {
    testing_support::DebugCapture capture;
    std::vector<std::uint8_t> dst(4, 0xEE);
    Convert(Destination(24), {0xFF}, dst, 2, 1);
    Convert(Destination(32), {0xFF}, dst, 2, 1);
    Convert(Destination(16, 5), {0xFF}, dst, 2, 1);
    Convert(Destination(8), {0xFF, 0, 0}, dst, 24, 1);
    Convert(Destination(16, 7), {0xFF, 0, 0}, dst, 24, 1);  // no such layout: silent
    EXPECT_EQ(dst, std::vector<std::uint8_t>(4, 0xEE));
    EXPECT_EQ(capture.lines(),
              (std::vector<std::string>{"PictureConverter::Write24Bit  Unsupported source format\n",
                                        "PictureConverter::Write32Bit  Unsupported source format\n",
                                        "PictureConverter::Write16Bit  Unsupported source format\n",
                                        "PictureConverter::Convert  Unsupported destination format\n"}));
}

TEST(PictureConverter, PixelFormatMasksChooseTheLayout) {
    PictureConverter c;
    c.SetPixelFormat({16, 0xF800, 0x07E0, 0x001F, 0});
    std::vector<std::uint8_t> dst(2);
    Convert(c, {255, 0, 0}, dst, 24, 1);
    EXPECT_EQ(Pixel16(dst, 0), 0xF800);
}

TEST(PictureInfo, DescribesARenderedBitmapByItsStride) {
    platform::BitmapInfoHeader header;
    header.width = 10;
    header.height = 5;  // bottom-up
    header.bitCount = 24;
    header.sizeImage = 0;  // allowed for uncompressed bitmaps
    PictureInfo info;
    info.SetFromBitmapInfoHeader(header, nullptr);
    EXPECT_EQ(info.rowBytes, -32);
    EXPECT_EQ(info.height, 5);
    header.height = -5;
    header.bitCount = 8;
    std::uint32_t table[256] = {};
    table[3] = 0x00112233;  // blue 0x33, green 0x22, red 0x11
    info.SetFromBitmapInfoHeader(header, table);
    EXPECT_EQ(info.rowBytes, 12);
    ASSERT_EQ(info.palette.size(), 256u);
    EXPECT_EQ(info.palette[3], 0x00332211u);
}

}  // namespace
