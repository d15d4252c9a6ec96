#include <filesystem>
#include <string>
#include <vector>

#include <QApplication>
#include <QMenuBar>
#include <QStatusBar>

#include <gtest/gtest.h>

#include "platform/registry/Registry.h"
#include "studio/core/DataFolder.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/app/AboutDlg.h"
#include "studio/shell/app/KivoApp.h"
#include "studio/shell/app/KivoModule.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/tree/DriveView.h"
#include "testing/StudioEnvironment.h"
#include "testing/StudioTestRig.h"
#include "testing/TempDir.h"

namespace {

using platform::RegHive;
using platform::RegKey;
using platform::RegResult;
using testing_support::StudioTestRig;

std::optional<std::string> AppIdValue(const char* key, const char* value) {
    RegKey found;
    if (RegKey::Open(platform::Registry::Default(), RegHive::ClassesRoot,
                     std::string("AppID\\") + key, found) != RegResult::Ok) {
        return std::nullopt;
    }
    return found.GetString(value);
}

// Left switched off: the first probe fails, the second after switching on succeeds.
void ExpectStartSwitchesTheControlBackOn(StudioTestRig& rig) {
    ASSERT_TRUE(SetViewerControlEnabled(false));
    ASSERT_TRUE(rig.Start());
    EXPECT_NE(rig.frame(), nullptr);
    EXPECT_FALSE(IsViewerControlDisabled());
    EXPECT_EQ(rig.Stop(), 0);
    EXPECT_TRUE(rig.prompts().calls().empty());
}

TEST(StudioStart, RegistrationSwitchesEndWithoutAWindowAndOtherLinesStart) {
    StudioTestRig rig;
    ASSERT_FALSE(rig.Start({"/RegServer"}));
    EXPECT_EQ(rig.frame(), nullptr);
    EXPECT_EQ(rig.Stop(), 0);
    EXPECT_EQ(AppIdValue(CKivoModule::kAppId, ""), "Kivo");
    EXPECT_EQ(AppIdValue("Kivo.EXE", "AppID"), CKivoModule::kAppId);

    for (const std::vector<std::string>& line :
         {std::vector<std::string>{"-regserver", "/x"}, {"x/RegServer"}, {}}) {
        ASSERT_TRUE(rig.Start(line)) << JoinCommandLine(line);
        EXPECT_NE(rig.frame(), nullptr) << JoinCommandLine(line);
        EXPECT_EQ(rig.Stop(), 0);
    }

    ASSERT_FALSE(rig.Start({"/x", "-UnregServer"}));
    EXPECT_EQ(rig.frame(), nullptr);
    EXPECT_EQ(rig.Stop(), 0);
    EXPECT_EQ(AppIdValue(CKivoModule::kAppId, ""), std::nullopt);
    EXPECT_EQ(AppIdValue("Kivo.EXE", "AppID"), std::nullopt);
    RegKey appIds;
    EXPECT_EQ(RegKey::Open(platform::Registry::Default(), RegHive::ClassesRoot, "AppID", appIds),
              RegResult::Ok);

    // An automation start shows nothing and has nothing to serve.
    EXPECT_TRUE(rig.Start({"-Embedding"}));
    EXPECT_EQ(rig.frame(), nullptr);
    EXPECT_EQ(rig.Stop(), 0);
    EXPECT_TRUE(rig.prompts().calls().empty());
}

TEST(StudioStart, TheViewerControlIsSwitchedBackOnOrItsAbsenceEndsTheStart) {
    StudioTestRig rig;
    ExpectStartSwitchesTheControlBackOn(rig);

    // Registered but not there, and switched off: the box, status 1, and the
    // registration switched back on at exit.
    ASSERT_TRUE(testing_support::RegisterViewerControl("/nonexistent/libVantelo.so"));
    ASSERT_TRUE(SetViewerControlEnabled(false));
    EXPECT_TRUE(rig.Start());
    EXPECT_EQ(rig.frame(), nullptr);
    ASSERT_EQ(rig.prompts().calls().size(), 1u);
    EXPECT_EQ(rig.prompts().calls()[0].text,
              "You must Install vantelo before you can run Vantelo Studio!");
    EXPECT_EQ(rig.prompts().calls()[0].caption, "Error");
    EXPECT_FALSE(rig.prompts().calls()[0].hasOwner);
    EXPECT_EQ(rig.Stop(), 1);
    EXPECT_FALSE(IsViewerControlDisabled());

    // Not registered at all.
    ASSERT_TRUE(testing_support::RegisterViewerControl(""));
    EXPECT_TRUE(rig.Start());
    EXPECT_EQ(rig.frame(), nullptr);
    EXPECT_EQ(rig.prompts().calls().size(), 2u);
    EXPECT_EQ(rig.Stop(), 1);
}

TEST(StudioStart, TheBuiltViewerControlPassesTheProbe) {
    StudioTestRig rig;
    testing_support::TempDir folder;
    // A copy of its own, so that removing it leaves the built library alone.
    const std::string copy = folder.Path("Vantelo.so");
    std::filesystem::copy_file(VANTELO_VIEWER_CONTROL, copy);
    ASSERT_TRUE(testing_support::RegisterViewerControl(VANTELO_VIEWER_CONTROL));
    ASSERT_TRUE(rig.Start());
    EXPECT_NE(rig.frame(), nullptr);
    EXPECT_EQ(rig.Stop(), 0);

    ExpectStartSwitchesTheControlBackOn(rig);

    ASSERT_TRUE(testing_support::RegisterViewerControl(copy));
    std::filesystem::remove(copy);
    EXPECT_TRUE(rig.Start());
    EXPECT_EQ(rig.frame(), nullptr);
    ASSERT_EQ(rig.prompts().calls().size(), 1u);
    EXPECT_EQ(rig.prompts().calls()[0].caption, "Error");
    EXPECT_EQ(rig.Stop(), 1);
}

TEST(StudioStart, TheFrameShowsTitleMenusStatusBarAndPanes) {
    StudioTestRig rig;
    ASSERT_TRUE(rig.Start());
    CMainFrame* frame = rig.frame();
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(frame->windowTitle(), "Vistrel 2");
    EXPECT_TRUE(frame->isVisible());
    EXPECT_FALSE(frame->windowIcon().isNull());
    EXPECT_EQ(GetDataFolder(), rig.dataFolder());
    // The splash went when start-up was done.
    EXPECT_EQ(frame->GetSplash(), nullptr);

    EXPECT_EQ(frame->statusBar()->objectName(), "59393");
    EXPECT_EQ(frame->statusBar()->currentMessage(), "Ready");
    QStringList menus;
    for (QAction* action : frame->menuBar()->actions()) menus << action->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Edit", "&View", "&Help"}));

    for (const char* pane : {"DriveView", "FileView", "InfoView", "VanteloView"}) {
        EXPECT_NE(frame->findChild<QWidget*>(pane), nullptr) << pane;
    }
    EXPECT_EQ(frame->GetRouter().GetActivePane(), 0);
    EXPECT_EQ(frame->GetRouter().GetPaneCount(), 4);

    // The status bar hides and comes back with its check mark.
    CommandRouter& router = frame->GetRouter();
    CmdUI shown(kStatusBar);
    router.Update(shown);
    EXPECT_TRUE(shown.IsEnabled());
    EXPECT_EQ(shown.GetCheck(), true);
    EXPECT_TRUE(router.Invoke(kStatusBar));
    EXPECT_TRUE(frame->statusBar()->isHidden());
    CmdUI hidden(kStatusBar);
    router.Update(hidden);
    EXPECT_EQ(hidden.GetCheck(), false);
    router.Invoke(kStatusBar);
    EXPECT_FALSE(frame->statusBar()->isHidden());

    // Exit closes the window.
    EXPECT_TRUE(router.Invoke(kExit));
    EXPECT_FALSE(frame->isVisible());
    EXPECT_EQ(rig.Stop(), 0);
}

TEST(StudioStart, TheAboutBoxShowsTheVersionLine) {
    StudioTestRig rig;
    ASSERT_TRUE(rig.Start());
    QString title, version, empty, credit;
    bool timedOut = false;
    testing_support::DriveNextDialog(
        [&](testing_support::DialogDriver& about) {
            title = about.dialog()->windowTitle();
            version = about.Text(1195);
            empty = about.Text(1196);
            credit = about.Text(1249);
            about.Press(1);
        },
        30000, &timedOut);
    // Through the route, as the menu item goes: the application answers 57664.
    EXPECT_TRUE(rig.frame()->GetRouter().Invoke(kAbout));
    EXPECT_FALSE(timedOut);
    EXPECT_EQ(title, "About Vistrel 2");
    EXPECT_EQ(version, "Vistrel, version 2.30 - Sep 24 2007");
    EXPECT_TRUE(empty.isEmpty());
    EXPECT_TRUE(credit.contains("OpenJPEG"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

}  // namespace
