#include "platform/window/TaskPost.h"

#include <mutex>

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>

#include "platform/window/WindowCore.h"

namespace platform {
namespace {

std::mutex receiverMutex;
QPointer<QObject> receiver;

// Tasks go to an object of this layer's own, so that whoever unloads the layer can drop the
// tasks still waiting without touching anyone else's.
QObject* Receiver(QCoreApplication& app) {
    std::lock_guard lock(receiverMutex);
    if (!receiver) {
        auto* object = new QObject;
        // Made on any thread; it lives on the GUI thread, where the tasks run.
        if (object->thread() != app.thread()) object->moveToThread(app.thread());
        receiver = object;
    }
    return receiver.data();
}

}  // namespace

void PostTask(std::function<void()> task) {
    if (!task) return;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr) {
        task();
        return;
    }
    QMetaObject::invokeMethod(Receiver(*app), std::move(task), Qt::QueuedConnection);
}

namespace window_detail {

void ReleaseTaskReceiver() {
    std::lock_guard lock(receiverMutex);
    // Its waiting tasks go with it.
    delete receiver.data();
}

}  // namespace window_detail
}  // namespace platform
