#include "studio/core/FileSelection.h"

#include <fcntl.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "studio/shell/FileListData.h"
#include "testing/Damage.h"
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

    // Sizes above 4 GiB do not wrap (a sparse file takes no room).
    const std::string big = dir.Write("big.bin", "");
    const int fd = ::open(big.c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    const bool sparse = ::ftruncate(fd, 5LL << 30) == 0;
    ::close(fd);
    if (!sparse) GTEST_SKIP() << "no sparse files here";
    s.Set(folder, {ItemOf(big), page});
    s.GatherFacts(nullptr);
    EXPECT_EQ(s.GetStatusText(),
              "Size of the 2 selected files : 5368709124 bytes. 0 folders selected.");
}

TEST(FileListBlock, ABlockReadsBackAndDamagedOnesLeaveTheOutputsAlone) {
    testing_support::TempDir dir;
    const PidlPath source(dir.path());
    std::vector<PidlPath> dragged;
    for (const char* name : {"one.jpg", "a much longer name.png", "3.tga"}) {
        dragged.push_back(ItemOf(dir.Write(name, "x")));
    }
    const std::vector<std::uint8_t> block = BuildFileListBlock(source, dragged);
    PidlPath folder;
    std::vector<PidlPath> items;
    ASSERT_TRUE(ReadFileListBlock(block.data(), block.size(), folder, items));
    EXPECT_EQ(folder, source);
    EXPECT_EQ(items, dragged);

    PidlPath keptFolder;
    keptFolder.SetDesktop();
    const std::vector<PidlPath> keptItems{PidlPath(dir.Path("3.tga"))};
    const auto check = [&](const std::vector<std::uint8_t>& copy, bool mayRead) {
        PidlPath f = keptFolder;
        std::vector<PidlPath> i = keptItems;
        const bool read = ReadFileListBlock(copy.data(), copy.size(), f, i);
        // A changed byte may leave a well-formed block of other names.
        EXPECT_TRUE(mayRead || !read) << "size " << copy.size();
        if (!read) {
            EXPECT_EQ(f, keptFolder) << "size " << copy.size();
            EXPECT_EQ(i, keptItems) << "size " << copy.size();
        } else {
            EXPECT_EQ(i.front(), keptItems.front());  // appended to, never replaced
        }
    };
    testing_support::ForEachDamagedCopy(
        block, block.size(), [&](const auto& copy) { check(copy, copy.size() == block.size()); });

    // The folder's list given as an item (two items), and bytes after the closing list.
    std::vector<std::uint8_t> twoItems = BuildFileListBlock(source, {});
    twoItems.resize(twoItems.size() - 2);
    twoItems.insert(twoItems.end(), source.GetPidl(), source.GetPidl() + source.GetSize());
    twoItems.insert(twoItems.end(), {0, 0});
    check(twoItems, false);
    std::vector<std::uint8_t> trailing = block;
    trailing.push_back(0);
    check(trailing, false);
    check({}, false);
}

}  // namespace
