#include "platform/window/Desktop.h"

#include <atomic>

#include <QDynamicPropertyChangeEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>

#include "platform/window/WindowCore.h"

namespace platform {
namespace {

std::atomic<int> displayBits{32};
// Every copy of this layer in the process (a host's, a plug-in's) reads the depth from the
// application, which they share, and hears of its change there.
constexpr const char* kDepthProperty = "vantelo.displayBits";

void PostDisplayChange(int bits) {
    const Rect desktop = GetDesktopRect();
    window_detail::PostToEveryWindow(
        Message{WM_DISPLAYCHANGE, static_cast<WPARAM>(bits),
                MakeLParam(desktop.right - desktop.left, desktop.bottom - desktop.top)});
}

Rect ToRect(const QRect& r) {
    return Rect{r.left(), r.top(), r.left() + r.width(), r.top() + r.height()};
}

}  // namespace

Rect GetDesktopRect() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? ToRect(screen->geometry()) : Rect{};
}

Rect GetWorkArea() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? ToRect(screen->availableGeometry()) : Rect{};
}

int GetDisplayBitsPerPixel() {
    if (const QCoreApplication* app = QCoreApplication::instance()) {
        const QVariant bits = app->property(kDepthProperty);
        if (bits.isValid()) return bits.toInt();
    }
    return displayBits.load();
}

PixelFormat DisplayPixelFormat() {
    switch (GetDisplayBitsPerPixel()) {
        case 16:
            return PixelFormat{16, 0xF800, 0x07E0, 0x001F, 0};
        case 24:
            return PixelFormat{24, 0xFF0000, 0x00FF00, 0x0000FF, 0};
        case 32:
            return PixelFormat{32, 0xFF0000, 0x00FF00, 0x0000FF, 0};
        default:
            return PixelFormat{8, 0, 0, 0, 0};
    }
}

bool SetDisplayBitsPerPixel(int bits) {
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return false;
    const int before = GetDisplayBitsPerPixel();
    displayBits = bits;
    if (before == bits) return true;
    if (QCoreApplication* app = QCoreApplication::instance()) {
        // Each copy's input tracker hears of it and posts to its own windows.
        app->setProperty(kDepthProperty, bits);
        return true;
    }
    PostDisplayChange(bits);
    return true;
}

namespace window_detail {

void OnApplicationEvent(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::DynamicPropertyChange || watched != QCoreApplication::instance()) {
        return;
    }
    const auto* change = static_cast<QDynamicPropertyChangeEvent*>(event);
    if (change->propertyName() != kDepthProperty) return;
    PostDisplayChange(GetDisplayBitsPerPixel());
}

QImage::Format DisplayImageFormat() {
    switch (GetDisplayBitsPerPixel()) {
        case 16:
            return QImage::Format_RGB16;
        case 24:
            return QImage::Format_BGR888;
        case 32:
            return QImage::Format_RGB32;
        default:
            return QImage::Format_Indexed8;
    }
}

}  // namespace window_detail
}  // namespace platform
