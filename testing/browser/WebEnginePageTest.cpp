// The studio's browser control (Qt WebEngine, offscreen) shows a converted page from a file:
// its viewers, found by class id as the viewer pane finds them, answer the scripting
// members once their pictures have loaded.

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <QUrl>
#include <QVariant>
#include <QWebEngineView>
#include <gtest/gtest.h>

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

}  // namespace

int main(int argc, char** argv) {
    testing_support::UsePrivateRuntimeFolder();
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
