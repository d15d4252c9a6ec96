#include "studio/shell/app/X11Keyboard.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace {

// The indicator's state by its name, as X servers name the standard ones.
bool IndicatorOn(Display* display, const char* name) {
    const Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on == True;
}

}  // namespace

bool X11ReadLockKeys(void* handle, bool& caps, bool& num, bool& scroll) {
    auto* display = static_cast<Display*>(handle);
    int opcode = 0;
    int event = 0;
    int error = 0;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    if (display == nullptr ||
        !XkbQueryExtension(display, &opcode, &event, &error, &major, &minor)) {
        return false;
    }
    caps = IndicatorOn(display, "Caps Lock");
    num = IndicatorOn(display, "Num Lock");
    scroll = IndicatorOn(display, "Scroll Lock");
    return true;
}
