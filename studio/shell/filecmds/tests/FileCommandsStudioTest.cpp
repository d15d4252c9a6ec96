// A picture and its animation copied and deleted through the studio's own windows and keys.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include "platform/files/Hidden.h"
#include "studio/core/ClipBoard.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/fileview/FileImages.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/tree/DriveView.h"
#include "testing/StudioTestRig.h"

namespace {

namespace fs = std::filesystem;

void Focus(QWidget& widget) {
    widget.activateWindow();
    widget.setFocus();
    QApplication::processEvents();
}

QImage Shown(FileView& list, const std::string& name) {
    const int row = list.FindItem(name);
    if (row < 0) return {};
    return list.Images().Image(list.GetItemSlot(row)).convertToFormat(QImage::Format_RGB32);
}

TEST(FileCommandsInTheStudio, APictureTravelsWithItsAnimationAndBothGoToTheTrash) {
    testing_support::StudioTestRig rig;
    ASSERT_TRUE(rig.Start());
    TheClipBoard().Clear();
    CMainFrame& frame = *rig.frame();
    const std::string from = rig.temp().Path("pictures") + "/";
    const std::string to = rig.temp().Path("pictures/dest") + "/";
    fs::create_directories(to);
    WritePicture(from + "harbour.jpg", QColor(30, 120, 200), 64, 48);
    rig.temp().Write("pictures/harbour.vte", "animation");
    ASSERT_TRUE(platform::SetHidden(from + "harbour.vte", true));

    FileView& list = *frame.GetFileView();
    DriveView& tree = *frame.GetDriveView();
    ASSERT_TRUE(tree.SelectPath(PidlPath(from), true));
    list.SetFolder(PidlPath(from));
    ASSERT_TRUE(WaitLoaded(list));
    const int row = list.FindItem("harbour.jpg");
    ASSERT_GE(row, 0);
    Focus(list);
    list.setCurrentRow(row);
    QTest::keyClick(&list, Qt::Key_C, Qt::ControlModifier);
    ASSERT_TRUE(TheClipBoard().HasItems());

    ASSERT_TRUE(tree.SelectPath(PidlPath(to), true));
    Focus(tree);
    QTest::keyClick(&tree, Qt::Key_V, Qt::ControlModifier);
    ASSERT_TRUE(fs::exists(to + "harbour.jpg"));
    ASSERT_TRUE(fs::exists(to + "harbour.vte"));
    EXPECT_TRUE(platform::IsHidden(to + "harbour.vte"));
    EXPECT_TRUE(fs::exists(from + "harbour.vte"));  // copied, not moved

    // The list shows the folder the tree chose, the copy marked as animated.
    ASSERT_TRUE(ServeEventsUntil([&] { return list.GetFolderText() == to; }));
    ASSERT_TRUE(WaitLoaded(list));
    const std::optional<RenderedThumbnail> marked = RenderFileThumbnail(to + "harbour.jpg", true);
    ASSERT_TRUE(marked.has_value());
    EXPECT_EQ(Shown(list, "harbour.jpg"), marked->image.convertToFormat(QImage::Format_RGB32));

    Focus(list);
    list.setCurrentRow(list.FindItem("harbour.jpg"));
    // Del asks first; No keeps the picture.
    rig.prompts().Answer(platform::PromptAnswer::No);
    QTest::keyClick(&list, Qt::Key_Delete);
    ASSERT_FALSE(rig.prompts().calls().empty());
    EXPECT_EQ(rig.prompts().calls().back().caption, "Confirm File Delete");
    EXPECT_EQ(rig.prompts().calls().back().text,
              "Are you sure you want to move 'harbour.jpg' to the Trash?");
    EXPECT_TRUE(fs::exists(to + "harbour.jpg"));
    EXPECT_TRUE(fs::exists(to + "harbour.vte"));
    ASSERT_TRUE(WaitLoaded(list));
    list.setCurrentRow(list.FindItem("harbour.jpg"));
    rig.prompts().Answer(platform::PromptAnswer::Yes);
    QTest::keyClick(&list, Qt::Key_Delete);
    EXPECT_FALSE(fs::exists(to + "harbour.jpg"));
    EXPECT_FALSE(fs::exists(to + "harbour.vte"));
    const std::string trash = std::string(std::getenv("XDG_DATA_HOME")) + "/Trash/files/";
    EXPECT_TRUE(fs::exists(trash + "harbour.jpg"));
    EXPECT_TRUE(fs::exists(trash + "harbour.vte"));
}

}  // namespace
