#pragma once

#include <functional>
#include <memory>
#include <string>

#include "studio/shell/viewer/BrowserControl.h"

class QWidget;
class StandInWindow;

// A browser that makes its engine only when it is first sent to a page. The engine and the
// processes it starts cost a hundred megabytes, while the studio's start shows only the blank
// page and a banner picture: those, and the pictures it is sent to before any page, are shown
// here as the engine would show them. From the first page on every call goes to the engine.
class LazyBrowser final : public BrowserControl {
public:
    using EngineMaker = std::function<std::unique_ptr<BrowserControl>(QWidget* parent)>;

    LazyBrowser(EngineMaker makeEngine, QWidget* parent);
    ~LazyBrowser() override;

    bool HasEngine() const { return engine_ != nullptr; }

    QWidget* widget() override;
    void SetDocumentComplete(std::function<void()> handler) override;
    void Navigate(const std::string& url) override;
    void Refresh() override;
    void Stop() override;
    long GetReadyState() const override;
    std::string GetLocationName() const override;
    std::string GetLocationURL() const override;
    // Before the engine no page is shown, so no script finds anything: `done` gets an empty
    // text later.
    void RunScript(const std::string& script, ScriptDone done) override;

private:
    // Shows the blank page or a picture without the engine; false for anything else.
    bool ShowHere(const std::string& url);
    // Ends a load shown here after the caller returned, as the engine's loads end.
    void CompleteLater();
    // Null when the maker gave none.
    BrowserControl* Engine();

    EngineMaker makeEngine_;
    StandInWindow* window_;
    std::unique_ptr<BrowserControl> engine_;
    std::function<void()> documentComplete_;
    // What is shown here: its address (empty before the first load) and title.
    std::string shownUrl_;
    std::string shownTitle_;
    long readyState_ = 0;
    // Counts loads (and the end of this), so that only the last one's end is reported; shared
    // with the calls waiting to report.
    std::shared_ptr<unsigned> loads_;
};

// The browser control of the studio: the web engine, made at the first page.
std::unique_ptr<BrowserControl> MakeLazyWebEngineBrowser(QWidget* parent);
