#include <gtest/gtest.h>

#include <QDialog>
#include <QElapsedTimer>
#include <QTimer>

#include "studio/shell/app/MainFrame.h"
#include "studio/shell/viewer/RedrawLock.h"
#include "studio/shell/viewer/SiteViewerControl.h"
#include "studio/shell/viewer/Vantelo.h"
#include "studio/shell/viewer/VanteloView.h"
#include "studio/shell/viewer/WebBrowser2.h"
#include "testing/StudioTestRig.h"

namespace {

using testing_support::FakeBrowser;
using testing_support::FakeViewerControl;
using Calls = std::vector<std::string>;

class ViewerPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(rig.Start());
        ASSERT_NE(rig.frame(), nullptr);
        view = rig.frame()->GetVanteloView();
        viewer = rig.viewerControl();
        browser = rig.browser();
        ASSERT_NE(view, nullptr);
        ASSERT_NE(viewer, nullptr);
        ASSERT_NE(browser, nullptr);
        // The info pane's first show leaves a blank page loading; each test starts from a
        // browser at rest.
        browser->FinishLoad();
        browser->navigations.clear();
    }

    testing_support::StudioTestRig rig;
    VanteloView* view = nullptr;
    FakeViewerControl* viewer = nullptr;
    FakeBrowser* browser = nullptr;
};

TEST_F(ViewerPaneTest, StartShowsTheStartImageInTheViewerControl) {
    EXPECT_EQ(viewer->calls, (Calls{"Fit 304", "BgColor 0xFFFFFF",
                                    "Filename " + rig.dataFolder() + "AppData/StartImage.jpg"}));
    EXPECT_TRUE(view->IsFirstShow());
    EXPECT_EQ(view->GetShownControl(), 0);
    EXPECT_EQ(view->GetViewerFileName(), rig.dataFolder() + "AppData/StartImage.jpg");
}

TEST_F(ViewerPaneTest, ShowImageSetsColourFitAndThenTheFile) {
    viewer->calls.clear();
    EXPECT_FALSE(view->ShowImage(nullptr));
    EXPECT_TRUE(view->ShowImage(""));
    EXPECT_TRUE(viewer->calls.empty());
    EXPECT_TRUE(view->IsFirstShow());

    EXPECT_TRUE(view->ShowImage("/pictures/A.jpg"));
    EXPECT_EQ(viewer->calls, (Calls{"BgColor 0xFFFFFF", "Fit 304", "Filename /pictures/A.jpg"}));
    EXPECT_FALSE(view->IsFirstShow());
    EXPECT_EQ(view->GetShownControl(), 0);

    viewer->calls.clear();
    view->Fullscreen();
    EXPECT_EQ(viewer->calls, (Calls{"Fullscreen 1"}));
}

TEST_F(ViewerPaneTest, TheShownControlCoversThePaneAndTheOtherShrinksToOnePixel) {
    view->resize(400, 300);
    const QRect whole = view->rect();
    EXPECT_EQ(view->viewer()->geometry(), whole);
    EXPECT_EQ(view->browser()->geometry(), QRect(0, 0, 1, 1));

    view->SetShownControl(1);
    EXPECT_EQ(view->GetShownControl(), 1);
    EXPECT_EQ(view->browser()->geometry(), whole);
    EXPECT_EQ(view->viewer()->geometry(), QRect(0, 0, 1, 1));
    EXPECT_TRUE(view->viewer()->isHidden());

    // Asking for the shown control again changes nothing.
    view->viewer()->setGeometry(5, 5, 10, 10);
    view->SetShownControl(1);
    EXPECT_EQ(view->viewer()->geometry(), QRect(5, 5, 10, 10));

    view->SetShownControl(0);
    EXPECT_FALSE(view->viewer()->isHidden());
    EXPECT_EQ(view->viewer()->geometry(), whole);
    EXPECT_EQ(view->browser()->geometry(), QRect(0, 0, 1, 1));
}

TEST_F(ViewerPaneTest, PagesLoadWithReadyStatesAndReportTheirEnd) {
    int loaded = 0;
    view->SetPageLoadedHandler([&] { ++loaded; });
    EXPECT_TRUE(view->IsPageReady());

    EXPECT_TRUE(view->Navigate("file:///Pages/Index.HTM"));
    EXPECT_FALSE(view->IsPageReady());
    browser->title = "Index";
    browser->FinishLoad();
    EXPECT_EQ(loaded, 1);
    EXPECT_TRUE(view->IsPageReady());
    EXPECT_EQ(view->GetPageUrl(), "file:///pages/index.htm");
    EXPECT_EQ(view->GetPageTitle(), "Index");

    view->StopPage();
    EXPECT_EQ(browser->stops, 1);
    EXPECT_EQ(browser->navigations, (Calls{"file:///Pages/Index.HTM"}));
}

TEST_F(ViewerPaneTest, ViewerEventsReportThePosition) {
    std::vector<std::vector<float>> reported;
    view->SetPositionHandler([&](float x, float y, float z) { reported.push_back({x, y, z}); });
    viewer->FireChangedPos(1.5f, 2, 0.25f);
    viewer->FireOnLoad(30, 40, 2);
    EXPECT_EQ(reported, (std::vector<std::vector<float>>{{1.5f, 2, 0.25f}, {30, 40, 2}}));
}

