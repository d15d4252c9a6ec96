#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/ShellDialogs.h"

#include "studio/shell/fileview/FileView.h"
#include "studio/shell/gallery/GalleryLists.h"
#include "studio/shell/gallery/tests/GalleryStudio.h"
#include "testing/DialogDriver.h"
#include "testing/ScriptedMenuChooser.h"

namespace {

using platform::PromptAnswer;

using GalleryCommands = GalleryStudio;

TEST_F(GalleryCommands, AddNeedsOnePictureAmongTheItems) {
    std::filesystem::create_directories(folder_ + "sub");
    Pictures({"a.jpg"});
    Select({"sub"});
    EXPECT_FALSE(IsCommandEnabled(kGalleryAddFiles));
    Select({"sub", "a.jpg"});
    EXPECT_TRUE(IsCommandEnabled(kGalleryAddFiles));
    ExecuteCommand(kGalleryAddFiles);
    ASSERT_NE(CurrentGallery(), nullptr);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.jpg"}));
    EXPECT_EQ(frame_->GetInfoView()->GetShownSheet(), InfoView::kSheetGallery);
}

TEST_F(GalleryCommands, AddingPicturesLeavesNoBusyWindowBehind) {
    UseBusyDialogForProgress();
    AddPictures({"a.jpg", "b.jpg"});
    SetProgressSource(nullptr);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"a.jpg", "b.jpg"}));
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(dynamic_cast<BusyDialog*>(window), nullptr) << "a busy window stayed open";
    }
}

TEST_F(GalleryCommands, ConfiguringAChangeLeavesNoBusyWindowBehind) {
    AddPictures({"a.jpg", "b.jpg"});
    UseBusyDialogForProgress();
    bool changed = false;
    testing_support::DriveNextDialog([&](testing_support::DialogDriver& options) {
        auto* list = options.dialog()->findChild<QListWidget*>("1038");
        ASSERT_NE(list, nullptr);
        // The first row whose editor takes typed text.
        for (int row = 0; row < list->count() && !changed; ++row) {
            list->setCurrentRow(row);
            testing_support::DriveNextDialog([&](testing_support::DialogDriver& editor) {
                if (auto* edit = editor.dialog()->findChild<QLineEdit*>("1039")) {
                    edit->setText(edit->text() + "1");
                    changed = true;
                    editor.Press(1);
                } else {
                    editor.Press(2);
                }
            });
            options.Press(1051);
        }
        options.Press(1);
    });
    ExecuteCommand(kGalleryConfigure);
    SetProgressSource(nullptr);
    ASSERT_TRUE(changed) << "no option could be changed";
    for (QWidget* window : QApplication::topLevelWidgets()) {
        EXPECT_EQ(dynamic_cast<BusyDialog*>(window), nullptr) << "a busy window stayed open";
    }
}

TEST_F(GalleryCommands, MoveUpWithoutFocusMoveDownOnlyWithIt) {
    AddPictures({"a.jpg", "b.jpg", "c.jpg"});
    sheet_->SelectImage(1);
    frame_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame_));
    frame_->GetFileView()->setFocus();
    EXPECT_TRUE(IsCommandEnabled(kGalleryUp));
    EXPECT_FALSE(IsCommandEnabled(kGalleryDown));
    EXPECT_FALSE(IsCommandEnabled(kGalleryRemove));

    List()->setFocus();
    ASSERT_TRUE(sheet_->HasFocusedSelection()) << "focus did not arrive";
    EXPECT_TRUE(IsCommandEnabled(kGalleryDown));
    ExecuteCommand(kGalleryDown);
    EXPECT_EQ(GalleryNames(), (std::vector<std::string>{"a.jpg", "c.jpg", "b.jpg"}));
    EXPECT_EQ(sheet_->GetSelectedImage(), 2);
    EXPECT_FALSE(IsCommandEnabled(kGalleryDown)) << "the last row";
    ExecuteCommand(kGalleryUp);
    ExecuteCommand(kGalleryUp);
    EXPECT_EQ(sheet_->GetSelectedImage(), 0);
    EXPECT_FALSE(IsCommandEnabled(kGalleryUp)) << "the first row";

    // The picture list's menu greys the moves its commands refuse.
    testing_support::ScriptedMenuChooser menu;
    auto* pictures = static_cast<WorkImages*>(List());
    pictures->ShowMenu(QPoint(5, 5));
    sheet_->SelectImage(2);
    pictures->ShowMenu(QPoint(5, 5));
    ASSERT_EQ(menu.calls().size(), 2u);
    EXPECT_TRUE(menu.calls()[0].menu.FindCommand(kGalleryUp)->grayed);
    EXPECT_FALSE(menu.calls()[0].menu.FindCommand(kGalleryDown)->grayed);
    EXPECT_FALSE(menu.calls()[1].menu.FindCommand(kGalleryUp)->grayed);
    EXPECT_TRUE(menu.calls()[1].menu.FindCommand(kGalleryDown)->grayed);
}

