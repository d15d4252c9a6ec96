#pragma once

#include <string>
#include <vector>

#include "studio/shell/viewer/BrowserControl.h"
#include "studio/shell/viewer/PageViewerScript.h"
#include "studio/shell/viewer/ViewerControl.h"

class QWidget;

namespace testing_support {

// A viewer control that records each call ("Fit 304", "Filename /a.jpg", ...) and fires its
// events when told.
class FakeViewerControl final : public ViewerControl {
public:
    explicit FakeViewerControl(QWidget* parent = nullptr);

    QWidget* widget() override { return window_; }
    void SetEvents(Events events) override { events_ = std::move(events); }
    void SetFilename(const std::string& path) override;
    std::string GetFilename() override { return filename_; }
    bool GetPosition(float& x, float& y, float& z) override;
    void SetBgColor(long color) override;
    void SetFit(long fit) override;
    void SetFullscreen(long on) override;

    void FireChangedPos(float x, float y, float z);
    // Fires OnLoad; the control then answers GetPosition with this position.
    void FireOnLoad(float x, float y, float z);

    std::vector<std::string> calls;

private:
    QWidget* window_;
    Events events_;
    std::string filename_;
    float position_[3] = {0, 0, 0};
};

// A browser that records navigations and scripts, finishes a load when told and answers the
// page-viewer scripts from scripted viewer values.
class FakeBrowser final : public BrowserControl {
public:
    explicit FakeBrowser(QWidget* parent = nullptr);

    QWidget* widget() override { return window_; }
    void SetDocumentComplete(std::function<void()> handler) override {
        documentComplete_ = std::move(handler);
    }
    void Navigate(const std::string& url) override;
    void Refresh() override { ++refreshes; }
    void Stop() override { ++stops; }
    long GetReadyState() const override { return readyState_; }
    std::string GetLocationName() const override { return title; }
    std::string GetLocationURL() const override { return url_; }
    void RunScript(const std::string& script, ScriptDone done) override;

    // Ends the load under way: ready state 4, then DocumentComplete.
    void FinishLoad();

    // The viewer the page holds, as its scripts answer; none answers "not found".
    bool hasViewer = false;
    PageViewerAnswer viewer;
    // A page that never answers its scripts.
    bool silent = false;
    // Reports a page loaded from a path by its file URL, percent-encoded, as a real browser
    // does; otherwise by the address it was sent to.
    bool reportsFileUrls = false;

    std::string title;
    std::vector<std::string> navigations;
    std::vector<std::string> scripts;
    int refreshes = 0;
    int stops = 0;
    int documentsCompleted = 0;

private:
    QWidget* window_;
    std::function<void()> documentComplete_;
    std::string url_;
    long readyState_ = 0;
};

}  // namespace testing_support
