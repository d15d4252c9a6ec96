#pragma once

#include <atomic>
#include <memory>
#include <vector>

#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include "platform/gfx/Framebuffer.h"
#include "platform/window/MessageEvent.h"
#include "platform/window/Window.h"

namespace platform::window_detail {

class WindowCore;

// Sits in the widget's event filter list while the Window holds it.
class WidgetFilter final : public QObject {
public:
    explicit WidgetFilter(std::weak_ptr<WindowCore> core) : core_(std::move(core)) {}
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::weak_ptr<WindowCore> core_;
};

// Receives the posts: a thread never posts to a widget that someone else may delete.
class Mailbox final : public QObject {
public:
    explicit Mailbox(std::weak_ptr<WindowCore> core) : core_(std::move(core)) {}
    bool event(QEvent* event) override;

private:
    std::weak_ptr<WindowCore> core_;
};

// What a Window is. Events and posts reach it through weak pointers and keep it alive while
// they run, so a handler may release its own Window.
class WindowCore final : public Framebuffer, public std::enable_shared_from_this<WindowCore> {
public:
    WindowCore(QWidget* widget, bool owned);
    ~WindowCore() override;

    void Hook();
    void Release();

    QWidget* widget() const { return released_ || destroyed_ ? nullptr : widget_.data(); }
    bool owned() const { return owned_; }

    int AddHandler(Window::Handler handler);
    void RemoveHandler(int id);
    bool Dispatch(const Message& message);

    bool Post(const Message& message);
    int PendingCount(std::uint32_t id) const { return counts_->Count(id); }
    void RemovePending(std::uint32_t id);

    void Invalidate();
    bool Destroy();

    // Framebuffer
    Rect ScreenRect() const override;
    bool Lock(SurfacePixels& pixels) override;
    void Unlock() override {}
    void Present() override;
    QImage* FramebufferImage();

    // From the widget's filter and the mailbox.
    bool OnWidgetEvent(QEvent& event);
    void OnPosted(MessageEvent& event);
    void OnWidgetDestroyed();

private:
    struct HandlerEntry {
        int id = 0;
        Window::Handler handler;
        bool removed = false;
    };

    bool OnPaint();

    QPointer<QWidget> widget_;
    const bool owned_;
    bool released_ = false;
    bool destroyed_ = false;
    std::atomic<bool> alive_{true};  // read by posting threads
    std::unique_ptr<WidgetFilter> filter_;
    std::unique_ptr<Mailbox> mailbox_;
    QMetaObject::Connection destroyedConnection_;
    std::shared_ptr<PendingCounts> counts_ = std::make_shared<PendingCounts>();
    std::vector<std::shared_ptr<HandlerEntry>> handlers_;  // the newest last
    int nextHandlerId_ = 1;
    int dispatching_ = 0;

    QImage framebuffer_;
    bool systemPaintDue_ = true;
    bool presentPending_ = false;
    bool inPaint_ = false;
};

// What this copy of the layer leaves in Qt, given back before the code that made it is
// unloaded: the input tracker, the tasks' receiver, and objects whose deletion was put off.
void ReleaseInputTracking();
void ReleaseTaskReceiver();
void DeleteLeftovers();

// Every live window of this copy of the layer, for display changes.
void PostToEveryWindow(const Message& message);
// The application's events, as this copy's input tracker sees them: a change of the
// display's depth made by any copy reaches this copy's windows.
void OnApplicationEvent(QObject* watched, QEvent* event);
// The QImage format of the display's depth.
QImage::Format DisplayImageFormat();

}  // namespace platform::window_detail
