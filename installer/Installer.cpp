#include "installer/Installer.h"

#include "installer/InstallerStrings.h"
#include "platform/debug/Debug.h"
#include "platform/prompts/Prompts.h"

namespace installer {
namespace {

constexpr std::string_view kInstallCaption = "Vantelo Install";
constexpr std::string_view kErrorCaption = "Vantelo install error";
constexpr std::size_t kSummaryLineLimit = 255;

// DirectInput's creation entry is what tells DirectX 3 from DirectX 2.
bool HasDirectInput(DirectXSteps& steps) {
    if (!steps.LoadDirectInput()) {
        platform::DebugOutput("Couldn't LoadLibrary DInput\r\n");
        return false;
    }
    if (!steps.FindDirectInputCreate()) {
        platform::DebugOutput("Couldn't GetProcAddress DInputCreate\r\n");
        return false;
    }
    return true;
}

// The steps from the DirectDraw object on; the version reached when one fails.
int DirectDrawVersion(DirectXSteps& steps) {
    if (!steps.LoadDirectDraw()) {
        platform::DebugOutput("Couldn't LoadLibrary DDraw\r\n");
        return 0;
    }
    if (!steps.CreateDirectDraw()) {
        platform::DebugOutput("Couldn't create DDraw\r\n");
        return 0;
    }
    if (!steps.QueryDirectDraw2()) {
        platform::DebugOutput("Couldn't QI DDraw2\r\n");
        return kDirectX1;
    }
    if (!HasDirectInput(steps)) return kDirectX2;
    if (!steps.SetNormalCooperativeLevel()) {
        platform::DebugOutput("Couldn't Set coop level\r\n");
        return kDirectX3;
    }
    if (!steps.CreatePrimarySurface()) {
        platform::DebugOutput("Couldn't CreateSurface\r\n");
        return kDirectX3;
    }
    if (!steps.QuerySurface3()) return kDirectX3;
    if (!steps.QuerySurface4()) return kDirectX5;
    return kDirectX6;
}

void AddSummaryLine(std::string& summary, std::string_view line) {
    summary.append(line.substr(0, kSummaryLineLimit));
    summary.push_back('\n');
}

}  // namespace

int DetectDirectXVersion(const OsProfile& os, DirectXSteps& steps, int& osKind) {
    if (os.family == OsFamily::Windows9x) {
        osKind = kOsWindows9x;
        if (os.majorVersion > 4) return kDirectX6;
        return DirectDrawVersion(steps);
    }
    if (os.majorVersion < 4) {
        osKind = kOsUnknown;
        return 0;
    }
    osKind = kOsWindowsNT;
    if (os.majorVersion == 4) return HasDirectInput(steps) ? kDirectX3 : kDirectX2;
    return DirectDrawVersion(steps);
}

int RunInstaller(std::string_view commandLine, Collaborators& collaborators) {
    Installer installer(collaborators);
    return installer.Run(commandLine);
}

int Installer::Run(std::string_view commandLine) {
    showFinalDialog_ = commandLine.find("-nook") == std::string_view::npos;
    title_ = std::string(LoadString(103));
    const int result = Install();
    return result != 0 && !failed_ ? 1 : 0;
}

int Installer::Install() {
    for (;;) {
        const std::optional<int> bits = c_.display.BitsPerPixel();
        if (!bits || *bits > 8) break;
        const platform::PromptAnswer answer = platform::ShowMessage(
            nullptr,
            "Your display is set to 256 colours or less\nVantelo needs at least 16 bit colour "
            "(hi-colour)\nChange your display settings and retry",
            kInstallCaption, platform::MessageButtons::RetryCancel, platform::MessageIcon::Warning);
        if (answer != platform::PromptAnswer::Retry) return 0;
    }

    directXVersion_ = DetectDirectXVersion(c_.os, c_.directX, osKind_);

    failed_ = true;
    if (directXVersion_ < kDirectX3) {
        platform::ShowMessage(nullptr, Summary(), kErrorCaption, platform::MessageButtons::Ok,
                              platform::MessageIcon::Error);
        return 1;
    }

    if (InstallViewerControl()) {
        if (!c_.files.CanOpen(Source(kNetscapePlugin))) {
            netscapeState_ = kNetscapeExplorerOnly;
        } else if (InstallNetscape()) {
            failed_ = false;
            netscapeInstalled_ = true;
        } else {
            failed_ = true;
        }
    }
    if (InstallMozilla()) failed_ = false;
    if (InstallOpera()) {
        failed_ = false;
    } else if (failed_) {
        platform::ShowMessage(nullptr, Summary(), kErrorCaption, platform::MessageButtons::Ok,
                              platform::MessageIcon::Error);
        return 1;
    }
    if (showFinalDialog_) c_.finalDialog.Show(title_, FinalText());
    return 1;
}

std::string Installer::Summary() const {
    std::string summary;
    AddSummaryLine(summary, LoadString(121));
    if (osKind_ == kOsWindows9x) {
        AddSummaryLine(summary, LoadString(115));
    } else if (osKind_ == kOsWindowsNT) {
        AddSummaryLine(summary, LoadString(directXVersion_ == kDirectX6 ? 128 : 114));
    }
    switch (directXVersion_) {
        case kDirectX3:
            AddSummaryLine(summary, LoadString(111));
            break;
        case kDirectX5:
            AddSummaryLine(summary, LoadString(112));
            break;
        case kDirectX6:
            AddSummaryLine(summary, LoadString(113));
            break;
        default:
            AddSummaryLine(summary, LoadString(122));
            break;
    }
    if (controlRegistered_) {
        AddSummaryLine(summary, LoadString(119));
    } else if (!failureReason_.empty()) {
        AddSummaryLine(summary, failureReason_);
    } else {
        AddSummaryLine(summary, LoadString(125));
    }
    if (!netscapeInstalled_) {
        if (netscapeState_ == kNetscapeExplorerOnly) {
            AddSummaryLine(summary, LoadString(123));
        } else if (netscapeState_ == kNetscapeFolderNotFound) {
            AddSummaryLine(summary, LoadString(120));
        } else if (netscapeState_ != kNetscapeNotTried) {
            AddSummaryLine(summary, LoadString(124));
        }
    }
    return summary;
}

std::string Installer::FinalText() const {
    std::string text = "Vantelo browser plugin installed for:\n";
    if (explorerLine_) text += "- Internet Explorer (Refresh needed)\n";
    if (netscapeLine_) text += "- Netscape Navigator 4.x (Restart needed)\n";
    if (mozillaLine_) text += "- Mozilla Firefox (Restart needed)\n";
    if (operaLine_) text += "- Opera browser (Restart needed)\n";
    return text;
}

}  // namespace installer
