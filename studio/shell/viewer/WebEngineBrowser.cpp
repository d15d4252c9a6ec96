#include "studio/shell/viewer/WebEngineBrowser.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include <QUrl>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        const char c = text[i] >= 'A' && text[i] <= 'Z' ? static_cast<char>(text[i] + 32) : text[i];
        if (c != prefix[i]) return false;
    }
    return true;
}

class WebEngineBrowser final : public BrowserControl {
public:
    explicit WebEngineBrowser(QWidget* parent) : view_(new QWebEngineView(parent)) {
        QObject::connect(view_, &QWebEngineView::loadStarted, view_, [this] { readyState_ = 1; });
        QObject::connect(view_, &QWebEngineView::loadFinished, view_, [this](bool) {
            readyState_ = 4;
            if (documentComplete_) documentComplete_();
        });
    }

    // The view outlives this: nothing of it may call back here any more.
    ~WebEngineBrowser() override { QObject::disconnect(view_, nullptr, view_, nullptr); }

    QWidget* widget() override { return view_; }
    void SetDocumentComplete(std::function<void()> handler) override {
        documentComplete_ = std::move(handler);
    }

    void Navigate(const std::string& url) override {
        constexpr std::string_view kScript = "javascript:";
        if (StartsWithNoCase(url, kScript)) {
            const QByteArray code = QByteArray::fromStdString(url.substr(kScript.size()));
            view_->page()->runJavaScript(QUrl::fromPercentEncoding(code));
            return;
        }
        const QString text = QString::fromStdString(url);
        view_->load(!url.empty() && url.front() == '/' ? QUrl::fromLocalFile(text) : QUrl(text));
    }
    void Refresh() override { view_->reload(); }
    void Stop() override { view_->stop(); }
    long GetReadyState() const override { return readyState_; }
    std::string GetLocationName() const override { return view_->title().toStdString(); }
    std::string GetLocationURL() const override { return view_->url().toString().toStdString(); }

    void RunScript(const std::string& script, ScriptDone done) override {
        view_->page()->runJavaScript(QString::fromStdString(script),
                                     [done = std::move(done)](const QVariant& result) {
                                         if (done) done(result.toString().toStdString());
                                     });
    }

private:
    QWebEngineView* view_;
    std::function<void()> documentComplete_;
    long readyState_ = 0;
};

}  // namespace

std::unique_ptr<BrowserControl> MakeWebEngineBrowser(QWidget* parent) {
    return std::make_unique<WebEngineBrowser>(parent);
}

void SetWebEngineEnvironment() {
    if (::geteuid() != 0) return;
    ::setenv("QTWEBENGINE_DISABLE_SANDBOX", "1", 0);
    ::setenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu", 0);
}
