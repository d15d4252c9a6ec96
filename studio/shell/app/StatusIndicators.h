#pragma once

#include <optional>

class QMainWindow;

// The lock keys as the display reports them.
struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
};

// None when the display reports no lock keys (a platform other than X11, or an X server
// without the keyboard extension).
std::optional<LockKeyState> ReadLockKeys();

// Gives the frame its status bar (window id 59393): the prompt on the left and the
// indicators "CAP", "NUM" and "SCRL" on the right, each shown while its lock is on and blank
// otherwise. They follow the keys while the studio has the keyboard.
void CreateStatusBar(QMainWindow* frame);
