// The viewer over the whole screen: entering and leaving the full-screen window, the
// display's mode for it and the menu while it shows.
#include <vector>

#include "platform/gfx/DirectDraw.h"
#include "platform/gfx/DisplaySettings.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "platform/window/Desktop.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/viewer/FullScreen.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

constexpr const char* kAskText =
    "Vantelo is requesting fullscreen mode!\n"
    "(Get rid of this message from the options menu)\n"
    "\nAllow fullscreen?\n";

constexpr std::uint32_t kExclusiveLevel = gfx::DDSCL_MULTITHREADED | gfx::DDSCL_EXCLUSIVE |
                                          gfx::DDSCL_ALLOWREBOOT | gfx::DDSCL_FULLSCREEN;
constexpr std::uint32_t kNormalLevel =
    gfx::DDSCL_MULTITHREADED | gfx::DDSCL_NORMAL | gfx::DDSCL_NOWINDOWCHANGES;
constexpr std::uint32_t kOldExclusiveLevel =
    gfx::DDSCL_EXCLUSIVE | gfx::DDSCL_ALLOWREBOOT | gfx::DDSCL_FULLSCREEN;

}  // namespace

platform::Window* CVanteloPlugin::TargetWindow() const {
    if (fullScreen_ != nullptr && fullScreen_->window() != nullptr) return fullScreen_->window();
    return hold_.get();
}

void CVanteloPlugin::SetFullscreen(int value) {
    if (value == 1) {
        EnterFullscreen();
    } else if (fullScreen_ != nullptr && fullScreen_->window() != nullptr) {
        // The window's end, later, brings the viewer back.
        fullScreen_->window()->Post(platform::WM_CLOSE);
    }
}

int CVanteloPlugin::GetFullscreen() const {
    return fullScreen_ != nullptr ? 1 : 0;
}

bool CVanteloPlugin::EnterFullscreen() {
    if (fullScreen_ != nullptr || FullScreen::Current() != nullptr || !display_ || !hold_) {
        return false;
    }
    ViewerOptions options;
    {
        platform::SectionHold hold(OptionsSection());
        options = Options();
    }
    if (options.allow == 0) return false;
    if (options.allow == 1) {
        SuspendPacing();
        const auto answer = platform::ShowMessage(hold_->handle(), kAskText, ViewerTitle(),
                                                  platform::MessageButtons::YesNo);
        ResumePacing();
        if (answer != platform::PromptAnswer::Yes) return false;
        // While the box was open the page may have taken the window away, or another viewer
        // gone full screen.
        if (!display_ || !hold_ || fullScreen_ != nullptr || FullScreen::Current() != nullptr) {
            return false;
        }
    }
    Vector2<int> size(options.width, options.height);
    if (options.desktop != 0) size = platform::GetDesktopRect().GetSize();
    // An empty desktop, or a size the registry made up, refuses.
    if (size.x <= 0 || size.y <= 0) return false;
    SuspendPacing();
    {
        platform::SemaphoreHold device(display_.DeviceSemaphore(), ViewerDisplay::kDeviceWait);
        fullScreen_ = new FullScreen(size, this);
        display_->SetTargetWindow(fullScreen_->handle());
        HardwareAskOptions ask;
        ask.desktopResolution = options.desktop != 0;
        ask.sleep = askSleep_;
        ask.switchDisplayMode = [&] {
            SetDisplayMode(size.x, size.y, display_->GetBitsPerPixel());
            // The switch reaches this process's viewers at once: a holder among them lets
            // go before the wait begins.
            SyncOtherViewers();
        };
        device.Release();
        display_->AskForHardware(ask);
    }
    ResizeRenderTarget(size);
    platform::SetFocus(fullScreen_->handle());
    album_.FitToWindow(display_ ? display_->GetSize() : size, Album::kFitCentre);
    FireEvent(kChangedPos, true);
    if (host_ != nullptr) {
        host_->OnChangeMode(1, static_cast<short>(size.x), static_cast<short>(size.y));
    }
    Redraw();
    ResumePacing();
    menu_.SetMenuItemText(kIdFullscreen, "Close fullscreen");
    menu_.EnableMenuItem(kIdUpgrade, false);
    menu_.EnableMenuItem(kIdOptions, false);
    UpdateMenu(album_.GetUserInterfaceLock());
    return true;
}

