#include "studio/shell/viewer/WebBrowser2.h"

#include <QEventLoop>
#include <QTimer>

CWebBrowser2::CWebBrowser2(std::unique_ptr<BrowserControl> browser, QWidget* parent)
    : QWidget(parent), browser_(std::move(browser)) {
    setObjectName(QString::number(kControlId));
    setFocusPolicy(Qt::StrongFocus);
    if (browser_ != nullptr && browser_->widget() != nullptr) {
        browser_->widget()->setParent(this);
        setFocusProxy(browser_->widget());
        browser_->widget()->show();
    }
}

CWebBrowser2::~CWebBrowser2() {
    QWidget* window = browser_ != nullptr ? browser_->widget() : nullptr;
    browser_.reset();
    delete window;
}

void CWebBrowser2::SetDocumentComplete(std::function<void()> handler) {
    if (browser_ != nullptr) browser_->SetDocumentComplete(std::move(handler));
}

void CWebBrowser2::Navigate(const std::string& url) {
    if (browser_ != nullptr) browser_->Navigate(url);
}

void CWebBrowser2::Refresh() {
    if (browser_ != nullptr) browser_->Refresh();
}

void CWebBrowser2::Stop() {
    if (browser_ != nullptr) browser_->Stop();
}

long CWebBrowser2::GetReadyState() const {
    return browser_ != nullptr ? browser_->GetReadyState() : 0;
}

std::string CWebBrowser2::GetLocationName() const {
    return browser_ != nullptr ? browser_->GetLocationName() : std::string();
}

std::string CWebBrowser2::GetLocationURL() const {
    return browser_ != nullptr ? browser_->GetLocationURL() : std::string();
}

bool CWebBrowser2::RunScript(const std::string& script, BrowserControl::ScriptDone done) {
    if (browser_ == nullptr) return false;
    browser_->RunScript(script, std::move(done));
    return true;
}

void CWebBrowser2::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (browser_ != nullptr && browser_->widget() != nullptr) {
        browser_->widget()->setGeometry(rect());
    }
}

ScriptAnswer::ScriptAnswer() : shared_(std::make_shared<Shared>()) {}

bool ScriptAnswer::Start(CWebBrowser2& browser, const std::string& script) {
    return browser.RunScript(script, [shared = shared_](const std::string& result) {
        shared->done = true;
        shared->result = result;
        if (shared->loop != nullptr) shared->loop->quit();
    });
}

void ScriptAnswer::Wait(int waitMs) {
    QEventLoop loop;
    shared_->loop = &loop;
    QTimer::singleShot(waitMs, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    shared_->loop = nullptr;
}
