#pragma once

#include <functional>

// The message loop of a window that runs its own: a nested event loop on the GUI thread.
namespace platform {

// Ends the innermost running MessageLoop with this code (WM_QUIT's parameter) once control
// returns to it; with none running, the next one ends at once. GUI thread.
void PostQuitMessage(int exitCode);

// Runs until WM_QUIT and returns its parameter. In peek mode each pass handles what is
// waiting and, when nothing was, calls `idle` (when given); otherwise each pass waits for
// events. With `loop` false it returns -1 after one pass, unless WM_QUIT came first.
int MessageLoop(bool peekMode, const std::function<bool()>& idle, bool loop = true);

}  // namespace platform
