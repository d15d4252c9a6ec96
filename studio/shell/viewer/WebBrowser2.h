#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "studio/shell/viewer/BrowserControl.h"

// The window of the web browser (control 1023). Without a browser every call does nothing
// and reads give empty or 0.
class CWebBrowser2 final : public QWidget {
public:
    static constexpr int kControlId = 1023;

    CWebBrowser2(std::unique_ptr<BrowserControl> browser, QWidget* parent);
    ~CWebBrowser2() override;

    bool HasBrowser() const { return browser_ != nullptr; }
    void SetDocumentComplete(std::function<void()> handler);

    void Navigate(const std::string& url);
    void Refresh();
    void Stop();
    long GetReadyState() const;
    std::string GetLocationName() const;
    std::string GetLocationURL() const;
    // False (and `done` never called) without a browser.
    bool RunScript(const std::string& script, BrowserControl::ScriptDone done);

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    std::unique_ptr<BrowserControl> browser_;
};
