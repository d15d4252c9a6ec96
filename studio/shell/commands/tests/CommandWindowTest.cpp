#include <memory>
#include <string>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/CommandRouter.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/commands/MenuActions.h"
#include "studio/shell/commands/PaneFocus.h"
#include "studio/shell/commands/ShortcutKeys.h"
#include "studio/shell/commands/StatusPrompt.h"
#include "studio/shell/commands/StringTable.h"
#include "testing/DebugCapture.h"
#include "testing/QtTestApp.h"

namespace {

std::vector<std::string>* theRuns = nullptr;
bool addEnabled = false;

// Stands in for Add to gallery: its answer is switched by the test.
class StandInAdd final : public Command {
public:
    StandInAdd() : Command(kGalleryAddFiles) {}
    void Execute() override { theRuns->push_back("command:32775"); }
    bool IsEnabled() override { return addEnabled; }
};

class Recorder : public CommandTarget {
public:
    Recorder(std::string name, std::vector<std::string>& runs)
        : name_(std::move(name)), runs_(runs) {}
    void Handle(int id) {
        Map(id, [this, id] { runs_.push_back(name_ + ":" + std::to_string(id)); });
    }

private:
    std::string name_;
    std::vector<std::string>& runs_;
};

// Counts the keys that reach a widget.
class KeyCounter : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) ++count;
        return false;
    }
};

// A frame with four stand-in panes: the folder tree, the file list (with its label editor),
// the info pane (with a sheet holding a picture list) and the viewer.
class CommandWindow : public ::testing::Test {
protected:
    void SetUp() override {
        testing_support::TestApplication();
        theRuns = &runs;
        addEnabled = false;
        factory.Register(kGalleryAddFiles,
                         [](const CommandContext&) { return std::make_unique<StandInAdd>(); });
        previousFactory = SetCommandFactory(&factory);
        framePtr = std::make_unique<QMainWindow>();
        frame = framePtr.get();

        auto* central = new QWidget;
        auto* layout = new QHBoxLayout(central);
        tree = new QTreeWidget;
        files = new QWidget;
        auto* filesLayout = new QHBoxLayout(files);
        list = new QListWidget;
        labelEditor = new QLineEdit("abc");
        filesLayout->addWidget(list);
        filesLayout->addWidget(labelEditor);
        info = new QWidget;
        auto* infoLayout = new QHBoxLayout(info);
        sheet = new QWidget;
        auto* sheetLayout = new QHBoxLayout(sheet);
        pictures = new QListWidget;
        sheetLayout->addWidget(pictures);
        infoLayout->addWidget(sheet);
        KeepKeysInside(sheet);
        viewer = new QWidget;
        viewer->setFocusPolicy(Qt::StrongFocus);
        for (QWidget* pane : {static_cast<QWidget*>(tree), files, info, viewer}) {
            layout->addWidget(pane);
        }
        frame->setCentralWidget(central);

        router.SetFrame(&frameTarget);
        panes = std::make_unique<PaneFocus>(router);
        panes->AddPane(tree, &treeTarget);
        panes->AddPane(files, &filesTarget);
        panes->AddPane(info, &infoTarget);
        panes->AddPane(viewer, &viewerTarget);
        actions = std::make_unique<MenuActions>(router);
        actions->FillMenuBar(frame->menuBar(), kMenuGallery);
        new ShortcutKeys(frame, router);
        ShowReadyWhenIdle(frame);

        for (int id : {kEditDelete, kRename, kFileOpen, kEditCopy}) filesTarget.Handle(id);
        frameTarget.Handle(kSelectAll);
        frameTarget.Handle(kEditCopy);
        frameTarget.MapCommandObject(kGalleryAddFiles);

        frame->resize(800, 400);
        frame->show();
        frame->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
        Focus(list);
    }
    void TearDown() override {
        framePtr.reset();
        SetCommandFactory(previousFactory);
        theRuns = nullptr;
    }

    void Focus(QWidget* widget) {
        widget->setFocus();
        QApplication::processEvents();
        ASSERT_TRUE(widget->hasFocus());
    }
    QMenu* TopMenu(const QString& title) {
        for (QAction* action : frame->menuBar()->actions()) {
            if (action->text() == title) return action->menu();
        }
        return nullptr;
    }
    // Opens the menu as the user would, which asks for its items' states.
    QMenu* Open(const QString& title) {
        QMenu* menu = TopMenu(title);
        if (menu != nullptr) {
            menu->popup(QPoint(0, 0));
            menu->hide();
            frame->activateWindow();
            EXPECT_TRUE(QTest::qWaitForWindowActive(frame));
        }
        return menu;
    }

    testing_support::DebugCapture quiet;
    std::vector<std::string> runs;
    CommandFactory factory;
    CommandFactory* previousFactory = nullptr;
    std::unique_ptr<QMainWindow> framePtr;
    QMainWindow* frame = nullptr;
    QTreeWidget* tree = nullptr;
    QWidget* files = nullptr;
    QListWidget* list = nullptr;
    QLineEdit* labelEditor = nullptr;
    QWidget* info = nullptr;
    QWidget* sheet = nullptr;
    QListWidget* pictures = nullptr;
    QWidget* viewer = nullptr;
    Recorder treeTarget{"tree", runs}, filesTarget{"files", runs}, infoTarget{"info", runs},
        viewerTarget{"viewer", runs}, frameTarget{"frame", runs};
    CommandRouter router;
    std::unique_ptr<PaneFocus> panes;
    std::unique_ptr<MenuActions> actions;
};

