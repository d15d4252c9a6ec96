// The viewer's input: mouse buttons and drags, keys, focus, the hot corner and menu 212.
#include "platform/window/InputState.h"
#include "viewer-plugin/display/D3DWindow.h"
#include "viewer-plugin/services/ViewerOptions.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

using platform::Menu;
using platform::MenuItem;

void CVanteloPlugin::BuildMenu() {
    Menu zoomTo{MenuItem::Command(kIdCenter, "Center"), MenuItem::Command(kIdZoom50, "50%"),
                MenuItem::Command(kIdZoom100, "100%"), MenuItem::Command(kIdZoom200, "200%")};
    Menu items{MenuItem::Command(kIdVersion, ""),
               MenuItem::Separator(),
               MenuItem::Command(kIdFullscreen, "Fullscreen"),
               MenuItem::Popup("ZoomTo", std::move(zoomTo)),
               MenuItem::Command(kIdPrint, "Print"),
               MenuItem::Command(kIdSaveView, "Save view"),
               MenuItem::Command(kIdUpgrade, "Upgrade"),
               MenuItem::Command(kIdOptions, "Options...")};
    menu_ = Menu{MenuItem::Popup("", std::move(items))};
    menuLoaded_ = true;
}

void CVanteloPlugin::UpdateMenu(int lockBits) {
    int allow = 0;
    {
        platform::SectionHold options(OptionsSection());
        allow = Options().allow;
    }
    menu_.EnableMenuItem(kIdFullscreen, (lockBits & Album::kLockFullscreen) == 0 && allow != 0);
    menu_.EnableMenuItem(kIdSaveView, (lockBits & Album::kLockSaveView) == 0);
    menu_.EnableMenuItem(kIdPrint, (lockBits & Album::kLockPrint) == 0);
}

void CVanteloPlugin::EnableFullscreenItem(bool enabled) {
    menu_.EnableMenuItem(kIdFullscreen, enabled);
}

void CVanteloPlugin::OpenMenu(Vector2<int> screenPoint) {
    Menu* popup = menu_.GetSubMenu(0);
    platform::Window* target = TargetWindow();
    if (popup == nullptr || target == nullptr) return;
    platform::TrackPopupMenu(*popup, screenPoint, *target);
}

void CVanteloPlugin::OnCommand(std::uint32_t id) {
    // These need no display: each looks for what it uses.
    if (id == kIdOptions) return ShowAboutDialog();
    if (id == kIdUpgrade) return StartUpdateCheck();
    if (!display_) return;
    D3DWindow* display = display_.get();
    switch (id) {
        case kIdZoom50:
            album_.ZoomToFactor(display, 0.5f);
            break;
        case kIdZoom100:
            album_.ZoomToFactor(display, 1.0f);
            break;
        case kIdZoom200:
            album_.ZoomToFactor(display, 2.0f);
            break;
        case kIdCenter:
            album_.FitToWindow(display->GetSize(), Album::kFitCentre);
            break;
        case kIdFullscreen:
            EnterFullscreen();
            return;
        case kIdPrint:
            Print();
            return;
        case kIdSaveView:
            SaveView();
            return;
        default:
            return;
    }
    Redraw();
    FireEvent(kChangedPos, true);
}

Vector2<int> CVanteloPlugin::WindowCentre() const {
    const Vector2<int> size = display_ ? display_->GetSize() : Vector2<int>{};
    return Vector2<int>(size.x / 2, size.y / 2);
}

void CVanteloPlugin::ActivateInput() {
    if (window_ != nullptr) album_.SetActive(window_, true);
}

void CVanteloPlugin::ReleaseCursor() {
    platform::ClipCursor(nullptr);
    for (; cursorHidden_ > 0; --cursorHidden_) platform::ShowCursor(true);
}

void CVanteloPlugin::EndLeftDrag() {
    album_.SetPanDrag(false);
    platform::ClipCursor(nullptr);
    if (showLogo_ != 0) {
        logoVisible_ = true;
        album_.SetDirty();
    }
}

void CVanteloPlugin::EndRightDrag() {
    album_.SetZoomDrag(false);
    ReleaseCursor();
    if (showLogo_ != 0) {
        logoVisible_ = true;
        album_.SetDirty();
    }
}

