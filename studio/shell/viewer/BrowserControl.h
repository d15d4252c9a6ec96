#pragma once

#include <functional>
#include <string>

class QWidget;

// The web browser as the viewer pane drives it. Ready states: 0 before any load, 1 while
// loading, 4 when the last load ended (whether it succeeded or not).
class BrowserControl {
public:
    // Called with the script's result as text; an empty text when it gave none or failed.
    using ScriptDone = std::function<void(const std::string& result)>;

    virtual ~BrowserControl() = default;

    // The window it draws in: the pane takes it as a child and deletes it after the control.
    virtual QWidget* widget() = 0;
    // Called after every load of a document, whether it succeeded or not.
    virtual void SetDocumentComplete(std::function<void()> handler) = 0;

    // An absolute path is shown as a file; "javascript:" runs its script in the shown page
    // and loads nothing.
    virtual void Navigate(const std::string& url) = 0;
    virtual void Refresh() = 0;
    virtual void Stop() = 0;
    virtual long GetReadyState() const = 0;
    virtual std::string GetLocationName() const = 0;
    virtual std::string GetLocationURL() const = 0;

    // Runs a script in the shown page; `done` gets its (string) result later, on the GUI
    // thread, or is never called when the page goes first.
    virtual void RunScript(const std::string& script, ScriptDone done) = 0;
};
