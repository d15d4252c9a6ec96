#include <filesystem>

#include <QCoreApplication>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>

#include "studio/core/ClipBoard.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/tree/DriveWatchers.h"
#include "studio/shell/tree/tests/TreeTestSupport.h"

namespace {

namespace sh = platform::shellns;

// Stands in for an edit command: answers by the studio clipboard, as Paste does, and notes
// what it saw.
struct Seen {
    PidlPath folder;
    std::vector<PidlPath> items;
    bool watchersRan = true;
    int runs = 0;
};

class RecordingCommand final : public Command {
public:
    RecordingCommand(int id, FileSelection* selection, DriveView* tree, Seen* seen)
        : Command(id), selection_(selection), tree_(tree), seen_(seen) {}
    void Execute() override {
        Note();
        seen_->watchersRan = tree_->Watchers().IsRunning();
        ++seen_->runs;
    }
    bool IsEnabled() override {
        Note();
        return GetId() != kEditPaste || TheClipBoard().HasItems();
    }

private:
    void Note() {
        seen_->folder = selection_->GetFolder();
        seen_->items = selection_->GetItems();
    }
    FileSelection* selection_;
    DriveView* tree_;
    Seen* seen_;
};

class TreeCommandsTest : public TreeTest {
protected:
    TreeCommandsTest() {
        tree->SetSelection(&selection);
        files->SetSelection(&selection);
        for (int id : {kEditPaste, kEditDelete, kEditCopy, kEditCut}) {
            factory.Register(id, [this, id](const CommandContext&) -> std::unique_ptr<Command> {
                return std::make_unique<RecordingCommand>(id, &selection, tree.get(), &seen);
            });
        }
        previous = SetCommandFactory(&factory);
        TheClipBoard().Clear();
    }
    ~TreeCommandsTest() override {
        SetCommandFactory(previous);
        TheClipBoard().Clear();
    }

    bool Enabled(QMenu* menu, int id) {
        for (QAction* action : menu->actions()) {
            if (action->data().toInt() == id) return action->isEnabled();
        }
        ADD_FAILURE() << "no entry " << id;
        return false;
    }
    PidlPath Item(const std::string& name) {
        PidlPath item;
        Path(name).GetLastItem(item);
        return item;
    }
    // Drags the data onto the node and lets go, as the mouse would; true when the drop was
    // taken.
    bool Drop(QTreeWidgetItem* node, const QMimeData& mime, bool ctrl) {
        tree->scrollToItem(node);
        const QPoint at = tree->visualItemRect(node).center();
        const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
        const Qt::KeyboardModifiers keys = ctrl ? Qt::ControlModifier : Qt::NoModifier;
        QDragEnterEvent enter(at, actions, &mime, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(tree->viewport(), &enter);
        QDragMoveEvent move(at, actions, &mime, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(tree->viewport(), &move);
        if (!move.isAccepted()) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(tree->viewport(), &leave);
            return false;
        }
        QDropEvent drop(QPointF(at), actions, &mime, Qt::LeftButton, keys);
        QCoreApplication::sendEvent(tree->viewport(), &drop);
        return drop.isAccepted();
    }

    FileSelection selection;
    CommandFactory factory;
    CommandFactory* previous = nullptr;
    Seen seen;
};

TEST_F(TreeCommandsTest, RightClickSelectsTheFolderButLeavesTheFileList) {
    MakeFolder("shown");
    MakeFolder("clicked");
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("shown"), true));
    ASSERT_EQ(files->GetFolder(), Path("shown"));

    QMenu* menu = tree->PrepareContextMenu(Node("clicked"));
    EXPECT_EQ(tree->GetSelectedPath(), Path("clicked"));
    EXPECT_EQ(files->GetFolder(), Path("shown"));
    EXPECT_FALSE(tree->IsInMenu());
    // The selection is the node, in its parent folder, filled before the entries asked.
    EXPECT_EQ(selection.GetFolder(), Path());
    EXPECT_EQ(selection.GetItems(), std::vector<PidlPath>{Item("clicked")});
    EXPECT_EQ(seen.items, std::vector<PidlPath>{Item("clicked")});
    EXPECT_FALSE(Enabled(menu, kEditPaste));
    EXPECT_TRUE(Enabled(menu, kEditCopy));

    FileSelection taken;
    taken.Set(Path(), {Item("shown")});
    TheClipBoard().Copy(taken);
    menu = tree->PrepareContextMenu(Node("clicked"));
    EXPECT_TRUE(Enabled(menu, kEditPaste));

