#pragma once

// The few X11 calls the studio makes itself, kept apart because Xlib's macros clash with
// the names of Qt and of our own code. `display` is an X11 Display*.

// The lock indicators of the display; false when its server has no keyboard extension.
bool X11ReadLockKeys(void* display, bool& caps, bool& num, bool& scroll);
