#include "imaging/JpegWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/tests/JpegFixtures.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using jpeg_fixtures::Bytes;

PictureInfo Describe(std::uint8_t* pixels, int width, int height, int bits, int rowBytes,
                     int greenBits = 8) {
    PictureInfo info;
    info.pixels = pixels;
    info.width = width;
    info.height = height;
    info.bitsPerPixel = bits;
    info.rowBytes = rowBytes;
    info.greenBits = greenBits;
    return info;
}

Bytes Contents(const std::string& path) {
    return jpeg_fixtures::AsBytes(testing_support::ReadFile(path));
}

TEST(SaveJPG, WritesBaselineRedGreenBlueFromEverySourceDepthAndRowOrder) {
    testing_support::TempDir dir;
    const std::string path = dir.Path("p.jpg");
    // Blue-green-red rows give the library's own baseline file for the quality, whatever
    // their distance: packed, padded with the last row ending the block, or bottom-up.
    const Bytes rgb = jpeg_fixtures::Pattern(40, 23, 3);
    const Bytes reference = jpeg_fixtures::Encode({.quality = 75});
    for (const int pitch : {120, 124, -120}) {
        const auto step = static_cast<std::size_t>(std::abs(pitch));
        Bytes bitmap(step * 22 + 120);
        for (std::size_t y = 0; y < 23; ++y) {
            const std::size_t at = (pitch > 0 ? y : 22 - y) * step;
            for (std::size_t x = 0; x < 120; x += 3) {
                bitmap[at + x] = rgb[y * 120 + x + 2];
                bitmap[at + x + 1] = rgb[y * 120 + x + 1];
                bitmap[at + x + 2] = rgb[y * 120 + x];
            }
        }
        std::uint8_t* top = pitch > 0 ? bitmap.data() : &bitmap[22 * step];
        ASSERT_TRUE(SaveJPG(Describe(top, 40, 23, 24, pitch), path, 75));
        EXPECT_EQ(Contents(path), reference) << pitch;
    }

    const std::uint16_t v565 = (200 >> 3) << 11 | (100 >> 2) << 5 | (50 >> 3);
    const std::uint16_t v555 = (200 >> 3) << 10 | (100 >> 3) << 5 | (50 >> 3);
    struct Case {
        int bits, greenBits;
        Bytes pixel;
        std::vector<int> rgb;
    };
    const Case cases[] = {
        {32, 8, {50, 100, 200, 7}, {200, 100, 50}},
        {16, 6, {std::uint8_t(v565), std::uint8_t(v565 >> 8)}, {200, 100, 48}},
        {16, 5, {std::uint8_t(v555), std::uint8_t(v555 >> 8)}, {200, 96, 48}},
    };
    for (const Case& c : cases) {
        Bytes pixels;
        for (int i = 0; i < 16 * 16; ++i)
            pixels.insert(pixels.end(), c.pixel.begin(), c.pixel.end());
        ASSERT_TRUE(SaveJPG(Describe(pixels.data(), 16, 16, c.bits, 16 * c.bits / 8, c.greenBits),
                            path, 95));
        const Bytes decoded = jpeg_fixtures::Decode(Contents(path));
        for (std::size_t k = 0; k < 3; ++k) EXPECT_NEAR(decoded[300 + k], c.rgb[k], 3) << c.bits;
    }
}

TEST(SaveJPG, FailuresLeaveNoFileAndTheOldOneAsItWas) {
    testing_support::TempDir dir;
    testing_support::DebugCapture capture;
    const std::string old = dir.Write("old.jpg", "old contents");
    ASSERT_EQ(::chmod(old.c_str(), 0604), 0);
    Bytes pixels(64 * 3, 90);
    // Palette depths, no pixels, rows shorter than their pixels.
    for (const int bits : {1, 4, 8})
        EXPECT_FALSE(SaveJPG(Describe(pixels.data(), 8, 8, bits, 8), old, 75));
    EXPECT_FALSE(SaveJPG(Describe(nullptr, 8, 8, 24, 24), old, 75));
    EXPECT_FALSE(SaveJPG(Describe(pixels.data(), 8, 8, 24, 12), old, 75));
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>(5, "Unsupported input format to SaveJPG()\n"));

    capture.Clear();
    const std::string nowhere = dir.Path("missing/x.jpg");
    EXPECT_FALSE(SaveJPG(Describe(pixels.data(), 8, 8, 24, 24), nowhere, 75));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"can't open " + nowhere + "\n"});

    // The library refuses a width beyond its limit once the file is open.
    Bytes wide(70000 * 3, 1);
    EXPECT_FALSE(SaveJPG(Describe(wide.data(), 70000, 1, 24, 70000 * 3), old, 75));
    EXPECT_FALSE(SaveJPG(Describe(wide.data(), 70000, 1, 24, 70000 * 3), dir.Path("new.jpg"), 75));
    EXPECT_EQ(testing_support::ReadFile(old), "old contents");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 1);

    ASSERT_TRUE(SaveJPG(Describe(pixels.data(), 8, 8, 24, 24), old, 75));
    struct stat st {};
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(jpeg_fixtures::Decode(Contents(old)).size(), 8u * 8u * 3u);
}

}  // namespace
