#include "imaging/PictureLoader.h"

#include <gtest/gtest.h>

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

}  // namespace
