#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

#include "platform/files/Hidden.h"
#include "studio/core/ClipBoard.h"
#include "studio/core/FileSelection.h"
#include "studio/core/Properties.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/filecmds/FileCommands.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/DialogDriver.h"
#include "testing/StudioTestRig.h"

namespace {

namespace fs = std::filesystem;

// The studio with its real commands; files live in the rig's temporary folder, the Trash
// under its XDG_DATA_HOME.
class FileCommands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig_.Start());
        TheClipBoard().Clear();
        root_ = rig_.temp().Path("files") + "/";
        fs::create_directories(root_);
        previousQuestion_ = SetRenameQuestion([](const std::string&, const std::string&) {
            RenameChoice choice;
            choice.kind = RenameChoice::AutoRename;
            return choice;
        });
    }
    void TearDown() override {
        SetRenameQuestion(previousQuestion_);
        TheClipBoard().Clear();
    }

    std::string Picture(const std::string& name) {
        fs::create_directories(fs::path(root_ + name).parent_path());
        WritePicture(root_ + name, QColor(200, 40, 40), 80, 60);
        return root_ + name;
    }
    void Select(const std::string& folder, const std::vector<std::string>& names) {
        rig_.frame()->GetSelection().SetFromNames(root_ + folder, names);
    }
    static std::string Trashed(const std::string& name) {
        const char* data = std::getenv("XDG_DATA_HOME");
        return std::string(data != nullptr ? data : "") + "/Trash/files/" + name;
    }

    testing_support::StudioTestRig rig_;
    std::string root_;
    RenameQuestion previousQuestion_;
};

TEST_F(FileCommands, DeleteSendsPicturesWithTheirHiddenAnimationsAndFolderEntriesFirst) {
    if (!platform::TakesUserAttributes(rig_.temp().Path(""))) {
        GTEST_SKIP() << "the temporary folder cannot tell hidden from visible animations";
    }
    Picture("p.jpg");
    rig_.temp().Write("files/p.vte", "points");
    ASSERT_TRUE(platform::SetHidden(root_ + "p.vte", true));
    Picture("q.jpg");
    rig_.temp().Write("files/q.vte", "visible");
    rig_.temp().Write("files/sub/a.txt", "a");
    Select("", {"p.jpg", "q.jpg", "sub"});
    TheClipBoard().Copy(rig_.frame()->GetSelection());

    EXPECT_EQ(ListForDelete(rig_.frame()->GetSelection()),
              (std::vector<std::string>{root_ + "p.jpg", root_ + "p.vte", root_ + "q.jpg",
                                        root_ + "sub/a.txt", root_ + "sub"}));
    ASSERT_TRUE(IsCommandEnabled(kEditDelete));
    // No to the question: nothing goes, the clipboard stays.
    rig_.prompts().Answer(platform::PromptAnswer::No);
    EXPECT_TRUE(ExecuteCommand(kEditDelete));
    ASSERT_EQ(rig_.prompts().calls().size(), 1u);
    EXPECT_EQ(rig_.prompts().calls()[0].text,
              "Are you sure you want to move these 3 items to the Trash?");
    for (const char* name : {"p.jpg", "p.vte", "q.jpg", "sub/a.txt"}) {
        EXPECT_TRUE(fs::exists(root_ + name)) << name;
    }
    EXPECT_TRUE(TheClipBoard().HasItems());

    rig_.prompts().Answer(platform::PromptAnswer::Yes);
    EXPECT_TRUE(ExecuteCommand(kEditDelete));
    EXPECT_EQ(rig_.prompts().calls().size(), 2u);

    EXPECT_TRUE(fs::exists(Trashed("p.jpg")));
    EXPECT_TRUE(fs::exists(Trashed("p.vte")));
    EXPECT_FALSE(fs::exists(root_ + "p.vte"));
    EXPECT_TRUE(fs::exists(root_ + "q.vte"));  // visible: the user's own file
    EXPECT_FALSE(fs::exists(root_ + "sub"));
    EXPECT_FALSE(TheClipBoard().HasItems());
}

TEST(PasteRule, RefusesOnlyTheItemsThemselvesAndWhatLiesBelowThem) {
    struct Case {
        const char* target;
        bool cut;
        bool allowed;
    };
    const std::vector<std::string> items = {"/a/p", "/a/x.jpg"};
    for (const Case& c :
         {Case{"/a", false, true}, Case{"/a/", true, false}, Case{"/a", true, false},
          Case{"/b", true, true}, Case{"/a/p", false, false}, Case{"/a/p/q/", false, false},
          Case{"/a/pq", false, true}, Case{"/a/pq", true, true}, Case{"/A/p", false, true},
          Case{"", false, false}}) {
        EXPECT_EQ(PasteAllowed(c.target, "/a", items, c.cut), c.allowed)
            << c.target << (c.cut ? " cut" : " copy");
    }
}

