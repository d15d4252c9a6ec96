#include "testing/StudioTestRig.h"

#include <filesystem>

#include "studio/shell/app/KivoApp.h"
#include "studio/shell/app/MainFrame.h"
#include "testing/QtTestApp.h"
#include "testing/StudioEnvironment.h"

namespace testing_support {

StudioTestRig::StudioTestRig() {
    StudioEnvironment::Get();
    TestApplication();
    dataFolder_ = temp_.Path("kvtdata") + "/";
    std::error_code error;
    std::filesystem::copy(VANTELO_SOURCE_DATA_FOLDER, dataFolder_,
                          std::filesystem::copy_options::recursive, error);
    RegisterViewerControl(VANTELO_FAKE_SERVER);
}

StudioTestRig::~StudioTestRig() {
    Stop();
}

bool StudioTestRig::Start(std::vector<std::string> arguments) {
    Stop();
    app_ = std::make_unique<CKivoApp>(std::move(arguments), dataFolder_);
    viewerControl_ = nullptr;
    browser_ = nullptr;
    bannerBrowser_ = nullptr;
    ViewerPaneControls controls;
    controls.makeViewer = [this](QWidget* parent) {
        auto control = std::make_unique<FakeViewerControl>(parent);
        viewerControl_ = control.get();
        return control;
    };
    // The info pane makes its banner browser with the same maker.
    controls.makeBrowser = [this](QWidget* parent) {
        auto browser = std::make_unique<FakeBrowser>(parent);
        if (parent != nullptr && parent->objectName() == "VanteloView") {
            browser_ = browser.get();
        } else {
            bannerBrowser_ = browser.get();
        }
        return browser;
    };
    app_->SetViewerPaneControls(std::move(controls));
    stopped_ = false;
    return app_->InitInstance();
}

int StudioTestRig::Stop() {
    if (app_ == nullptr || stopped_) return app_ != nullptr ? app_->GetExitStatus() : 0;
    stopped_ = true;
    viewerControl_ = nullptr;
    browser_ = nullptr;
    bannerBrowser_ = nullptr;
    return app_->ExitInstance();
}

CMainFrame* StudioTestRig::frame() const {
    return app_ != nullptr ? app_->GetMainFrame() : nullptr;
}

}  // namespace testing_support
