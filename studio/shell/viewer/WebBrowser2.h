#pragma once

#include <functional>
#include <memory>
#include <string>

#include <QWidget>

#include "studio/shell/viewer/BrowserControl.h"

class QEventLoop;

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

// A script's answer awaited in a nested loop that takes no user input. The answer may come
// after the wait gave up and the asker returned: the script's callback shares only this.
class ScriptAnswer {
public:
    ScriptAnswer();
    // False (and never answered) without a browser.
    bool Start(CWebBrowser2& browser, const std::string& script);
    bool Done() const { return shared_->done; }
    const std::string& Result() const { return shared_->result; }
    // Runs the loop until the answer comes or `waitMs` pass.
    void Wait(int waitMs);

private:
    struct Shared {
        bool done = false;
        std::string result;
        QEventLoop* loop = nullptr;
    };
    std::shared_ptr<Shared> shared_;
};
