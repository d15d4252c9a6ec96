#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <QApplication>
#include <QDesktopServices>
#include <QFileInfo>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QSplitterHandle>
#include <QTest>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include "platform/window/ShellOpen.h"
#include "studio/projects/Animation.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/app/FrameSplitter.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/tree/DriveView.h"
#include "studio/shell/tree/DriveWatchers.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/StudioTestRig.h"

namespace {

using platform::PromptAnswer;

// A stand-in for a project's save or close command, switched by the test.
struct StandIn {
    bool enabled = true;
    bool fails = false;
    std::vector<int> runs;
};
StandIn* theStandIn = nullptr;

class StandInCommand final : public Command {
public:
    explicit StandInCommand(int id) : Command(id) {}
    void Execute() override {
        theStandIn->runs.push_back(GetId());
        failed_ = theStandIn->fails;
    }
    bool IsEnabled() override { return theStandIn->enabled; }
};

class NoNavigator final : public PageNavigator {
public:
    bool Navigate(const std::string&) override { return true; }
};
class NoScript final : public PageScriptWriter {
public:
    bool WriteVanteloScript(const std::string&) override { return true; }
};

enum class Project { None, Gallery, Animation, Page, PageAndAnimation };

// Catches what the studio hands to the desktop to open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    std::vector<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.push_back(url); }
};

class MainFrameTest : public ::testing::Test {
protected:
    void SetUp() override {
        theStandIn = &standIn;
        ASSERT_TRUE(rig.Start());
        frame = rig.frame();
        ASSERT_NE(frame, nullptr);
        for (int id : {kGallerySave, kGalleryClose, kAnimationSave, kAnimationClose, kVantelifySave,
                       kVantelifyClose}) {
            GetCommandFactory()->Register(
                id, [id](const CommandContext&) { return std::make_unique<StandInCommand>(id); });
        }
    }
    void TearDown() override {
        CloseOpenProjects();
        rig.Stop();
        theStandIn = nullptr;
    }

    void Open(Project project) {
        CloseOpenProjects();
        if (project == Project::Gallery) SetCurrentGallery(std::make_unique<Gallery>());
        if (project == Project::Animation || project == Project::PageAndAnimation) {
            SetCurrentAnimation(std::make_unique<Animation>());
        }
        if (project == Project::Page || project == Project::PageAndAnimation) {
            SetCurrentVantelifier(std::make_unique<Vantelifier>(navigator, script, PidlPath()));
        }
        frame->SetModeMenu();
    }
    bool Enabled(int id) { return frame->GetRouter().IsEnabled(id); }
    QStringList MenuTitles() {
        QStringList titles;
        for (QAction* action : frame->menuBar()->actions()) titles << action->text();
        return titles;
    }

    StandIn standIn;
    testing_support::StudioTestRig rig;
    CMainFrame* frame = nullptr;
    NoNavigator navigator;
    NoScript script;
};

// The pane's own window as drawn now, with what covers it.
QImage Grab(QWidget* pane) {
    QApplication::processEvents();
    return pane->grab().toImage();
}

