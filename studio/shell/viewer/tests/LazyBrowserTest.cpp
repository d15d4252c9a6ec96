#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QUrl>
#include <QWidget>

#include "studio/shell/viewer/LazyBrowser.h"
#include "studio/shell/viewer/WebBrowser2.h"
#include "testing/FakeViewerPane.h"
#include "testing/QtTestApp.h"
#include "testing/TempDir.h"

namespace {

using testing_support::FakeBrowser;
using testing_support::ServeEventsUntil;
using testing_support::TempDir;
using Calls = std::vector<std::string>;

// A lazy browser in a pane whose engine is a fake, counting what the engine and the pane see.
struct LazyPane {
    LazyPane() {
        auto owned = std::make_unique<LazyBrowser>(
            [this](QWidget* parent) {
                ++enginesMade;
                engineParent = parent;
                auto made = std::make_unique<FakeBrowser>(parent);
                engine = made.get();
                return made;
            },
            &pane);
        lazy = owned.get();
        browser = new CWebBrowser2(std::move(owned), &pane);
        browser->SetDocumentComplete([this] { ++completed; });
        browser->resize(300, 60);
        pane.show();
    }
    // Serves events until nothing more is pending for the browser.
    void Settle() {
        int rounds = 0;
        ServeEventsUntil([&] { return ++rounds > 3; });
    }

