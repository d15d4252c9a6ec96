#include "imaging/PictureConverter.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Convert(int bits, int greenBits, const Bytes& src, Bytes& dst, int sourceBits, int count,
             const std::uint32_t* palette = nullptr, int sourceGreenBits = 8) {
    PictureConverter c;
    c.bitsPerPixel = bits;
    c.greenBits = greenBits;
    c.Convert(src.data(), dst.data(), palette, count, sourceBits, 0, 0, 0, 0, sourceGreenBits, 0);
}

TEST(PictureConverter, EverySourceReachesEveryDestinationBlueGreenRed) {
    std::uint32_t palette[256] = {};
    palette[1] = 10 | 20 << 8 | 30 << 16;  // red, green, blue, 0
    struct Case {
        const char* name;
        int bits, greenBits, sourceBits, sourceGreenBits;
        Bytes src, expected;
    };
    // 16-bit destinations are little-endian words: red is 0xF800, 0x7C00, 0x0F00.
    const Case cases[] = {
        {"24 to 565", 16, 6, 24, 8, {255, 0, 0}, {0x00, 0xF8}},
        {"32 to 555", 16, 5, 32, 8, {255, 0, 0, 128}, {0x00, 0x7C}},
        {"32 to 444", 16, 4, 32, 8, {255, 0, 0, 128}, {0x00, 0x0F}},
        {"32 to 24", 24, 8, 32, 8, {1, 2, 3, 9, 4, 5, 6, 9}, {3, 2, 1, 6, 5, 4}},
        {"32 to 32", 32, 8, 32, 8, {1, 2, 3, 9, 4, 5, 6, 9}, {3, 2, 1, 0, 6, 5, 4, 0}},
        {"24 to 32", 32, 8, 24, 8, {1, 2, 3, 4, 5, 6}, {3, 2, 1, 0, 6, 5, 4, 0}},
        {"555 to 24", 24, 8, 16, 5, {0x00, 0x7C}, {0, 0, 248}},
        {"565 to 32", 32, 8, 16, 6, {0x1F, 0x00}, {248, 0, 0, 0}},
        {"555 to 565", 16, 6, 16, 5, {0xFF, 0x7F}, {0xDF, 0xFF}},
        {"555 to 555", 16, 5, 16, 5, {0x34, 0x12}, {0x34, 0x12}},
        {"565 to 444", 16, 4, 16, 6, {0x00, 0xF8}, {0x00, 0x0F}},
        {"1 to 24", 24, 8, 1, 8, {0x80}, {30, 20, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                          0,  0,  0,  0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"4 to 32", 32, 8, 4, 8, {0x10}, {30, 20, 10, 0, 0, 0, 0, 0}},
        {"8 to 565", 16, 6, 8, 8, {1}, {0xA3, 0x08}},  // 1 << 11 | 5 << 5 | 3
    };
    for (const Case& c : cases) {
        Bytes dst(c.expected.size() + 1, 0xEE);
        const int count = static_cast<int>(c.expected.size()) / (c.bits / 8);
        Convert(c.bits, c.greenBits, c.src, dst, c.sourceBits, count, palette, c.sourceGreenBits);
        EXPECT_EQ(Bytes(dst.begin(), dst.end() - 1), c.expected) << c.name;
        EXPECT_EQ(dst.back(), 0xEE) << c.name << ": wrote past the row";
    }
}

TEST(PictureConverter, TwentyFourBitRowsOfEveryLengthSwapEveryPixel) {
    // Up to a few blocks of four pixels: both the word-wise and the byte-wise parts.
    for (int count = 0; count <= 13; ++count) {
        Bytes src(static_cast<std::size_t>(count) * 3), expected;
        for (std::size_t i = 0; i < src.size(); ++i) src[i] = static_cast<std::uint8_t>(i + 1);
        for (std::size_t i = 0; i < src.size(); i += 3)
            expected.insert(expected.end(), {src[i + 2], src[i + 1], src[i]});
        expected.push_back(0xEE);
        Bytes out(src.size() + 1, 0xEE);
        Convert(24, 8, src, out, 24, count);
        EXPECT_EQ(out, expected) << count;
    }
}

TEST(PictureConverter, ThreeByteRowsOfEveryLengthWidenAndKeepTheirOrder) {
    // Red-green-blue rows to 32 bits, and blue-green-red rows to every destination, against
    // the same pixels converted one at a time.
    const struct {
        int bits, greenBits;
    } destinations[] = {{32, 8}, {24, 8}, {16, 6}, {16, 5}, {16, 4}};
    for (int count = 0; count <= 13; ++count) {
        Bytes rgb(static_cast<std::size_t>(count) * 3), bgr(rgb.size());
        for (std::size_t i = 0; i < rgb.size(); ++i) rgb[i] = static_cast<std::uint8_t>(i * 37 + 1);
        for (std::size_t i = 0; i < rgb.size(); i += 3) {
            bgr[i] = rgb[i + 2];
            bgr[i + 1] = rgb[i + 1];
            bgr[i + 2] = rgb[i];
        }
        for (const auto& d : destinations) {
            const std::size_t pixelBytes = static_cast<std::size_t>(d.bits) / 8;
            Bytes expected(static_cast<std::size_t>(count) * pixelBytes + 1, 0xEE);
            for (int i = 0; i < count; ++i) {
                Bytes one(rgb.begin() + 3 * i, rgb.begin() + 3 * i + 3), out(pixelBytes);
                Convert(d.bits, d.greenBits, one, out, 24, 1);
                std::copy(out.begin(), out.end(), expected.begin() + i * pixelBytes);
            }
            PictureConverter converter;
            converter.bitsPerPixel = d.bits;
            converter.greenBits = d.greenBits;
            Bytes out(expected.size(), 0xEE);
            converter.ConvertBgr24(bgr.data(), out.data(), count);
            EXPECT_EQ(out, expected)
                << "blue-green-red to " << d.bits << "/" << d.greenBits << ", " << count;
            if (d.bits == 32) {
                Bytes widened(expected.size(), 0xEE);
                Convert(32, 8, rgb, widened, 24, count);
                EXPECT_EQ(widened, expected) << "red-green-blue to 32, " << count;
            }
        }
    }
}

TEST(PictureConverter, UnsupportedCombinationsLeaveTheRowAndSaySo) {
    testing_support::DebugCapture capture;
    Bytes dst(4, 0xEE);
    // A palette depth without its palette is refused, not read through a null pointer.
    Convert(24, 8, {1}, dst, 8, 1);
    Convert(32, 8, {1}, dst, 8, 1);
    Convert(16, 5, {1}, dst, 8, 1);
    Convert(8, 8, {0xFF, 0, 0}, dst, 24, 1);
    Convert(16, 7, {0xFF, 0, 0}, dst, 24, 1);  // no such layout: silent
    EXPECT_EQ(dst, Bytes(4, 0xEE));
    EXPECT_EQ(capture.lines(), (std::vector<std::string>{
                                   "PictureConverter::Write24Bit  Unsupported source format\n",
                                   "PictureConverter::Write32Bit  Unsupported source format\n",
                                   "PictureConverter::Write16Bit  Unsupported source format\n",
                                   "PictureConverter::Convert  Unsupported destination format\n"}));
}

TEST(PictureInfo, DescribesARenderedBitmapByItsStride) {
    platform::BitmapInfoHeader header;
    header.width = 10;
    header.height = 5;  // bottom-up
    header.bitCount = 24;
    PictureInfo info;
    info.SetFromBitmapInfoHeader(header, nullptr);
    EXPECT_EQ(info.rowBytes, -32);
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
