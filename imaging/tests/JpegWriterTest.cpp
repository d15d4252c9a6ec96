#include "imaging/JpegWriter.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/tests/JpegFixtures.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

using jpeg_fixtures::AsBytes;
using jpeg_fixtures::Bytes;

PictureInfo Describe(std::uint8_t* pixels, int width, int height, int bits, int rowBytes) {
    PictureInfo info;
    info.pixels = pixels;
    info.width = width;
    info.height = height;
    info.bitsPerPixel = bits;
    info.rowBytes = rowBytes;
    return info;
}

Bytes Load(const std::string& path, int* width = nullptr, int* height = nullptr) {
    return jpeg_fixtures::Decode(AsBytes(testing_support::ReadFile(path)), 1, width, height);
}

// The data of every segment with the given marker, in file order.
Bytes SegmentsOf(const Bytes& file, std::uint8_t marker) {
    Bytes out;
    for (std::size_t p = 2; p + 4 <= file.size() && file[p + 1] != 0xDA;) {
        const std::size_t length = static_cast<std::size_t>(file[p + 2] << 8 | file[p + 3]);
        if (file[p + 1] == marker)
            out.insert(out.end(), file.begin() + static_cast<std::ptrdiff_t>(p),
                       file.begin() + static_cast<std::ptrdiff_t>(p + 2 + length));
        p += 2 + length;
    }
    return out;
}

std::size_t FilesIn(const std::string& folder) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(folder),
                                                  std::filesystem::directory_iterator()));
}

TEST(SaveJPG, WritesEachSourceDepthAsRedGreenBlue) {
    testing_support::TempDir dir;
    struct Case {
        int bits;
        int greenBits;
        std::vector<std::uint8_t> pixel;
        std::vector<int> rgb;
    };
    const std::uint16_t v565 = (200 >> 3) << 11 | (100 >> 2) << 5 | (50 >> 3);
    const std::uint16_t v555 = (200 >> 3) << 10 | (100 >> 3) << 5 | (50 >> 3);
    const Case cases[] = {
        {24, 8, {50, 100, 200}, {200, 100, 50}},
        {32, 8, {50, 100, 200, 7}, {200, 100, 50}},
        {16, 6, {std::uint8_t(v565), std::uint8_t(v565 >> 8)}, {200, 100, 48}},
        {16, 5, {std::uint8_t(v555), std::uint8_t(v555 >> 8)}, {200, 96, 48}},
    };
    for (const Case& c : cases) {
        Bytes pixels;
        for (int i = 0; i < 16 * 16; ++i)
            pixels.insert(pixels.end(), c.pixel.begin(), c.pixel.end());
        PictureInfo info = Describe(pixels.data(), 16, 16, c.bits, 16 * c.bits / 8);
        info.greenBits = c.greenBits;
        const std::string path =
            dir.Path("c" + std::to_string(c.bits) + std::to_string(c.greenBits) + ".jpg");
        ASSERT_TRUE(SaveJPG(info, path, 95));
        const Bytes rgb = Load(path);
        ASSERT_EQ(rgb.size(), 16u * 16u * 3u);
        for (int k = 0; k < 3; ++k)
            EXPECT_NEAR(rgb[static_cast<std::size_t>(100 * 3 + k)],
                        c.rgb[static_cast<std::size_t>(k)], 3)
                << c.bits;
    }
}

TEST(SaveJPG, ReadsOnlyThePixelsOfEachRowInEitherRowOrder) {
    testing_support::TempDir dir;
    // Two rows 8 bytes apart; the last row ends the block, so a read of its padding would
    // leave the allocation.
    Bytes padded{1, 2, 3, 4, 5, 6, 0xAA, 0xBB, 7, 8, 9, 10, 11, 12};
    Bytes packed{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12};
    ASSERT_TRUE(SaveJPG(Describe(padded.data(), 2, 2, 24, 8), dir.Path("padded.jpg"), 75));
    ASSERT_TRUE(SaveJPG(Describe(packed.data(), 2, 2, 24, 6), dir.Path("packed.jpg"), 75));
    int width = 0, height = 0;
    Load(dir.Path("padded.jpg"), &width, &height);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(testing_support::ReadFile(dir.Path("padded.jpg")),
              testing_support::ReadFile(dir.Path("packed.jpg")));

    // A bottom-up bitmap: pixels at its top row, a negative row distance.
    Bytes bottomUp(16 * 16 * 3 * 2, 0);
    std::fill(bottomUp.begin() + 16 * 16 * 3, bottomUp.end(), 255);
    const PictureInfo up =
        Describe(bottomUp.data() + (bottomUp.size() - 16 * 3), 16, 32, 24, -16 * 3);
    ASSERT_TRUE(SaveJPG(up, dir.Path("up.jpg"), 90));
    const Bytes rgb = Load(dir.Path("up.jpg"));
    EXPECT_GT(rgb.front(), 250);
    EXPECT_LT(rgb.back(), 5);
}

TEST(SaveJPG, WritesBaselineWithTheStandardTablesForTheQuality) {
    testing_support::TempDir dir;
    Bytes pixels = jpeg_fixtures::Pattern(48, 48, 3);
    ASSERT_TRUE(SaveJPG(Describe(pixels.data(), 48, 48, 24, 48 * 3), dir.Path("t.jpg"), 75));
    const Bytes file = AsBytes(testing_support::ReadFile(dir.Path("t.jpg")));
    EXPECT_FALSE(SegmentsOf(file, 0xC0).empty());
    EXPECT_TRUE(SegmentsOf(file, 0xC2).empty());
    jpeg_fixtures::Options options;
    options.width = options.height = 48;
    options.quality = 75;
    const Bytes reference = jpeg_fixtures::Encode(options);
    EXPECT_EQ(SegmentsOf(file, 0xDB), SegmentsOf(reference, 0xDB));
}

TEST(SaveJPG, FailuresLeaveNoFileAndTheOldOneAsItWas) {
    testing_support::TempDir dir;
    testing_support::DebugCapture capture;
    const std::string old = dir.Write("old.jpg", "old contents");
    ASSERT_EQ(::chmod(old.c_str(), 0604), 0);
    Bytes pixels(64 * 3, 90);

    for (const int bits : {1, 4, 8}) {
        EXPECT_FALSE(SaveJPG(Describe(pixels.data(), 8, 8, bits, 8), old, 75));
    }
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
    EXPECT_EQ(FilesIn(dir.path()), 1u);

    ASSERT_TRUE(SaveJPG(Describe(pixels.data(), 8, 8, 24, 24), old, 75));
    struct stat st {};
    ASSERT_EQ(::stat(old.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(Load(old).size(), 8u * 8u * 3u);
}

}  // namespace