    // A later selection by the user shows its folder again.
    tree->setCurrentItem(Node("shown"));
    tree->setCurrentItem(Node("clicked"));
    EXPECT_EQ(files->GetFolder(), Path("clicked"));
}

TEST_F(TreeCommandsTest, PasteAndDeleteRunWithTheWatchersHeldAndRebuildTheTree) {
    drives.push_back({temp.path(), sh::DriveKind::Fixed});
    MakeFolder("target");
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("target"), true));
    ASSERT_TRUE(tree->Watchers().IsRunning());
    for (int id : {kEditPaste, kEditDelete}) {
        const int refreshes = tree->GetRefreshCount();
        seen = {};
        ASSERT_TRUE(tree->OnCommand(id));
        EXPECT_EQ(seen.runs, 1);
        EXPECT_FALSE(seen.watchersRan);
        EXPECT_EQ(seen.folder, Path());
        EXPECT_EQ(seen.items, std::vector<PidlPath>{Item("target")});
        EXPECT_TRUE(tree->Watchers().IsRunning());
        EXPECT_TRUE(files->IsWatching());
        EXPECT_EQ(tree->GetRefreshCount(), refreshes + 1);
    }
    seen = {};
    ASSERT_TRUE(tree->OnCommand(kEditCopy));
    EXPECT_TRUE(seen.watchersRan);
}

TEST_F(TreeCommandsTest, GoToParentGoesThroughTheTree) {
    MakeFolder("parent");
    MakeFolder("parent/child");
    tree->OnInitialUpdate();
    files->SetFolder(Path("parent/child"));
    ASSERT_TRUE(WaitLoaded(*files));
    ASSERT_TRUE(files->OnCommand(kGoToParent));
    EXPECT_EQ(tree->GetSelectedPath(), Path("parent"));
    EXPECT_EQ(files->GetFolder(), Path("parent"));
    // With the parent selected in the tree already, the list still goes up.
    files->SetFolder(Path("parent/child"));
    ASSERT_TRUE(files->OnCommand(kGoToParent));
    EXPECT_EQ(files->GetFolder(), Path("parent"));
}

TEST_F(TreeCommandsTest, DropsRefuseTheirOwnPlacesAndCopyWithCtrl) {
    drives.push_back({temp.path(), sh::DriveKind::Fixed});
    MakeFolder("from");
    MakeFolder("from/dragged");
    MakeFolder("from/dragged/below");
    temp.Write("from/dragged/file.txt", "content");
    MakeFolder("other");
    tree->resize(400, 600);
    tree->show();
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("from/dragged/below"), true));
    std::unique_ptr<QMimeData> mime = CreateFileDataSource(Path("from"), {Item("from/dragged")});
    ASSERT_NE(mime, nullptr);

    const auto target = [&](const std::string& name, bool copy) {
        QTreeWidgetItem* node = Node(name);
        EXPECT_NE(node, nullptr) << name;
        tree->scrollToItem(node);
        return tree->DropTargetAt(tree->visualItemRect(node).center(), mime.get(), copy);
    };
    const struct {
        const char* onto;
        bool copy;
        bool taken;
    } cases[] = {
        {"from", false, false},               // where they came from, moved
        {"from", true, true},                 // ... copied
        {"from/dragged", true, false},        // into itself
        {"from/dragged/below", true, false},  // into a folder below itself
        {"other", false, true},
    };
    for (const auto& c : cases) {
        const auto got = target(c.onto, c.copy);
        EXPECT_EQ(got.has_value(), c.taken) << c.onto << " copy " << c.copy;
        if (got) {
            EXPECT_EQ(*got, temp.Path(c.onto) + "/") << c.onto;
        }
    }
    // The Computer holds no files.
    const QTreeWidgetItem* computer = tree->GetRootItem()->child(0);
    EXPECT_FALSE(tree->DropTargetAt(tree->visualItemRect(computer).center(), mime.get(), true));

    EXPECT_FALSE(Drop(Node("from"), *mime, false));
    EXPECT_FALSE(std::filesystem::exists(temp.Path("from/Copy of dragged")));
    EXPECT_TRUE(Drop(Node("from"), *mime, true));
    EXPECT_EQ(testing_support::ReadFile(temp.Path("from/Copy of dragged/file.txt")), "content");
    EXPECT_TRUE(std::filesystem::exists(temp.Path("from/dragged/file.txt")));
    // The tree shows the copy, its watchers run again.
    EXPECT_NE(Node("from/Copy of dragged"), nullptr);
    EXPECT_TRUE(tree->Watchers().IsRunning());
}

}  // namespace
