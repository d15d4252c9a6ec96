// The viewer's scripting members: the property setters and getters that page scripts, the
// studio and the embed attributes use, and the canvas and zoom-lock methods.
#include <cmath>

#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/viewer/DispatchTable.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

using platform::SemaphoreHold;
using namespace scripting;

namespace {

constexpr int kRgbMask = 0xFFFFFF;

// A script may send NaN or an infinity; neither is a setting.
bool IsSetting(float value) {
    return std::isfinite(value);
}

}  // namespace

void CVanteloPlugin::RequestEdit(int dispid) {
    // The answer does not matter here: the viewer belongs to the page, not to a form.
    if (host_ != nullptr) host_->TryFireOnRequestEdit(dispid);
}

void CVanteloPlugin::FireViewChange() {
    if (host_ == nullptr) return;
    host_->Invalidate();
    host_->SendOnDataChange(0);
}

void CVanteloPlugin::put_Filename(const std::string& name) {
    SetFilename(name);
}

void CVanteloPlugin::put_UserInterfaceLock(int value) {
    RequestEdit(kDispUserInterfaceLock);
    if (static_cast<std::uint16_t>(value) != album_.GetUserInterfaceLock()) {
        album_.SetUserInterfaceLock(value);
        UpdateMenu(album_.GetUserInterfaceLock());
    }
    FireViewChange();
}

int CVanteloPlugin::get_UserInterfaceLock() const {
    return album_.GetUserInterfaceLock();
}

void CVanteloPlugin::put_Version(float value) {
    RequestEdit(kDispVersion);
    if (value > kVersion) StartUpdateCheck();
    FireViewChange();
}

void CVanteloPlugin::put_BgColor(int rgb) {
    RequestEdit(kDispBgColor);
    if ((rgb & kRgbMask) != album_.GetBgColor()) album_.SetBgColor(rgb);
    put_CanvasColor(rgb);
    FireViewChange();
}

int CVanteloPlugin::get_BgColor() const {
    return album_.GetBgColor();
}

void CVanteloPlugin::put_CanvasColor(int rgb) {
    RequestEdit(kDispCanvasColor);
    if ((rgb & kRgbMask) != album_.GetCanvasColor()) album_.SetCanvasColor(rgb);
    FireViewChange();
}

int CVanteloPlugin::get_CanvasColor() const {
    return album_.GetCanvasColor();
}

void CVanteloPlugin::ResizeCanvasLocked(Vector2<int> size) {
    // The loader writes rows into the tiles between its passes; the canvas changes only
    // while no pass runs (loader lock, then canvas lock).
    SemaphoreHold loader(album_.Loader().LoaderSemaphore(), platform::kWaitForever);
    SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
    album_.ResizeCanvas(display_.get(), size);
}

void CVanteloPlugin::put_CanvasWidth(int value) {
    RequestEdit(kDispCanvasWidth);
    const Vector2<int> size = album_.GetCanvasSize();
    // A canvas has at least one pixel each way; a script's 0 or less is no size.
    if (value > 0 && value != size.x) ResizeCanvasLocked({value, size.y});
    FireViewChange();
}

int CVanteloPlugin::get_CanvasWidth() const {
    return album_.GetCanvasSize().x;
}

void CVanteloPlugin::put_CanvasHeight(int value) {
    RequestEdit(kDispCanvasHeight);
    const Vector2<int> size = album_.GetCanvasSize();
    if (value > 0 && value != size.y) ResizeCanvasLocked({size.x, value});
    FireViewChange();
}

int CVanteloPlugin::get_CanvasHeight() const {
    return album_.GetCanvasSize().y;
}

void CVanteloPlugin::ReSizeCanvas(int width, int height) {
    if (width <= 0 || height <= 0) return;
    const Vector2<int> size(width, height);
    if (size == album_.GetCanvasSize()) return;
    ResizeCanvasLocked(size);
    Redraw();
}

void CVanteloPlugin::put_MaxZoom(float value) {
    RequestEdit(kDispMaxZoom);
    if (IsSetting(value) && value != album_.GetMaxZoom()) album_.SetMaxZoom(value);
    FireViewChange();
}

float CVanteloPlugin::get_MaxZoom() const {
    return album_.GetMaxZoom();
}

