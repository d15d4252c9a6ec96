#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "studio/shell/commands/AcceleratorTable.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/CommandRouter.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/commands/MenuTable.h"
#include "studio/shell/commands/StringTable.h"
#include "testing/DebugCapture.h"

namespace {

// A stand-in target that records which of its ids ran.
class Recorder : public CommandTarget {
public:
    explicit Recorder(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log) {}
    void Handle(int id, bool enabled = true) {
        Map(
            id, [this, id] { log_.push_back(name_ + ":" + std::to_string(id)); },
            [enabled](CmdUI& ui) { ui.Enable(enabled); });
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

class CommandRouterTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (Recorder* pane : {&files, &info}) router.AddPane(pane);
        router.SetFrame(&frame);
        router.SetApplication(&app);
    }

    std::vector<std::string> log;
    Recorder files{"files", log}, info{"info", log}, frame{"frame", log}, app{"app", log};
    CommandRouter router;
};

TEST_F(CommandRouterTest, TheFirstTargetOnTheRouteThatHandlesAnIdWins) {
    files.Handle(kEditCopy);
    frame.Handle(kEditCopy);
    frame.Handle(kSelectAll);
    app.Handle(kSelectAll);
    app.Handle(kAbout);
    // The info pane greys Delete, although the frame would run it.
    info.Map(kEditDelete, {}, [](CmdUI& ui) { ui.Enable(false); });
    frame.Handle(kEditDelete);

    ASSERT_EQ(router.GetActivePane(), 0);
    EXPECT_TRUE(router.Invoke(kEditCopy));
    EXPECT_TRUE(router.Invoke(kSelectAll));
    EXPECT_TRUE(router.Invoke(kAbout));
    router.SetActivePane(1);
    EXPECT_TRUE(router.Invoke(kEditCopy));
    EXPECT_FALSE(router.Invoke(kEditDelete));
    EXPECT_EQ(log,
              (std::vector<std::string>{"files:57634", "frame:57642", "app:57664", "frame:57634"}));
}

TEST_F(CommandRouterTest, AnIdNobodyHandlesIsGreyedAndADisabledIdDoesNotRunFromAMenu) {
    CmdUI nobody(kUndo);
    EXPECT_FALSE(router.Update(nobody));
    EXPECT_FALSE(nobody.IsEnabled());
    EXPECT_FALSE(router.Invoke(kUndo));
    EXPECT_FALSE(router.Route(kUndo));

    files.Handle(kEditDelete, false);
    EXPECT_FALSE(router.IsEnabled(kEditDelete));
    EXPECT_FALSE(router.Invoke(kEditDelete));
    EXPECT_TRUE(log.empty());
    // Routing without the check is what a caller that has decided uses.
    EXPECT_TRUE(router.Route(kEditDelete));
    EXPECT_EQ(log, (std::vector<std::string>{"files:32776"}));

    // A run entry without an update entry is always enabled; check and text pass through.
    frame.Map(kRefresh, [] {});
    frame.Map(
        kShowFileviews, [] {},
        [](CmdUI& ui) {
            ui.SetCheck(true);
            ui.SetText("Shown");
        });
    EXPECT_TRUE(router.IsEnabled(kRefresh));
    CmdUI toggle(kShowFileviews);
    EXPECT_TRUE(router.Update(toggle));
    EXPECT_EQ(toggle.GetCheck(), true);
    EXPECT_EQ(toggle.GetText(), "Shown");
}

TEST_F(CommandRouterTest, NextAndPreviousPaneCycleAndTellTheWindowLayer) {
    CommandRouter four;
    for (Recorder* pane : {&files, &info, &frame, &app}) four.AddPane(pane);
    std::vector<int> told;
    four.SetPaneActivated([&](int index) { told.push_back(index); });
    std::vector<int> seen;
    for (int id : {kNextPane, kNextPane, kNextPane, kNextPane, kPreviousPane, kPreviousPane}) {
        EXPECT_TRUE(four.Invoke(id));
        seen.push_back(four.GetActivePane());
    }
    EXPECT_EQ(seen, (std::vector<int>{1, 2, 3, 0, 3, 2}));
    EXPECT_EQ(told, seen);

    // A pane that handles F6 itself keeps it; a single pane has nowhere to go.
    four.SetActivePane(1);
    info.Handle(kNextPane);
    EXPECT_TRUE(four.Invoke(kNextPane));
    EXPECT_EQ(four.GetActivePane(), 1);
    CommandRouter one;
    one.AddPane(&files);
    EXPECT_FALSE(one.IsEnabled(kNextPane));
}

TEST_F(CommandRouterTest, AThrowingHandlerStopsTheRouteWithoutUnwinding) {
    testing_support::DebugCapture debug;
    files.Map(
        kEditCut, [] { throw std::runtime_error("disk gone"); },
        [](CmdUI&) { throw std::logic_error("no state"); });
    frame.Handle(kEditCut);
    EXPECT_NO_THROW(router.Route(kEditCut));
    EXPECT_NO_THROW(router.IsEnabled(kEditCut));
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(debug.lines().size(), 2u);
}

TEST(CommandTables, MenusShowTheModesTextsAndTheModePopupSitsBeforeView) {
    struct Case {
        int resource;
        const char* save;
        const char* view;
        std::vector<std::string> popups;
    };
    const Case cases[] = {
        {194, "Save", "View selected", {"&File", "&Edit", "&View", "&Help"}},
        {195, "Export HTML", "View", {"&File", "&Edit", "Gallery", "&View", "&Help"}},
        {196, "Save", "View", {"&File", "&Edit", "Animation", "&View", "&Help"}},
        {197, "Export HTML", "View", {"&File", "&Edit", "Vantelify", "&View", "&Help"}},
    };
    for (const Case& c : cases) {
        const std::vector<MenuItem>& menu = GetMenu(c.resource);
        std::vector<std::string> popups;
        for (const MenuItem& popup : menu) popups.push_back(popup.text);
        EXPECT_EQ(popups, c.popups) << c.resource;
        ASSERT_NE(FindMenuItem(menu, kSave), nullptr);
        EXPECT_EQ(FindMenuItem(menu, kSave)->text, c.save) << c.resource;
        EXPECT_EQ(FindMenuItem(menu, kFileOpen)->text, c.view) << c.resource;
        // The New submenu leads the File menu in every mode.
        EXPECT_EQ(menu[0].items[0].text, "New");
        EXPECT_EQ(menu[0].items[0].items.size(), 4u);
    }
    EXPECT_TRUE(GetMenu(128).empty());
    EXPECT_EQ(FindMenuItem(GetMenu(195), kGalleryAddFiles)->text, "Add to gallery\tCtrl+A");
    EXPECT_EQ(FindMenuItem(GetMenu(195), kGalleryDown)->text, "Move down");
    EXPECT_EQ(FindMenuItem(GetMenu(196), kAnimationDelete)->text, "Delete ");
    EXPECT_EQ(FindMenuItem(GetMenu(194), kGalleryAddFiles), nullptr);
}

TEST(CommandTables, KeysGiveTheirIdsOnlyWithExactlyTheirModifiers) {
    struct Case {
        AccelKey key;
        unsigned modifiers;
        int id;
    };
    const Case cases[] = {
        {AccelKey::A, kAccelCtrl, kSelectAll},
        {AccelKey::G, kAccelCtrl, kGalleryAddFiles},
        {AccelKey::Insert, kAccelCtrl, kEditCopy},
        {AccelKey::Insert, kAccelShift, kEditPaste},
        {AccelKey::Delete, kAccelShift, kEditCut},
        {AccelKey::Delete, kAccelNone, kEditDelete},
        {AccelKey::Delete, kAccelCtrl, 0},
        {AccelKey::Backspace, kAccelNone, kGoToParent},
        {AccelKey::Backspace, kAccelAlt, kUndo},
        {AccelKey::F, kAccelCtrl | kAccelShift, kViewFullscreen},
        {AccelKey::F, kAccelCtrl, 0},
        {AccelKey::F6, kAccelShift, kPreviousPane},
        {AccelKey::Break, kAccelCtrl, kStopPage},
        {AccelKey::Enter, kAccelNone, kFileOpen},
        {AccelKey::A, kAccelNone, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FindAccelerator(c.key, c.modifiers), c.id)
            << static_cast<int>(c.key) << "/" << c.modifiers;
    }
    std::set<std::pair<AccelKey, unsigned>> keys;
    for (const Accelerator& entry : GetAcceleratorTable()) {
        EXPECT_TRUE(keys.emplace(entry.key, entry.modifiers).second) << entry.id;
    }
    EXPECT_EQ(keys.size(), 24u);
}

TEST(CommandTables, PromptsKeepTheStudiosOwnWording) {
    EXPECT_EQ(GetStudioString(kFileInfoProperties), "Edit image ITPC info");
    EXPECT_EQ(GetStudioString(kSave), "Export you gallery");
    EXPECT_EQ(GetStudioString(kGalleryDown), "Move the selected down in the gallery file list");
    EXPECT_EQ(GetStudioString(kGalleryConfigure),
              "Change template specific options for this  gallery");
    EXPECT_EQ(GetStudioString(kReadyString), "Ready");
    EXPECT_EQ(GetStudioString(kTitleString), "Vistrel 2");
    EXPECT_EQ(GetStudioString(kFrameTitleString), "Vistrel 2");
    EXPECT_EQ(GetStudioString(kVantelifySetFile), "");
}

}  // namespace
