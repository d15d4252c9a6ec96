#include "studio/shell/app/KivoApp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include <QApplication>

#include "platform/registry/Registry.h"
#include "platform/window/DisplayReach.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/ShellDialogs.h"
#include "studio/shell/app/AboutDlg.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/panes/InfoView.h"

namespace {

// Qt warns that the session names no runtime folder before it makes the same one itself; a
// start with a display is silent, so the studio names it first. A folder that is not the
// user's own private one is left for Qt to warn about.
void NameRuntimeFolder() {
    if (std::getenv("XDG_RUNTIME_DIR") != nullptr) return;
    const char* temp = std::getenv("TMPDIR");
    const std::string folder = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") +
                               "/runtime-" + std::to_string(::getuid());
    ::mkdir(folder.c_str(), 0700);
    struct stat info {};
    if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) && info.st_uid == ::getuid() &&
        (info.st_mode & 0777) == 0700) {
        ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
    }
}

}  // namespace

CKivoApp::CKivoApp(std::vector<std::string> arguments, std::string dataFolder)
    : arguments_(std::move(arguments)),
      dataFolder_(std::move(dataFolder)),
      module_(platform::Registry::Default()) {
    Map(kAbout, [this] { OnAppAbout(); });
}

CKivoApp::~CKivoApp() {
    frame_.reset();
    if (promptsInstalled_) platform::SetPrompts(nullptr);
}

int CKivoApp::Run(int& argc, char** argv) {
    argc_ = &argc;
    argv_ = argv;
    if (InitInstance() && frame_ != nullptr) QApplication::exec();
    return ExitInstance();
}

bool CKivoApp::InitAtlModule() {
    initialised_ = true;
    module_.Init();
    const RegistrationSwitch registration = FindRegistrationSwitch(arguments_);
    if (registration == RegistrationSwitch::None) return true;

    const bool done = registration == RegistrationSwitch::RegServer ? module_.RegisterServer()
                                                                    : module_.UnregisterServer();
    if (!done) {
        std::fprintf(stderr, "KVT: the registry could not be written\n");
        status_ = 1;
    }
    initialised_ = false;
    module_.Term();
    return false;
}

bool CKivoApp::EnsureApplication() {
    if (QApplication::instance() != nullptr) return true;
    if (argc_ == nullptr || !platform::HasDisplay()) {
        std::fprintf(stderr,
                     "KVT needs a graphical display: DISPLAY or WAYLAND_DISPLAY names none "
                     "that can be reached\n");
        return false;
    }
    NameRuntimeFolder();
    // The browser of the viewer pane shares its GL contexts.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    application_ = std::make_unique<QApplication>(*argc_, argv_);
    platform::SetPrompts(&qtPrompts_);
    promptsInstalled_ = true;
    return true;
}

bool CKivoApp::InitInstance() {
    if (!InitAtlModule()) return false;
    // An automation start shows no window; with no clients to serve here, the program ends.
    if (HasAutomationSwitch(arguments_)) return true;
    if (!EnsureApplication()) {
        status_ = 1;
        return false;
    }

    if (!ProbeViewerControl()) {
        // Its registration may have been left switched off.
        SetViewerControlEnabled(true);
        if (!ProbeViewerControl()) {
            platform::ShowMessage(nullptr,
                                  "You must Install vantelo before you can run Vantelo Studio!",
                                  "Error", platform::MessageButtons::Ok);
            status_ = 1;
            return true;
        }
    }

    frame_ = std::make_unique<CMainFrame>(dataFolder_);
    frame_->SetViewerPaneControls(paneControls_);
    if (!frame_->Create()) {
        frame_.reset();
        status_ = 1;
        return false;
    }
    frame_->GetRouter().SetApplication(this);
    frame_->showMaximized();
    SetBusyDialogParent(frame_.get());
    UseBusyDialogForProgress();
    InstallShellDialogs(frame_.get());
    frame_->GetInfoView()->ShowBanner();
    frame_->CloseSplash();
    frame_->GetInfoView()->ShowStartImage();
    return true;
}

int CKivoApp::ExitInstance() {
    // The frame and everything it owns go before the rest.
    frame_.reset();
    CloseBusyDialog();
    if (initialised_) {
        module_.Term();
        initialised_ = false;
    }
    SetViewerControlEnabled(true);
    return status_;
}

void CKivoApp::OnAppAbout() {
    CAboutDlg dialog(frame_.get());
    dialog.exec();
}
