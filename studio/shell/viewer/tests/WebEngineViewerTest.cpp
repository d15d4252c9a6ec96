// The viewer pane's browser on the real WebEngine (offscreen), with a page of ours whose
// script gives its object elements the viewer's members.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QImage>
#include <QTimer>
#include <QUrl>

#include "studio/projects/PageImage.h"
#include "studio/projects/PageScan.h"
#include "studio/shell/vantelify/PageShownSizes.h"
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
    WaitFor([&] { return done; }, 30000);
    return result;
}

void Write(const std::string& path, const char* text) {
    std::ofstream(path) << text;
}

// The pane with its browser shown and no viewer control, counting the pages it loads.
struct BrowserPane {
    BrowserPane() : view(NoViewer()) {
        view.resize(800, 600);
        view.show();
        view.SetShownControl(1);
        view.SetPageLoadedHandler([this] { ++loaded; });
    }
    static ViewerPaneControls NoViewer() {
        ViewerPaneControls controls;
        controls.makeViewer = [](QWidget*) { return nullptr; };
        return controls;
    }
    VanteloView view;
    int loaded = 0;
};

// The engine's helper processes this process started and that still run.
int EngineHelpers() {
    int count = 0;
    const std::string parent = std::to_string(::getpid());
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        std::ifstream stat(entry.path() / "stat");
        std::string pid, name, state, ppid;
        if (!(stat >> pid >> name >> state >> ppid)) continue;
        if (ppid == parent && name.find("QtWebEngine") != std::string::npos) ++count;
    }
    return count;
}

int EngineViews(QWidget& widget) {
    int count = 0;
    for (QWidget* child : widget.findChildren<QWidget*>()) {
        count += child->inherits("QWebEngineView");
    }
    return count;
}

// The first test of this program, so that no engine ran before it.
TEST(WebEngineViewer, TheEngineStartsAtTheFirstPageAndTheBlankPageAndPicturesShowAsItShowsThem) {
    testing_support::TempDir dir;
    const std::string picture = dir.Path("banner.png");
    QImage banner(300, 60, QImage::Format_RGB32);
    banner.fill(Qt::darkCyan);
    ASSERT_TRUE(banner.save(QString::fromStdString(picture)));
    const std::string page = dir.Path("plain.htm");
    Write(page, kPlainPage);
    const bool firstEngine = EngineHelpers() == 0;

    BrowserPane pane;
    VanteloView& view = pane.view;
    int& loaded = pane.loaded;
    struct Shown {
        std::string url, title;
        bool ready;
    };
    std::vector<Shown> before;
    for (const std::string& url : {std::string("about:blank"), picture}) {
        view.Navigate(url);
        ASSERT_TRUE(WaitFor([&] { return loaded == static_cast<int>(before.size()) + 1; }, 30000));
        before.push_back({view.GetPageUrl(), view.GetPageTitle(), view.IsPageReady()});
    }
    EXPECT_EQ(EngineViews(view), 0);
    if (firstEngine) {
        EXPECT_EQ(EngineHelpers(), 0);
    }

    view.Navigate(page);
    ASSERT_TRUE(WaitFor([&] { return loaded == 3; }, 30000));
    EXPECT_EQ(view.GetPageTitle(), "No viewer");
    EXPECT_EQ(EngineViews(view), 1);
    if (firstEngine) {
        EXPECT_GT(EngineHelpers(), 0);
    }

    // The engine shows the same as was shown before it came.
    std::vector<Shown> after;
    for (const std::string& url : {std::string("about:blank"), picture}) {
        view.Navigate(url);
        ASSERT_TRUE(WaitFor([&] { return loaded == static_cast<int>(after.size()) + 4; }, 30000));
        after.push_back({view.GetPageUrl(), view.GetPageTitle(), view.IsPageReady()});
    }
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < after.size(); ++i) {
        EXPECT_EQ(before[i].url, after[i].url);
        EXPECT_EQ(before[i].title, after[i].title);
        EXPECT_EQ(before[i].ready, after[i].ready);
    }
    EXPECT_EQ(EngineViews(view), 1);
}

TEST(WebEngineViewer, PagesLoadAndTheLastViewerObjectIsReadAndWritten) {
    testing_support::TempDir dir;
    const std::string page = dir.Path("Viewer.htm");
    const std::string plain = dir.Path("plain.htm");
    Write(page, kViewerPage);
    Write(plain, kPlainPage);

    BrowserPane pane;
    VanteloView& view = pane.view;
    int& loaded = pane.loaded;

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
    // Each query waits 2 s at the most for its answer; the rest is slack for a busy machine.
    EXPECT_LT(clock.elapsed(), 10000);
}

