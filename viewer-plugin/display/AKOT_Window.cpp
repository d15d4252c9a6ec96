#include "viewer-plugin/display/AKOT_Window.h"

#include <map>
#include <mutex>

#include <QMetaObject>
#include <QWidget>

#include "platform/window/MessageLoop.h"

namespace {

std::mutex mapMutex;

std::map<platform::HWND, AKOT_Window*>& WindowMap() {
    static std::map<platform::HWND, AKOT_Window*> map;
    return map;
}

}  // namespace

AKOT_Window::AKOT_Window(ModuleInstance instance, platform::HWND window)
    : hwnd_(window), instance_(instance), window_(platform::Window::Attach(window)) {
    std::lock_guard lock(mapMutex);
    WindowMap()[hwnd_] = this;
}

AKOT_Window::~AKOT_Window() {
    std::lock_guard lock(mapMutex);
    // A newer object made on the same window before this one went keeps its entry.
    auto& map = WindowMap();
    const auto it = map.find(hwnd_);
    if (it != map.end() && it->second == this) map.erase(it);
}

void AKOT_Window::Retarget(platform::HWND window) {
    std::lock_guard lock(mapMutex);
    auto& map = WindowMap();
    const auto it = map.find(hwnd_);
    if (it != map.end() && it->second == this) map.erase(it);
    window_ = platform::Window::Attach(window);
    hwnd_ = window;
    map[hwnd_] = this;
}

AKOT_Window* AKOT_Window::FromHandle(platform::HWND window) {
    std::lock_guard lock(mapMutex);
    const auto& map = WindowMap();
    const auto it = map.find(window);
    return it != map.end() ? it->second : nullptr;
}

int AKOT_Window::MessageLoop(bool loop) {
    std::function<bool()> idle;
    if (idle_) idle = [this] { return OnIdle(); };
    return platform::MessageLoop(peekMode_, idle, loop);
}

void AKOT_Window::Close() {
    if (QWidget* widget = window_ ? window_->handle() : nullptr) {
        // Closing goes through the widget's own close, so its windows see WM_CLOSE and one
        // of them may refuse it.
        QMetaObject::invokeMethod(widget, &QWidget::close, Qt::QueuedConnection);
    }
}

const char* AKOT_Window::GetKeyBuffer() const {
    return keys_.empty() ? nullptr : keys_.c_str();
}

void AKOT_Window::ClearKeyBuffer() {
    keys_.clear();
}

void AKOT_Window::RemoveKey(char key) {
    const auto at = keys_.find(key);
    if (at == std::string::npos) return;
    keys_.erase(0, at + 1);
}

int AKOT_Window::FindKey(char key) const {
    const auto at = keys_.find(key);
    return at == std::string::npos ? 0 : static_cast<int>(at);
}
