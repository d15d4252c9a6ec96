#include "platform/window/DisplayReach.h"

#include <cstdlib>
#include <string_view>

#if defined(VANTELO_HAVE_X11)
#include <X11/Xlib.h>
#endif

namespace platform {
namespace {

bool IsSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

}  // namespace

bool HasDisplay() {
    if (IsSet("WAYLAND_DISPLAY")) return true;
    // A platform chosen by name (offscreen, wayland, ...) is Qt's to find; X11 is asked here.
    if (IsSet("QT_QPA_PLATFORM") && std::string_view(std::getenv("QT_QPA_PLATFORM")) != "xcb") {
        return true;
    }
    if (!IsSet("DISPLAY")) return false;
#if defined(VANTELO_HAVE_X11)
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr) return false;
    XCloseDisplay(display);
#endif
    return true;
}

}  // namespace platform
