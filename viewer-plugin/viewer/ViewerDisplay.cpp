#include "viewer-plugin/viewer/ViewerDisplay.h"

#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/display/DDSurface.h"

namespace {

std::optional<platform::SemaphoreHold> TakeCanvas(platform::Semaphore* canvas) {
    // The loader lets go of the canvas at each band: waiting without a limit is short.
    if (canvas == nullptr) return std::nullopt;
    return std::optional<platform::SemaphoreHold>(std::in_place, *canvas, platform::kWaitForever);
}

}  // namespace

ViewerDisplay::Hold::Hold(ViewerDisplay& display, platform::Semaphore* canvas)
    : canvas_(TakeCanvas(canvas)),
      state_(display.stateSemaphore_, kStateWait),
      device_(display.deviceSemaphore_, kDeviceWait) {}

ViewerDisplay::ViewerDisplay() = default;
ViewerDisplay::~ViewerDisplay() = default;

void ViewerDisplay::Adopt(std::unique_ptr<D3DWindow> display) {
    display_ = std::move(display);
    plainFrame_.reset();
    hasDisplay_ = true;
}

std::unique_ptr<D3DWindow> ViewerDisplay::Take() {
    return std::move(display_);
}

void ViewerDisplay::Destroy() {
    if (!display_) return;
    display_->OnDestroy();
    display_.reset();
}

void ViewerDisplay::SetLogo(std::unique_ptr<DDSurface> logo) {
    logo_ = std::move(logo);
}

void ViewerDisplay::DropLogo() {
    logo_.reset();
}

bool ViewerDisplay::KeepPlainFrame(const PlainFrame& frame) {
    const bool changed = plainFrame_ != frame;
    plainFrame_ = frame;
    return changed;
}
