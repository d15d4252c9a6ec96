#include "platform/window/Desktop.h"

#include <atomic>

#include <QGuiApplication>
#include <QScreen>

#include "platform/window/WindowCore.h"

namespace platform {
namespace {

std::atomic<int> displayBits{32};

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
    if (displayBits.exchange(bits) == bits) return true;
    const Rect desktop = GetDesktopRect();
    window_detail::PostToEveryWindow(
        Message{WM_DISPLAYCHANGE, static_cast<WPARAM>(bits),
                MakeLParam(desktop.right - desktop.left, desktop.bottom - desktop.top)});
    return true;
}

namespace window_detail {

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
