#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QWidget>

#include "geometry/Geometry.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/viewer/ViewerPaneControls.h"

class CWebBrowser2;
class Vantelo;
struct PageViewerAnswer;

// The viewer pane (bottom right): pictures in the viewer control, pages in the browser,
// both in the same place with one of them shown; and the viewer inside the shown page.
class VanteloView final : public QWidget, public CommandTarget, public PageNavigator {
public:
    explicit VanteloView(const ViewerPaneControls& controls = {}, QWidget* parent = nullptr);
    ~VanteloView() override;

    // What the pane reports: a page finished loading; the viewer control's position, or
    // that a picture ended with none (its load failed).
    void SetPageLoadedHandler(std::function<void()> handler);
    void SetPositionHandler(std::function<void(float x, float y, float z)> handler,
                            std::function<void()> noPosition = {});

    // Shows a picture in the viewer control (the shown control stays). False for null; an
    // empty path does nothing.
    bool ShowImage(const char* path);
    void ShowStartImage();
    // 0 the viewer control, 1 the browser.
    void SetShownControl(int control);
    int GetShownControl() const { return shownControl_; }
    bool IsFirstShow() const { return firstShow_; }

    bool Navigate(const std::string& url) override;
    void StopPage();
    bool IsPageReady() const;
    // Lower case: a key to compare with, never an address to open.
    std::string GetPageUrl() const;
    std::string GetPageTitle() const;
    std::string GetViewerFileName();
    void Fullscreen();

    // The viewer inside the shown page. False when the page holds none, it does not answer
    // in time, or another page query is still waiting.
    bool FindPageViewer();
    bool SetPageFit(long fit);
    bool GetPagePosition(Vector3& position);
    bool SetPagePosition(const Vector3& position);

    Vantelo* viewer() const { return viewer_; }
    CWebBrowser2* browser() const { return browser_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Layout();
    // Runs one page query and waits for its answer, ignoring user input meanwhile.
    std::optional<PageViewerAnswer> QueryPage(const std::string& script);

    Vantelo* viewer_ = nullptr;
    CWebBrowser2* browser_ = nullptr;
    int shownControl_ = 0;
    bool firstShow_ = true;
    bool queryWaiting_ = false;
    std::function<void()> pageLoaded_;
    std::function<void(float, float, float)> position_;
    std::function<void()> noPosition_;
};
