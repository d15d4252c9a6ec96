#include <sys/stat.h>

#include <gtest/gtest.h>

#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;
using testing_support::TestApplication;

TEST(FileImagesTest, PickSlotSkipsValidThumbnailsAndAppendsAtTheEnd) {
    struct Case {
        int hint;
        bool replace;
        int count;
        std::vector<int> valid;
        int expected;
    };
    const Case cases[] = {
        {32, false, 32, {}, 32},        // nothing yet: append
        {32, false, 36, {32, 33}, 34},  // past the kept ones
        {32, false, 34, {32, 33}, 34},  // all kept: append
        {5, false, 40, {}, 32},         // never a fixed slot
        {33, true, 40, {33}, 33},       // replace in place
        {50, true, 40, {}, 40},         // replace beyond the end appends
    };
    for (const Case& c : cases) {
        std::map<int, ImageInfo> thumbnails;
        for (int slot : c.valid) thumbnails[slot].valid = true;
        EXPECT_EQ(FileImages::PickSlot(c.hint, c.replace, c.count, thumbnails), c.expected)
            << "hint " << c.hint;
    }
}

TEST(FileImagesTest, ThumbnailsAreFoundByTheirFilesNames) {
    TestApplication();
    FileImages images;
    auto thumbnail = [](const std::string& name) {
        RenderedThumbnail made;
        made.image = QImage(kThumbSize, kThumbSize, QImage::Format_RGB32);
        made.info.fileName = name;
        return made;
    };
    const int a = images.AddThumbnail(32, thumbnail("/p/a.jpg"), false);
    const int upper = images.AddThumbnail(32, thumbnail("/p/A.jpg"), false);
    EXPECT_NE(a, upper);  // two files, whatever their case
    EXPECT_EQ(images.FindThumbnailIndex("/p/a.jpg"), a);
    EXPECT_EQ(images.FindThumbnailIndex("/p/A.jpg"), upper);
    EXPECT_EQ(images.FindThumbnailIndex("/p/b.jpg"), 0);

    // Made again elsewhere: the older slot gives up the name.
    const int again = images.AddThumbnail(40, thumbnail("/p/a.jpg"), false);
    EXPECT_EQ(images.FindThumbnailIndex("/p/a.jpg"), again);
    EXPECT_FALSE(images.Thumbnails().at(a).valid);
    // Replaced by another file's thumbnail, or invalidated: no longer found.
    images.AddThumbnail(again, thumbnail("/p/c.jpg"), true);
    EXPECT_EQ(images.FindThumbnailIndex("/p/a.jpg"), 0);
    EXPECT_EQ(images.FindThumbnailIndex("/p/c.jpg"), again);
    images.Invalidate(upper);
    EXPECT_EQ(images.GetImageInfo("/p/A.jpg"), nullptr);
    IPTCData iptc;
    EXPECT_FALSE(images.SetImageIptc("/p/A.jpg", iptc));
    EXPECT_TRUE(images.SetImageIptc("/p/c.jpg", iptc));
    images.CutToFixed();
    EXPECT_EQ(images.FindThumbnailIndex("/p/c.jpg"), 0);
}

TEST(FileImagesTest, NamesSortWithoutCaseThenByBytes) {
    EXPECT_TRUE(NameLess("apple.jpg", "Banana.jpg"));
    EXPECT_TRUE(NameLess("A.jpg", "a.jpg"));
    EXPECT_FALSE(NameLess("a.jpg", "A.jpg"));
    EXPECT_TRUE(NameLess("a", "ab"));
}

TEST(FileImagesTest, EachItemShowsThePictureItsKindCallsFor) {
    TestApplication();
    TempDir temp;
    const std::string folder = temp.path() + "/";
    WritePicture(folder + "plain.png", Qt::green);
    WritePicture(folder + "moving.png", Qt::green);
    temp.Write("moving.vte", "animation");
    temp.Write("broken.jpg", "not a picture at all");
    temp.Write("page.htm", "<html></html>");
    WritePicture(folder + "a.png", Qt::red);
    WritePicture(folder + "A.png", Qt::blue);
    ASSERT_EQ(::mkdir((folder + "album").c_str(), 0777), 0);
    WritePicture(folder + "album.vtd", Qt::yellow, 64, 64);
    ASSERT_EQ(::mkdir((folder + "plainfolder").c_str(), 0777), 0);

    FileView view;
    view.SetFolder(PidlPath(temp.path()));
    ASSERT_TRUE(WaitLoaded(view));

    const auto slotOf = [&](const char* name) { return view.GetItemSlot(view.FindItem(name)); };
    ASSERT_GE(view.FindItem("album"), 0);
    EXPECT_EQ(view.FindItem("album.vtd"), -1);  // the folder picture is no item
    EXPECT_GE(slotOf("album"), kFirstThumbnailSlot);
    EXPECT_GT(slotOf("plainfolder"), 0);
    EXPECT_LT(slotOf("plainfolder"), kFirstThumbnailSlot);
    EXPECT_EQ(slotOf("page.htm"), kSlotPage);
    EXPECT_EQ(slotOf("broken.jpg"), kSlotBroken);
    EXPECT_EQ(view.GetItemRecord(view.FindItem("broken.jpg"))->kind, kKindBroken);
    EXPECT_EQ(view.GetImageInfo(PidlPath(folder + "broken.jpg")), nullptr);

    // Names differing only in case are two items with two thumbnails.
    EXPECT_GE(slotOf("a.png"), kFirstThumbnailSlot);
    EXPECT_GE(slotOf("A.png"), kFirstThumbnailSlot);
    EXPECT_NE(slotOf("a.png"), slotOf("A.png"));
    EXPECT_EQ(view.Images().Image(slotOf("a.png")).pixelColor(32, 32), QColor(Qt::red));
    EXPECT_EQ(view.Images().Image(slotOf("A.png")).pixelColor(32, 32), QColor(Qt::blue));

    // The animation mark sits at (49, 2) of the marked picture only.
    const QImage mark = AnimationMark();
    EXPECT_EQ(view.Images().Image(slotOf("moving.png")).pixel(49, 2), mark.pixel(0, 0));
    EXPECT_NE(view.Images().Image(slotOf("plain.png")).pixel(49, 2), mark.pixel(0, 0));

    for (const auto& [slot, info] : view.Images().Thumbnails()) {
        EXPECT_GE(slot, kFirstThumbnailSlot);
    }
    const ImageInfo* info = view.GetImageInfo(PidlPath(folder + "plain.png"));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->width, 40);
    EXPECT_EQ(info->height, 30);
}

}  // namespace
