#include <string>

#include <gtest/gtest.h>

#include "imaging/tests/BmpWriter.h"
#include "studio/core/GalleryImage.h"
#include "studio/shell/panes/InfoFacts.h"
#include "testing/CommaLocale.h"
#include "testing/DebugCapture.h"
#include "testing/TempDir.h"

namespace {

struct Record {
    int width;
    int height;
    std::int64_t fileSize;
    std::int64_t imageBytes;
};

// A bitmap header of a picture far bigger than its file: the facts read only the header.
std::string WriteHugeBitmapHeader(const testing_support::TempDir& dir) {
    test_pictures::BmpPicture bmp;
    bmp.width = 20000;
    bmp.height = 20000;
    bmp.bits = 24;
    const std::vector<std::uint8_t> bytes = bmp.Build();
    return dir.Write("huge.bmp", std::string(bytes.begin(), bytes.end()));
}

TEST(InfoFacts, TextsFollowTheRecordThenTheHeader) {
    testing_support::TempDir dir;
    testing_support::DebugCapture quiet;
    const std::string huge = WriteHugeBitmapHeader(dir);
    const std::string broken = dir.Write("broken.jpg", "not a picture");
    constexpr std::int64_t kFiveGiB = 5LL << 30;
    struct Case {
        const char* what;
        std::string path;
        bool hasRecord;
        Record record;
        InfoTexts expected;
    };
    const Case cases[] = {
        {"a record with a width",
         broken,
         true,
         {640, 480, 30720, 921600},
         {"640x480 pixels", "", "30720 bytes", "921600 bytes", "3.33%", "", ""}},
        {"no record", huge, false, {}, {"Unknown", "", "Unknown", "Unknown", "Unknown", "", ""}},
        {"width 0, readable header, sizes beyond 32 bits",
         huge,
         true,
         {0, 0, kFiveGiB, 0},
         {"20000x20000 pixels", "", "5368709120 bytes", "1200000000 bytes", "447.39%", "", ""}},
        {"width 0, unreadable header keeps the record",
         broken,
         true,
         {0, 7, 500, 0},
         {"Unknown", "", "500 bytes", "Unknown", "Unknown", "", ""}},
        {"no file size",
         broken,
         true,
         {10, 10, 0, 300},
         {"10x10 pixels", "", "Unknown", "300 bytes", "0.00%", "", ""}},
    };
    CommaLocale comma;
    for (const Case& c : cases) {
        GalleryImage image;
        image.width = c.record.width;
        image.height = c.record.height;
        image.fileSize = c.record.fileSize;
        image.imageBytes = c.record.imageBytes;
        InfoTexts texts;
        DescribeFacts(GatherFileFacts(c.path, c.hasRecord ? &image : nullptr), texts);
        EXPECT_EQ(texts.pixels, c.expected.pixels) << c.what;
        EXPECT_EQ(texts.fileSize, c.expected.fileSize) << c.what;
        EXPECT_EQ(texts.imageSize, c.expected.imageSize) << c.what;
        EXPECT_EQ(texts.compression, c.expected.compression) << c.what;
    }
}

}  // namespace
