// The file list inside the studio, driven through the window system as a user drives it:
// mouse clicks and keys reach the frame's window and go where a real mouse and keyboard
// would send them.
#include <filesystem>
#include <string>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "studio/projects/AnimationFile.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/tree/DriveView.h"
#include "testing/StudioTestRig.h"

namespace {

class FileViewInTheStudio : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        frame = rig.frame();
        ASSERT_NE(frame, nullptr);
        list = frame->GetFileView();
        info = frame->GetInfoView();
        pictures = rig.temp().Path("pictures") + "/";
        std::filesystem::create_directories(pictures);
    }

    void ShowPictures() {
        list->SetFolder(PidlPath(pictures));
        ASSERT_TRUE(WaitLoaded(*list));
        frame->activateWindow();
        list->setFocus();
        QApplication::processEvents();
    }
    // A point of the item's cell in the frame's window.
    QPoint At(const std::string& name) const {
        const int row = list->FindItem(name);
        EXPECT_GE(row, 0) << name;
        const QPoint centre = list->visualItemRect(list->item(row)).center();
        return list->viewport()->mapTo(frame, centre);
    }
    QWindow* Window() const { return frame->windowHandle(); }
    void Click(const std::string& name) {
        QTest::mouseClick(Window(), Qt::LeftButton, {}, At(name));
    }
    // Press, release, press, release at once: the window system makes the second press a
    // double-click, as it does for a user's.
    void DoubleClick(const std::string& name) {
        QTest::mouseDClick(Window(), Qt::LeftButton, {}, At(name));
    }
    void Key(Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(Window(), key, modifiers);
    }
    QLineEdit* RenameBox() const { return list->findChild<QLineEdit*>(); }
    const std::string& Shown() const { return info->GetShownFileName(); }

    testing_support::StudioTestRig rig;
    CMainFrame* frame = nullptr;
    FileView* list = nullptr;
    InfoView* info = nullptr;
    std::string pictures;
};

TEST_F(FileViewInTheStudio, ADoubleClickOpensAndLeavesEveryCommandToTheNextPicture) {
    WritePicture(pictures + "a.jpg", Qt::red);
    WritePicture(pictures + "b photo.jpg", Qt::blue);
    WritePicture(pictures + "c.jpg", Qt::green);
    ShowPictures();

    // The first click of the double-click lands on the picture already selected.
    Click("a.jpg");
    DoubleClick("a.jpg");
    EXPECT_EQ(Shown(), pictures + "a.jpg");
    EXPECT_FALSE(list->IsRenaming());

    Click("b photo.jpg");
    Key(Qt::Key_Return);
    EXPECT_EQ(Shown(), pictures + "b photo.jpg");

    DoubleClick("a.jpg");
    EXPECT_EQ(Shown(), pictures + "a.jpg");
    Click("c.jpg");
    DoubleClick("c.jpg");
    EXPECT_EQ(Shown(), pictures + "c.jpg");
    EXPECT_EQ(RenameBox(), nullptr);

    // A slow second click on the selected name renames: once its box is open, and only then.
    Click("b photo.jpg");
    Click("b photo.jpg");
    EXPECT_FALSE(list->IsRenaming());
    ASSERT_TRUE(ServeEventsUntil([this] { return RenameBox() != nullptr; }))
        << "the rename box of a slow second click";
    EXPECT_TRUE(list->IsRenaming());
    Key(Qt::Key_Escape);
    EXPECT_FALSE(list->IsRenaming());
    Key(Qt::Key_Return);
    EXPECT_EQ(Shown(), pictures + "b photo.jpg");

    // A double-click elsewhere while the box is open ends that rename and opens its item.
    Click("b photo.jpg");
    ASSERT_TRUE(ServeEventsUntil([this] { return RenameBox() != nullptr; }))
        << "the rename box of a second slow click";
    DoubleClick("c.jpg");
    EXPECT_FALSE(list->IsRenaming());
    EXPECT_EQ(Shown(), pictures + "c.jpg");
    EXPECT_TRUE(std::filesystem::exists(pictures + "b photo.jpg"));
    Click("a.jpg");
    Key(Qt::Key_Return);
    EXPECT_EQ(Shown(), pictures + "a.jpg");
}

TEST_F(FileViewInTheStudio, LettersNeverRenameAndCtrlOOpensTheAnimation) {
    WritePicture(pictures + "medium.jpg", Qt::red);
    WritePicture(pictures + "zebra.jpg", Qt::blue);
    animation_file::Settings settings;
    ASSERT_TRUE(animation_file::Save(animation_file::PathFor(pictures + "medium.jpg"),
                                     animation_file::Write(settings, {})));
    ShowPictures();
    Click("medium.jpg");

    // The focus elsewhere, a click on the selected name only brings it back: letters typed
    // then reach no rename box, none opens later.
    frame->GetDriveView()->setFocus();
    QApplication::processEvents();
    Click("medium.jpg");
    EXPECT_TRUE(list->hasFocus());
    EXPECT_FALSE(list->IsRenamePending());
    Key(Qt::Key_O, Qt::ShiftModifier);
    EXPECT_FALSE(list->IsRenaming());

    // A slow second click asks for the box; a key typed before it opens takes that back.
    Click("medium.jpg");
    Click("medium.jpg");
    ASSERT_TRUE(list->IsRenamePending());
    Key(Qt::Key_O, Qt::ShiftModifier);
    EXPECT_FALSE(list->IsRenamePending());
    Key(Qt::Key_M);
    EXPECT_FALSE(list->IsRenaming());
    EXPECT_EQ(RenameBox(), nullptr);
    EXPECT_EQ(CurrentAnimation(), nullptr);

    // Ctrl+O opens the picture's animation, and no rename box follows it either.
    Click("medium.jpg");
    Click("medium.jpg");
    ASSERT_TRUE(list->IsRenamePending());
    Key(Qt::Key_O, Qt::ControlModifier);
    EXPECT_NE(CurrentAnimation(), nullptr);
    EXPECT_FALSE(list->IsRenamePending());
    EXPECT_FALSE(list->IsRenaming());
    EXPECT_TRUE(std::filesystem::exists(pictures + "medium.jpg"));
}

}  // namespace
