#pragma once

class QWidget;

// The studio's redraw lock over its main window: while it is held, the window and its
// panes stop painting, so a long change shows once at the end. It nests; top-level windows
// (the busy dialog, questions) keep painting. GUI thread only.

// The window the lock acts on; null when there is none (then the lock does nothing). A new
// window starts unlocked.
void SetRedrawLockWindow(QWidget* window);
void LockRedraw();
// Unlocks one level; unlocks beyond the locks are ignored.
void UnlockRedraw();
int GetRedrawLockCount();

class RedrawLockScope {
public:
    RedrawLockScope() { LockRedraw(); }
    ~RedrawLockScope() { UnlockRedraw(); }
    RedrawLockScope(const RedrawLockScope&) = delete;
    RedrawLockScope& operator=(const RedrawLockScope&) = delete;
};