TEST_F(CommandWindow, TheActivePaneAnswersBeforeTheFrameAndWhatNobodyHandlesIsGreyed) {
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    Focus(viewer);
    EXPECT_EQ(router.GetActivePane(), 3);
    QTest::keyClick(viewer, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(runs, (std::vector<std::string>{"files:57634", "frame:57634"}));

    // With the info pane active, the file list's items grey out.
    struct Case {
        QWidget* focus;
        bool listItems;
    };
    for (const Case& c : {Case{info->findChild<QListWidget*>(), false}, Case{list, true}}) {
        Focus(c.focus);
        QMenu* file = Open("&File");
        ASSERT_NE(file, nullptr);
        for (int id : {kEditDelete, kRename, kFileOpen}) {
            EXPECT_EQ(actions->GetAction(id)->isEnabled(), c.listItems) << id;
        }
        EXPECT_FALSE(actions->GetAction(kExit)->isEnabled());
        EXPECT_FALSE(actions->GetAction(kSave)->isEnabled());
    }
    EXPECT_EQ(actions->GetAction(kEditDelete)->statusTip(), "Delete the selection");
}

TEST_F(CommandWindow, ADisabledIdRunsNeitherFromItsMenuNorFromItsKeyButDoesWhenExecuted) {
    QMenu* gallery = Open("Gallery");
    ASSERT_NE(gallery, nullptr);
    QAction* add = actions->GetAction(kGalleryAddFiles);
    EXPECT_FALSE(add->isEnabled());
    EXPECT_EQ(add->text(), "Add to gallery\tCtrl+A");
    EXPECT_TRUE(add->shortcut().isEmpty());

    // A stale item that still looks enabled asks again before running.
    add->setEnabled(true);
    add->trigger();
    QTest::keyClick(list, Qt::Key_G, Qt::ControlModifier);
    EXPECT_TRUE(runs.empty());
    ExecuteCommand(kGalleryAddFiles);
    EXPECT_EQ(runs, (std::vector<std::string>{"command:32775"}));

    addEnabled = true;
    runs.clear();
    add->trigger();
    QTest::keyClick(list, Qt::Key_G, Qt::ControlModifier);
    // Ctrl+A selects all, whatever the gallery menu's item shows.
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(runs, (std::vector<std::string>{"command:32775", "command:32775", "frame:57642"}));
}

TEST_F(CommandWindow, F6AndShiftF6MoveTheFocusFromPaneToPane) {
    std::vector<int> active;
    QTest::keyClick(list, Qt::Key_F6);
    active.push_back(router.GetActivePane());
    EXPECT_TRUE(pictures->hasFocus());
    // Inside the sheet keys stay with the sheet; from the viewer they go on.
    Focus(viewer);
    QTest::keyClick(viewer, Qt::Key_F6);
    active.push_back(router.GetActivePane());
    EXPECT_TRUE(tree->hasFocus());
    QTest::keyClick(tree, Qt::Key_F6, Qt::ShiftModifier);
    active.push_back(router.GetActivePane());
    EXPECT_TRUE(viewer->hasFocus());
    QTest::keyClick(viewer, Qt::Key_F6, Qt::ShiftModifier);
    active.push_back(router.GetActivePane());
    EXPECT_EQ(active, (std::vector<int>{2, 0, 3, 2}));
    // The focus returns to where it was in the pane.
    EXPECT_TRUE(pictures->hasFocus());
}

TEST_F(CommandWindow, EditorsAndSheetsKeepTheirKeys) {
    frameTarget.Handle(kEditDelete);
    frameTarget.Handle(kGoToParent);
    Focus(labelEditor);
    labelEditor->setCursorPosition(1);
    QTest::keyClick(labelEditor, Qt::Key_Delete);
    EXPECT_EQ(labelEditor->text(), "ac");
    QTest::keyClick(labelEditor, Qt::Key_Backspace);
    EXPECT_EQ(labelEditor->text(), "c");
    labelEditor->selectAll();
    QTest::keyClick(labelEditor, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "c");
    EXPECT_EQ(router.GetActivePane(), 1);

    KeyCounter keys;
    pictures->installEventFilter(&keys);
    Focus(pictures);
    QTest::keyClick(pictures, Qt::Key_Delete);
    QTest::keyClick(pictures, Qt::Key_F2);
    EXPECT_EQ(keys.count, 2);
    EXPECT_TRUE(runs.empty());

    // Outside the sheet the same key is the frame's.
    Focus(viewer);
    QTest::keyClick(viewer, Qt::Key_Delete);
    EXPECT_EQ(runs, (std::vector<std::string>{"frame:32776"}));
}

TEST_F(CommandWindow, MenusFollowTheModeAndTheStatusBarSaysReadyWhenIdle) {
    EXPECT_EQ(actions->GetAction(kSave)->text(), "Export HTML");
    actions->FillMenuBar(frame->menuBar(), kMenuAnimation);
    QApplication::processEvents();
    EXPECT_EQ(actions->GetAction(kSave)->text(), "Save");
    QStringList titles;
    for (QAction* action : frame->menuBar()->actions()) titles << action->text();
    EXPECT_EQ(titles, (QStringList{"&File", "&Edit", "Animation", "&View", "&Help"}));
    QMenu* file = TopMenu("&File");
    ASSERT_NE(file, nullptr);
    ASSERT_NE(file->actions().value(0)->menu(), nullptr);
    EXPECT_EQ(file->actions().value(0)->text(), "New");

    EXPECT_EQ(frame->statusBar()->currentMessage(), "Ready");
    QStatusTipEvent tip("Delete the selection");
    QApplication::sendEvent(frame, &tip);
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Delete the selection");
    QStatusTipEvent none("");
    QApplication::sendEvent(frame, &none);
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Ready");
}

}  // namespace
