#include <sys/stat.h>

#include <QMenu>
#include <QMimeData>

#include <gtest/gtest.h>

#include "studio/shell/FileDataSource.h"
#include "studio/shell/ShellUtils.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;
using testing_support::TestApplication;
using testing_support::ReadFile;

class FileViewEditTest : public ::testing::Test {
protected:
    void Show() {
        view.SetFolder(PidlPath(temp.path()));
        ASSERT_TRUE(WaitLoaded(view));
    }
    std::string Folder() const { return temp.path() + "/"; }
    void MakeFolder(const std::string& name) { ::mkdir(temp.Path(name).c_str(), 0777); }

    struct Application {
        Application() { TestApplication(); }
    } application;  // before the view
    TempDir temp;
    FileView view;
};

TEST_F(FileViewEditTest, RenamingTakesTheAnimationAlongAndNeverReplaces) {
    WritePicture(Folder() + "a.jpg", Qt::red);
    temp.Write("a.vte", "animation");
    WritePicture(Folder() + "c.jpg", Qt::red);
    temp.Write("d.vte", "someone else's animation");
    Show();

    ASSERT_TRUE(view.RenameItem(view.FindItem("a.jpg"), "b.jpg"));
    EXPECT_TRUE(FileExists(temp.Path("b.jpg")));
    EXPECT_TRUE(FileExists(temp.Path("b.vte")));
    EXPECT_FALSE(FileExists(temp.Path("a.vte")));
    EXPECT_EQ(view.FindItem("a.jpg"), -1);
    EXPECT_EQ(view.GetItemRecord(view.FindItem("b.jpg"))->kind, kKindPicture);

    // Onto an existing picture: refused, both stay.
    const std::uint64_t size = GetFileSize(temp.Path("c.jpg"));
    EXPECT_FALSE(view.RenameItem(view.FindItem("b.jpg"), "c.jpg"));
    EXPECT_EQ(GetFileSize(temp.Path("c.jpg")), size);
    EXPECT_TRUE(FileExists(temp.Path("b.jpg")));

    // When the animation's new name is taken, the picture's rename is undone.
    EXPECT_FALSE(view.RenameItem(view.FindItem("b.jpg"), "d.jpg"));
    EXPECT_GE(view.FindItem("b.jpg"), 0);
    EXPECT_TRUE(FileExists(temp.Path("b.jpg")));
    EXPECT_TRUE(FileExists(temp.Path("b.vte")));
    EXPECT_FALSE(FileExists(temp.Path("d.jpg")));
    EXPECT_EQ(ReadFile(temp.Path("d.vte")), "someone else's animation");
}

TEST_F(FileViewEditTest, ARenamedFolderStaysAFolder) {
    MakeFolder("old");
    Show();
    ASSERT_TRUE(view.RenameItem(view.FindItem("old"), "new"));
    EXPECT_EQ(view.GetItemRecord(view.FindItem("new"))->kind, kKindFolder);
    EXPECT_EQ(view.GetItemRecord(view.FindItem("new"))->path.GetPath(), temp.Path("new"));
}

TEST_F(FileViewEditTest, ANewFolderTakesTheFirstFreeNameAndIsEdited) {
    MakeFolder("New folder");
    MakeFolder("New folder1");
    Show();
    view.CreateFolder();
    struct stat info {};
    EXPECT_EQ(::stat(temp.Path("New folder2").c_str(), &info), 0);
    const int row = view.FindItem("New folder2");
    ASSERT_GE(row, 0);
    EXPECT_TRUE(view.item(row)->isSelected());
    EXPECT_TRUE(view.IsRenaming());
}

TEST_F(FileViewEditTest, AFolderAndAPictureSelectedGiveTheFolderMenu) {
    MakeFolder("album");
    WritePicture(Folder() + "p.png", Qt::red);
    temp.Write("page.htm", "<html></html>");
    Show();
    struct Case {
        std::vector<const char*> selected;
        const char* menu;
    };
    const Case cases[] = {
        {{"album", "p.png"}, "FolderMenu"},
        {{"p.png", "page.htm"}, "PageMenu"},
        {{"p.png"}, "ImageMenu"},
        {{}, "ImageMenu"},
    };
    for (const Case& c : cases) {
        view.clearSelection();
        for (const char* name : c.selected) view.item(view.FindItem(name))->setSelected(true);
        EXPECT_EQ(view.PrepareContextMenu()->objectName().toStdString(), c.menu);
    }
}

TEST_F(FileViewEditTest, DropsOntoTheirOwnPlaceAreRefused) {
    MakeFolder("album");
    MakeFolder("other");
    WritePicture(Folder() + "p.png", Qt::red);
    Show();
    view.resize(600, 400);
    view.show();
    const PidlPath here(temp.path());
    auto item = [&](const char* name) {
        PidlPath relative;
        PidlPath(temp.Path(name)).GetLastItem(relative);
        return relative;
    };
    auto where = [&](const char* name) {
        return view.visualItemRect(view.item(view.FindItem(name))).center();
    };
    const QPoint empty(590, 390);

    auto pictures = CreateFileDataSource(here, {item("p.png")});
    EXPECT_FALSE(view.DropTargetAt(empty, pictures.get()));  // where they came from
    EXPECT_FALSE(view.DropTargetAt(where("p.png"), pictures.get()));  // onto a file
    EXPECT_EQ(view.DropTargetAt(where("album"), pictures.get()), temp.Path("album") + "/");

    auto folder = CreateFileDataSource(here, {item("album")});
    EXPECT_FALSE(view.DropTargetAt(where("album"), folder.get()));  // onto itself
    EXPECT_EQ(view.DropTargetAt(where("other"), folder.get()), temp.Path("other") + "/");

    // From another folder, onto empty space: into the shown folder.
    TempDir elsewhere;
    elsewhere.Write("q.jpg", "x");
    PidlPath q;
    PidlPath(elsewhere.Path("q.jpg")).GetLastItem(q);
    auto outside = CreateFileDataSource(PidlPath(elsewhere.path()), {q});
    EXPECT_EQ(view.DropTargetAt(empty, outside.get()), Folder());
}

}  // namespace