bool CVanteloPlugin::StartDrag(bool zoom) {
    platform::Window* target = TargetWindow();
    if (!imagePresent_ || target == nullptr) return false;
    const Vector2<int> cursor = platform::GetCursorPos();
    if (!target->GetWindowRect().Contains(cursor.x, cursor.y)) return false;
    FireEvent(kOnCursor, true);
    if (!(zoom ? album_.SetZoomDrag(true) : album_.SetPanDrag(true))) return false;
    album_.FlushMouseInput(display_.get());
    // The cursor stays put while the mouse's own movement drives the drag.
    const Rect clip{cursor.x, cursor.y, cursor.x + 1, cursor.y + 1};
    platform::ClipCursor(&clip);
    if (showLogo_ != 2) logoVisible_ = false;
    return true;
}

void CVanteloPlugin::OnLButtonDown() {
    StartDrag(false);
}

void CVanteloPlugin::OnRButtonDown(platform::WPARAM keys, platform::LPARAM point) {
    platform::Window* target = TargetWindow();
    if ((keys & (platform::MK_SHIFT | platform::MK_CONTROL)) != 0 && target != nullptr) {
        OpenMenu(
            target->ClientToScreen({platform::XFromLParam(point), platform::YFromLParam(point)}));
    }
    if (!StartDrag(true)) return;
    platform::ShowCursor(false);
    ++cursorHidden_;
}

void CVanteloPlugin::OnLButtonUp() {
    EndLeftDrag();
    FireEvent(kOnCursor, true);
}

void CVanteloPlugin::OnRButtonUp() {
    EndRightDrag();
    FireEvent(kOnCursor, true);
}

void CVanteloPlugin::OnMouseMove(Vector2<int> point) {
    FireEvent(kOnCursor, true);
    platform::Window* target = TargetWindow();
    if (!display_ || target == nullptr) return;
    const int width = display_->GetSize().x;
    const bool inCorner =
        point.x >= width - kHotCorner && point.x < width && point.y >= 0 && point.y < kHotCorner;
    if (inCorner && logoVisible_) OpenMenu(target->ClientToScreen({width, 0}));
}

bool CVanteloPlugin::OnKeyDown(int vk, platform::LPARAM lParam) {
    if (!display_) return false;
    D3DWindow* display = display_.get();
    const int r = static_cast<int>(lParam & 0xF);
    const bool modified = (platform::GetAsyncKeyState(platform::VK_CONTROL) & 0x8001) != 0 ||
                          (platform::GetAsyncKeyState(platform::VK_SHIFT) & 0x8001) != 0;
    switch (vk) {
        case platform::VK_ESCAPE:
            ReleaseCursor();
            return true;
        case platform::VK_SPACE:
            album_.FitToWindow(display->GetSize(), Album::kFitCentre);
            Redraw();
            FireEvent(kChangedPos, true);
            return true;
        case platform::VK_LEFT:
        case platform::VK_RIGHT:
        case platform::VK_UP:
        case platform::VK_DOWN:
            break;
        default:
            return false;
    }
    const Vector3 before = album_.GetPosition();
    if (vk == platform::VK_LEFT) {
        album_.Pan(display, {-4 * r, 0});
    } else if (vk == platform::VK_RIGHT) {
        album_.Pan(display, {4 * r, 0});
    } else if (modified) {
        const float step = 0.05f * static_cast<float>(vk == platform::VK_UP ? r : -r);
        album_.ZoomAt(display, WindowCentre(), step);
    } else {
        album_.Pan(display, {0, vk == platform::VK_UP ? -4 * r : 4 * r});
    }
    // The page (and the studio's info pane) hears of a move by keys as of one by the mouse.
    if (!(album_.GetPosition() == before)) FireEvent(kChangedPos, true);
    return true;
}

void CVanteloPlugin::OnSetFocus() {
    ActivateInput();
}

void CVanteloPlugin::OnKillFocus(platform::HWND window) {
    if (window_ == nullptr || window != window_) return;
    album_.SetActive(window_, false);
    album_.SetPanDrag(false);
    album_.SetZoomDrag(false);
    ReleaseCursor();
}
