#include "studio/shell/FileListData.h"

#include <random>

#include <gtest/gtest.h>

#include "testing/Damage.h"
#include "testing/TempDir.h"

namespace {

struct Dragged {
    PidlPath folder;
    std::vector<PidlPath> items;
};

Dragged ThreeFiles(const testing_support::TempDir& dir) {
    Dragged d;
    d.folder = PidlPath(dir.path());
    for (const char* name : {"one.jpg", "a much longer name.png", "3.tga"}) {
        PidlPath item;
        PidlPath(dir.Write(name, "x")).GetLastItem(item);
        d.items.push_back(item);
    }
    return d;
}

TEST(FileListBlock, ABlockReadsBackAsTheSameFolderAndItems) {
    testing_support::TempDir dir;
    const Dragged d = ThreeFiles(dir);
    const std::vector<std::uint8_t> block = BuildFileListBlock(d.folder, d.items);
    std::size_t expected = d.folder.GetSize() + 2;
    for (const PidlPath& item : d.items) expected += item.GetSize();
    ASSERT_EQ(block.size(), expected);
    EXPECT_EQ(block[block.size() - 1], 0);
    EXPECT_EQ(block[block.size() - 2], 0);

    PidlPath folder;
    std::vector<PidlPath> items;
    ASSERT_TRUE(ReadFileListBlock(block.data(), block.size(), folder, items));
    EXPECT_EQ(folder, d.folder);
    ASSERT_EQ(items.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) EXPECT_EQ(items[i], d.items[i]);

    // No items at all, and invalid items left out.
    const std::vector<std::uint8_t> none = BuildFileListBlock(d.folder, {PidlPath()});
    EXPECT_EQ(none.size(), d.folder.GetSize() + 2);
    items.clear();
    ASSERT_TRUE(ReadFileListBlock(none.data(), none.size(), folder, items));
    EXPECT_TRUE(items.empty());
    EXPECT_TRUE(BuildFileListBlock(PidlPath(), d.items).empty());
}

TEST(FileListBlock, CutAndDamagedBlocksLeaveTheOutputsAlone) {
    testing_support::TempDir dir;
    const Dragged d = ThreeFiles(dir);
    const std::vector<std::uint8_t> block = BuildFileListBlock(d.folder, d.items);
    PidlPath keptFolder;
    keptFolder.SetDesktop();
    const std::vector<PidlPath> keptItems{PidlPath(dir.Path("3.tga"))};

    std::size_t accepted = 0;
    std::size_t cuts = 0;
    testing_support::ForEachDamagedCopy(
        block, block.size(), [&](const std::vector<std::uint8_t>& copy) {
            PidlPath folder = keptFolder;
            std::vector<PidlPath> items = keptItems;
            const bool read = ReadFileListBlock(copy.data(), copy.size(), folder, items);
            if (copy.size() < block.size()) {
                ++cuts;
                EXPECT_FALSE(read) << "cut at " << copy.size();
            }
            if (read) {
                // A changed count may still leave a well-formed block of other lists.
                ++accepted;
                ASSERT_GE(items.size(), 1u);
                EXPECT_EQ(items[0], keptItems[0]);
            } else {
                EXPECT_EQ(folder, keptFolder);
                EXPECT_EQ(items.size(), 1u);
                EXPECT_EQ(items[0], keptItems[0]);
            }
        });
    EXPECT_EQ(cuts, block.size());
    EXPECT_GT(accepted, 0u);  // bytes inside names may change freely

    // Blocks no one built: random bytes, an item of two items, bytes after the end.
    std::mt19937 random(7);
    for (int n = 0; n < 2000; ++n) {
        std::vector<std::uint8_t> junk(random() % 40);
        for (auto& b : junk) b = static_cast<std::uint8_t>(random() % 6);
        PidlPath folder;
        std::vector<PidlPath> items;
        if (!ReadFileListBlock(junk.data(), junk.size(), folder, items)) {
            EXPECT_FALSE(folder.IsValid());
            EXPECT_TRUE(items.empty());
        }
    }
    std::vector<std::uint8_t> twoItems = BuildFileListBlock(d.folder, {});
    twoItems.resize(twoItems.size() - 2);
    twoItems.insert(twoItems.end(), d.folder.GetPidl(), d.folder.GetPidl() + d.folder.GetSize());
    twoItems.insert(twoItems.end(), {0, 0});
    PidlPath folder;
    std::vector<PidlPath> items;
    EXPECT_FALSE(ReadFileListBlock(twoItems.data(), twoItems.size(), folder, items));
    std::vector<std::uint8_t> trailing = block;
    trailing.push_back(0);
    EXPECT_FALSE(ReadFileListBlock(trailing.data(), trailing.size(), folder, items));
    EXPECT_FALSE(ReadFileListBlock(nullptr, 0, folder, items));
}

}  // namespace
