#include "platform/window/Window.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPainter>

#include "platform/window/Desktop.h"
#include "platform/window/DrawContext.h"
#include "platform/window/EventTranslation.h"
#include "platform/window/InputState.h"
#include "platform/window/WindowCore.h"

namespace platform {
namespace window_detail {
namespace {

std::vector<WindowCore*>& LiveWindows() {
    static std::vector<WindowCore*> windows;
    return windows;
}

// Objects of this layer whose deletion waits for the event loop.
std::vector<QPointer<QObject>>& Leftovers() {
    static std::vector<QPointer<QObject>> objects;
    return objects;
}

void DeleteLater(QObject* object) {
    auto& leftovers = Leftovers();
    std::erase_if(leftovers, [](const QPointer<QObject>& p) { return p.isNull(); });
    leftovers.emplace_back(object);
    object->deleteLater();
}

// The newest hold on the widget in this copy of the layer: its framebuffer is what shows.
WindowCore* ShownHold(const QWidget* widget) {
    const auto& live = LiveWindows();
    for (auto it = live.rbegin(); it != live.rend(); ++it) {
        if ((*it)->widget() == widget) return *it;
    }
    return nullptr;
}

// Windows may hold a widget in any order and let go in any order (copies of this layer in
// a host and a plug-in too), so what the widget was before the first hold is kept on the
// widget itself, as plain values, until the last hold ends.
constexpr const char* kHolds = "_vantelo_window_holds";
constexpr const char* kMouseTracking = "_vantelo_mouse_tracking";

void HoldWidget(QWidget& widget) {
    const int holds = widget.property(kHolds).toInt();
    if (holds == 0) widget.setProperty(kMouseTracking, widget.hasMouseTracking());
    widget.setProperty(kHolds, holds + 1);
    // Mouse moves reach a window procedure with no button held too.
    widget.setMouseTracking(true);
}

void LetGoOfWidget(QWidget& widget) {
    const int holds = widget.property(kHolds).toInt();
    if (holds > 1) {
        widget.setProperty(kHolds, holds - 1);
        return;
    }
    widget.setMouseTracking(widget.property(kMouseTracking).toBool());
    widget.setProperty(kHolds, QVariant());
    widget.setProperty(kMouseTracking, QVariant());
}

}  // namespace

bool WidgetFilter::eventFilter(QObject*, QEvent* event) {
    if (auto core = core_.lock()) return core->OnWidgetEvent(*event);
    return false;
}

bool Mailbox::event(QEvent* event) {
    MarkTaken();
    const QEvent::Type type = event->type();
    if (type < QEvent::User || type > QEvent::MaxUser) return QObject::event(event);
    // Only this layer posts here.
    auto& posted = static_cast<MessageEvent&>(*event);
    if (auto core = core_.lock()) {
        core->OnPosted(posted);
    } else {
        posted.Take();
    }
    return true;
}

WindowCore::WindowCore(QWidget* widget, bool owned) : widget_(widget), owned_(owned) {}

WindowCore::~WindowCore() {
    Release();
}

void WindowCore::Hook() {
    EnsureInputTracking();
    filter_ = std::make_unique<WidgetFilter>(weak_from_this());
    mailbox_ = std::make_unique<Mailbox>(weak_from_this());
    HoldWidget(*widget_);
    widget_->installEventFilter(filter_.get());
    destroyedConnection_ = QObject::connect(widget_.data(), &QObject::destroyed, filter_.get(),
                                            [weak = weak_from_this()] {
                                                if (auto core = weak.lock()) {
                                                    core->OnWidgetDestroyed();
                                                }
                                            });
    LiveWindows().push_back(this);
}

void WindowCore::Release() {
    if (released_) return;
    released_ = true;
    auto& live = LiveWindows();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    // A widget on its way out (released from WM_DESTROY) is left alone.
    if (QWidget* w = destroyed_ ? nullptr : widget_.data()) {
        QObject::disconnect(destroyedConnection_);
        w->removeEventFilter(filter_.get());
        LetGoOfWidget(*w);
        if (owned_) {
            if (dispatching_ > 0) {
                w->hide();
                DeleteLater(w);
            } else {
                delete w;
            }
        }
    }
    // An object whose event is running now is deleted when that event is over; until then
    // it finds this core released and passes everything on.
    if (dispatching_ > 0) {
        if (filter_) DeleteLater(filter_.release());
        if (mailbox_) DeleteLater(mailbox_.release());
    } else {
        filter_.reset();
        mailbox_.reset();  // drops the queued posts
    }
    handlers_.clear();
}

int WindowCore::AddHandler(Window::Handler handler) {
    auto entry = std::make_shared<HandlerEntry>();
    entry->id = nextHandlerId_++;
    entry->handler = std::move(handler);
    handlers_.push_back(std::move(entry));
    return handlers_.back()->id;
}

void WindowCore::RemoveHandler(int id) {
    auto it = std::find_if(handlers_.begin(), handlers_.end(),
                           [id](const auto& entry) { return entry->id == id; });
    if (it == handlers_.end()) return;
    (*it)->removed = true;
    handlers_.erase(it);
}

bool WindowCore::Dispatch(const Message& message) {
    if (released_) return false;
    auto keep = shared_from_this();
    const auto chain = handlers_;
    ++dispatching_;
    bool handled = false;
    for (auto it = chain.rbegin(); it != chain.rend() && !handled; ++it) {
        if ((*it)->removed || released_) continue;
        handled = (*it)->handler(message);
    }
    --dispatching_;
    return handled;
}

bool WindowCore::Post(const Message& message) {
    if (message.id > kMaxMessageId || !alive_ || !mailbox_) return false;
    auto* event = new MessageEvent(message, counts_);
    MarkHandedOver();
    QCoreApplication::postEvent(mailbox_.get(), event);
    return true;
}

void WindowCore::RemovePending(std::uint32_t id) {
    if (mailbox_) QCoreApplication::removePostedEvents(mailbox_.get(), EventTypeOf(id));
}

void WindowCore::Invalidate() {
    if (QWidget* w = widget()) {
        systemPaintDue_ = true;
        w->update();
    }
}

bool WindowCore::Destroy() {
    QWidget* w = widget();
    if (!owned_ || w == nullptr) return false;
    // Deleting the widget inside one of its own events would pull it from under Qt.
    w->hide();
    DeleteLater(w);
    return true;
}

Rect WindowCore::ScreenRect() const {
    const QWidget* w = widget();
    if (w == nullptr) return {};
    const QPoint origin = w->mapToGlobal(QPoint(0, 0));
    return Rect{origin.x(), origin.y(), origin.x() + w->width(), origin.y() + w->height()};
}

QImage* WindowCore::FramebufferImage() {
    const QWidget* w = widget();
    if (w == nullptr || w->width() <= 0 || w->height() <= 0) return nullptr;
    const QImage::Format format = DisplayImageFormat();
    if (framebuffer_.size() != w->size() || framebuffer_.format() != format) {
        QImage next(w->size(), format);
        if (format == QImage::Format_Indexed8) {
            QList<QRgb> greys(256);
            for (int i = 0; i < 256; ++i) greys[i] = qRgb(i, i, i);
            next.setColorTable(greys);
            next.fill(0);
        } else {
            next.fill(Qt::black);
            // What was on screen stays where it was.
            if (!framebuffer_.isNull()) {
                QPainter painter(&next);
                painter.drawImage(0, 0, framebuffer_);
            }
        }
        framebuffer_ = std::move(next);
    }
    return &framebuffer_;
}

bool WindowCore::Lock(SurfacePixels& pixels) {
    QImage* image = FramebufferImage();
    if (image == nullptr) return false;
    pixels.bits = image->bits();
    pixels.width = image->width();
    pixels.height = image->height();
    pixels.pitch = image->bytesPerLine();
    pixels.format = DisplayPixelFormat();
    return true;
}

void WindowCore::Present() {
    // Inside a paint the framebuffer is shown when the handlers are done.
    if (inPaint_) return;
    if (QWidget* w = widget()) {
        presentPending_ = true;
        w->update();
    }
}

bool WindowCore::OnWidgetEvent(QEvent& event) {
    if (widget() == nullptr) return false;
    switch (event.type()) {
        case QEvent::Paint:
            return OnPaint();
        case QEvent::Show:
        case QEvent::Resize:
            systemPaintDue_ = true;
            break;
        default:
            break;
    }
    const std::optional<Message> message = TranslateEvent(*widget_, event);
    if (!message) return false;
    const bool handled = Dispatch(*message);
    if (event.type() == QEvent::Close && handled) event.ignore();
    // A number posted straight to the widget that this hold's handlers left goes on to the
    // older holds (a plug-in's window often has several); the widget itself ignores it.
    return handled;
}

bool WindowCore::OnPaint() {
    auto keep = shared_from_this();
    // A present's repaint is the window's own business; anything else (shown, exposed,
    // resized, invalidated) is the system asking the window to paint.
    const bool systemReason = systemPaintDue_ || !presentPending_;
    systemPaintDue_ = false;
    presentPending_ = false;
    if (systemReason) {
        inPaint_ = true;
        Dispatch(Message{WM_PAINT, 0, 0});
        // Older holds on the widget see this paint too, newest first; what they draw lands
        // in these pixels.
        std::vector<std::weak_ptr<WindowCore>> older;
        for (WindowCore* core : LiveWindows()) {
            if (core != this && core->widget() == widget()) older.push_back(core->weak_from_this());
        }
        for (auto it = older.rbegin(); it != older.rend(); ++it) {
            if (auto core = it->lock()) core->Dispatch(Message{WM_PAINT, 0, 0});
        }
        inPaint_ = false;
    }
    QWidget* w = widget();
    if (w == nullptr) return false;
    QPainter painter(w);
    if (const QImage* image = FramebufferImage()) painter.drawImage(0, 0, *image);
    return true;
}

void WindowCore::OnPosted(MessageEvent& event) {
    event.Take();
    if (widget() == nullptr) return;
    Dispatch(event.message());
}

void WindowCore::OnWidgetDestroyed() {
    if (released_ || destroyed_) return;
    destroyed_ = true;
    alive_ = false;
    // The widget is half gone: handlers find no handle and must touch nothing of it.
    Dispatch(Message{WM_DESTROY, 0, 0});
}

void DeleteLeftovers() {
    auto leftovers = std::move(Leftovers());
    Leftovers().clear();
    for (const QPointer<QObject>& object : leftovers) delete object.data();
}

void PostToEveryWindow(const Message& message) {
    for (WindowCore* core : LiveWindows()) core->Post(message);
}

}  // namespace window_detail

Window::Window(std::shared_ptr<window_detail::WindowCore> core) : core_(std::move(core)) {}

Window::~Window() {
    core_->Release();
}

std::unique_ptr<Window> Window::CreateTopLevel(Vector2<int> size, std::string_view title,
                                               std::string_view className) {
    auto* widget =
        new QWidget(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    widget->setObjectName(
        QString::fromUtf8(className.data(), static_cast<qsizetype>(className.size())));
    widget->setWindowTitle(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())));
    widget->setGeometry(0, 0, std::max(size.x, 0), std::max(size.y, 0));
    auto core = std::make_shared<window_detail::WindowCore>(widget, true);
    core->Hook();
    widget->show();
    widget->raise();
    widget->activateWindow();
    widget->setFocus(Qt::ActiveWindowFocusReason);
    return std::unique_ptr<Window>(new Window(std::move(core)));
}

