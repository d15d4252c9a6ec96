#include "studio/shell/FileSelection.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "studio/shell/ClipBoard.h"
#include "testing/TempDir.h"

namespace {

PidlPath ItemOf(const std::string& path) {
    PidlPath item;
    PidlPath(path).GetLastItem(item);
    return item;
}

TEST(FileSelection, NamesOfMissingFilesAreSkipped) {
    testing_support::TempDir dir;
    dir.Write("a.jpg", "aaa");
    dir.Write("c.jpg", "c");
    dir.Write("sub/d.jpg", "d");
    FileSelection selection;
    selection.SetFromNames(dir.path(), {"a.jpg", "b.jpg", "sub/d.jpg", "c.jpg"});
    EXPECT_EQ(selection.GetFolder(), PidlPath(dir.path()));
    ASSERT_EQ(selection.GetItemCount(), 2);
    EXPECT_EQ(selection.GetItems()[0], ItemOf(dir.Path("a.jpg")));
    EXPECT_EQ(selection.GetItems()[1], ItemOf(dir.Path("c.jpg")));
    EXPECT_EQ(selection.GetFirstItemPath(), PidlPath(dir.Path("a.jpg")));

    // Names are names of the folder's own files.
    FileSelection sub;
    sub.SetFromNames(dir.Path("sub"), {"../a.jpg", "d.jpg"});
    ASSERT_EQ(sub.GetItemCount(), 1);
    EXPECT_EQ(sub.GetFirstItemPath(), PidlPath(dir.Path("sub/d.jpg")));

    // An empty list clears the items but keeps the folder.
    selection.SetFromNames("/", {});
    EXPECT_FALSE(selection.HasItems());
    EXPECT_EQ(selection.GetFolder(), PidlPath(dir.path()));
    EXPECT_FALSE(selection.GetFirstItemPath().IsValid());

    // The working entry is emptied, all but its points and IPTC texts.
    GalleryImage& entry = selection.GetEntry();
    entry.fileName = "kept?";
    entry.width = 5;
    entry.fileSize = 7;
    entry.iptc.valid = true;
    entry.iptc.headline = "Headline";
    entry.points.push_back({"Unnamed 1", Vector3(1, 2, 3), Vector2<int>(320, 200)});
    selection.Set(PidlPath(), {ItemOf(dir.Path("a.jpg"))});
    EXPECT_EQ(entry.fileName, "");
    EXPECT_EQ(entry.width, 0);
    EXPECT_EQ(entry.fileSize, 0);
    EXPECT_FALSE(entry.iptc.valid);
    EXPECT_EQ(entry.iptc.headline, "Headline");
    EXPECT_EQ(entry.points.size(), 1u);
    EXPECT_FALSE(selection.GetFirstItemPath().IsValid());
}

TEST(FileSelection, FactsAndTheStatusLine) {
    testing_support::TempDir dir;
    dir.Write("sub/x", "");
    dir.Write("other/x", "");
    dir.Write("page.htm", "0123456789");
    dir.Write("pic.jpg", "abc");
    const PidlPath folder(dir.path());
    const PidlPath sub = ItemOf(dir.Path("sub"));
    const PidlPath other = ItemOf(dir.Path("other"));
    const PidlPath page = ItemOf(dir.Path("page.htm"));
    const PidlPath pic = ItemOf(dir.Path("pic.jpg"));

    FileSelection s;
    EXPECT_EQ(s.GetStatusText(), "No files selected");

    s.Set(folder, {sub});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetStatusText(), "1 folder(s) selected");

    s.Set(folder, {page});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetStatusText(), "Size of the 1 selected files : 10 bytes. 0 folders selected.");
    EXPECT_EQ(s.GetImage(page).fileName, dir.Path("page.htm"));
    EXPECT_EQ(s.GetImage(pic).fileName, "");

    // A picture the file list has decoded brings its dimensions.
    const FileSelection::ImageLookup lookup = [&](const PidlPath& path) {
        std::optional<GalleryImage> image;
        if (path == PidlPath(dir.Path("pic.jpg"))) {
            image.emplace();
            image->fileName = "pic.jpg";
            image->fileSize = 3;
            image->width = 640;
            image->height = 480;
        }
        return image;
    };
    s.Set(folder, {pic});
    s.GatherFacts(lookup);
    EXPECT_EQ(s.GetStatusText(),
              "Size of '" + dir.Path("pic.jpg") + "' : 3 bytes. Dimension 640x480 pixels");

    s.Set(folder, {pic, sub, page, other});
    s.GatherFacts(lookup);
    EXPECT_EQ(s.GetFolderCount(), 2);
    EXPECT_EQ(s.GetFileCount(), 2);
    EXPECT_EQ(s.GetTotalSize(), 13);
    EXPECT_EQ(s.GetImage(pic).width, 640);
    EXPECT_EQ(s.GetStatusText(), "Size of the 2 selected files : 13 bytes. 2 folders selected.");

    // A folder that is gone gives no facts.
    s.Set(PidlPath(), {pic});
    s.GatherFacts(lookup);
    EXPECT_EQ(s.GetFileCount(), 0);
    EXPECT_EQ(s.GetStatusText(), "No files selected");
}

TEST(FileSelection, SizesAboveFourGigabytesDoNotWrap) {
    testing_support::TempDir dir;
    const std::string big = dir.Write("big.bin", "");
    const int fd = ::open(big.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const bool sparse = ::ftruncate(fd, 5LL << 30) == 0;
    ::close(fd);
    if (!sparse) GTEST_SKIP() << "no sparse files here";
    dir.Write("small.bin", "12");

    FileSelection s;
    s.SetFromNames(dir.path(), {"big.bin", "small.bin"});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetTotalSize(), (5LL << 30) + 2);
    EXPECT_EQ(s.GetStatusText(),
              "Size of the 2 selected files : 5368709122 bytes. 0 folders selected.");
}

TEST(ClipBoard, CopyCutAndClear) {
    testing_support::TempDir dir;
    dir.Write("a.jpg", "");
    FileSelection nothing;
    ClipBoard clip;
    clip.Copy(nothing);
    EXPECT_FALSE(clip.HasItems());
    EXPECT_EQ(clip.GetMode(), ClipBoard::kCopy);

    FileSelection s;
    s.SetFromNames(dir.path(), {"a.jpg"});
    clip.Cut(s);
    EXPECT_EQ(clip.GetMode(), ClipBoard::kCut);
    EXPECT_EQ(clip.GetFolder(), PidlPath(dir.path()));
    ASSERT_EQ(clip.GetItems().size(), 1u);
    s.Clear();
    EXPECT_EQ(clip.GetItems().size(), 1u);  // a copy, not a view of the selection

    clip.Clear();
    EXPECT_FALSE(clip.HasItems());
    EXPECT_FALSE(clip.GetFolder().IsValid());
    EXPECT_EQ(clip.GetMode(), ClipBoard::kCut);
    clip.Copy(s);
    EXPECT_EQ(clip.GetMode(), ClipBoard::kCopy);
}

}  // namespace
