#include "testing/FakeViewerPane.h"

#include <QUrl>
#include <QWidget>

#include "platform/text/Text.h"

namespace testing_support {

FakeViewerControl::FakeViewerControl(QWidget* parent) : window_(new QWidget(parent)) {
    window_->setObjectName("FakeViewerControl");
}

void FakeViewerControl::SetFilename(const std::string& path) {
    calls.push_back("Filename " + path);
    filename_ = path;
}

bool FakeViewerControl::GetPosition(float& x, float& y, float& z) {
    x = position_[0];
    y = position_[1];
    z = position_[2];
    return true;
}

void FakeViewerControl::SetBgColor(long color) {
    calls.push_back("BgColor " + platform::FormatC("0x%06lX", color));
}

void FakeViewerControl::SetFit(long fit) {
    calls.push_back("Fit " + std::to_string(fit));
}

void FakeViewerControl::SetFullscreen(long on) {
    calls.push_back("Fullscreen " + std::to_string(on));
}

void FakeViewerControl::FireChangedPos(float x, float y, float z) {
    if (events_.changedPos) events_.changedPos(x, y, z);
}

void FakeViewerControl::FireOnLoad(float x, float y, float z) {
    position_[0] = x;
    position_[1] = y;
    position_[2] = z;
    if (events_.onLoad) events_.onLoad();
}

FakeBrowser::FakeBrowser(QWidget* parent) : window_(new QWidget(parent)) {
    window_->setObjectName("FakeBrowser");
}

void FakeBrowser::Navigate(const std::string& url) {
    navigations.push_back(url);
    if (url.rfind("javascript:", 0) == 0) return;
    url_ = url;
    if (reportsFileUrls && url.rfind('/', 0) == 0) {
        url_ = QUrl::fromLocalFile(QString::fromStdString(url))
                   .toString(QUrl::FullyEncoded)
                   .toStdString();
    }
    readyState_ = 1;
}

void FakeBrowser::FinishLoad() {
    readyState_ = 4;
    ++documentsCompleted;
    if (documentComplete_) documentComplete_();
}

void FakeBrowser::RunScript(const std::string& script, ScriptDone done) {
    scripts.push_back(script);
    if (silent || !done) return;
    if (!hasViewer) {
        done("{\"found\":false}");
        return;
    }
    done(platform::FormatC("{\"found\":true,\"w\":%d,\"h\":%d,\"x\":%.9g,\"y\":%.9g,\"z\":%.9g}",
                           viewer.width, viewer.height, viewer.posX, viewer.posY, viewer.posZ));
}

}  // namespace testing_support