TEST_F(GalleryCommands, RemoveAllNeedsAGalleryWithPictures) {
    EXPECT_FALSE(IsCommandEnabled(kGalleryRemoveAll));
    ExecuteCommand(kGalleryNew);
    EXPECT_FALSE(IsCommandEnabled(kGalleryRemoveAll));
    AddPictures({"a.jpg", "b.jpg"});
    EXPECT_TRUE(IsCommandEnabled(kGalleryRemoveAll));
    ExecuteCommand(kGalleryRemoveAll);
    EXPECT_EQ(List()->count(), 0);
    EXPECT_EQ(CurrentGallery()->GetImageCount(), 0);
    EXPECT_EQ(sheet_->GetSelectedImage(), -1);
}

TEST_F(GalleryCommands, ClosingAnUnchangedGalleryAsksNothing) {
    ExecuteCommand(kGalleryNew);
    ASSERT_NE(CurrentGallery(), nullptr);
    EXPECT_FALSE(IsCommandEnabled(kGalleryNew));
    ExecuteCommand(kGalleryClose);
    EXPECT_EQ(CurrentGallery(), nullptr);
    EXPECT_TRUE(rig_.prompts().calls().empty());
    EXPECT_EQ(frame_->GetInfoView()->GetShownSheet(), InfoView::kSheetImage);
}

TEST_F(GalleryCommands, CloseKeepsTheGalleryWhenItsExportFailed) {
    AddPictures({"a.jpg"});
    ASSERT_TRUE(CurrentGallery()->IsModified());
    // A file where the folder should be: the export cannot write.
    const std::string notAFolder = rig_.temp().Write("not-a-folder", "x");
    rig_.prompts().Answer(PromptAnswer::Yes);
    rig_.prompts().AnswerPath(notAFolder);
    EXPECT_FALSE(ExecuteCommand(kGalleryClose));
    EXPECT_NE(CurrentGallery(), nullptr);

    rig_.prompts().Answer(PromptAnswer::Yes);
    rig_.prompts().AnswerPath(std::nullopt);
    ExecuteCommand(kGalleryClose);
    EXPECT_EQ(CurrentGallery(), nullptr) << "a cancelled folder dialog still closes";
}

// Commands that open, close or replace a project, posted to the window thread; each records
// what it met when the loop delivered it.
struct PostedCommand {
    int id;
    bool delivered = false;
    bool duringOperation = false;
    bool enabled = true;
    bool ran = true;
};

std::vector<PostedCommand> PostProjectCommands() {
    return {{kGalleryClose}, {kGalleryNew}, {kAnimationOpen}, {kVantelifySetFile}};
}

// Each arrives as a menu item or shortcut would (through the frame's router) and as a
// sheet button would (ExecuteCommand).
void Post(std::vector<PostedCommand>& commands, CMainFrame* frame) {
    for (PostedCommand& command : commands) {
        QTimer::singleShot(0, [&command, frame] {
            command.delivered = true;
            command.duringOperation = LongOperationRunning();
            command.enabled = frame->GetRouter().IsEnabled(command.id);
            command.ran = frame->GetRouter().Route(command.id) || ExecuteCommand(command.id);
        });
    }
}

void ExpectRefused(const std::vector<PostedCommand>& commands) {
    for (const PostedCommand& command : commands) {
        SCOPED_TRACE(command.id);
        EXPECT_TRUE(command.delivered);
        EXPECT_TRUE(command.duringOperation) << "the loop ran them only after the operation";
        EXPECT_FALSE(command.enabled);
        EXPECT_FALSE(command.ran);
    }
}

TEST_F(GalleryCommands, ProjectCommandsArrivingDuringAnExportOrAnAddAreRefused) {
    AddPictures({"a.jpg", "b.jpg"});
    Gallery* const gallery = CurrentGallery();
    ASSERT_NE(gallery, nullptr);

    // The export's copies show the studio's own progress window, which pumps the loop.
    InstallShellDialogs(frame_);
    std::vector<PostedCommand> posted = PostProjectCommands();
    Post(posted, frame_);
    const std::string site = rig_.temp().Path("site");
    std::filesystem::create_directories(site);
    rig_.prompts().AnswerPath(site);
    EXPECT_TRUE(ExecuteCommand(kGallerySave));
    ExpectRefused(posted);
    EXPECT_EQ(CurrentGallery(), gallery);
    EXPECT_FALSE(gallery->IsModified()) << "the export ended";
    EXPECT_EQ(LongOperationRunning(), false);

    // Adding a picture of a name the gallery holds asks about it, in a loop of its own.
    const RenameQuestion previous = SetRenameQuestion([](const std::string&, const std::string&) {
        QCoreApplication::processEvents();
        RenameChoice choice;
        choice.kind = RenameChoice::AutoRename;
        return choice;
    });
    posted = PostProjectCommands();
    Post(posted, frame_);
    Select({"a.jpg"});
    ExecuteCommand(kGalleryAddFiles);
    SetRenameQuestion(previous);
    SetCopyProgressFactory(nullptr);
    ExpectRefused(posted);
    EXPECT_EQ(CurrentGallery(), gallery);
    EXPECT_EQ(Rows().size(), 3u);

    // Afterwards they run again.
    rig_.prompts().Answer(PromptAnswer::No);
    EXPECT_TRUE(IsCommandEnabled(kGalleryClose));
    EXPECT_TRUE(ExecuteCommand(kGalleryClose));
    EXPECT_EQ(CurrentGallery(), nullptr);
}

}  // namespace
