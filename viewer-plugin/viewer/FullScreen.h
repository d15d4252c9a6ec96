#pragma once

#include <memory>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"

class CVanteloPlugin;

// The top-level window a viewer shows its picture in over the whole screen. At most one
// lives in a process. However it ends (a key, the menu, a close, minimising or the viewer
// going), the object is deleted exactly once, which returns the viewer to its page and
// closes the window.
class FullScreen {
public:
    static constexpr const char* kClassName = "VANTELO";

    FullScreen(Vector2<int> size, CVanteloPlugin* viewer);
    virtual ~FullScreen();
    FullScreen(const FullScreen&) = delete;
    FullScreen& operator=(const FullScreen&) = delete;

    // The instance of the process, or null.
    static FullScreen* Current();

    platform::HWND handle() const { return window_ ? window_->handle() : nullptr; }
    platform::Window* window() const { return window_.get(); }
    // Ends the window once the current event is over; the object goes with it.
    void Destroy();

private:
    bool WindowProc(const platform::Message& message);

    std::unique_ptr<platform::Window> window_;
    CVanteloPlugin* viewer_;
};
