#include "studio/shell/FileDataSource.h"

#include <QMimeData>

#include <gtest/gtest.h>

#include "studio/shell/FileSelection.h"
#include "testing/TempDir.h"

namespace {

TEST(FileDataSource, DragDataCarriesTheBlockUnderItsOwnType) {
    testing_support::TempDir dir;
    const PidlPath folder(dir.path());
    PidlPath item;
    PidlPath(dir.Write("a.jpg", "")).GetLastItem(item);
    FileSelection selection;
    selection.Set(folder, {item});
    const auto data = CreateFileDataSource(selection);
    ASSERT_NE(data, nullptr);
    EXPECT_TRUE(data->hasFormat("application/x-kivofilelist"));

    PidlPath readFolder;
    std::vector<PidlPath> items;
    ASSERT_TRUE(ReadFileListData(data.get(), readFolder, items));
    EXPECT_EQ(readFolder, folder);
    EXPECT_EQ(items, std::vector<PidlPath>{item});

    // A broken block leaves the outputs alone; an invalid folder gives no drag data.
    QMimeData broken;
    broken.setData(kFileListMimeType, QByteArray("\x05\x00", 2));
    EXPECT_FALSE(ReadFileListData(&broken, readFolder, items));
    EXPECT_EQ(readFolder, folder);
    EXPECT_EQ(items.size(), 1u);
    EXPECT_EQ(CreateFileDataSource(PidlPath(), {item}), nullptr);
}

}  // namespace
