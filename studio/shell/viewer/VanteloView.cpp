#include "studio/shell/viewer/VanteloView.h"

#include <memory>

#include <QPointer>

#include "studio/core/DataFolder.h"
#include "studio/shell/viewer/LazyBrowser.h"
#include "studio/shell/viewer/PagePosition.h"
#include "studio/shell/viewer/PageViewerScript.h"
#include "studio/shell/viewer/SiteViewerControl.h"
#include "studio/shell/viewer/Vantelo.h"
#include "studio/shell/viewer/WebBrowser2.h"

namespace {

constexpr long kWhite = 0xFFFFFF;
constexpr long kStartFit = 304;
constexpr int kPageQueryMs = 2000;

}  // namespace

VanteloView::VanteloView(const ViewerPaneControls& controls, QWidget* parent) : QWidget(parent) {
    setObjectName("VanteloView");
    setFocusPolicy(Qt::StrongFocus);
    viewer_ = new Vantelo(
        controls.makeViewer ? controls.makeViewer(this) : MakeSiteViewerControl(this), this);
    browser_ = new CWebBrowser2(
        controls.makeBrowser ? controls.makeBrowser(this) : MakeLazyWebEngineBrowser(this), this);

    viewer_->SetEvents({
        [this](float x, float y, float z) {
            if (position_) position_(x, y, z);
        },
        [this] {
            float x = 0;
            float y = 0;
            float z = 0;
            // A picture that failed to load has no view to report.
            if (!viewer_->ShowsPicture()) {
                if (noPosition_) noPosition_();
            } else if (viewer_->GetPosition(x, y, z) && position_) {
                position_(x, y, z);
            }
        },
    });
    browser_->SetDocumentComplete([this] {
        if (pageLoaded_) pageLoaded_();
    });
    Layout();
}

VanteloView::~VanteloView() {
    // The controls may still report while they go; a page still loading stops first.
    pageLoaded_ = nullptr;
    position_ = nullptr;
    noPosition_ = nullptr;
    browser_->Stop();
}

void VanteloView::SetPageLoadedHandler(std::function<void()> handler) {
    pageLoaded_ = std::move(handler);
}

void VanteloView::SetPositionHandler(std::function<void(float, float, float)> handler,
                                     std::function<void()> noPosition) {
    position_ = std::move(handler);
    noPosition_ = std::move(noPosition);
}

bool VanteloView::ShowImage(const char* path) {
    if (path == nullptr) return false;
    if (*path == '\0') return true;
    firstShow_ = false;
    viewer_->SetBgColor(kWhite);
    viewer_->SetFit(kStartFit);
    viewer_->SetFilename(path);
    return true;
}

void VanteloView::ShowStartImage() {
    viewer_->SetFit(kStartFit);
    viewer_->SetBgColor(kWhite);
    viewer_->SetFilename(GetDataFolder() + "AppData/StartImage.jpg");
    firstShow_ = true;
}

void VanteloView::SetShownControl(int control) {
    if (control == shownControl_) return;
    shownControl_ = control;
    if (control == 0) {
        viewer_->show();
        viewer_->setFocus();
    } else {
        browser_->show();
        viewer_->hide();
        browser_->setFocus();
    }
    Layout();
    update();
}

void VanteloView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void VanteloView::Layout() {
    QWidget* shown = shownControl_ == 0 ? static_cast<QWidget*>(viewer_) : browser_;
    QWidget* other = shownControl_ == 0 ? static_cast<QWidget*>(browser_) : viewer_;
    other->setGeometry(0, 0, 1, 1);
    shown->setGeometry(rect());
    shown->raise();
    shown->update();
}

bool VanteloView::Navigate(const std::string& url) {
    browser_->Navigate(url);
    return true;
}

void VanteloView::StopPage() {
    browser_->Stop();
}

bool VanteloView::IsPageReady() const {
    const long state = browser_->GetReadyState();
    return state == 0 || state == 3 || state == 4;
}

std::string VanteloView::GetPageUrl() const {
    return QString::fromStdString(browser_->GetLocationURL()).toLower().toStdString();
}

std::string VanteloView::GetPageTitle() const {
    return browser_->GetLocationName();
}

std::string VanteloView::GetViewerFileName() {
    return viewer_->GetFilename();
}

void VanteloView::Fullscreen() {
    viewer_->SetFullscreen(1);
}

std::optional<PageViewerAnswer> VanteloView::QueryPage(const std::string& script) {
    if (queryWaiting_) return std::nullopt;
    ScriptAnswer answer;
    if (!answer.Start(*browser_, script)) return std::nullopt;
    if (!answer.Done()) {
        QPointer<VanteloView> self(this);
        queryWaiting_ = true;
        answer.Wait(kPageQueryMs);
        if (self == nullptr) return std::nullopt;
        queryWaiting_ = false;
    }
    if (!answer.Done()) return std::nullopt;
    return ReadPageViewerAnswer(answer.Result());
}

bool VanteloView::FindPageViewer() {
    return QueryPage(ReadViewerScript()).has_value();
}

bool VanteloView::SetPageFit(long fit) {
    return QueryPage(SetFitScript(fit)).has_value();
}

bool VanteloView::GetPagePosition(Vector3& position) {
    const std::optional<PageViewerAnswer> answer = QueryPage(ReadViewerScript());
    if (!answer) return false;
    const std::optional<Vector3> centre = ViewerToPagePosition(
        answer->posX, answer->posY, answer->posZ, answer->width, answer->height);
    if (!centre) return false;
    position = *centre;
    return true;
}

bool VanteloView::SetPagePosition(const Vector3& position) {
    // A zoom the viewer cannot divide by is never written.
    if (!PageToViewerPosition(position, 1, 1)) return false;
    return QueryPage(SetPositionScript(position)).has_value();
}
