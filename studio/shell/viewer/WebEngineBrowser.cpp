#include "studio/shell/viewer/WebEngineBrowser.h"

#include <unistd.h>

#include <cstdlib>
#include <string_view>

#include <QFile>
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

bool EndsWithNoCase(std::string_view text, std::string_view suffix) {
    return text.size() >= suffix.size() &&
           StartsWithNoCase(text.substr(text.size() - suffix.size()), suffix);
}

class WebEngineBrowser final : public BrowserControl {
public:
    explicit WebEngineBrowser(QWidget* parent) : view_(new QWebEngineView(parent)) {
        QObject::connect(view_, &QWebEngineView::loadStarted, view_, [this] { readyState_ = 1; });
        // Following a link out of a preview leaves it: the address is the engine's again.
        QObject::connect(view_, &QWebEngineView::urlChanged, view_, [this](const QUrl& url) {
            if (previewPath_.isEmpty() || url.scheme() == QLatin1String("data") ||
                url == QUrl::fromLocalFile(previewPath_))
                return;
            previewPath_.clear();
        });
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
        previewPath_.clear();
        if (!url.empty() && url.front() == '/' && EndsWithNoCase(url, ".vtpreview") &&
            ShowAsHtml(text))
            return;
        view_->load(!url.empty() && url.front() == '/' ? QUrl::fromLocalFile(text) : QUrl(text));
    }
    void Refresh() override {
        if (!previewPath_.isEmpty() && ShowAsHtml(previewPath_)) return;
        view_->reload();
    }
    void Stop() override { view_->stop(); }
    long GetReadyState() const override { return readyState_; }
    std::string GetLocationName() const override { return view_->title().toStdString(); }
    std::string GetLocationURL() const override {
        if (!previewPath_.isEmpty())
            return QUrl::fromLocalFile(previewPath_).toString().toStdString();
        return view_->url().toString().toStdString();
    }

    void RunScript(const std::string& script, ScriptDone done) override {
        view_->page()->runJavaScript(QString::fromStdString(script),
                                     [done = std::move(done)](const QVariant& result) {
                                         if (done) done(result.toString().toStdString());
                                     });
    }

private:
    // A converted page's preview keeps a name of its own that the engine does not know as a
    // page, so it would show the source as text: it is given to the engine as HTML, with the
    // file as the base of its links, pictures and script. The engine takes content of up to
    // 2 MB this way; a bigger file loads as a file.
    bool ShowAsHtml(const QString& path) {
        constexpr qint64 kMaxContent = 2 * 1024 * 1024 - 4096;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxContent) return false;
        const QByteArray data = file.readAll();
        if (file.error() != QFileDevice::NoError) return false;
        previewPath_ = path;
        view_->setContent(data, QStringLiteral("text/html"), QUrl::fromLocalFile(path));
        return true;
    }

    QWebEngineView* view_;
    QString previewPath_;
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
