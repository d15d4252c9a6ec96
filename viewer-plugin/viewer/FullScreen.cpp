#include "viewer-plugin/viewer/FullScreen.h"

#include "platform/window/InputState.h"
#include "viewer-plugin/services/AboutText.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

FullScreen* current = nullptr;

// Keys the viewer acts on in full screen; any other ends it.
bool IsViewerKey(int vk) {
    return (vk >= platform::VK_SHIFT && vk <= platform::VK_MENU) ||
           (vk >= platform::VK_LEFT && vk <= platform::VK_DOWN);
}

}  // namespace

FullScreen* FullScreen::Current() {
    return current;
}

FullScreen::FullScreen(Vector2<int> size, CVanteloPlugin* viewer) : viewer_(viewer) {
    if (current == nullptr) current = this;
    window_ = platform::Window::CreateTopLevel(size, ViewerTitle(), kClassName);
    window_->AddHandler([this](const platform::Message& message) { return WindowProc(message); });
}

FullScreen::~FullScreen() {
    if (current == this) {
        current = nullptr;
        if (viewer_ != nullptr) viewer_->LeaveFullscreen();
    }
    // Releasing our own window deletes it, without a WM_DESTROY back to us.
    window_.reset();
}

void FullScreen::Destroy() {
    if (window_) window_->Destroy();
}

bool FullScreen::WindowProc(const platform::Message& message) {
    using namespace platform;
    CVanteloPlugin* viewer = current == this ? viewer_ : nullptr;
    switch (message.id) {
        case WM_DESTROY:
            delete this;
            return true;
        case WM_ACTIVATE:
            if (HiWord(message.wParam) != 0) Destroy();
            return true;
        case WM_CLOSE:
            Destroy();
            return true;
        case WM_MOVE:
        case WM_SIZE:
            return true;
        case WM_KEYDOWN: {
            const int vk = static_cast<int>(message.wParam);
            if (IsViewerKey(vk)) {
                if (viewer != nullptr) viewer->OnKeyDown(vk, message.lParam);
            } else {
                Destroy();
            }
            return true;
        }
        case WM_COMMAND: {
            const auto id = static_cast<std::uint32_t>(LoWord(message.wParam));
            if (id == CVanteloPlugin::kIdFullscreen) {
                Destroy();
            } else if (viewer != nullptr) {
                viewer->OnCommand(id);
            }
            return true;
        }
        case WM_MOUSEMOVE:
            if (viewer != nullptr) {
                viewer->OnMouseMove({XFromLParam(message.lParam), YFromLParam(message.lParam)});
            }
            return true;
        case WM_LBUTTONDOWN:
            if (viewer != nullptr) viewer->OnLButtonDown();
            return true;
        case WM_LBUTTONUP:
            if (viewer != nullptr) {
                viewer->OnLButtonUp();
                viewer->GetAlbum().SetDirty();
            }
            return true;
        case WM_RBUTTONDOWN:
            if (viewer != nullptr) viewer->OnRButtonDown(message.wParam, message.lParam);
            return true;
        case WM_RBUTTONUP:
            if (viewer != nullptr) viewer->OnRButtonUp();
            return false;
        default:
            return false;
    }
}
