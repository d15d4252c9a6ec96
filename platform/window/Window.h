#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "geometry/Geometry.h"
#include "platform/gfx/Framebuffer.h"
#include "platform/wintypes/Handles.h"
#include "platform/wintypes/Messages.h"

namespace platform {

namespace window_detail {
class WindowCore;
}

// One hold on a widget: the layer's own top-level window, or a widget someone else owns
// (a host's plug-in window, a pane of the studio). Qt events of the widget reach the
// handlers as messages; what no handler takes goes on to the widget as before. Releasing
// the Window (destroying this object) takes every trace of it off the widget. Several
// Windows may hold one widget; each has its own handlers, mailbox and framebuffer, and the
// newest sees events first. The widget shows the framebuffer of its newest Window in place
// of its own painting.
//
// Used on the GUI thread, except Post, PendingCount and RemovePending.
class Window {
public:
    // A handler answers true when it has handled the message: the event then stops there.
    // False passes it to the handler installed before, then to the widget.
    using Handler = std::function<bool(const Message&)>;

    // The layer's own window: top-level, frameless, above other windows, at (0, 0) with a
    // client area of `size`, shown, active and holding the focus. The class name becomes the
    // widget's object name, by which tests find it.
    static std::unique_ptr<Window> CreateTopLevel(Vector2<int> size, std::string_view title,
                                                  std::string_view className = {});
    // Holds a widget someone else owns. Null for a null widget.
    static std::unique_ptr<Window> Attach(HWND widget);

    // Removes the handlers and every hook from the widget and drops queued posts. A
    // top-level window the layer made is deleted too (its handlers see no WM_DESTROY: they
    // belong to whoever releases it). Threads posting here must have been joined.
    ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Null once the widget is gone.
    HWND handle() const;
    bool IsAlive() const { return handle() != nullptr; }

    // Handlers, the newest first. An id is never reused; removing one during a message is
    // safe (it sees no further messages).
    int AddHandler(Handler handler);
    void RemoveHandler(int id);

    // Runs the handlers now, as a window procedure is called; false when none handled it.
    bool Send(const Message& message);

    // From any thread. Queues the message for this window's thread; it reaches the handlers
    // later unless the widget is gone by then. False for an id above kMaxMessageId.
    bool Post(std::uint32_t id, WPARAM wParam = 0, LPARAM lParam = 0);
    // Posted messages of that id still waiting (never counting one being handled).
    int PendingCount(std::uint32_t id) const;
    // Drops the waiting ones.
    void RemovePending(std::uint32_t id);

    // Asks for a WM_PAINT, as the system does for an invalidated window.
    void Invalidate();
    // Deletes the layer's own window once the current event is over; its handlers then see
    // WM_DESTROY. False for a widget someone else owns.
    bool Destroy();

    // The window's part of the screen. Its size follows the client area.
    Framebuffer& framebuffer();
    // The same, for holders that may outlive this Window: once it is released the
    // framebuffer can no longer be locked.
    std::shared_ptr<Framebuffer> SharedFramebuffer() const;
    // A drawing context over the framebuffer, for a window procedure's WM_PAINT. What is
    // drawn shows when the paint is over. Null once the widget is gone.
    std::unique_ptr<DrawContext> BeginPaint();

    // Rectangles in screen coordinates; the client rectangle's own origin is (0, 0).
    Rect GetWindowRect() const;
    Rect GetClientRect() const;
    Vector2<int> ClientToScreen(Vector2<int> point) const;

private:
    explicit Window(std::shared_ptr<window_detail::WindowCore> core);

    std::shared_ptr<window_detail::WindowCore> core_;
};

}  // namespace platform
