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

TEST(FileSelection, NamesOfMissingFilesAndOfOtherFoldersAreSkipped) {
    testing_support::TempDir dir;
    dir.Write("a.jpg", "aaa");
    dir.Write("c.jpg", "c");
    dir.Write("sub/d.jpg", "d");
    FileSelection selection;
    selection.SetFromNames(dir.path(), {"a.jpg", "b.jpg", "sub/d.jpg", "c.jpg"});
    ASSERT_EQ(selection.GetItemCount(), 2);
    EXPECT_EQ(selection.GetItems()[1], ItemOf(dir.Path("c.jpg")));
    EXPECT_EQ(selection.GetFirstItemPath(), PidlPath(dir.Path("a.jpg")));

    selection.SetFromNames(dir.Path("sub"), {"../a.jpg", "..", ".", "", "d.jpg"});
    ASSERT_EQ(selection.GetItemCount(), 1);
    EXPECT_EQ(selection.GetFirstItemPath(), PidlPath(dir.Path("sub/d.jpg")));

    // The clipboard holds a copy, not a view of the selection.
    ClipBoard clip;
    clip.Cut(selection);
    selection.Clear();
    EXPECT_EQ(clip.GetMode(), ClipBoard::kCut);
    EXPECT_EQ(clip.GetItems().size(), 1u);
}

TEST(FileSelection, FactsAndTheStatusLine) {
    testing_support::TempDir dir;
    dir.Write("sub/x", "");
    dir.Write("other/x", "");
    dir.Write("1.htm", "0123456789");
    dir.Write("?.htm", "abcd");  // measured as itself, not as the first match "1.htm"
    dir.Write("Pic.JPG", "abc");
    const PidlPath folder(dir.path());
    const PidlPath sub = ItemOf(dir.Path("sub"));
    const PidlPath page = ItemOf(dir.Path("?.htm"));
    const PidlPath pic = ItemOf(dir.Path("Pic.JPG"));

    FileSelection s;
    EXPECT_EQ(s.GetStatusText(), "No files selected");
    s.Set(folder, {sub});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetStatusText(), "1 folder(s) selected");
    s.Set(folder, {page});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetStatusText(), "Size of the 1 selected files : 4 bytes. 0 folders selected.");

    // A picture the file list has decoded brings its dimensions; its name keeps its case.
    const FileSelection::ImageLookup lookup = [&](const PidlPath& path) {
        std::optional<GalleryImage> image;
        if (path == PidlPath(dir.Path("Pic.JPG"))) {
            image.emplace();
            image->fileSize = 3;
            image->width = 640;
            image->height = 480;
        }
        return image;
    };
    s.Set(folder, {pic});
    s.GatherFacts(lookup);
    EXPECT_EQ(s.GetStatusText(),
              "Size of '" + dir.Path("Pic.JPG") + "' : 3 bytes. Dimension 640x480 pixels");

    s.Set(folder, {pic, sub, page, ItemOf(dir.Path("other"))});
    s.GatherFacts(lookup);
    EXPECT_EQ(s.GetStatusText(), "Size of the 2 selected files : 7 bytes. 2 folders selected.");
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
    EXPECT_EQ(s.GetStatusText(),
              "Size of the 2 selected files : 5368709122 bytes. 0 folders selected.");
}

}  // namespace
