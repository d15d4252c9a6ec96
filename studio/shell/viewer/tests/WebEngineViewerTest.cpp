// The viewer pane's browser on the real WebEngine (offscreen), with a page of ours whose
// script gives its object elements the viewer's members.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>

#include "studio/shell/viewer/VanteloView.h"
#include "studio/shell/viewer/WebBrowser2.h"
#include "studio/shell/viewer/WebEngineBrowser.h"
#include "testing/TempDir.h"

namespace {

constexpr const char* kViewerPage = R"(<!DOCTYPE html>
<html><head><title>Viewer page</title></head><body>
<object id="first" classid="clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73" width="100" height="100"></object>
<object id="second" classid="clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73" width="640px" height=" 480"></object>
<object id="lower" classid="clsid:7a3e51c2-9b40-4d6e-a815-2f6c0b9d4e73" width="50" height="50"></object>
<script>
function viewer(id, x, y, z) {
  var e = document.getElementById(id);
  e.PosX = x; e.PosY = y; e.PosZ = z; e.Fit = 0;
}
viewer('first', 1, 2, 1);
viewer('second', 10, 20, 2);
viewer('lower', 7, 7, 7);
</script></body></html>
)";

constexpr const char* kPlainPage =
    "<!DOCTYPE html><html><head><title>No viewer</title></head><body>"
    "<object classid=\"clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73\"></object></body></html>";

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return done();
}

std::string Evaluate(CWebBrowser2& browser, const std::string& script) {
    std::string result;
    bool done = false;
    browser.RunScript(script, [&](const std::string& value) {
        result = value;
        done = true;
    });
    WaitFor([&] { return done; }, 10000);
    return result;
}

void Write(const std::string& path, const char* text) {
    std::ofstream(path) << text;
}

TEST(WebEngineViewer, PagesLoadAndTheLastViewerObjectIsReadAndWritten) {
    testing_support::TempDir dir;
    const std::string page = dir.Path("Viewer.htm");
    const std::string plain = dir.Path("plain.htm");
    Write(page, kViewerPage);
    Write(plain, kPlainPage);

    ViewerPaneControls controls;
    controls.makeViewer = [](QWidget*) { return nullptr; };
    VanteloView view(controls);
    view.resize(800, 600);
    view.show();
    view.SetShownControl(1);
    int loaded = 0;
    view.SetPageLoadedHandler([&] { ++loaded; });

    EXPECT_TRUE(view.IsPageReady());
    view.Navigate(page);
    ASSERT_TRUE(WaitFor([&] { return loaded == 1; }, 30000));
    EXPECT_TRUE(view.IsPageReady());
    EXPECT_EQ(view.GetPageTitle(), "Viewer page");
    EXPECT_EQ(view.GetPageUrl(),
              QUrl::fromLocalFile(QString::fromStdString(page)).toString().toLower().toStdString());

    Vector3 position;
    ASSERT_TRUE(view.GetPagePosition(position));
    EXPECT_EQ(position, Vector3(170, 140, 2));
    ASSERT_TRUE(view.SetPagePosition(Vector3(500, 300, 4)));
    ASSERT_TRUE(view.GetPagePosition(position));
    EXPECT_EQ(position, Vector3(500, 300, 4));
    ASSERT_TRUE(view.SetPageFit(304));
    // Only the second object changed; the lower-case class id is no viewer.
    EXPECT_EQ(Evaluate(*view.browser(),
                       "['first', 'second', 'lower'].map(function (id) {"
                       "  var e = document.getElementById(id);"
                       "  return [e.PosX, e.PosY, e.PosZ, e.Fit].join(' ');"
                       "}).join(', ')"),
              "1 2 1 0, 420 240 4 304, 7 7 7 0");

    // A script address runs in the shown page and loads nothing.
    view.Navigate("javascript:document.title%20=%20'Changed'");
    EXPECT_TRUE(WaitFor([&] { return view.GetPageTitle() == "Changed"; }, 10000));
    WaitFor([] { return false; }, 300);
    EXPECT_EQ(loaded, 1);

    // An element without the members is no viewer, and says so in time.
    view.Navigate(plain);
    ASSERT_TRUE(WaitFor([&] { return loaded == 2; }, 30000));
    EXPECT_EQ(view.GetPageTitle(), "No viewer");
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(view.FindPageViewer());
    EXPECT_FALSE(view.GetPagePosition(position));
    EXPECT_LT(clock.elapsed(), 4500);
}

}  // namespace

int main(int argc, char** argv) {
    SetWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