TEST_F(MainFrameTest, ThePaneWithTheFocusIsFramedAfterF6AndTab) {
    frame->show();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
    QWidget* panes[] = {frame->GetDriveView(), frame->GetFileView(), frame->GetInfoView()};
    for (QWidget* pane : panes) pane->resize(pane->size().expandedTo(QSize(200, 150)));
    // The list shows two folders, the first one current.
    std::filesystem::create_directories(rig.temp().Path("shown/one"));
    std::filesystem::create_directories(rig.temp().Path("shown/two"));
    // The tree's current node is the top one, drawn in full whatever folder the tests start in;
    // choosing it first leaves the list to show the folder chosen next.
    QTreeWidget* tree = frame->GetDriveView();
    tree->setCurrentItem(tree->topLevelItem(0));
    tree->scrollToTop();
    FileView* list = frame->GetFileView();
    list->SetFolder(PidlPath(rig.temp().Path("shown")));
    for (int turn = 0; turn < 3000 && !(list->IsLoadComplete() && list->count() == 2); ++turn) {
        QTest::qWait(10);
    }
    ASSERT_EQ(list->count(), 2) << "the two folders in the list";
    list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    // Where the current item of each view is drawn, in the pane, clear of the pane's frame.
    const auto currentItem = [](QAbstractItemView* view) {
        const QRect item = view->visualRect(view->currentIndex());
        return QRect(view->viewport()->mapTo(view, item.topLeft()), item.size())
            .intersected(view->rect().adjusted(3, 3, -3, -3));
    };

    // Each pane as it looks without the focus, then with it: F6 from the tree goes to the
    // list, then to the info pane's sheet.
    ASSERT_GT(currentItem(tree).width(), 8) << "the tree's current node in view";
    frame->GetVanteloView()->setFocus();
    QImage without[3];
    for (int at = 0; at < 3; ++at) without[at] = Grab(panes[at]);
    frame->GetDriveView()->setFocus(Qt::MouseFocusReason);
    QImage with[3];
    with[0] = Grab(panes[0]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    ASSERT_TRUE(frame->GetFileView()->hasFocus());
    with[1] = Grab(panes[1]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    ASSERT_NE(QApplication::focusWidget(), nullptr);
    ASSERT_TRUE(panes[2]->isAncestorOf(QApplication::focusWidget()) ||
                QApplication::focusWidget() == panes[2]);
    with[2] = Grab(panes[2]);
    const QColor highlight = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    for (int at = 0; at < 3; ++at) {
        SCOPED_TRACE(panes[at]->objectName().toStdString());
        EXPECT_NE(with[at], without[at]);
        // The frame runs round the whole pane, in the highlight colour.
        const QPoint middleOfEdges[] = {{with[at].width() / 2, 0},
                                        {with[at].width() / 2, with[at].height() - 1},
                                        {0, with[at].height() / 2},
                                        {with[at].width() - 1, with[at].height() / 2}};
        for (const QPoint& point : middleOfEdges) {
            EXPECT_EQ(with[at].pixelColor(point), highlight) << point.x() << "," << point.y();
            EXPECT_NE(without[at].pixelColor(point), highlight) << point.x() << "," << point.y();
        }
    }
    // The current items of the tree and the list show the focus too.
    EXPECT_NE(with[0].copy(currentItem(tree)), without[0].copy(currentItem(tree)));
    EXPECT_NE(with[1].copy(currentItem(list)), without[1].copy(currentItem(list)));
    // The list, left with F6, is drawn as before it had the focus.
    EXPECT_EQ(Grab(panes[1]), without[1]);

    // Tab moves the focus on within the sheet; the pane keeps its frame.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(Grab(panes[2]).pixelColor(0, panes[2]->height() / 2), highlight);
    // A click elsewhere takes the frame along; F6 from the viewer pane brings it to the tree.
    frame->GetVanteloView()->setFocus(Qt::MouseFocusReason);
    EXPECT_EQ(Grab(panes[2]), without[2]);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_F6);
    EXPECT_TRUE(frame->GetDriveView()->hasFocus());
    EXPECT_EQ(Grab(panes[0]).pixelColor(0, panes[0]->height() / 2), highlight);
}

TEST_F(MainFrameTest, MenusFollowTheOpenProjectAndCloseAndSaveGoToItsCommands) {
    struct Case {
        Project project;
        int mode;
        QString popup;
        int close;
        int save;
    };
    const Case cases[] = {
        {Project::Gallery, 1, "Gallery", kGalleryClose, kGallerySave},
        {Project::Animation, 2, "Animation", kAnimationClose, kAnimationSave},
        {Project::Page, 3, "Vantelify", kVantelifyClose, kVantelifySave},
    };
    for (const Case& c : cases) {
        Open(c.project);
        EXPECT_EQ(frame->GetMode(), c.mode);
        EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&Edit", c.popup, "&View", "&Help"}));
        standIn.runs.clear();
        standIn.enabled = true;
        EXPECT_TRUE(Enabled(kClose) && Enabled(kSave));
        EXPECT_TRUE(frame->GetRouter().Invoke(kClose));
        EXPECT_TRUE(frame->GetRouter().Invoke(kSave));
        EXPECT_EQ(standIn.runs, (std::vector<int>{c.close, c.save}));
        standIn.enabled = false;
        EXPECT_FALSE(Enabled(kClose) || Enabled(kSave));
    }

    Open(Project::None);
    standIn.enabled = true;
    EXPECT_EQ(frame->GetMode(), 0);
    EXPECT_EQ(MenuTitles(), (QStringList{"&File", "&Edit", "&View", "&Help"}));
    EXPECT_FALSE(Enabled(kClose));
    EXPECT_FALSE(Enabled(kSave));
}

TEST_F(MainFrameTest, ClosingAsksAboutUnsavedWorkAndKeepsItWhenTheSaveFails) {
    struct Case {
        const char* name;
        Project project;
        bool saveEnabled;
        std::optional<PromptAnswer> answer;  // none: nothing is asked
        bool saveFails;
        bool closes;
        std::vector<int> saves;
    };
    const Case cases[] = {
        {"no project", Project::None, true, {}, false, true, {}},
        {"nothing to export", Project::Gallery, false, {}, false, true, {}},
        {"cancel", Project::Gallery, true, PromptAnswer::Cancel, false, false, {}},
        {"no", Project::Gallery, true, PromptAnswer::No, false, true, {}},
        {"yes", Project::Gallery, true, PromptAnswer::Yes, false, true, {kGallerySave}},
        {"yes, save fails", Project::Gallery, true, PromptAnswer::Yes, true, false, {kGallerySave}},
        {"animation", Project::Animation, true, PromptAnswer::Yes, false, true, {kAnimationSave}},
        // The page project is asked about before the animation.
        {"page first",
         Project::PageAndAnimation,
         true,
         PromptAnswer::Yes,
         true,
         false,
         {kVantelifySave}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Open(c.project);
        frame->show();
        standIn = StandIn{c.saveEnabled, c.saveFails, {}};
        const std::size_t asked = rig.prompts().calls().size();
        if (c.answer) rig.prompts().Answer(*c.answer);

        EXPECT_EQ(frame->close(), c.closes);
        EXPECT_EQ(frame->isVisible(), !c.closes);
        EXPECT_EQ(standIn.runs, c.saves);
        ASSERT_EQ(rig.prompts().calls().size(), asked + (c.answer ? 1 : 0));
        if (!c.answer) continue;
        const auto& call = rig.prompts().calls().back();
        EXPECT_EQ(call.caption, "Exit Vistrel 2");
        EXPECT_EQ(call.buttons, platform::MessageButtons::YesNoCancel);
        EXPECT_TRUE(call.hasOwner);
        EXPECT_EQ(call.text.find("before Vistrel 2 Exits?") != std::string::npos, true);
    }
    EXPECT_EQ(rig.prompts().unanswered(), 0);

    // The three questions as the studio words them.
    const std::pair<Project, const char*> texts[] = {
        {Project::Gallery,
         "You have not exported your gallery\nDo you want to export the gallery before Vistrel "
         "2 Exits?"},
        {Project::Page,
         "You have not saved your Vantelified page\nDo you want to save before Vistrel 2 "
         "Exits?"},
        {Project::Animation,
         "You have not saved your Animation\nDo you want to save before Vistrel 2 Exits?"},
    };
    for (const auto& [project, text] : texts) {
        Open(project);
        frame->show();
        standIn = StandIn{};
        rig.prompts().Answer(PromptAnswer::Cancel);
        EXPECT_FALSE(frame->close());
        EXPECT_EQ(rig.prompts().calls().back().text, text);
    }
}

TEST_F(MainFrameTest, ShowFileviewsTwiceAfterADragGivesTheStartHeight) {
    FrameSplitter* splitter = frame->GetSplitter();
    ASSERT_NE(splitter, nullptr);
    QApplication::processEvents();
    const int start = frame->GetSavedRowHeight();
    EXPECT_EQ(splitter->GetRowHeight(), start);
    EXPECT_EQ(splitter->GetColumnWidth(), frame->GetSavedColumnWidth());

    // Drags a handle by `delta` pixels along its splitter, as the mouse would.
    auto drag = [](QSplitterHandle* handle, QPoint delta) {
        const QPoint from(handle->width() / 2, handle->height() / 2);
        const QPoint to = from + delta;
        auto send = [handle](QEvent::Type type, QPoint at, Qt::MouseButton button,
                             Qt::MouseButtons held) {
            QMouseEvent event(type, at, handle->mapToGlobal(at), button, held, Qt::NoModifier);
            QApplication::sendEvent(handle, &event);
        };
        send(QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        send(QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
    };
    drag(splitter->handle(1), QPoint(0, 60));
    EXPECT_EQ(splitter->GetRowHeight(), start + 60);

    CommandRouter& router = frame->GetRouter();
    CmdUI checked(kShowFileviews);
    router.Update(checked);
    EXPECT_EQ(checked.GetCheck(), true);
    router.Invoke(kShowFileviews);
    EXPECT_EQ(splitter->GetRowHeight(), 0);
    CmdUI unchecked(kShowFileviews);
    router.Update(unchecked);
    EXPECT_TRUE(unchecked.IsEnabled());
    EXPECT_EQ(unchecked.GetCheck(), false);
    router.Invoke(kShowFileviews);
    EXPECT_EQ(splitter->GetRowHeight(), start);

    // One column divider: dragging it in one row moves it in the other.
    drag(splitter->GetRow(1)->handle(1), QPoint(-40, 0));
    const int column = frame->GetSavedColumnWidth() - 40;
    EXPECT_EQ(splitter->GetRow(1)->sizes().value(0), column);
    EXPECT_EQ(splitter->GetColumnWidth(), column);
    router.Invoke(kShowInfoviews);
    EXPECT_EQ(splitter->GetRow(1)->sizes().value(0), 0);
    router.Invoke(kShowInfoviews);
    EXPECT_EQ(splitter->GetColumnWidth(), frame->GetSavedColumnWidth());
    EXPECT_EQ(splitter->GetRow(1)->sizes().value(0), frame->GetSavedColumnWidth());
}

TEST_F(MainFrameTest, HelpOpensTheOpenProjectsSectionAndTheProjectPage) {
    UrlCatcher catcher;
    platform::SetAddressOpener([&](std::string_view address) {
        catcher.Open(QUrl(QString::fromUtf8(address.data(), static_cast<int>(address.size()))));
        return true;
    });
    const QString help = QString::fromStdString(rig.dataFolder() + "help/index.htm");
    struct Case {
        Project project;
        QString query;
    };
    const Case cases[] = {{Project::None, ""},
                          {Project::Gallery, "gallery"},
                          {Project::Animation, "animation"},
                          {Project::Page, "vantelifier"}};
    for (const Case& c : cases) {
        Open(c.project);
        catcher.urls.clear();
        EXPECT_TRUE(frame->GetRouter().Invoke(kHelpContents));
        ASSERT_EQ(catcher.urls.size(), 1u);
        EXPECT_EQ(catcher.urls[0].toLocalFile(), help);
        EXPECT_EQ(catcher.urls[0].query(), c.query);
    }
    catcher.urls.clear();
    EXPECT_TRUE(frame->GetRouter().Invoke(kWebSite));
    ASSERT_EQ(catcher.urls.size(), 1u);
    EXPECT_TRUE(QFileInfo(catcher.urls[0].toLocalFile()).isFile());
    platform::SetAddressOpener({});
    const std::size_t asked = rig.prompts().calls().size();

    // No browser can start: each says so instead of nothing happening.
    std::vector<std::string> tried;
    platform::SetAddressOpener([&](std::string_view address) {
        tried.emplace_back(address);
        return false;
    });
    Open(Project::Gallery);
    EXPECT_TRUE(frame->GetRouter().Invoke(kHelpContents));
    EXPECT_TRUE(frame->GetRouter().Invoke(kWebSite));
    platform::SetAddressOpener({});
    ASSERT_EQ(tried.size(), 2u);
    EXPECT_EQ(QUrl(QString::fromStdString(tried[0])).query(), "gallery");
    const auto& calls = rig.prompts().calls();
    ASSERT_EQ(calls.size(), asked + 2);
    EXPECT_EQ(calls[asked].kind, testing_support::ScriptedPrompts::Kind::Message);
    EXPECT_EQ(calls[asked].text, "The page " + help.toStdString() +
                                     " could not be shown: no web browser could be started.");
    EXPECT_NE(calls[asked + 1].text.find("help/project.htm could not be shown"), std::string::npos)
        << calls[asked + 1].text;
    EXPECT_EQ(calls[asked + 1].icon, platform::MessageIcon::Warning);
}

// Chooses an item of a menu of the bar with the mouse, as a user does.
void ChooseFromMenu(QMenuBar* bar, const QString& menuTitle, const QString& itemText) {
    QMenu* menu = nullptr;
    for (QAction* action : bar->actions()) {
        if (action->text() == menuTitle) menu = action->menu();
    }
    ASSERT_NE(menu, nullptr) << menuTitle.toStdString();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(menu->menuAction()).center());
    ASSERT_TRUE(QTest::qWaitFor([&] { return menu->isVisible(); }, 10000))
        << "menu " << menuTitle.toStdString() << " opening";
    for (QAction* action : menu->actions()) {
        if (action->text().section('\t', 0, 0) != itemText) continue;
        ASSERT_TRUE(action->isEnabled()) << itemText.toStdString() << " greyed";
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
        return;
    }
    ADD_FAILURE() << "no item " << itemText.toStdString();
    menu->hide();
}

TEST_F(MainFrameTest, HelpSaysSoWhenTheBrowserRefusesToRun) {
    // The desktop's opener starts a browser that will not run as root, as chromium does.
    const std::string opener = rig.temp().Write(
        "bin/xdg-open",
        "#!/bin/sh\nprintf '%s' \"$1\" > '" + rig.temp().Path("asked") +
            "'\necho 'Running as root without --no-sandbox is not supported.' >&2\nexit 4\n");
    ASSERT_EQ(::chmod(opener.c_str(), 0755), 0);
    const std::string path = std::getenv("PATH") != nullptr ? std::getenv("PATH") : "";
    ::setenv("PATH", (rig.temp().Path("bin") + ":" + path).c_str(), 1);
    const std::size_t asked = rig.prompts().calls().size();
    frame->show();
    ChooseFromMenu(frame->menuBar(), "&Help", "Contents");
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(QUrl(QString::fromStdString(testing_support::ReadFile(rig.temp().Path("asked"))))
                  .toLocalFile()
                  .toStdString(),
              rig.dataFolder() + "help/index.htm");
    const auto& calls = rig.prompts().calls();
    ASSERT_EQ(calls.size(), asked + 1);
    EXPECT_EQ(calls[asked].text, "The page " + rig.dataFolder() +
                                     "help/index.htm could not be shown: no web browser could "
                                     "be started.");
}

TEST_F(MainFrameTest, TheMainMenuOffersTheListsCommandsForItsSelectionWhateverPaneIsActive) {
    // The click below lands on the tree's top node, current whatever folder the tests start in.
    DriveView* tree = frame->GetDriveView();
    tree->setCurrentItem(tree->topLevelItem(0));
    tree->scrollToTop();
    const std::string folder = rig.temp().Path("pictures") + "/";
    std::filesystem::create_directories(folder);
    QImage picture(48, 32, QImage::Format_RGB32);
    picture.fill(QColor(20, 90, 160));
    ASSERT_TRUE(picture.save(QString::fromStdString(folder + "big1.jpg"), "JPG"));
    frame->show();
    FileView* list = frame->GetFileView();
    list->SetFolder(PidlPath(folder));
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->FindItem("big1.jpg") >= 0; }, 20000))
        << "the list showing big1.jpg";
    const QRect item = list->visualItemRect(list->item(list->FindItem("big1.jpg")));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, item.center());
    ASSERT_TRUE(list->item(list->FindItem("big1.jpg"))->isSelected());
    // The focus goes to the folder tree; the list keeps its selection.
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, QPoint(2, 2));
    tree->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return frame->GetRouter().GetActivePane() == 0; }, 10000))
        << "the tree becoming the active pane";
    for (int id : {kFileOpen, kFileInfoProperties}) EXPECT_TRUE(Enabled(id)) << id;

    // Chosen from the menu, the list's picture is what is viewed.
    ChooseFromMenu(frame->menuBar(), "&File", "View selected");
    EXPECT_EQ(frame->GetInfoView()->GetShownFileName(), folder + "big1.jpg");
}

TEST_F(MainFrameTest, TheFolderTreeStartsAtTheComputerAndRefreshesWithTheList) {
    DriveView* tree = frame->GetDriveView();
    ASSERT_EQ(frame->GetSplitter()->GetPane(0, 0), tree);
    QTreeWidgetItem* root = tree->GetRootItem();
    ASSERT_NE(root, nullptr);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_TRUE(root->child(0)->isExpanded());
    EXPECT_TRUE(tree->Watchers().IsRunning());

    // F5 and "Refresh" rebuild the tree, whichever pane is active.
    for (int pane : {0, 1}) {
        frame->GetRouter().SetActivePane(pane);
        const int before = tree->GetRefreshCount();
        EXPECT_TRUE(frame->GetRouter().Invoke(kRefreshKey));
        EXPECT_TRUE(frame->GetRouter().Invoke(kRefresh));
        EXPECT_EQ(tree->GetRefreshCount(), before + 2);
    }

    // Choosing a folder in the tree shows it in the list.
    const PidlPath folder(rig.temp().path());
    ASSERT_TRUE(tree->SelectPath(folder, true));
    EXPECT_EQ(frame->GetFileView()->GetFolder(), folder);
}

}  // namespace

#include "MainFrameTest.moc"
