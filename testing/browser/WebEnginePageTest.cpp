// The studio's browser control (Qt WebEngine, offscreen) shows a converted page from a file:
// its viewers, found by class id as the viewer pane finds them, answer the scripting
// members once their pictures have loaded.

#include <gtest/gtest.h>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <QWheelEvent>

#include <filesystem>
#include <functional>

#include "studio/shell/viewer/WebEngineBrowser.h"
#include "testing/TempDir.h"
#include "testing/browser/PageFixtures.h"

namespace {

// Runs the script in the page and waits for its result; an invalid value on timeout.
QVariant Evaluate(QWebEngineView& view, const QString& script) {
    QVariant result;
    bool done = false;
    QEventLoop loop;
    view.page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        done = true;
        loop.quit();
    });
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    if (!done) loop.exec();
    return result;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TEST(WebEnginePage, ConvertedPageViewerIsFoundAndReadsItsZoomAfterLoading) {
    testing_support::TempDir dir;
    ASSERT_TRUE(page_fixtures::MakeConvertedPage(dir.path()));

    QWebEngineView view;
    view.resize(1000, 1200);
    view.show();
    bool loaded = false;
    QObject::connect(&view, &QWebEngineView::loadFinished, [&](bool ok) { loaded = ok; });
    view.load(QUrl::fromLocalFile(QString::fromStdString(dir.path() + "/page.htm")));

    // The last viewer in the page, as the viewer pane picks it; its 800x600 zoom source fits
    // its 400x300 place at zoom 0.5 once loaded (before that it reads the start zoom 1).
    const QString read = QStringLiteral(
        "(function () {"
        "  var found = null, all = document.getElementsByTagName('object');"
        "  for (var i = 0; i < all.length; ++i)"
        "    if (all[i].getAttribute('classid') === 'clsid:7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73')"
        "      found = all[i];"
        "  if (!found) return 'none';"
        "  return [all.length, found.PosZ, all[0].PosZ, found.getAttribute('width')].join(' ');"
        "})()");
    QString answer;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 30000) {
        if (loaded) {
            answer = Evaluate(view, read).toString();
            const QStringList parts = answer.split(' ');
            if (parts.size() == 4 && parts[2].toDouble() == 0.5) break;
        }
        Wait(100);
    }
    ASSERT_TRUE(loaded);
    const QStringList parts = answer.split(' ');
    ASSERT_EQ(parts.size(), 4) << answer.toStdString();
    EXPECT_EQ(parts[0], "2");
    EXPECT_GT(parts[1].toDouble(), 0.0) << answer.toStdString();
    EXPECT_DOUBLE_EQ(parts[2].toDouble(), 0.5) << answer.toStdString();
    EXPECT_EQ(parts[3], "640");
}

// Runs the script in the view's page until it gives something that `done` accepts, for up
// to 30 s; the last answer.
QString EvaluateUntil(QWebEngineView& view, const QString& script,
                      const std::function<bool(const QString&)>& done, int boundMs = 30000) {
    QString answer;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < boundMs) {
        answer = Evaluate(view, script).toString();
        if (done(answer)) break;
        Wait(50);
    }
    return answer;
}

// The first viewer of the page: its border sizes and zoom, and where its middle lies.
const QString kFirstViewer = QStringLiteral(
    "(function () {"
    "  var v = document.getElementsByTagName('object')[0];"
    "  if (!v || typeof v.PosZ !== 'number') return 'none';"
    "  var b = v.getBoundingClientRect();"
    "  return [v.BorderWidth, v.BorderHeight, v.PosZ, Math.round(b.left + b.width / 2),"
    "          Math.round(b.top + b.height / 2)].join(' ');"
    "})()");

