#include "imaging/PictureLoader.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "imaging/PictureConverter.h"
#include "imaging/tests/BmpWriter.h"
#include "imaging/tests/JpegFixtures.h"
#include "imaging/tests/PngWriter.h"
#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

TEST(PictureLoader, TheExtensionAloneChoosesTheDecoder) {
    const std::pair<const char*, int> cases[] = {
        {"A.PNG", PictureLoader::kPng},     {"x.Lwf", PictureLoader::kLwf},
        {"x.bmp", PictureLoader::kBmp},     {"x.tga", PictureLoader::kTarga},
        {"x.TARGA", PictureLoader::kTarga}, {"x.gif", PictureLoader::kJpeg},
        {"png", PictureLoader::kJpeg},      {"", PictureLoader::kJpeg}};
    for (const auto& [name, type] : cases) {
        PictureLoader loader;
        loader.SetTypeFromName(name);
        EXPECT_EQ(loader.type(), type) << name;
    }
}

TEST(PictureLoader, TheFirstBytesOfADownloadSayWhatTheyCan) {
    using Head = PictureLoader::Head;
    test_pictures::PngPicture picture;
    picture.width = 30;
    picture.height = 20;
    picture.rows.assign(20, std::vector<std::uint8_t>(90, 0x40));
    const std::vector<std::uint8_t> png = test_pictures::WritePng(picture);
    const std::vector<std::uint8_t> jpeg = jpeg_fixtures::Solid(50, 40, 0x204080);
    ASSERT_FALSE(png.empty());
    const std::string text = "<html>not a picture</html>";
    const auto* letters = reinterpret_cast<const std::uint8_t*>(text.data());
    Vector2<int> size;

    // Bytes another kind of file begins with are wrong from the first one.
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.png", letters, 1, size), Head::kWrongType);
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.jpg", letters, text.size(), size), Head::kWrongType);
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.bmp", png.data(), png.size(), size),
              Head::kWrongType);
    // A type without a signature waits for a header it can read.
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.tga", letters, 4, size), Head::kNeedMore);
    // Right so far, the header not yet whole: more is needed; whole: the size is known.
    for (std::size_t cut : {std::size_t{4}, std::size_t{8}, std::size_t{20}}) {
        EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.png", png.data(), cut, size), Head::kNeedMore)
            << cut;
    }
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.jpg", jpeg.data(), 2, size), Head::kNeedMore);
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("a.png", png.data(), png.size(), size), Head::kRead);
    EXPECT_EQ(size, Vector2<int>(30, 20));
    EXPECT_EQ(PictureLoader::ReadHeadSoFar("A.JPG", jpeg.data(), jpeg.size(), size), Head::kRead);
    EXPECT_EQ(size, Vector2<int>(50, 40));
}

TEST(PictureLoader, ReadsHeadersAndGivesNullWithTheDebugLineOnFailure) {
    testing_support::TempDir dir;
    testing_support::DebugCapture capture;
    EXPECT_FALSE(LoadPictureAsDIB(dir.Path("missing.tga"), nullptr, nullptr, nullptr));
    EXPECT_TRUE(capture.lines().empty());
    EXPECT_FALSE(LoadPictureAsDIB(dir.Write("empty.tga", ""), nullptr, nullptr, nullptr));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Failed to create file mapping\n"});
    EXPECT_FALSE(ReadPictureInfo(dir.Write("junk.tga", "not a targa"), nullptr));

    // A 3 x 2 picture; ReadPictureInfo does not decode its pixels.
    std::string header(18, '\0');
    header[2] = 2;
    header[12] = 3;
    header[14] = 2;
    header[16] = 24;
    header += std::string(18, '\x10');
    PictureInfo info;
    ASSERT_TRUE(ReadPictureInfo(dir.Write("p.tga", header), &info));
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.rowBytes, 9);

    header[12] = 0;  // a zero width
    capture.Clear();
    EXPECT_FALSE(LoadPictureAsDIB(dir.Write("zero.tga", header), nullptr, nullptr, nullptr));
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"Failed to get valid size from the source image\n"});
}

TEST(PictureLoader, ConvertedRowsCutIntoPiecesMatchTheWholeRowConverted) {
    using Bytes = std::vector<std::uint8_t>;
    // A one-bit bitmap: 11 pixels, rows of four bytes, alternating colours.
    test_pictures::BmpPicture mono;
    mono.width = 11;
    mono.height = -2;
    mono.bits = 1;
    mono.palette = {0x102030, 0xA0B0C0};
    mono.pixels = {0xA5, 0x3C, 0, 0, 0x5A, 0xC3, 0, 0};
    const struct {
        const char* name;
        Bytes file;
    } pictures[] = {
        {"colour.jpg", jpeg_fixtures::Encode({.width = 11, .height = 5})},
        {"gray.jpg",
         jpeg_fixtures::Encode({.width = 11, .height = 5, .colour = jpeg_fixtures::Colour::Gray})},
        {"mono.bmp", mono.Build()},
    };
    // Pieces of 3 pixels, the second left out; 4-byte destination pixels.
    PictureConverter converter;
    converter.bitsPerPixel = 32;
    for (const auto& picture : pictures) {
        PictureLoader whole, cut;
        ASSERT_TRUE(whole.Open(picture.name, picture.file.data(), picture.file.size()))
            << picture.name;
        ASSERT_TRUE(cut.Open(picture.name, picture.file.data(), picture.file.size()));
        const PictureInfo& info = whole.GetInfo();
        for (int y = 0; y < info.height; ++y) {
            Bytes row(static_cast<std::size_t>(info.rowBytes) + 16), expected(11 * 4);
            const bool more = whole.ReadLine(row.data());
            converter.Convert(row.data(), expected.data(), info, info.width);
            Bytes out(11 * 4, 0xEE);
            std::uint8_t* pieces[] = {&out[0], nullptr, &out[24], &out[36]};
            EXPECT_EQ(cut.ReadConvertedLine(pieces, 3, converter), more);
            std::fill(expected.begin() + 12, expected.begin() + 24, 0xEE);
            EXPECT_EQ(out, expected) << picture.name << ", row " << y;
        }
    }
}

}  // namespace