    bool started = (testing_support::TestApplication(), true);
    QWidget pane;
    CWebBrowser2* browser = nullptr;
    LazyBrowser* lazy = nullptr;
    FakeBrowser* engine = nullptr;
    QWidget* engineParent = nullptr;
    int enginesMade = 0;
    int completed = 0;
};

std::string WritePicture(const TempDir& dir, const std::string& name, QColor colour) {
    QImage picture(300, 60, QImage::Format_RGB32);
    picture.fill(colour);
    const std::string path = dir.Path(name);
    EXPECT_TRUE(picture.save(QString::fromStdString(path), "PNG"));
    return path;
}

QRgb ShownColourAt(QWidget& window, QPoint at) {
    return window.grab().toImage().pixel(at);
}

TEST(LazyBrowser, TheBlankPageAndPicturesShowWithoutTheEngineAndEndLikeItsLoads) {
    TempDir dir;
    const std::string picture = WritePicture(dir, "banner.png", QColor(200, 40, 10));
    LazyPane pane;
    QWidget& window = *pane.lazy->widget();

    EXPECT_EQ(pane.browser->GetReadyState(), 0);
    pane.browser->Refresh();
    pane.browser->Stop();
    pane.Settle();
    EXPECT_EQ(pane.completed, 0);

    // The end of a load comes after the caller returned, once.
    pane.browser->Navigate("About:Blank");
    EXPECT_EQ(pane.browser->GetReadyState(), 1);
    EXPECT_EQ(pane.completed, 0);
    pane.Settle();
    EXPECT_EQ(pane.browser->GetReadyState(), 4);
    EXPECT_EQ(pane.completed, 1);
    EXPECT_EQ(pane.browser->GetLocationURL(), "about:blank");
    EXPECT_EQ(ShownColourAt(window, QPoint(150, 30)), qRgb(255, 255, 255));

    // By path and by file address; the picture fills the banner it was made for.
    pane.browser->Navigate(picture);
    pane.Settle();
    EXPECT_EQ(pane.completed, 2);
    const std::string address =
        QUrl::fromLocalFile(QString::fromStdString(picture)).toString().toStdString();
    EXPECT_EQ(pane.browser->GetLocationURL(), address);
    EXPECT_EQ(pane.browser->GetLocationName(), "banner.png (300\u00D760)");
    EXPECT_EQ(ShownColourAt(window, QPoint(1, 1)), qRgb(200, 40, 10));
    EXPECT_EQ(ShownColourAt(window, QPoint(298, 58)), qRgb(200, 40, 10));
    pane.browser->Navigate(address);
    pane.Settle();
    EXPECT_EQ(pane.completed, 3);
    EXPECT_EQ(pane.browser->GetLocationURL(), address);

    // Refresh loads the shown picture again, as it is on disk now.
    WritePicture(dir, "banner.png", QColor(10, 200, 40));
    pane.browser->Refresh();
    pane.Settle();
    EXPECT_EQ(pane.completed, 4);
    EXPECT_EQ(ShownColourAt(window, QPoint(150, 30)), qRgb(10, 200, 40));

    // Of two loads in a row only the second ends.
    pane.browser->Navigate("about:blank");
    pane.browser->Navigate(picture);
    pane.Settle();
    EXPECT_EQ(pane.completed, 5);

    // Neither holds a script to run or anything for one to find.
    pane.browser->Navigate("javascript:alert(1)");
    std::vector<std::string> answers;
    EXPECT_TRUE(pane.browser->RunScript(
        "document.title", [&](const std::string& answer) { answers.push_back(answer); }));
    EXPECT_TRUE(answers.empty());
    pane.Settle();
    EXPECT_EQ(answers, Calls{""});
    EXPECT_EQ(pane.enginesMade, 0);
    EXPECT_EQ(pane.completed, 5);
}

TEST(LazyBrowser, TheFirstPageMakesTheEngineOnceAndItTakesEverythingFromThen) {
    TempDir dir;
    const std::string picture = WritePicture(dir, "banner.png", QColor(200, 40, 10));
    LazyPane pane;
    QWidget& window = *pane.lazy->widget();

    // A load shown here and a script waiting for it are overtaken by the first page.
    pane.browser->Navigate("about:blank");
    std::vector<std::string> answers;
    pane.browser->RunScript("1", [&](const std::string& answer) { answers.push_back(answer); });
    pane.browser->Navigate("/pages/index.htm");
    ASSERT_EQ(pane.enginesMade, 1);
    ASSERT_NE(pane.engine, nullptr);
    EXPECT_TRUE(pane.lazy->HasEngine());
    EXPECT_EQ(pane.engineParent, &window);
    EXPECT_EQ(pane.engine->navigations, Calls{"/pages/index.htm"});
    pane.Settle();
    EXPECT_EQ(pane.completed, 0);
    EXPECT_TRUE(answers.empty());

    // The handler given before the engine came is the engine's.
    EXPECT_EQ(pane.browser->GetReadyState(), 1);
    pane.engine->FinishLoad();
    EXPECT_EQ(pane.completed, 1);
    EXPECT_EQ(pane.browser->GetReadyState(), 4);
    EXPECT_EQ(pane.browser->GetLocationURL(), "/pages/index.htm");

    // Its window fills the browser's whatever its size, and takes the focus.
    pane.browser->resize(640, 480);
    EXPECT_EQ(pane.engine->widget()->geometry(), QRect(0, 0, 640, 480));
    EXPECT_EQ(window.focusProxy(), pane.engine->widget());

    pane.browser->Navigate("about:blank");
    pane.browser->Navigate(picture);
    pane.browser->Navigate("javascript:go()");
    pane.browser->Refresh();
    pane.browser->Stop();
    pane.browser->RunScript("2", [&](const std::string& answer) { answers.push_back(answer); });
    pane.Settle();
    EXPECT_EQ(pane.engine->navigations,
              (Calls{"/pages/index.htm", "about:blank", picture, "javascript:go()"}));
    EXPECT_EQ(pane.engine->refreshes, 1);
    EXPECT_EQ(pane.engine->stops, 1);
    EXPECT_EQ(pane.engine->scripts, Calls{"2"});
    EXPECT_EQ(answers, Calls{"{\"found\":false}"});
    EXPECT_EQ(pane.completed, 1);
    EXPECT_EQ(pane.enginesMade, 1);
}

TEST(LazyBrowser, APictureThatCannotBeReadAndAnimatedOnesAreTheEnginesToShow) {
    TempDir dir;
    const std::string broken = dir.Write("broken.png", "not a picture");
    for (const std::string& url : {broken, dir.Path("missing.jpg"), dir.Path("moving.gif")}) {
        LazyPane pane;
        pane.browser->Navigate(url);
        ASSERT_EQ(pane.enginesMade, 1) << url;
        EXPECT_EQ(pane.engine->navigations, Calls{url});
    }
}

TEST(LazyBrowser, ALoadStillEndingReportsNothingOnceTheBrowserIsGone) {
    LazyPane pane;
    int completed = 0;
    // Without a maker the engine would be the real one: no call here may make it.
    QWidget window;
    {
        LazyBrowser lazy({}, &window);
        lazy.SetDocumentComplete([&] { ++completed; });
        lazy.Navigate("about:blank");
        lazy.RunScript("1", [&](const std::string&) { ++completed; });
    }
    pane.Settle();
    EXPECT_EQ(completed, 0);
}

}  // namespace
