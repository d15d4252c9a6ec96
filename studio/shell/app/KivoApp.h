#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/prompts/QtPrompts.h"
#include "studio/shell/app/KivoModule.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/viewer/ViewerPaneControls.h"

class CMainFrame;
class QApplication;

// The studio's application: it answers the registration switches, makes sure the viewer
// control can be created, then makes and shows the main frame; at exit it takes that down
// again. It is the last stop of the command route, for the About box.
class CKivoApp final : public CommandTarget {
public:
    // `arguments`: the command line after the program's name. `dataFolder`: as CMainFrame's.
    explicit CKivoApp(std::vector<std::string> arguments, std::string dataFolder = {});
    ~CKivoApp() override;
    CKivoApp(const CKivoApp&) = delete;
    CKivoApp& operator=(const CKivoApp&) = delete;

    // The whole program: start-up, the event loop while the frame is open, shut-down.
    // `argc` and `argv` are the process's, for the QApplication made here. Returns the
    // program's exit status.
    int Run(int& argc, char** argv);

    // False ends the program at once. Needs a QApplication only once a window is due: Run
    // makes one then when the process has none (a test brings its own, and its prompts).
    bool InitInstance();
    // Takes the frame down (when it is still there) and returns the exit status.
    int ExitInstance();
    void OnAppAbout();
    // Server start-up and the registration switches; false when the program is to end.
    bool InitAtlModule();

    // How the viewer pane makes its controls; before InitInstance.
    void SetViewerPaneControls(ViewerPaneControls controls) { paneControls_ = std::move(controls); }

    CMainFrame* GetMainFrame() const { return frame_.get(); }
    int GetExitStatus() const { return status_; }

private:
    // Makes the QApplication when none exists; false (and a line on stderr) when there is no
    // display to show the studio on.
    bool EnsureApplication();

    std::vector<std::string> arguments_;
    std::string dataFolder_;
    ViewerPaneControls paneControls_;
    CKivoModule module_;
    bool initialised_ = false;
    int status_ = 0;
    int* argc_ = nullptr;
    char** argv_ = nullptr;
    std::unique_ptr<QApplication> application_;
    platform::QtPrompts qtPrompts_;
    bool promptsInstalled_ = false;
    std::unique_ptr<CMainFrame> frame_;
};
