#include "platform/window/WindowCalls.h"

#include <QApplication>
#include <QVariant>
#include <QWidget>

#include "platform/window/MessageEvent.h"

namespace platform {
namespace {

// Kept on the widget, where every copy of the layer finds them.
constexpr const char* kStyle = "_vantelo_style";
constexpr const char* kEraseDue = "_vantelo_erase_due";
constexpr const char* kRedraws = "_vantelo_redraws";
constexpr const char* kRedrawFlags = "_vantelo_redraw_flags";
constexpr const char* kResult = "_vantelo_message_result";

constexpr std::uint32_t kFollowed = WS_VISIBLE | WS_DISABLED | WS_CHILD;

}  // namespace

bool IsWindow(HWND window) {
    if (window == nullptr) return false;
    const QWidgetList widgets = QApplication::allWidgets();
    return widgets.contains(window);
}

HWND GetParent(HWND window) {
    return IsWindow(window) ? window->parentWidget() : nullptr;
}

std::uint32_t GetWindowStyle(HWND window) {
    if (!IsWindow(window)) return 0;
    std::uint32_t style = window->property(kStyle).toUInt() & ~kFollowed;
    if (window->isVisible()) style |= WS_VISIBLE;
    if (!window->isEnabled()) style |= WS_DISABLED;
    if (window->parentWidget() != nullptr) style |= WS_CHILD;
    return style;
}

std::uint32_t SetWindowStyle(HWND window, std::uint32_t style) {
    if (!IsWindow(window)) return 0;
    const std::uint32_t previous = GetWindowStyle(window);
    window->setProperty(kStyle, QVariant::fromValue(style & ~kFollowed));
    if ((style & WS_DISABLED) != (previous & WS_DISABLED)) {
        window->setEnabled((style & WS_DISABLED) == 0);
    }
    if ((style & WS_VISIBLE) != (previous & WS_VISIBLE)) {
        window->setVisible((style & WS_VISIBLE) != 0);
    }
    return previous;
}

bool RedrawWindow(HWND window, unsigned flags) {
    if (!IsWindow(window)) return false;
    window->setProperty(kRedraws, window->property(kRedraws).toInt() + 1);
    window->setProperty(kRedrawFlags, flags);
    if ((flags & RDW_ERASE) != 0 && (flags & RDW_INVALIDATE) != 0) {
        window->setProperty(kEraseDue, true);
    }
    if ((flags & RDW_INVALIDATE) != 0) window->update();
    if ((flags & RDW_UPDATENOW) != 0 && window->isVisible()) window->repaint();
    return true;
}

int RedrawCount(HWND window) {
    return IsWindow(window) ? window->property(kRedraws).toInt() : 0;
}

unsigned LastRedrawFlags(HWND window) {
    return IsWindow(window) ? window->property(kRedrawFlags).toUInt() : 0;
}

LRESULT SendMessage(HWND window, std::uint32_t id, WPARAM wParam, LPARAM lParam) {
    if (!IsWindow(window) || id > kMaxMessageId) return 0;
    // A send inside another one's handler keeps the outer answer apart.
    const QVariant outer = window->property(kResult);
    window->setProperty(kResult, QVariant());
    window_detail::MessageEvent event(Message{id, wParam, lParam}, nullptr);
    QCoreApplication::sendEvent(window, &event);
    LRESULT result = 0;
    if (IsWindow(window)) {
        result = static_cast<LRESULT>(window->property(kResult).toLongLong());
        window->setProperty(kResult, outer);
    }
    return result;
}

void SetMessageResult(HWND window, LRESULT result) {
    if (IsWindow(window)) window->setProperty(kResult, QVariant::fromValue<qlonglong>(result));
}

std::unique_ptr<DrawContext> BeginPaintErasing(Window& window) {
    auto context = window.BeginPaint();
    HWND widget = window.handle();
    if (context && widget != nullptr && widget->property(kEraseDue).toBool()) {
        widget->setProperty(kEraseDue, QVariant());
        window.Send(Message{WM_ERASEBKGND, reinterpret_cast<WPARAM>(context.get()), 0});
    }
    return context;
}

}  // namespace platform
