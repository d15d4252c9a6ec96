#include "platform/window/InputState.h"

#include <array>
#include <atomic>
#include <mutex>

#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QWidget>

#include "platform/gfx/RelativeMouse.h"
#include "platform/window/EventTranslation.h"
#include "platform/window/MessageEvent.h"
#include "platform/window/WindowCore.h"

namespace platform {
namespace {

constexpr std::uint8_t kDown = 1;
constexpr std::uint8_t kPressedSinceAsked = 2;

std::array<std::atomic<std::uint8_t>, 256> keys{};
std::atomic<std::int64_t> cursor{0};
std::atomic<int> cursorCount{0};
std::mutex clipMutex;
std::optional<Rect> clip;
QPointer<QWidget> capture;

std::int64_t PackPoint(Vector2<int> p) {
    return static_cast<std::int64_t>(static_cast<std::uint32_t>(p.x)) |
           (static_cast<std::int64_t>(static_cast<std::uint32_t>(p.y)) << 32);
}

int ButtonKey(Qt::MouseButton button) {
    switch (button) {
        case Qt::LeftButton:
            return VK_LBUTTON;
        case Qt::RightButton:
            return VK_RBUTTON;
        case Qt::MiddleButton:
            return VK_MBUTTON;
        default:
            return 0;
    }
}

// Watches every event of the application and never takes one.
class InputTracker final : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        // Events posted from other threads reach this filter first.
        window_detail::MarkTaken();
        window_detail::OnApplicationEvent(watched, event);
        switch (event->type()) {
            case QEvent::KeyPress:
            case QEvent::KeyRelease: {
                const auto* key = static_cast<QKeyEvent*>(event);
                if (key->isAutoRepeat()) break;
                if (const int vk = window_detail::VirtualKeyFromQt(key->key())) {
                    SetAsyncKeyState(vk, event->type() == QEvent::KeyPress);
                }
                break;
            }
            case QEvent::MouseButtonPress:
            case QEvent::MouseButtonDblClick:
            case QEvent::MouseButtonRelease:
            case QEvent::MouseMove: {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                const QPoint global = mouse->globalPosition().toPoint();
                // A drag reads the mouse's own movement, so the device hears of it while a
                // button is held.
                if (event->type() == QEvent::MouseMove &&
                    (mouse->buttons() & (Qt::LeftButton | Qt::RightButton)) != 0) {
                    const Vector2<int> last = GetCursorPos();
                    gfx::mouse::Move(global.x() - last.x, global.y() - last.y);
                }
                SetCursorPos(Vector2<int>(global.x(), global.y()));
                if (const int vk = ButtonKey(mouse->button())) {
                    SetAsyncKeyState(vk, event->type() != QEvent::MouseButtonRelease);
                }
                break;
            }
            default:
                break;
        }
        return false;
    }
};

}  // namespace

std::int16_t GetAsyncKeyState(int vk) {
    if (vk < 0 || vk > 255) return 0;
    const std::uint8_t state = keys[static_cast<std::size_t>(vk)].fetch_and(kDown);
    std::uint16_t result = 0;
    if (state & kDown) result |= 0x8000;
    if (state & kPressedSinceAsked) result |= 0x0001;
    return static_cast<std::int16_t>(result);
}

void SetAsyncKeyState(int vk, bool down) {
    if (vk < 0 || vk > 255) return;
    auto& key = keys[static_cast<std::size_t>(vk)];
    if (down) {
        key.store(kDown | kPressedSinceAsked);
    } else {
        key.fetch_and(static_cast<std::uint8_t>(~kDown));
    }
}

Vector2<int> GetCursorPos() {
    const std::int64_t packed = cursor.load();
    return Vector2<int>(static_cast<std::int32_t>(static_cast<std::uint32_t>(packed)),
                        static_cast<std::int32_t>(static_cast<std::uint32_t>(packed >> 32)));
}

void SetCursorPos(Vector2<int> point) {
    cursor.store(PackPoint(point));
}

int ShowCursor(bool show) {
    const int before = cursorCount.fetch_add(show ? 1 : -1);
    const int after = before + (show ? 1 : -1);
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr) {
        if (before >= 0 && after < 0) {
            QGuiApplication::setOverrideCursor(QCursor(Qt::BlankCursor));
        } else if (before < 0 && after >= 0) {
            QGuiApplication::restoreOverrideCursor();
        }
    }
    return after;
}

void ClipCursor(const Rect* rect) {
    std::lock_guard lock(clipMutex);
    if (rect != nullptr) {
        clip = *rect;
    } else {
        clip.reset();
    }
}

std::optional<Rect> GetClipCursor() {
    std::lock_guard lock(clipMutex);
    return clip;
}

HWND GetFocus() {
    return QApplication::focusWidget();
}

HWND SetFocus(HWND widget) {
    HWND previous = QApplication::focusWidget();
    if (widget != nullptr) {
        widget->activateWindow();
        widget->setFocus(Qt::OtherFocusReason);
    }
    return previous;
}

HWND SetCapture(HWND widget) {
    HWND previous = capture.data();
    if (previous != nullptr && previous != widget) previous->releaseMouse();
    capture = widget;
    if (widget != nullptr && widget->isVisible()) widget->grabMouse();
    return previous;
}

HWND GetCapture() {
    return capture.data();
}

bool ReleaseCapture() {
    if (QWidget* widget = capture.data()) widget->releaseMouse();
    capture = nullptr;
    return true;
}

namespace {

QPointer<InputTracker> tracker;

}  // namespace

void EnsureInputTracking() {
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) return;
    if (tracker) return;
    tracker = new InputTracker;
    tracker->setParent(app);
    app->installEventFilter(tracker);
}

namespace window_detail {

void ReleaseInputTracking() {
    delete tracker.data();
}

}  // namespace window_detail

}  // namespace platform