TEST_F(ViewerPaneTest, PagePositionIsTheViewersCentre) {
    browser->hasViewer = true;
    browser->viewer = {640, 480, 10, 20, 2};
    Vector3 position;
    ASSERT_TRUE(view->GetPagePosition(position));
    EXPECT_EQ(position, Vector3(170, 140, 2));
    EXPECT_TRUE(view->FindPageViewer());
    EXPECT_TRUE(view->SetPageFit(304));
    EXPECT_TRUE(view->SetPagePosition(Vector3(170, 140, 2)));
    EXPECT_EQ(browser->scripts.size(), 4u);

    browser->hasViewer = false;
    EXPECT_FALSE(view->FindPageViewer());
    EXPECT_FALSE(view->GetPagePosition(position));
    EXPECT_EQ(position, Vector3(170, 140, 2));
}

TEST_F(ViewerPaneTest, AZoomOfZeroIsNeitherReadNorWritten) {
    browser->hasViewer = true;
    browser->viewer = {640, 480, 10, 20, 0};
    Vector3 position(1, 2, 3);
    EXPECT_FALSE(view->GetPagePosition(position));
    EXPECT_EQ(position, Vector3(1, 2, 3));

    browser->scripts.clear();
    EXPECT_FALSE(view->SetPagePosition(Vector3(170, 140, 0)));
    EXPECT_FALSE(view->SetPagePosition(Vector3(170, 140, -1)));
    EXPECT_TRUE(browser->scripts.empty());
}

TEST_F(ViewerPaneTest, APageThatDoesNotAnswerReadsAsNoViewerAndBlocksNoSecondWait) {
    browser->silent = true;
    bool nestedAnswer = true;
    // A timer that fires during the wait tries a second query: it must not start.
    QTimer::singleShot(50, view, [&] { nestedAnswer = view->FindPageViewer(); });
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(view->FindPageViewer());
    EXPECT_LT(clock.elapsed(), 10000);
    EXPECT_FALSE(nestedAnswer);
    EXPECT_EQ(browser->scripts.size(), 1u);

    // A late answer finds nobody waiting, and the next query runs again.
    browser->silent = false;
    browser->hasViewer = true;
    browser->viewer = {100, 100, 0, 0, 1};
    EXPECT_TRUE(view->FindPageViewer());
}

TEST_F(ViewerPaneTest, RedrawLockNestsAndLeavesTopLevelWindowsPainting) {
    CMainFrame* frame = rig.frame();
    QDialog busy(frame);
    busy.show();
    ASSERT_TRUE(frame->updatesEnabled());

    LockRedraw();
    LockRedraw();
    UnlockRedraw();
    EXPECT_FALSE(frame->updatesEnabled());
    EXPECT_FALSE(view->updatesEnabled());
    EXPECT_TRUE(busy.updatesEnabled());
    UnlockRedraw();
    EXPECT_TRUE(frame->updatesEnabled());
    EXPECT_TRUE(view->updatesEnabled());
    // An unlock too many is ignored: the next lock still switches painting off.
    UnlockRedraw();
    EXPECT_EQ(GetRedrawLockCount(), 0);
    {
        RedrawLockScope scope;
        EXPECT_FALSE(frame->updatesEnabled());
    }
    EXPECT_TRUE(frame->updatesEnabled());
}

}  // namespace

namespace {

// The test server registered for the viewer's class makes objects that are no control: the
// site-backed maker gives none, and the pane goes on without one.
TEST(ViewerPaneWithoutControls, EveryCallDoesNothingAndReadsGiveEmptyOrFalse) {
    testing_support::StudioTestRig rig;
    QWidget parent;
    EXPECT_EQ(MakeSiteViewerControl(&parent), nullptr);
    EXPECT_TRUE(parent.children().isEmpty());

    ViewerPaneControls none;
    none.makeViewer = [](QWidget*) { return nullptr; };
    none.makeBrowser = [](QWidget*) { return nullptr; };
    VanteloView view(none);
    EXPECT_FALSE(view.viewer()->HasControl());
    EXPECT_FALSE(view.browser()->HasBrowser());
    EXPECT_TRUE(view.ShowImage("/pictures/a.jpg"));
    view.ShowStartImage();
    view.Fullscreen();
    EXPECT_EQ(view.GetViewerFileName(), "");
    float x = 5;
    float y = 5;
    float z = 5;
    EXPECT_FALSE(view.viewer()->GetPosition(x, y, z));
    EXPECT_EQ(x, 5);
    EXPECT_TRUE(view.Navigate("about:blank"));
    view.StopPage();
    EXPECT_TRUE(view.IsPageReady());
    EXPECT_EQ(view.GetPageUrl(), "");
    EXPECT_EQ(view.GetPageTitle(), "");
    Vector3 position;
    EXPECT_FALSE(view.FindPageViewer());
    EXPECT_FALSE(view.GetPagePosition(position));
    EXPECT_FALSE(view.SetPagePosition(Vector3(1, 1, 1)));
}

}  // namespace
