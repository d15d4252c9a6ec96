#include <algorithm>
#include <chrono>
#include <thread>

#include <QCoreApplication>
#include <QFocusEvent>
#include <QTest>

#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/tree/DriveWatchers.h"
#include "studio/shell/tree/tests/TreeTestSupport.h"
#include "testing/DebugCapture.h"

namespace {

namespace sh = platform::shellns;

void ServeEventsFor(int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

TEST_F(TreeTest, TheFirstFillOpensTheDesktopDownToTheComputerWithoutSelecting) {
    tree->OnInitialUpdate();
    QTreeWidgetItem* root = tree->GetRootItem();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(root->text(0), "Desktop");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 1);
    QTreeWidgetItem* computer = root->child(0);
    EXPECT_EQ(computer->text(0), "Computer");
    EXPECT_TRUE(computer->isExpanded());
    ASSERT_GE(computer->childCount(), 1);
    EXPECT_EQ(computer->child(0)->text(0), "/");
    EXPECT_FALSE(computer->child(0)->isExpanded());
    EXPECT_EQ(tree->currentItem(), nullptr);
    EXPECT_FALSE(files->GetFolder().IsValid());

    // Focus moving into the tree (a pane's control hidden) selects nothing for the list.
    files->SetFolder(Path());
    QFocusEvent focus(QEvent::FocusIn, Qt::OtherFocusReason);
    QCoreApplication::sendEvent(tree.get(), &focus);
    EXPECT_EQ(files->GetFolder(), Path());
}

TEST_F(TreeTest, FoldersOnlySortedWithButtonsWhereSubFoldersAre) {
    MakeFolder("b");
    MakeFolder("B2");
    MakeFolder("a");
    MakeFolder("a/inner");
    MakeFolder("c");
    MakeFolder("c/.git");  // not shown, so no button for it
    MakeFolder(".hidden");
    temp.Write("file.txt", "not a folder");
    temp.Write("b/file.txt", "not a folder");
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path(), true));
    QTreeWidgetItem* node = Node();
    EXPECT_EQ(Children(node), (std::vector<std::string>{"a", "b", "B2", "c"}));
    // The buttons are worked out off the window thread.
    ASSERT_TRUE(ServeEventsUntil([&] { return !tree->IsProbing(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(Node("a")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_NE(Node("b")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_NE(Node("c")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    // A refresh keeps what was found, so no button comes back meanwhile.
    tree->Refresh();
    EXPECT_NE(Node("b")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    EXPECT_EQ(Node("a")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    // A folder that lost its last folder loses its button once opened.
    ::rmdir(temp.Path("a/inner").c_str());
    Node("a")->setExpanded(true);
    EXPECT_EQ(Node("a")->childCount(), 0);
    EXPECT_NE(Node("a")->childIndicatorPolicy(), QTreeWidgetItem::ShowIndicator);
    // Selecting shows the folder in the file list.
    EXPECT_EQ(files->GetFolder(), Path());
    EXPECT_EQ(tree->GetSelectedPath(), Path());
}

TEST_F(TreeTest, AtStartTheTreeOpensDownToTheStartFolderAndSelectsIt) {
    MakeFolder("deep");
    MakeFolder("deep/er");
    temp.Write("deep/er/page.htm", "<html></html>");
    tree->OnInitialUpdate();
    tree->ShowStartFolder(Path("deep/er"));
    QTreeWidgetItem* node = Node("deep/er");
    ASSERT_NE(node, nullptr);
    EXPECT_EQ(tree->currentItem(), node);
    EXPECT_TRUE(node->isSelected());
    EXPECT_TRUE(Node("deep")->isExpanded());
    EXPECT_EQ(files->GetFolder(), Path("deep/er"));
    ASSERT_TRUE(WaitLoaded(*files));
    EXPECT_EQ(files->count(), 1);
}

TEST_F(TreeTest, SelectPathFindsAFolderMadeAfterTheFillThroughOneRefresh) {
    MakeFolder("old");
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("old"), true));
    const int refreshes = tree->GetRefreshCount();
    EXPECT_EQ(refreshes, 0);

    MakeFolder("old/new");
    EXPECT_TRUE(tree->SelectPath(Path("old/new"), true));
    EXPECT_EQ(tree->GetRefreshCount(), 1);
    EXPECT_EQ(tree->GetSelectedPath(), Path("old/new"));
    EXPECT_EQ(files->GetFolder(), Path("old/new"));

    // A folder that is not there: the search stops at the deepest match, which is selected.
    PidlPath gone = Path("old/new");
    MakeFolder("old/new/doomed");
    const PidlPath doomed = Path("old/new/doomed");
    ::rmdir(temp.Path("old/new/doomed").c_str());
    EXPECT_FALSE(tree->SelectPath(doomed, true));
    EXPECT_EQ(tree->GetRefreshCount(), 2);
    EXPECT_EQ(tree->GetSelectedPath(), gone);

    // The Desktop selects the root.
    PidlPath desktop;
    desktop.SetDesktop();
    EXPECT_TRUE(tree->SelectPath(desktop, true));
    EXPECT_EQ(tree->currentItem(), tree->GetRootItem());
}

TEST_F(TreeTest, NewFoldersFromOutsideRefreshOnceKeepingExpansionAndSelection) {
    drives.push_back({temp.path(), sh::DriveKind::Fixed});
    MakeFolder("open");
    MakeFolder("open/chosen");
    MakeFolder("shut");
    MakeFolder("shut/inner");
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("open/chosen"), true));
    ASSERT_EQ(tree->Watchers().GetRoots(), std::vector<std::string>{temp.path()});
    ServeEventsFor(100);
    ASSERT_EQ(tree->GetRefreshCount(), 0);

    // One burst: the watcher waits for 50 ms without a change before it tells. A machine
    // that stalls this thread longer than that between two folders makes two bursts, and
    // the second may come after the refresh of the first.
    const auto burstStart = std::chrono::steady_clock::now();
    for (int i = 0; i < 10; ++i) MakeFolder("open/new" + std::to_string(i));
    const bool oneBurst =
        std::chrono::steady_clock::now() - burstStart < std::chrono::milliseconds(50);
    ASSERT_TRUE(ServeEventsUntil([this] { return tree->GetRefreshCount() >= 1; }));
    ServeEventsFor(300);
    if (oneBurst) {
        EXPECT_EQ(tree->GetRefreshCount(), 1);
    } else {
        EXPECT_LE(tree->GetRefreshCount(), 2)
            << "the folders took longer than the watcher's quiet time";
    }
    EXPECT_EQ(Children(Node("open")).size(), 11u);
    EXPECT_TRUE(Node("open")->isExpanded());
    EXPECT_FALSE(Node("shut")->isExpanded());
    EXPECT_EQ(tree->GetSelectedPath(), Path("open/chosen"));

    // The folders loaded by the refresh are watched too.
    const int refreshes = tree->GetRefreshCount();
    MakeFolder("open/new3/deeper");
    EXPECT_TRUE(ServeEventsUntil([&] { return tree->GetRefreshCount() == refreshes + 1; }))
        << tree->GetRefreshCount() << " refreshes, " << refreshes << " before the deeper folder";
    EXPECT_NE(Node("open/new3"), nullptr);
}

TEST_F(TreeTest, ExpandingADiscDriveRebuildsTheTreeOnlyWhenTheDiscChanged) {
    MakeFolder("cd");
    MakeFolder("cd/track");
    drives.push_back({temp.Path("cd"), sh::DriveKind::CdRom});
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("cd"), true));
    ServeEventsFor(50);
    EXPECT_EQ(tree->GetRefreshCount(), 0);
    EXPECT_EQ(Children(Node("cd")), std::vector<std::string>{"track"});

    // The same disc: only the drive's node is listed again.
    MakeFolder("cd/extra");
    MakeFolder("elsewhere");
    Node("cd")->setExpanded(false);
    Node("cd")->setExpanded(true);
    ServeEventsFor(50);
    EXPECT_EQ(tree->GetRefreshCount(), 0);
    EXPECT_EQ(Children(Node("cd")), (std::vector<std::string>{"extra", "track"}));
    EXPECT_EQ(Node("elsewhere"), nullptr);

    // Another disc: the whole tree is built anew and the drive opened again.
    volume = "second";
    Node("cd")->setExpanded(false);
    Node("cd")->setExpanded(true);
    ASSERT_TRUE(ServeEventsUntil([this] { return tree->GetRefreshCount() == 1; }));
    EXPECT_NE(Node("elsewhere"), nullptr);
    ASSERT_NE(Node("cd"), nullptr);
    EXPECT_TRUE(Node("cd")->isExpanded());
    EXPECT_EQ(tree->GetSelectedPath(), Path("cd"));

    // A drive whose medium cannot be read is rebuilt each time, without looping.
    volume.reset();
    Node("cd")->setExpanded(false);
    Node("cd")->setExpanded(true);
    ASSERT_TRUE(ServeEventsUntil([this] { return tree->GetRefreshCount() >= 2; }))
        << tree->GetRefreshCount() << " refreshes";
    ServeEventsFor(200);
    EXPECT_EQ(tree->GetRefreshCount(), 2);
}

// The texts of the rows the tree shows, top to bottom.
std::vector<std::string> RowsInView(const DriveView& tree) {
    std::vector<std::string> rows;
    const int height = tree.viewport()->height();
    for (QTreeWidgetItem* at = tree.itemAt(QPoint(1, 1)); at != nullptr; at = tree.itemBelow(at)) {
        if (tree.visualItemRect(at).top() >= height) break;
        rows.push_back(at->text(0).toStdString());
    }
    return rows;
}

TEST_F(TreeTest, FoldersMadeAndRemovedOutsideLeaveTheRowsInViewAndTheSelectionInPlace) {
    drives.push_back({temp.path(), sh::DriveKind::Fixed});
    MakeFolder("open");
    char name[16];
    for (int i = 0; i < 40; ++i) {
        std::snprintf(name, sizeof name, "f%02d", i);
        MakeFolder(std::string("open/") + name);
    }
    tree->resize(300, 200);
    tree->show();
    tree->OnInitialUpdate();
    ASSERT_TRUE(tree->SelectPath(Path("open/f20"), true));
    tree->scrollToItem(Node("open/f14"), QAbstractItemView::PositionAtTop);
    ASSERT_TRUE(ServeEventsUntil([this] { return !tree->IsProbing(); })) << "the probe's answers";
    const std::vector<std::string> before = RowsInView(*tree);
    ASSERT_GE(before.size(), 5u);
    ASSERT_EQ(before.front(), "f14");
    const QPoint neighbour = tree->visualItemRect(Node("open/f17")).center();

    // Above the rows in view: one folder comes, two go, one of them the row just above.
    int refreshes = tree->GetRefreshCount();
    MakeFolder("open/a new one");
    ASSERT_TRUE(ServeEventsUntil([&] { return tree->GetRefreshCount() > refreshes; }))
        << "the refresh after a folder was made";
    ASSERT_TRUE(ServeEventsUntil([this] { return !tree->IsProbing(); })) << "the probe's answers";
    EXPECT_EQ(RowsInView(*tree), before);
    refreshes = tree->GetRefreshCount();
    ASSERT_EQ(::rmdir(temp.Path("open/f02").c_str()), 0);
    ASSERT_EQ(::rmdir(temp.Path("open/f13").c_str()), 0);
    ASSERT_TRUE(ServeEventsUntil([&] { return tree->GetRefreshCount() > refreshes; }))
        << "the refresh after folders were removed";
    ASSERT_TRUE(ServeEventsUntil([this] { return !tree->IsProbing(); })) << "the probe's answers";
    EXPECT_EQ(RowsInView(*tree), before);
    EXPECT_EQ(tree->GetSelectedPath(), Path("open/f20"));

    // The top row gone itself: the rows after it stay, the one above comes into its place.
    refreshes = tree->GetRefreshCount();
    ASSERT_EQ(::rmdir(temp.Path("open/f14").c_str()), 0);
    ASSERT_TRUE(ServeEventsUntil([&] { return tree->GetRefreshCount() > refreshes; }))
        << "the refresh after the top row's folder was removed";
    const std::vector<std::string> after = RowsInView(*tree);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_EQ(after.front(), "f12");
    EXPECT_TRUE(std::equal(after.begin() + 1, after.end(), before.begin() + 1));

    // A click lands on the row that was under it before.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, neighbour);
    EXPECT_EQ(tree->GetSelectedPath(), Path("open/f17"));
}

}  // namespace
