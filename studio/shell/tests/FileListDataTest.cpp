#include "studio/shell/FileListData.h"

#include <gtest/gtest.h>

#include "testing/Damage.h"
#include "testing/TempDir.h"

namespace {

TEST(FileListBlock, ABlockReadsBackAndDamagedOnesLeaveTheOutputsAlone) {
    testing_support::TempDir dir;
    const PidlPath source(dir.path());
    std::vector<PidlPath> dragged;
    for (const char* name : {"one.jpg", "a much longer name.png", "3.tga"}) {
        PidlPath item;
        PidlPath(dir.Write(name, "x")).GetLastItem(item);
        dragged.push_back(item);
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
