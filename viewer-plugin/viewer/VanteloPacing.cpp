// The viewer's frame pacing: a thread per viewer posts the frame message when the window
// thread has finished the previous frame, and the window's own messages reach the viewer.
#include <cstdlib>
#include <cstring>

#include "platform/window/DrawContext.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

constexpr platform::WaitTime kFramePeriod{11};
constexpr platform::WaitTime kDownloadPeriod{66};
constexpr platform::WaitTime kFrameEventWait{1000};

// Hosts and tests that post the frame message themselves set VANTELO_PACING=manual.
bool ManualPacing() {
    const char* mode = std::getenv("VANTELO_PACING");
    return mode != nullptr && std::strcmp(mode, "manual") == 0;
}

}  // namespace

void CVanteloPlugin::StartPacing() {
    if (!frameEvent_) {
        frameEvent_ = std::make_unique<platform::Event>(platform::Event::Mode::ManualReset, true);
    }
    if (ManualPacing() || (pacing_ && !pacing_->Finished())) return;
    // A window given again after teardown: the thread that teardown stopped is replaced, and
    // the frame message lost with the old window is not waited for.
    pacingReady_ = nullptr;
    pacing_.reset();
    frameEvent_->Set();
    pacing_ = std::make_unique<platform::PacingThread>(
        kFramePeriod, [this] { return PacingPass(); }, pacingSleep_);
    pacingReady_ = pacing_.get();
}

platform::WaitTime CVanteloPlugin::PacingPeriod() const {
    if (loading_) return kDownloadPeriod;
    if (display_.HasDisplay()) return kFramePeriod;
    return period_;
}

platform::WaitTime CVanteloPlugin::PacingPass() {
    platform::PacingThread* thread = pacingReady_;
    if (thread == nullptr) return kFramePeriod;
    const int fired =
        platform::WaitAny({&thread->Interrupted(), frameEvent_.get()}, kFrameEventWait);
    // The go-ahead is taken only with a frame posted: taken while the display was away (a
    // palette depth), nothing would give it back and frames would never start again.
    if (fired == 1 && display_.HasDisplay() && hold_) {
        frameEvent_->Reset();
        hold_->Post(kFrameMessage);
    }
    period_ = PacingPeriod();
    return period_;
}

void CVanteloPlugin::SuspendPacing() {
    ++suspended_;
    if (pacing_) pacing_->Pause();
}

void CVanteloPlugin::ResumePacing() {
    if (suspended_ == 0) return;
    --suspended_;
    if (pacing_) pacing_->Resume();
}

bool CVanteloPlugin::HandleMessage(const platform::Message& message) {
    // Answers true where the viewer has the last word; the window's own handling follows
    // the rest.
    switch (message.id) {
        case kFrameMessage:
            if (suspended_ > 0) {
                // Posted before the pause and delivered by a modal loop: no frame now, but
                // the pacing thread may post again once it resumes.
                if (frameEvent_) frameEvent_->Set();
                return true;
            }
            OnFrameMessage();
            return true;
        case kUpdateReplyMessage:
            return HandleUpdateReply();
        case platform::WM_COMMAND:
            OnCommand(static_cast<std::uint32_t>(platform::LoWord(message.wParam)));
            return true;
        case platform::WM_SIZE:
            OnSize({platform::LoWord(static_cast<std::uintptr_t>(message.lParam)),
                    platform::HiWord(static_cast<std::uintptr_t>(message.lParam))});
            return false;
        case platform::WM_DISPLAYCHANGE:
            OnDisplayChange(static_cast<int>(message.wParam));
            return false;
        case platform::WM_PAINT:
            PaintWindow();
            return true;
        case platform::WM_DESTROY:
            OnDestroyWindow();
            return false;
        case platform::WM_SETFOCUS:
            OnSetFocus();
            return false;
        case platform::WM_KILLFOCUS:
            OnKillFocus(reinterpret_cast<platform::HWND>(message.wParam));
            return false;
        case platform::WM_LBUTTONDOWN:
            OnLButtonDown();
            return false;
        case platform::WM_LBUTTONUP:
        case platform::WM_NCLBUTTONUP:
            OnLButtonUp();
            return false;
        case platform::WM_RBUTTONDOWN:
            OnRButtonDown(message.wParam, message.lParam);
            return false;
        case platform::WM_RBUTTONUP:
        case platform::WM_NCRBUTTONUP:
            OnRButtonUp();
            return false;
        case platform::WM_MOUSEMOVE:
            OnMouseMove(
                {platform::XFromLParam(message.lParam), platform::YFromLParam(message.lParam)});
            return false;
        case platform::WM_KEYDOWN:
            return OnKeyDown(static_cast<int>(message.wParam), message.lParam);
        default:
            return false;
    }
}

void CVanteloPlugin::PaintWindow() {
    // The size the record has where the browsers that load the plug-in run.
    constexpr std::uint32_t kDrawInfoSize = 60;
    if (!hold_) return;
    const std::unique_ptr<platform::DrawContext> dc = hold_->BeginPaint();
    if (!dc) return;
    ATL_DRAWINFO info;
    info.cbSize = kDrawInfoSize;
    info.hdcDraw = dc.get();
    info.prcBounds = hold_->GetClientRect();
    PaintStatus(info);
}

void CVanteloPlugin::OnSize(Vector2<int> size) {
    if (size.x <= 0 || size.y <= 0 || window_ == nullptr) return;
    if (!display_) {
        if (!initFailed_) AttachWindow(window_);
        return;
    }
    if (display_->GetSize() != size) ResizeRenderTarget(size);
}

void CVanteloPlugin::ResizeRenderTarget(Vector2<int> size) {
    SuspendPacing();
    // The old interface keeps no device across a resize: the display is made anew. So is one
    // that let go of the device and now goes full screen: windowed, taking the device back
    // makes it anew, but full screen never takes it back, and it has no buffers to resize.
    bool recover = SharedDirectDraw().dx3Mode || (device_.HasYielded() && fullScreen_ != nullptr);
    if (!recover && !device_.HasYielded()) {
        ViewerDisplay::Hold hold(display_, &album_.Loader().CanvasSemaphore());
        if (hold) {
            const bool owned = display_->OwnsDevice();
            display_->Resize(size, false);
            recover = owned && !display_->OwnsDevice() && (size.x >= 256 || size.y >= 256);
        }
        display_.ForgetPlainFrame();
    }
    if (recover) device_.RecoverDevice(size);
    resizedOnce_ = true;
    album_.SetDirty();
    ResumePacing();
    Redraw();
}
