#include "studio/shell/viewer/RedrawLock.h"

#include <QPointer>
#include <QWidget>

namespace {

QPointer<QWidget>& Window() {
    static QPointer<QWidget> window;
    return window;
}

int gLockCount = 0;

}  // namespace

void SetRedrawLockWindow(QWidget* window) {
    if (Window() != nullptr && gLockCount > 0) Window()->setUpdatesEnabled(true);
    Window() = window;
    gLockCount = 0;
}

void LockRedraw() {
    QWidget* window = Window();
    if (window == nullptr) return;
    if (gLockCount == 0) window->setUpdatesEnabled(false);
    ++gLockCount;
}

void UnlockRedraw() {
    QWidget* window = Window();
    if (window == nullptr || gLockCount <= 0) return;
    if (--gLockCount == 0) {
        window->setUpdatesEnabled(true);
        window->update();
    }
}

int GetRedrawLockCount() {
    return gLockCount;
}
