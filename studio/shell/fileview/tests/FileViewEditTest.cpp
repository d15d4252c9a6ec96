#include <sys/stat.h>

#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTest>

#include <gtest/gtest.h>

#include "studio/core/ShellUtils.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using testing_support::ReadFile;
using testing_support::TempDir;
using testing_support::TestApplication;

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

TEST_F(FileViewEditTest, ARenamedPictureKeepsItsThumbnailAndFacts) {
    WritePicture(Folder() + "a.jpg", Qt::red, 40, 30);
    Show();
    const PidlPath before(temp.Path("a.jpg"));
    ASSERT_NE(view.GetImageInfo(before), nullptr);
    ASSERT_TRUE(view.RenameItem(view.FindItem("a.jpg"), "Renamed.jpg"));
    const ImageInfo* info = view.GetImageInfo(PidlPath(temp.Path("Renamed.jpg")));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->width, 40);
    EXPECT_EQ(view.Images().FindThumbnailIndex(temp.Path("a.jpg")), 0);
}

TEST_F(FileViewEditTest, EveryNameShowsWholeWhereTwoLinesHoldIt) {
    for (const char* name : {"viewer-control", "viewer-plugin", "control-plugin", "a.jpg"}) {
        MakeFolder(name);
    }
    const std::string longName(120, 'x');
    MakeFolder(longName);
    view.resize(600, 400);
    view.show();
    Show();
    for (const char* name : {"viewer-control", "viewer-plugin", "control-plugin", "a.jpg"}) {
        const int row = view.FindItem(name);
        ASSERT_GE(row, 0) << name;
        QString shown = view.ShownText(row);
        const QStringList lines = shown.split(QChar(QChar::LineSeparator));
        EXPECT_LE(lines.size(), 2) << name;
        EXPECT_EQ(lines.join(QString()).toStdString(), name);
        const int room = view.visualItemRect(view.item(row)).width();
        for (const QString& line : lines) {
            EXPECT_LT(view.fontMetrics().horizontalAdvance(line), room) << name;
        }
    }
    // Two lines cannot hold this one: it loses its middle, never its start or end.
    const QString shown = view.ShownText(view.FindItem(longName));
    EXPECT_TRUE(shown.contains(QChar(0x2026)));
    EXPECT_TRUE(shown.startsWith("xxx"));
    EXPECT_TRUE(shown.endsWith("xxx"));
}

TEST_F(FileViewEditTest, ANameWithoutAWordEndBreaksBeforeItsLastDot) {
    const std::string tooLong = "averyveryverylongname_without_any_break.jpg";
    for (const std::string& name :
         {std::string("img_00001.jpg"), std::string("ñandú_żółw.jpg"), tooLong}) {
        WritePicture(Folder() + name, Qt::red);
    }
    view.resize(600, 400);
    view.show();
    Show();
    auto lines = [this](const std::string& name) {
        const int row = view.FindItem(name);
        EXPECT_GE(row, 0) << name;
        const QStringList shown = view.ShownText(row).split(QChar(QChar::LineSeparator));
        const int room = view.visualItemRect(view.item(row)).width();
        for (const QString& line : shown) {
            EXPECT_LT(view.fontMetrics().horizontalAdvance(line), room) << name;
        }
        return shown;
    };
    EXPECT_EQ(lines("img_00001.jpg").join('|').toStdString(), "img_00001|.jpg");
    EXPECT_EQ(lines("ñandú_żółw.jpg").join('|').toStdString(), "ñandú_żółw|.jpg");
    // Too long before its dot: the first line full, the second shortened in its middle.
    const QStringList shown = lines(tooLong);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_TRUE(QString::fromStdString(tooLong).startsWith(shown[0]));
    EXPECT_GT(shown[0].size(), 8);
    EXPECT_TRUE(shown[1].contains(QChar(0x2026)));
    EXPECT_TRUE(shown[1].endsWith(".jpg"));
}

TEST_F(FileViewEditTest, TheRenameBoxHidesTheLabelsUnderItAndRenamesTheFile) {
    WritePicture(Folder() + "first.jpg", Qt::red);
    WritePicture(Folder() + "second.jpg", Qt::red);
    view.resize(600, 400);
    view.show();
    Show();
    view.BeginRename(view.FindItem("first.jpg"));
    ASSERT_TRUE(view.IsRenaming());
    QWidget* editor = view.indexWidget(view.model()->index(view.FindItem("first.jpg"), 0));
    ASSERT_NE(editor, nullptr);
    EXPECT_TRUE(editor->autoFillBackground());
    EXPECT_EQ(editor->palette().color(QPalette::Base), QColor(Qt::white));
    QTest::keyClick(editor, Qt::Key_Escape);
    EXPECT_FALSE(view.IsRenaming());

    // Editing begun by a click on a selected name renames the file as the command does.
    const int row = view.FindItem("second.jpg");
    view.editItem(view.item(row));
    auto* edit = qobject_cast<QLineEdit*>(view.indexWidget(view.model()->index(row, 0)));
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(view.IsRenaming());
    edit->setText("third.jpg");
    QTest::keyClick(edit, Qt::Key_Return);
    QCoreApplication::processEvents();  // the edit is committed from the event loop
    EXPECT_TRUE(FileExists(temp.Path("third.jpg")));
    EXPECT_FALSE(FileExists(temp.Path("second.jpg")));
    EXPECT_GE(view.FindItem("third.jpg"), 0);
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
    EXPECT_FALSE(view.DropTargetAt(empty, pictures.get()));           // where they came from
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