std::unique_ptr<Window> Window::Attach(HWND widget) {
    if (widget == nullptr) return nullptr;
    auto core = std::make_shared<window_detail::WindowCore>(widget, false);
    core->Hook();
    return std::unique_ptr<Window>(new Window(std::move(core)));
}

HWND Window::handle() const {
    return core_->widget();
}

int Window::AddHandler(Handler handler) {
    return core_->AddHandler(std::move(handler));
}

void Window::RemoveHandler(int id) {
    core_->RemoveHandler(id);
}

bool Window::Send(const Message& message) {
    return core_->Dispatch(message);
}

bool Window::Post(std::uint32_t id, WPARAM wParam, LPARAM lParam) {
    return core_->Post(Message{id, wParam, lParam});
}

int Window::PendingCount(std::uint32_t id) const {
    return core_->PendingCount(id);
}

void Window::RemovePending(std::uint32_t id) {
    core_->RemovePending(id);
}

void Window::Invalidate() {
    core_->Invalidate();
}

bool Window::Destroy() {
    return core_->Destroy();
}

Framebuffer& Window::framebuffer() {
    return *core_;
}

std::shared_ptr<Framebuffer> Window::SharedFramebuffer() const {
    return core_;
}

std::unique_ptr<DrawContext> Window::BeginPaint() {
    // A paint draws on the pixels the widget shows, whichever hold owns them.
    window_detail::WindowCore* shown = window_detail::ShownHold(core_->widget());
    if (shown == nullptr) shown = core_.get();
    QImage* image = shown->FramebufferImage();
    if (image == nullptr) return nullptr;
    // Outside a paint, the repaint that shows the drawing comes after it is done.
    shown->Present();
    return std::make_unique<DrawContext>(*image, DT_RASDISPLAY);
}

Rect Window::GetWindowRect() const {
    const QWidget* w = core_->widget();
    if (w == nullptr) return {};
    if (w->isWindow()) {
        const QRect frame = w->frameGeometry();
        return Rect{frame.left(), frame.top(), frame.left() + frame.width(),
                    frame.top() + frame.height()};
    }
    return core_->ScreenRect();
}

Rect Window::GetClientRect() const {
    const QWidget* w = core_->widget();
    if (w == nullptr) return {};
    return Rect{0, 0, w->width(), w->height()};
}

Vector2<int> Window::ClientToScreen(Vector2<int> point) const {
    const QWidget* w = core_->widget();
    if (w == nullptr) return point;
    const QPoint screen = w->mapToGlobal(QPoint(point.x, point.y));
    return Vector2<int>(screen.x(), screen.y());
}

}  // namespace platform