void CVanteloPlugin::put_MinZoom(float value) {
    RequestEdit(kDispMinZoom);
    if (IsSetting(value) && value != album_.GetMinZoom()) album_.SetMinZoom(value);
    FireViewChange();
}

float CVanteloPlugin::get_MinZoom() const {
    return album_.GetMinZoom();
}

void CVanteloPlugin::put_ZoomSpeed(float value) {
    RequestEdit(kDispZoomSpeed);
    if (IsSetting(value) && value != album_.GetZoomSpeed()) album_.SetZoomSpeed(value);
    FireViewChange();
}

float CVanteloPlugin::get_ZoomSpeed() const {
    return album_.GetZoomSpeed();
}

void CVanteloPlugin::put_PanSpeed(float value) {
    RequestEdit(kDispPanSpeed);
    if (IsSetting(value) && value != album_.GetPanSpeed()) album_.SetPanSpeed(value);
    FireViewChange();
}

float CVanteloPlugin::get_PanSpeed() const {
    return album_.GetPanSpeed();
}

void CVanteloPlugin::put_BorderColor(int value) {
    RequestEdit(kDispBorderColor);
    if (value != album_.GetBorderColor()) album_.SetBorderColor(value);
    FireViewChange();
}

int CVanteloPlugin::get_BorderColor() const {
    return album_.GetBorderColor();
}

void CVanteloPlugin::put_BorderWidth(int value) {
    RequestEdit(kDispBorderWidth);
    album_.SetBorderWidth(value);
    FireViewChange();
}

int CVanteloPlugin::get_BorderWidth() const {
    return album_.GetBorderWidth();
}

void CVanteloPlugin::put_BorderHeight(int value) {
    RequestEdit(kDispBorderHeight);
    if (value != album_.GetBorderHeight()) album_.SetBorderHeight(value);
    FireViewChange();
}

int CVanteloPlugin::get_BorderHeight() const {
    return album_.GetBorderHeight();
}

void CVanteloPlugin::put_Fit(int value) {
    RequestEdit(kDispFit);
    album_.SetFit(value);
    if (display_) {
        SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
        album_.Fit(display_->GetSize());
    }
    FireViewChange();
}

int CVanteloPlugin::get_Fit() const {
    return album_.GetFit();
}

void CVanteloPlugin::put_PosX(float value) {
    RequestEdit(kDispPosX);
    const Vector3 p = album_.GetPosition();
    if (IsSetting(value) && value != -p.x) {
        SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
        album_.SetPosition(-value, p.y, p.z);
    }
    FireViewChange();
}

float CVanteloPlugin::get_PosX() const {
    float x = 0;
    GetPosition(&x, nullptr, nullptr);
    return x;
}

void CVanteloPlugin::put_PosY(float value) {
    RequestEdit(kDispPosY);
    const Vector3 p = album_.GetPosition();
    if (IsSetting(value) && value != -p.y) {
        SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
        album_.SetPosition(p.x, -value, p.z);
    }
    FireViewChange();
}

float CVanteloPlugin::get_PosY() const {
    float y = 0;
    GetPosition(nullptr, &y, nullptr);
    return y;
}

void CVanteloPlugin::put_PosZ(float value) {
    RequestEdit(kDispPosZ);
    const Vector3 p = album_.GetPosition();
    // A zoom of 0 shows nothing and could not be divided by.
    if (IsSetting(value) && value != 0 && value != p.z) {
        SemaphoreHold canvas(album_.Loader().CanvasSemaphore(), platform::kWaitForever);
        album_.SetPosition(p.x, p.y, value);
    }
    FireViewChange();
}

float CVanteloPlugin::get_PosZ() const {
    float z = 0;
    GetPosition(nullptr, nullptr, &z);
    return z;
}

void CVanteloPlugin::put_ShowLogo(int value) {
    RequestEdit(kDispShowLogo);
    SetShowLogo(value);
    FireViewChange();
}

void CVanteloPlugin::put_Fullscreen(int value) {
    SetFullscreen(value);
    FireViewChange();
}

void CVanteloPlugin::ZoomLock(int xPos, int yPos) {
    album_.SetZoomLock(true, xPos, yPos);
}

void CVanteloPlugin::ZoomUnlock() {
    album_.SetZoomLock(false, -1, -1);
}
