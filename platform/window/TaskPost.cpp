#include "platform/window/TaskPost.h"

#include <mutex>

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <QThread>

#include "platform/window/MessageEvent.h"
#include "platform/window/WindowCore.h"

namespace platform {
namespace {

const QEvent::Type kTaskEvent = static_cast<QEvent::Type>(QEvent::registerEventType());

class TaskEvent final : public QEvent {
public:
    explicit TaskEvent(std::function<void()> task) : QEvent(kTaskEvent), task_(std::move(task)) {}
    void Run() { task_(); }

private:
    std::function<void()> task_;
};

class TaskReceiver final : public QObject {
public:
    bool event(QEvent* event) override {
        window_detail::MarkTaken();
        if (event->type() != kTaskEvent) return QObject::event(event);
        static_cast<TaskEvent*>(event)->Run();
        return true;
    }
};

std::mutex receiverMutex;
QPointer<QObject> receiver;

// Tasks go to an object of this layer's own, so that whoever unloads the layer can drop the
// tasks still waiting without touching anyone else's.
QObject* Receiver(QCoreApplication& app) {
    std::lock_guard lock(receiverMutex);
    if (!receiver) {
        auto* object = new TaskReceiver;
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
    auto* event = new TaskEvent(std::move(task));
    QObject* target = Receiver(*app);
    window_detail::MarkHandedOver();
    QCoreApplication::postEvent(target, event);
}

namespace window_detail {

void ReleaseTaskReceiver() {
    std::lock_guard lock(receiverMutex);
    // Its waiting tasks go with it.
    delete receiver.data();
}

}  // namespace window_detail
}  // namespace platform
