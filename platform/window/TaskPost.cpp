#include "platform/window/TaskPost.h"

#include <QCoreApplication>
#include <QMetaObject>

namespace platform {

void PostTask(std::function<void()> task) {
    if (!task) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        task();
        return;
    }
    QMetaObject::invokeMethod(app, std::move(task), Qt::QueuedConnection);
}

}  // namespace platform
