// The viewer's display through the display's changes: handing the hardware over to another
// viewer and back, and making the display anew after depth changes and lost devices.
#include "viewer-plugin/viewer/DeviceOwnership.h"

#include <exception>

#include "platform/prompts/Prompts.h"
#include "platform/window/Desktop.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/display/SharedRecord.h"
#include "viewer-plugin/model/Album.h"
#include "viewer-plugin/viewer/ViewerDisplay.h"

namespace {

// An asker sleeps this long between looks at the record, (running count + 10) times.
constexpr std::chrono::milliseconds kAskPeriod{300};
constexpr int kAskExtraTries = 10;
// Frames of a viewer that sees the request late, and an asker's own slow steps.
constexpr std::chrono::milliseconds kAskMargin{1000};

}  // namespace

DeviceOwnership::DeviceOwnership(ViewerDisplay& display, Viewer& viewer)
    : display_(display), viewer_(viewer), clock_([] { return std::chrono::steady_clock::now(); }) {}

std::chrono::milliseconds DeviceOwnership::LongestAskWait(int runningCount) {
    // Sized as the asker sizes its wait, whatever number the record holds.
    return kAskPeriod * (ViewersToWaitFor(runningCount) + kAskExtraTries) + kAskMargin;
}

bool DeviceOwnership::RequestStands() {
    D3DWindow* display = display_.get();
    if (display == nullptr || !display->IsReleaseRequested()) {
        requestSince_.reset();
        return false;
    }
    const auto now = clock_();
    if (!requestSince_) requestSince_ = now;
    if (now - *requestSince_ <= LongestAskWait(display->GetRunningCount())) return true;
    // Its asker would have withdrawn it by now: it died waiting.
    display->SetReleaseRequest(false);
    requestSince_.reset();
    return false;
}

void DeviceOwnership::OnFrame() {
    if (yielded_ || RequestStands()) SyncDeviceOwnership();
}

bool DeviceOwnership::SyncDeviceOwnership() {
    if (viewer_.GetFullScreenWindow() != nullptr) return !display_;
    D3DWindow* display = display_.get();
    if (display != nullptr && !yielded_ && display->HoldsHardware() && RequestStands()) {
        YieldDevice();
        return yielded_;
    }
    if (ReclaimDevice()) return true;
    // A display that let go has nothing left to draw with.
    return !display_ || yielded_;
}

void DeviceOwnership::YieldDevice() {
    Viewer& v = viewer_;
    v.SuspendPacing();
    keptSize_ = display_->GetSize();
    // A download would pour its bytes into the canvas that goes: the picture is loaded
    // again once the hardware is back.
    v.AbortDownload();
    // The loader's passes wait for the device section: it is stopped and joined before the
    // section is entered, or each would wait for the other for ever.
    v.StopLoading();
    {
        ViewerDisplay::Hold hold(display_);
        if (hold) {
            v.ForgetPicture();
            auto section = EnterDeviceSection();
            v.GetAlbum().SetLogo(nullptr);
            display_.DropLogo();
            v.GetAlbum().StopLoader();
            D3DWindow* display = display_.get();
            display->ReleaseObjects();
            display->ReleaseHardwareClaim();
            display->SetReleased(true);
            display_.ForgetPlainFrame();
            lastRequest_ = true;
            yielded_ = true;
        }
    }
    if (yielded_ && v.GetWindow() != nullptr) {
        v.GetWindow()->RemovePending(platform::WM_DISPLAYCHANGE);
    }
    v.ResumePacing();
}

bool DeviceOwnership::ReclaimDevice() {
    Viewer& v = viewer_;
    if (!lastRequest_ || !display_ || RequestStands()) return false;
    v.SuspendPacing();
    std::unique_ptr<D3DWindow> old;
    {
        ViewerDisplay::Hold hold(display_);
        if (hold) {
            lastRequest_ = false;
            yielded_ = false;
            // The new display first: the viewer never counts out of the record meanwhile.
            old = display_.Take();
            v.Create();
            auto section = EnterDeviceSection();
            old->OnDestroy();
            old.reset();
        }
    }
    if (yielded_) {
        // Busy: the next frame tries again.
        v.ResumePacing();
        return false;
    }
    if (!display_) display_.SetHasDisplay(false);
    Rebuild(true);
    if (v.GetWindow() != nullptr) v.GetWindow()->Invalidate();
    v.ResumePacing();
    return true;
}

void DeviceOwnership::DeleteDisplay() {
    Viewer& v = viewer_;
    v.ForgetPicture();
    display_.SetHasDisplay(false);
    v.GetAlbum().StopLoader();
    auto section = EnterDeviceSection();
    v.GetAlbum().SetLogo(nullptr);
    display_.DropLogo();
    display_.Destroy();
    display_.ForgetPlainFrame();
    yielded_ = false;
    lastRequest_ = false;
}

void DeviceOwnership::CreateDisplay() {
    try {
        if (create_) {
            create_();
        } else {
            viewer_.Create();
        }
    } catch (const std::exception&) {
        viewer_.SuspendPacing();
        platform::Window* hold = viewer_.GetWindow();
        const platform::HWND owner = hold != nullptr ? hold->handle() : nullptr;
        platform::ShowMessage(owner, "Resize", "Graphics driver Exception");
        viewer_.ResumePacing();
    }
}

void DeviceOwnership::Rebuild(bool reload) {
    Viewer& v = viewer_;
    if (!display_) return;
    v.GetAlbum().CreateCanvas(display_.get());
    if (reload) v.Reload();
    v.GetAlbum().SetDirty();
}

void DeviceOwnership::RecoverDevice(Vector2<int> size) {
    Viewer& v = viewer_;
    keptSize_ = size;
    v.AbortDownload();
    v.StopLoading();
    {
        ViewerDisplay::Hold hold(display_);
        if (!hold) return;
        DeleteDisplay();
        CreateDisplay();
    }
    Rebuild(true);
}

int DeviceOwnership::OnDisplayChange(int bits) {
    Viewer& v = viewer_;
    // A display that went with a palette depth comes back with a colour one.
    const bool returning = !display_ && depthDropped_ && bits > 8 && v.PageWindow() != nullptr;
    if (!display_ && !returning) return 0;
    if (display_ && (SyncDeviceOwnership() || bits == display_->GetBitsPerPixel())) return 0;
    v.SuspendPacing();
    // The loader draws through the display: it is stopped and joined before the display
    // goes, and before the locks its passes wait for are taken.
    v.StopLoading();
    int result = 0;
    {
        ViewerDisplay::Hold hold(display_);
        if (hold) {
            DeleteDisplay();
            depthDropped_ = bits <= 8;
            if (!depthDropped_) {
                CreateDisplay();
                if (!display_) display_.SetHasDisplay(false);
                result = 1;
            }
        }
    }
    if (result == 1 && display_) {
        // A progressive picture's decoded rows went with the old canvas: it loads again, as
        // does one already complete. A download whose whole file is still to come fills the
        // new canvas when it ends.
        Rebuild(!v.IsLoading() || v.HandedOver());
    }
    if (v.GetWindow() != nullptr) v.GetWindow()->Invalidate();
    v.ResumePacing();
    return result;
}
