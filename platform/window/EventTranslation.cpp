#include "platform/window/EventTranslation.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWidget>
#include <QWindowStateChangeEvent>

#include "platform/window/MessageEvent.h"

namespace platform::window_detail {
namespace {

WPARAM MouseKeyFlags(const QMouseEvent& event) {
    WPARAM flags = 0;
    const Qt::MouseButtons buttons = event.buttons();
    if (buttons & Qt::LeftButton) flags |= MK_LBUTTON;
    if (buttons & Qt::RightButton) flags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton) flags |= MK_MBUTTON;
    const Qt::KeyboardModifiers modifiers = event.modifiers();
    if (modifiers & Qt::ShiftModifier) flags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier) flags |= MK_CONTROL;
    return flags;
}

std::optional<Message> MouseMessage(const QMouseEvent& event) {
    std::uint32_t id = 0;
    const bool down = event.type() != QEvent::MouseButtonRelease;
    switch (event.type()) {
        case QEvent::MouseMove:
            id = WM_MOUSEMOVE;
            break;
        // Windows without double-click support see the second click as a press.
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            if (event.button() == Qt::LeftButton) {
                id = down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            } else if (event.button() == Qt::RightButton) {
                id = down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            }
            break;
        default:
            break;
    }
    if (id == 0) return std::nullopt;
    const QPoint point = event.position().toPoint();
    return Message{id, MouseKeyFlags(event), MakeLParam(point.x(), point.y())};
}

std::optional<Message> KeyMessage(const QKeyEvent& event) {
    const int vk = VirtualKeyFromQt(event.key());
    if (vk == 0) return std::nullopt;
    // Low word: the repeat count; bit 30: the key was already down.
    LPARAM lParam = event.count() > 0 ? (event.count() & 0xFFFF) : 1;
    if (event.isAutoRepeat()) lParam |= LPARAM{1} << 30;
    return Message{WM_KEYDOWN, static_cast<WPARAM>(vk), lParam};
}

WPARAM MinimisedWord(const QWidget& widget) {
    return widget.isMinimized() ? WPARAM{1} << 16 : 0;
}

}  // namespace

int VirtualKeyFromQt(int qtKey) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) return 'A' + (qtKey - Qt::Key_A);
    switch (qtKey) {
        case Qt::Key_Shift:
            return VK_SHIFT;
        case Qt::Key_Control:
            return VK_CONTROL;
        case Qt::Key_Alt:
            return VK_MENU;
        case Qt::Key_Escape:
            return VK_ESCAPE;
        case Qt::Key_Space:
            return VK_SPACE;
        case Qt::Key_Left:
            return VK_LEFT;
        case Qt::Key_Up:
            return VK_UP;
        case Qt::Key_Right:
            return VK_RIGHT;
        case Qt::Key_Down:
            return VK_DOWN;
        default:
            return 0;
    }
}

std::optional<Message> TranslateEvent(QWidget& widget, QEvent& event) {
    const QEvent::Type type = event.type();
    if (type >= QEvent::User && type <= QEvent::MaxUser) {
        const auto id = static_cast<std::uint32_t>(type - QEvent::User);
        // Someone else's copy of this layer may have posted it; the class is the same.
        if (const auto* posted = dynamic_cast<const MessageEvent*>(&event)) {
            return Message{id, posted->message().wParam, posted->message().lParam};
        }
        return Message{id, 0, 0};
    }
    switch (type) {
        case QEvent::MouseMove:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::MouseButtonRelease:
            return MouseMessage(static_cast<const QMouseEvent&>(event));
        case QEvent::KeyPress:
            return KeyMessage(static_cast<const QKeyEvent&>(event));
        case QEvent::FocusIn:
            return Message{WM_SETFOCUS, 0, 0};
        case QEvent::FocusOut:
            // Qt names the new focus widget before the old one hears of the change.
            return Message{WM_KILLFOCUS, reinterpret_cast<WPARAM>(QApplication::focusWidget()), 0};
        case QEvent::Resize: {
            const QSize size = static_cast<const QResizeEvent&>(event).size();
            const WPARAM kind = widget.isMinimized()   ? SIZE_MINIMIZED
                                : widget.isMaximized() ? SIZE_MAXIMIZED
                                                       : SIZE_RESTORED;
            return Message{WM_SIZE, kind, MakeLParam(size.width(), size.height())};
        }
        case QEvent::Move: {
            // A top-level window reports its client origin on the screen, a child its place
            // in the parent.
            const QPoint origin = widget.geometry().topLeft();
            return Message{WM_MOVE, 0, MakeLParam(origin.x(), origin.y())};
        }
        case QEvent::Close:
            return Message{WM_CLOSE, 0, 0};
        case QEvent::WindowActivate:
        case QEvent::WindowDeactivate:
            if (!widget.isWindow()) return std::nullopt;
            return Message{
                WM_ACTIVATE,
                (type == QEvent::WindowActivate ? WA_ACTIVE : WA_INACTIVE) | MinimisedWord(widget),
                0};
        case QEvent::WindowStateChange: {
            const auto& change = static_cast<const QWindowStateChangeEvent&>(event);
            const bool nowMinimised = widget.windowState() & Qt::WindowMinimized;
            const bool wasMinimised = change.oldState() & Qt::WindowMinimized;
            if (!widget.isWindow() || !nowMinimised || wasMinimised) return std::nullopt;
            return Message{WM_ACTIVATE, WA_INACTIVE | MinimisedWord(widget), 0};
        }
        default:
            return std::nullopt;
    }
}

}  // namespace platform::window_detail