TEST_F(FileCommands, PasteCopiesBesideItselfUnderAFreeNameAndMovesIntoASiblingFolder) {
    Picture("x.jpg");
    fs::create_directories(root_ + "p/sub");
    fs::create_directories(root_ + "pq");
    rig_.temp().Write("files/p/inside.txt", "in");

    Select("", {"x.jpg"});
    ExecuteCommand(kEditCut);
    EXPECT_FALSE(IsCommandEnabled(kEditPaste));  // a cut into its own folder
    ExecuteCommand(kEditCopy);
    ASSERT_TRUE(IsCommandEnabled(kEditPaste));
    ExecuteCommand(kEditPaste);
    EXPECT_TRUE(fs::exists(root_ + "x_1.jpg"));
    EXPECT_TRUE(TheClipBoard().HasItems());  // a copy may be pasted again

    Select("", {"p"});
    ExecuteCommand(kEditCut);
    Select("p", {"sub"});
    EXPECT_FALSE(IsCommandEnabled(kEditPaste));  // a folder into itself
    Select("", {"pq"});
    ASSERT_TRUE(IsCommandEnabled(kEditPaste));
    ExecuteCommand(kEditPaste);
    EXPECT_TRUE(fs::exists(root_ + "pq/p/inside.txt"));
    EXPECT_FALSE(fs::exists(root_ + "p"));
    EXPECT_FALSE(TheClipBoard().HasItems());  // what was cut is gone from where it was
}

TEST_F(FileCommands, FolderPictureLiesBesideTheFolderHiddenAndGoesAgain) {
    Picture("a/b/x.jpg");
    Select("a/b", {"x.jpg"});
    ASSERT_TRUE(IsCommandEnabled(kFileRepresent));
    EXPECT_TRUE(ExecuteCommand(kFileRepresent));
    const std::string picture = root_ + "a/b.vtd";
    ASSERT_TRUE(fs::exists(picture));
    EXPECT_TRUE(platform::IsHidden(picture));
    const QImage decoded(QString::fromStdString(picture), "JPG");
    EXPECT_EQ(decoded.size(), QSize(64, 64));

    Select("a", {"b"});
    EXPECT_FALSE(IsCommandEnabled(kFileRepresent));  // a folder is no picture
    ASSERT_TRUE(IsCommandEnabled(kFileDerepresent));
    EXPECT_TRUE(ExecuteCommand(kFileDerepresent));
    EXPECT_FALSE(fs::exists(picture));
    EXPECT_FALSE(IsCommandEnabled(kFileDerepresent));

    // A picture that cannot be removed (a folder in its place) is reported, not passed off.
    fs::create_directory(picture);
    ASSERT_TRUE(IsCommandEnabled(kFileDerepresent));
    EXPECT_FALSE(ExecuteCommand(kFileDerepresent));
    EXPECT_TRUE(fs::exists(picture));
    ASSERT_FALSE(rig_.prompts().calls().empty());
    EXPECT_EQ(rig_.prompts().calls().back().text, "Failed to remove the folder image");
    fs::remove(picture);

    EXPECT_EQ(FolderPicturePath("/a/b/x.jpg"), "/a/b.vtd");
    EXPECT_EQ(FolderPicturePath("/x.jpg"), "");  // the root folder has no parent
}

TEST_F(FileCommands, EditStartsTheEditorWithAPathOfBlanksAsOneArgument) {
    Picture("my pic.jpg");
    Select("", {"my pic.jpg"});
    Properties::Instance().SetEditorImage("");
    EXPECT_FALSE(IsCommandEnabled(kFileEdit));

    Properties::Instance().SetEditorImage("/opt/paint/bin/paint");
    std::vector<std::string> started;
    const ProgramStarter previous = SetProgramStarter(
        [&](const std::string& program, const std::string& file, const std::string& directory) {
            started = {program, file, directory};
            return true;
        });
    ASSERT_TRUE(IsCommandEnabled(kFileEdit));
    ExecuteCommand(kFileEdit);
    SetProgramStarter(previous);
    Properties::Instance().SetEditorImage("");
    EXPECT_EQ(started, (std::vector<std::string>{"/opt/paint/bin/paint", root_ + "my pic.jpg",
                                                 root_.substr(0, root_.size() - 1)}));
}

TEST_F(FileCommands, PropertiesGoToTheFileManagerElseToOurDialog) {
    Picture("x.jpg");
    Select("", {"x.jpg"});
    PropertiesAsker previous =
        SetPropertiesAsker([](const std::vector<std::string>&) { return false; });
    QString name;
    QString size;
    testing_support::DriveNextDialog([&](testing_support::DialogDriver& d) {
        name = d.dialog()->findChild<QLabel*>("name")->text();
        size = d.dialog()->findChild<QLabel*>("size")->text();
        d.Press(1);
    });
    ExecuteCommand(kFileProperties);
    EXPECT_EQ(name, "x.jpg");
    EXPECT_EQ(size.toStdString(), std::to_string(fs::file_size(root_ + "x.jpg")) + " bytes");

    std::vector<std::string> asked;
    SetPropertiesAsker([&](const std::vector<std::string>& paths) {
        asked = paths;
        return true;
    });
    bool opened = false;
    bool timedOut = false;
    testing_support::DriveNextDialog(
        [&](testing_support::DialogDriver& d) {
            opened = true;
            d.Press(1);
        },
        300, &timedOut);
    ExecuteCommand(kFileProperties);
    EXPECT_TRUE(ServeEventsUntil([&] { return timedOut || opened; }));
    SetPropertiesAsker(previous);
    EXPECT_EQ(asked, std::vector<std::string>{root_ + "x.jpg"});
    EXPECT_FALSE(opened);  // the file manager showed them
}

}  // namespace
