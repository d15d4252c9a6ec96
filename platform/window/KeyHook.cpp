#include "platform/window/KeyHook.h"

#include <algorithm>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QVariant>
#include <QWidget>
#include <QtGlobal>

#include "platform/window/EventTranslation.h"

namespace platform {
namespace {

// On the application object, where every copy of the layer counts.
constexpr const char* kHookCount = "_vantelo_message_hooks";

void AddToCount(int change) {
    if (qApp == nullptr) return;
    qApp->setProperty(kHookCount, qApp->property(kHookCount).toInt() + change);
}

std::uint32_t ButtonMessage(Qt::MouseButton button) {
    switch (button) {
        case Qt::RightButton:
            return WM_RBUTTONDOWN;
        case Qt::MiddleButton:
            return 0x0207;
        default:
            return WM_LBUTTONDOWN;
    }
}

class MessageHook final : public QObject {
public:
    MessageHook(GetMessageHookProc proc, std::thread::id thread) : proc_(proc), thread_(thread) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (std::this_thread::get_id() != thread_ || !watched->isWidgetType()) return false;
        auto* widget = static_cast<QWidget*>(watched);
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease:
                return OnKey(widget, *static_cast<QKeyEvent*>(event));
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
                OnClick(widget, static_cast<QMouseEvent*>(event)->button());
                return false;
            default:
                return false;
        }
    }

private:
    bool OnKey(QWidget* widget, const QKeyEvent& key) {
        const int vk = window_detail::VirtualKeyFromQt(key.key());
        if (vk == 0) return false;
        const bool alt = (key.modifiers() & Qt::AltModifier) != 0;
        const bool down = key.type() == QEvent::KeyPress;
        MSG message;
        message.hwnd = widget;
        message.message =
            down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        message.wParam = static_cast<WPARAM>(vk);
        message.lParam = key.count() > 0 ? (key.count() & 0xFFFF) : 1;
        if (key.isAutoRepeat()) message.lParam |= LPARAM{1} << 30;
        if (!down) message.lParam |= (LPARAM{1} << 30) | (LPARAM{1} << 31);
        inside_ = true;
        proc_(0, PM_REMOVE, reinterpret_cast<LPARAM>(&message));
        inside_ = false;
        const bool swallowed = message.message == WM_NULL;
        // Taken off from inside its own procedure: it goes now that the procedure is over.
        if (dead_) delete this;
        return swallowed;
    }

public:
    // Deletes the hook at once (its code may be unloaded next), or after its procedure
    // when it is running.
    void Remove() {
        if (inside_) {
            dead_ = true;
        } else {
            delete this;
        }
    }

private:
    static void OnClick(QWidget* widget, Qt::MouseButton button) {
        QPointer<QWidget> top = widget->window();
        const LPARAM lParam = MakeLParam(HTCLIENT, static_cast<int>(ButtonMessage(button)));
        for (QPointer<QWidget> at = widget; at;) {
            const LRESULT answer = SendMessage(at.data(), WM_MOUSEACTIVATE,
                                               reinterpret_cast<WPARAM>(top.data()), lParam);
            if (answer != 0 || !at) return;
            at = at->parentWidget();
        }
    }

    GetMessageHookProc proc_;
    std::thread::id thread_;
    bool inside_ = false;
    bool dead_ = false;
};

}  // namespace

HHOOK SetGetMessageHook(GetMessageHookProc proc, std::thread::id thread) {
    if (qApp == nullptr || proc == nullptr) return nullptr;
    auto* hook = new MessageHook(proc, thread);
    qApp->installEventFilter(hook);
    AddToCount(1);
    return hook;
}

bool UnhookWindowsHookEx(HHOOK hook) {
    if (hook == nullptr || qApp == nullptr) return false;
    auto* installed = static_cast<MessageHook*>(hook);
    qApp->removeEventFilter(installed);
    AddToCount(-1);
    installed->Remove();
    return true;
}

LRESULT CallNextHookEx(HHOOK, int, WPARAM, LPARAM) {
    return 0;
}

int InstalledHookCount() {
    return qApp != nullptr ? qApp->property(kHookCount).toInt() : 0;
}

bool MoveWindow(HWND window, const Rect& rect, bool repaint) {
    if (!IsWindow(window)) return false;
    const Vector2<int> size = rect.GetSize();
    window->setGeometry(rect.left, rect.top, std::max(size.x, 0), std::max(size.y, 0));
    if (repaint && window->isVisible()) window->repaint();
    return true;
}

HWND SetActiveWindow(HWND window) {
    HWND previous = QApplication::activeWindow();
    if (!IsWindow(window)) return nullptr;
    QWidget* top = window->window();
    top->activateWindow();
#if QT_VERSION < QT_VERSION_CHECK(6, 5, 0)
    // Platforms without a window manager (offscreen) activate only when told directly.
    QApplication::setActiveWindow(top);
#endif
    return previous;
}

HWND GetActiveWindow() {
    return QApplication::activeWindow();
}

}  // namespace platform
