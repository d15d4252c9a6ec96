#include "imaging/PictureLoader.h"

#include <gtest/gtest.h>

#include "platform/bitmap/DibSection.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

int TypeOf(const char* name) {
    PictureLoader loader;
    loader.SetTypeFromName(name);
    return loader.type();
}

TEST(PictureLoader, TheExtensionAloneChoosesTheDecoder) {
    EXPECT_EQ(TypeOf("a.png"), PictureLoader::kPng);
    EXPECT_EQ(TypeOf("A.PNG"), PictureLoader::kPng);
    EXPECT_EQ(TypeOf("x.Lwf"), PictureLoader::kLwf);
    EXPECT_EQ(TypeOf("x.bmp"), PictureLoader::kBmp);
    EXPECT_EQ(TypeOf("x.tga"), PictureLoader::kTarga);
    EXPECT_EQ(TypeOf("x.TARGA"), PictureLoader::kTarga);
    for (const char* jpeg : {"x.jpg", "x.jpeg", "x.jpe", "x.gif", "noextension", "png", ""}) {
        EXPECT_EQ(TypeOf(jpeg), PictureLoader::kJpeg) << jpeg;
    }
}

TEST(PictureLoader, FailuresGiveNullWithTheirDebugLines) {
    testing_support::TempDir dir;
    testing_support::DebugCapture capture;

    EXPECT_FALSE(LoadPictureAsDIB(dir.Path("missing.tga"), nullptr, nullptr, nullptr));
    EXPECT_TRUE(capture.lines().empty());

    EXPECT_FALSE(LoadPictureAsDIB(dir.Write("empty.tga", ""), nullptr, nullptr, nullptr));
    EXPECT_EQ(capture.lines(), std::vector<std::string>{"Failed to create file mapping\n"});
    capture.Clear();

    EXPECT_FALSE(LoadPictureAsDIB(dir.Write("junk.tga", "not a targa"), nullptr, nullptr, nullptr));
    EXPECT_FALSE(ReadPictureInfo(dir.Path("junk.tga"), nullptr));

    // A valid header with a zero width.
    std::string zero(18, '\0');
    zero[2] = 2;
    zero[16] = 24;
    zero[14] = 1;
    PictureInfo info;
    EXPECT_TRUE(ReadPictureInfo(dir.Write("zero.tga", zero), &info));
    EXPECT_EQ(info.width, 0);
    capture.Clear();
    EXPECT_FALSE(LoadPictureAsDIB(dir.Path("zero.tga"), nullptr, nullptr, nullptr));
    EXPECT_EQ(capture.lines(),
              std::vector<std::string>{"Failed to get valid size from the source image\n"});
}

TEST(PictureLoader, ReadPictureInfoReadsOnlyTheHeader) {
    testing_support::TempDir dir;
    std::string header(18, '\0');
    header[2] = 2;
    header[12] = 3;
    header[14] = 2;
    header[16] = 24;
    header[17] = 0x20;
    header += std::string(18, '\x10');
    PictureInfo info;
    ASSERT_TRUE(ReadPictureInfo(dir.Write("p.tga", header), &info));
    EXPECT_EQ(info.width, 3);
    EXPECT_EQ(info.height, 2);
    EXPECT_EQ(info.bitsPerPixel, 24);
    EXPECT_EQ(info.rowBytes, 9);
    EXPECT_EQ(info.redShift, 16);
}

}  // namespace