// A converted page's preview keeps its own name, yet shows as the page it is: the engine's
// document has the page's body, its title and its pictures beside it, not the source as text.
TEST(WebEngineViewer, PreviewFileShowsAsHtml) {
    testing_support::TempDir dir;
    const std::string preview = dir.Path("vtf0.vtpreview");
    Write(preview,
          "<html><head><meta charset=\"utf-8\"><title>Größe</title></head>"
          "<body id=\"page\"><p id=\"text\">Mum's <b>birthday</b></p>"
          "<img id=\"pic\" src=\"missing.png\"></body></html>");

    BrowserPane pane;
    VanteloView& view = pane.view;
    int& loaded = pane.loaded;
    view.Navigate(preview);
    ASSERT_TRUE(WaitFor([&] { return loaded == 1; }, 30000));
    EXPECT_EQ(Evaluate(*view.browser(),
                       "[document.body.id, document.querySelectorAll('body > p > b').length,"
                       " document.getElementById('text').textContent,"
                       " document.getElementById('pic').src.split('/').pop()].join('|')"),
              "page|1|Mum's birthday|missing.png");
    EXPECT_EQ(view.GetPageTitle(), "Größe");
    EXPECT_EQ(
        view.GetPageUrl(),
        QUrl::fromLocalFile(QString::fromStdString(preview)).toString().toLower().toStdString());

    // Shown again from the file, as it is now.
    Write(preview, "<html><body id=\"again\"></body></html>");
    view.browser()->Refresh();
    ASSERT_TRUE(WaitFor([&] { return loaded == 2; }, 30000));
    EXPECT_EQ(Evaluate(*view.browser(), "document.body.id"), "again");

    // A link followed out of the preview: the address is the page's own again.
    const std::string other = dir.Path("other.htm");
    Write(other, "<html><body id=\"other\"></body></html>");
    view.Navigate("javascript:location.href%20=%20'other.htm'");
    ASSERT_TRUE(WaitFor([&] { return loaded == 3; }, 30000));
    EXPECT_EQ(
        view.GetPageUrl(),
        QUrl::fromLocalFile(QString::fromStdString(other)).toString().toLower().toStdString());
}

// A picture the studio's reader refuses (a GIF under a PNG name) but the browser shows: its
// record takes the size the page lays it out at, not 0.
TEST(WebEngineViewer, PictureTheReaderRefusesKeepsTheSizeThePageGaveIt) {
    testing_support::TempDir dir;
    static const unsigned char kGif[] = {'G', 'I',  'F', '8', '9', 'a', 1, 0,   1, 0, 0x80, 0,
                                         0,   0xFF, 0,   0,   0,   0,   0, ',', 0, 0, 0,    0,
                                         1,   0,    1,   0,   0,   2,   2, 'D', 1, 0, ';'};
    std::ofstream(dir.Path("odd.png"), std::ios::binary)
        .write(reinterpret_cast<const char*>(kGif), sizeof kGif);
    const std::string page = dir.Path("page.htm");
    const char* text =
        "<!DOCTYPE html><html><head></head><body>"
        "<p><img src=\"odd.png\" style=\"width:200px;height:120px\"></p>"
        "<p><img src=\"odd.png\" width=\"90\"></p></body></html>";
    Write(page, text);

    int headOffset = 0;
    bool hasBody = true;
    bool foreign = false;
    std::vector<PageImage> images = ScanPage(text, dir.path() + "/", headOffset, hasBody, foreign);
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].shownWidth, 0) << "the reader should not know this picture";

    BrowserPane pane;
    VanteloView& view = pane.view;
    int& loaded = pane.loaded;
    view.Navigate(page);
    ASSERT_TRUE(WaitFor([&] { return loaded == 1; }, 30000));
    TakeShownSizes(images, ReadShownPictures(*view.browser()));
    EXPECT_EQ(images[0].shownWidth, 200);
    EXPECT_EQ(images[0].shownHeight, 120);
    EXPECT_EQ(images[1].shownWidth, 90);
    EXPECT_EQ(images[1].shownHeight, 90);
}

}  // namespace

int main(int argc, char** argv) {
    testing_support::UsePrivateRuntimeFolder();
    SetWebEngineEnvironment();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