// Turns the wheel a notch forward over `at` in the view, as the mouse does.
void WheelAt(QWebEngineView& view, QPoint at) {
    QWidget* target = view.focusProxy() != nullptr ? view.focusProxy() : &view;
    const QPoint global = view.mapToGlobal(at);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(global), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(target, &move);
    QWheelEvent wheel(QPointF(at), QPointF(global), QPoint(), QPoint(0, 120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &wheel);
}

// The studio's preview of a converted page, shown through the studio's own browser control,
// has the viewers the saved page has in the browser: its borders, its fitted zoom, and the
// wheel zooms it.
TEST(WebEnginePage, PreviewShowsItsViewersAsTheSavedPageShowsThem) {
    testing_support::TempDir dir;
    ASSERT_TRUE(page_fixtures::MakeConvertedPage(dir.path()));
    const std::string preview = dir.path() + "/vtf0.vtpreview";
    std::filesystem::copy_file(dir.path() + "/page.htm", preview);

    QWebEngineView saved;
    saved.resize(1000, 1200);
    saved.show();
    saved.load(QUrl::fromLocalFile(QString::fromStdString(dir.path() + "/page.htm")));

    QWidget pane;
    pane.resize(1000, 1200);
    std::unique_ptr<BrowserControl> browser = MakeWebEngineBrowser(&pane);
    auto* shown = qobject_cast<QWebEngineView*>(browser->widget());
    ASSERT_NE(shown, nullptr);
    shown->resize(1000, 1200);
    pane.show();
    browser->Navigate(preview);

    // Loaded: the 800x600 zoom source fits its 400x300 place.
    const auto fitted = [](const QString& answer) {
        const QStringList parts = answer.split(' ');
        return parts.size() == 5 && parts[2].toDouble() == 0.5;
    };
    const QString inBrowser = EvaluateUntil(saved, kFirstViewer, fitted);
    const QString inPreview = EvaluateUntil(*shown, kFirstViewer, fitted);
    ASSERT_TRUE(fitted(inBrowser)) << inBrowser.toStdString();
    ASSERT_TRUE(fitted(inPreview)) << inPreview.toStdString();
    EXPECT_EQ(inPreview, inBrowser);
    EXPECT_EQ(QString::fromStdString(browser->GetLocationURL()),
              QUrl::fromLocalFile(QString::fromStdString(preview)).toString());

    // The engine drops input that comes before its compositor knows what lies under the
    // pointer, which a busy machine can delay past the page's load: turn the wheel again each
    // second until the viewer answers.
    const QStringList parts = inPreview.split(' ');
    const auto zoomedIn = [](const QString& answer) {
        const QStringList now = answer.split(' ');
        return now.size() == 5 && now[2].toDouble() > 0.5;
    };
    QString zoomed;
    QElapsedTimer clock;
    clock.start();
    while (!zoomedIn(zoomed) && clock.elapsed() < 30000) {
        WheelAt(*shown, QPoint(parts[3].toInt(), parts[4].toInt()));
        zoomed = EvaluateUntil(*shown, kFirstViewer, zoomedIn, 1000);
    }
    EXPECT_TRUE(zoomedIn(zoomed)) << "the wheel zooms the preview's viewer: "
                                  << zoomed.toStdString();
}

// The studio's browser control shows an exported gallery from disk, where it lets the page
// script read the Targa picture beside the page.
TEST(WebEnginePage, GalleryFromDiskShowsItsTargaPicture) {
    testing_support::TempDir dir;
    ASSERT_TRUE(page_fixtures::MakeAll(dir.path()));
    QWidget pane;
    pane.resize(1000, 1200);
    std::unique_ptr<BrowserControl> browser = MakeWebEngineBrowser(&pane);
    auto* shown = qobject_cast<QWebEngineView*>(browser->widget());
    ASSERT_NE(shown, nullptr);
    shown->resize(1000, 1200);
    pane.show();
    browser->Navigate(dir.path() + "/targa/grid/index1_8.htm");
    const QString state = QStringLiteral(
        "(function () {"
        "  var v = document.getElementsByTagName('object')[0], c = v && v.querySelector('canvas');"
        "  return c ? v.CanvasWidth + ' ' + c.getAttribute('aria-label') : 'none';"
        "})()");
    const QString answer = EvaluateUntil(*shown, state, [](const QString& now) {
        return now.startsWith("150 ") || now.contains("Error loading");
    });
    EXPECT_EQ(answer.toStdString(), "150 gray-rle.tga");
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
