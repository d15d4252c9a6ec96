#include "studio/shell/viewer/LazyBrowser.h"

#include <QFileInfo>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QResizeEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include "studio/shell/viewer/WebEngineBrowser.h"

// The window the browser draws in: the blank page or a picture until the engine comes, then
// the engine's own window over all of it.
class StandInWindow final : public QWidget {
public:
    explicit StandInWindow(QWidget* parent) : QWidget(parent) {
        setFocusPolicy(Qt::StrongFocus);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void ShowBlank() {
        picture_ = QImage();
        update();
    }
    void ShowPicture(QImage picture) {
        picture_ = std::move(picture);
        update();
    }
    // The engine's window fills this one from now on; nothing of this one shows any more.
    void Hold(QWidget* engine) {
        picture_ = QImage();
        engine_ = engine;
        if (engine_ == nullptr) return;
        engine_->setParent(this);
        engine_->setGeometry(rect());
        setFocusProxy(engine_);
        engine_->show();
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (engine_ != nullptr) engine_->setGeometry(rect());
    }

    void paintEvent(QPaintEvent* /*event*/) override {
        QPainter painter(this);
        if (picture_.isNull()) {
            painter.fillRect(rect(), Qt::white);
            return;
        }
        // As the engine shows a picture of its own: centred on a dark ground, shrunk to fit.
        painter.fillRect(rect(), QColor(0x0E, 0x0E, 0x0E));
        QSize size = picture_.size();
        if (size.width() > width() || size.height() > height()) {
            size.scale(this->size(), Qt::KeepAspectRatio);
        }
        const QRect place(QPoint((width() - size.width()) / 2, (height() - size.height()) / 2),
                          size);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(place, picture_);
    }

private:
    QImage picture_;
    QWidget* engine_ = nullptr;
};

namespace {

bool StartsWithNoCase(const QString& text, const char* prefix) {
    return text.startsWith(QLatin1String(prefix), Qt::CaseInsensitive);
}

// The path of a local picture of a still kind the engine shows as a picture of its own
// (animated ones are left to it); empty for anything else.
QString StillPicturePath(const QString& url) {
    QString path;
    if (url.startsWith('/')) {
        path = url;
    } else if (StartsWithNoCase(url, "file:")) {
        path = QUrl(url).toLocalFile();
    }
    if (path.isEmpty()) return {};
    const QString suffix = QFileInfo(path).suffix().toLower();
    for (const char* kind : {"png", "jpg", "jpeg", "bmp"}) {
        if (suffix == QLatin1String(kind)) return path;
    }
    return {};
}

}  // namespace

LazyBrowser::LazyBrowser(EngineMaker makeEngine, QWidget* parent)
    : makeEngine_(std::move(makeEngine)),
      window_(new StandInWindow(parent)),
      loads_(std::make_shared<unsigned>(0)) {}

LazyBrowser::~LazyBrowser() {
    // The window outlives this: no load shown here may report any more.
    ++*loads_;
}

QWidget* LazyBrowser::widget() {
    return window_;
}

void LazyBrowser::SetDocumentComplete(std::function<void()> handler) {
    if (engine_ != nullptr) {
        engine_->SetDocumentComplete(std::move(handler));
    } else {
        documentComplete_ = std::move(handler);
    }
}

BrowserControl* LazyBrowser::Engine() {
    if (engine_ == nullptr) {
        // A load shown here and not yet ended is overtaken by the engine's.
        ++*loads_;
        engine_ = makeEngine_ ? makeEngine_(window_) : MakeWebEngineBrowser(window_);
        if (engine_ == nullptr) return nullptr;
        window_->Hold(engine_->widget());
        engine_->SetDocumentComplete(std::move(documentComplete_));
        documentComplete_ = nullptr;
    }
    return engine_.get();
}

void LazyBrowser::Navigate(const std::string& url) {
    if (engine_ == nullptr) {
        // A script runs in the shown page, and neither the blank page nor a picture holds any.
        if (StartsWithNoCase(QString::fromStdString(url), "javascript:")) return;
        if (ShowHere(url)) return;
    }
    if (BrowserControl* engine = Engine()) engine->Navigate(url);
}

bool LazyBrowser::ShowHere(const std::string& url) {
    const QString text = QString::fromStdString(url);
    if (text.compare(QLatin1String("about:blank"), Qt::CaseInsensitive) == 0) {
        window_->ShowBlank();
        shownUrl_ = "about:blank";
        shownTitle_ = "about:blank";
        CompleteLater();
        return true;
    }
    const QString path = StillPicturePath(text);
    if (path.isEmpty()) return false;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    QImage picture = reader.read();
    // The engine has its own page for a file it cannot show.
    if (picture.isNull()) return false;
    shownUrl_ = QUrl::fromLocalFile(path).toString().toStdString();
    shownTitle_ = QStringLiteral("%1 (%2\u00D7%3)")
                      .arg(QFileInfo(path).fileName())
                      .arg(picture.width())
                      .arg(picture.height())
                      .toStdString();
    window_->ShowPicture(std::move(picture));
    CompleteLater();
    return true;
}

void LazyBrowser::CompleteLater() {
    readyState_ = 1;
    const unsigned load = ++*loads_;
    QTimer::singleShot(0, window_, [this, load, loads = loads_] {
        if (load != *loads) return;
        readyState_ = 4;
        if (documentComplete_) documentComplete_();
    });
}

void LazyBrowser::Refresh() {
    if (engine_ != nullptr) {
        engine_->Refresh();
    } else if (!shownUrl_.empty()) {
        Navigate(shownUrl_);
    }
}

void LazyBrowser::Stop() {
    if (engine_ != nullptr) engine_->Stop();
}

long LazyBrowser::GetReadyState() const {
    return engine_ != nullptr ? engine_->GetReadyState() : readyState_;
}

std::string LazyBrowser::GetLocationName() const {
    return engine_ != nullptr ? engine_->GetLocationName() : shownTitle_;
}

std::string LazyBrowser::GetLocationURL() const {
    return engine_ != nullptr ? engine_->GetLocationURL() : shownUrl_;
}

void LazyBrowser::RunScript(const std::string& script, ScriptDone done) {
    if (engine_ != nullptr) {
        engine_->RunScript(script, std::move(done));
        return;
    }
    const unsigned load = *loads_;
    QTimer::singleShot(0, window_, [load, loads = loads_, done = std::move(done)] {
        // The page it was meant for went first.
        if (load != *loads) return;
        if (done) done(std::string());
    });
}

std::unique_ptr<BrowserControl> MakeLazyWebEngineBrowser(QWidget* parent) {
    return std::make_unique<LazyBrowser>(MakeWebEngineBrowser, parent);
}