void CVanteloPlugin::LeaveFullscreen() {
    if (fullScreen_ == nullptr) return;
    fullScreen_ = nullptr;
    SuspendPacing();
    if (display_ && window_ != nullptr) display_->SetTargetWindow(window_);
    if (modeSwitched_) {
        ViewerDisplay::Hold hold(display_);
        RestoreDisplayMode();
    }
    if (display_ && hold_) {
        const Vector2<int> size = hold_->GetClientRect().GetSize();
        ResizeRenderTarget(size);
        platform::SetFocus(window_);
        album_.FitToWindow(size, album_.GetFit() != 0 ? album_.GetFit() : Album::kFitCentre);
        FireEvent(kChangedPos, true);
        if (host_ != nullptr) {
            host_->OnChangeMode(0, static_cast<short>(size.x), static_cast<short>(size.y));
        }
    }
    menu_.SetMenuItemText(kIdFullscreen, "Fullscreen");
    menu_.EnableMenuItem(kIdUpgrade, true);
    menu_.EnableMenuItem(kIdOptions, true);
    UpdateMenu(album_.GetUserInterfaceLock());
    if (display_) Redraw();
    ResumePacing();
}

void CVanteloPlugin::EndFullscreen() {
    delete fullScreen_;
}

bool CVanteloPlugin::SetDisplayMode(int width, int height, int bits) {
    if (!display_) return false;
    if (!resizedOnce_) DDWindow::SetModeSwitchBySettings(true);
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    if (DDWindow::IsModeSwitchBySettings() || shared.dx3Mode) {
        gfx::DevMode mode;
        mode.fields = gfx::DM_BITSPERPEL | gfx::DM_PELSWIDTH | gfx::DM_PELSHEIGHT;
        mode.pelsWidth = static_cast<std::uint32_t>(width);
        mode.pelsHeight = static_cast<std::uint32_t>(height);
        mode.bitsPerPel = static_cast<std::uint32_t>(bits);
        if (gfx::ChangeDisplaySettings(&mode, 0) != gfx::DISP_CHANGE_SUCCESSFUL) return false;
        modeSwitched_ = true;
        return true;
    }
    const bool old = shared.dd4 == nullptr;
    gfx::DirectDraw* dd = old ? shared.dd : shared.dd4;
    if (dd == nullptr) return false;
    display_->SetCooperation(old ? kOldExclusiveLevel : kExclusiveLevel);
    if (dd->SetDisplayMode(width, height, bits) != gfx::DD_OK) {
        if (old) dd->RestoreDisplayMode();
        display_->SetCooperation(old ? gfx::DDSCL_NORMAL : kNormalLevel);
        return false;
    }
    modeSwitched_ = true;
    return true;
}

void CVanteloPlugin::RestoreDisplayMode() {
    if (!modeSwitched_) return;
    modeSwitched_ = false;
    auto section = EnterDeviceSection();
    DirectDrawObjects& shared = SharedDirectDraw();
    if (DDWindow::IsModeSwitchBySettings() || shared.dx3Mode) {
        gfx::ChangeDisplaySettings(nullptr, 0);
        return;
    }
    const bool old = shared.dd4 == nullptr;
    gfx::DirectDraw* dd = old ? shared.dd : shared.dd4;
    if (dd == nullptr) return;
    dd->RestoreDisplayMode();
    if (display_) display_->SetCooperation(old ? gfx::DDSCL_NORMAL : kNormalLevel);
}

void CVanteloPlugin::SyncOtherViewers() {
    std::vector<CVanteloPlugin*> others;
    {
        platform::SectionHold list(ListSection());
        for (CVanteloPlugin* viewer : Instances()) {
            if (viewer != this) others.push_back(viewer);
        }
    }
    // All on this thread: none of them goes meanwhile.
    for (CVanteloPlugin* viewer : others) viewer->device_.SyncDeviceOwnership();
}
