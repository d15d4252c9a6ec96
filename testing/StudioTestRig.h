#pragma once

#include <memory>
#include <string>
#include <vector>

#include "testing/DebugCapture.h"
#include "testing/DialogDriver.h"
#include "testing/FakeViewerPane.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

class CKivoApp;
class CMainFrame;

namespace testing_support {

// The studio as a test runs it: its user folders and registry in a temporary folder
// (StudioEnvironment), a copy of the shipped data folder of its own, the viewer control
// served by the test server, scripted prompts, captured debug output, and the real
// application and frame, offscreen. Modal dialogs are worked with DriveNextDialog.
class StudioTestRig {
public:
    StudioTestRig();
    ~StudioTestRig();
    StudioTestRig(const StudioTestRig&) = delete;
    StudioTestRig& operator=(const StudioTestRig&) = delete;

    // Starts the studio with these arguments, as far as its start-up goes; returns what
    // CKivoApp::InitInstance returned.
    bool Start(std::vector<std::string> arguments = {});
    // Shuts the studio down (CKivoApp::ExitInstance) and returns its exit status.
    int Stop();

    CKivoApp& app() { return *app_; }
    // Null when the start made no window.
    CMainFrame* frame() const;
    ScriptedPrompts& prompts() { return prompts_; }
    DebugCapture& debug() { return debug_; }
    TempDir& temp() { return temp_; }
    // The rig's own data folder, ending in '/'.
    const std::string& dataFolder() const { return dataFolder_; }
    // The viewer pane's two controls, recording fakes; null before Start.
    FakeViewerControl* viewerControl() const { return viewerControl_; }
    FakeBrowser* browser() const { return browser_; }
    // The info pane's banner browser, a recording fake too; null before Start.
    FakeBrowser* bannerBrowser() const { return bannerBrowser_; }

private:
    TempDir temp_;
    std::string dataFolder_;
    ScriptedPrompts prompts_;
    DebugCapture debug_;
    std::unique_ptr<CKivoApp> app_;
    bool stopped_ = true;
    FakeViewerControl* viewerControl_ = nullptr;
    FakeBrowser* browser_ = nullptr;
    FakeBrowser* bannerBrowser_ = nullptr;
};

}  // namespace testing_support
