#pragma once

#include <memory>

#include "platform/gfx/DirectDrawTypes.h"

namespace gfx {

// Clips what is blitted to the screen to one window's client area. It holds the window
// weakly: a window that is gone clips everything away.
class Clipper final : public platform::RefCounted<platform::IUnknown> {
public:
    Clipper();

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    HRESULT SetHWnd(std::uint32_t flags, const WindowRef& window);
    // The window, or null when none was set or it is gone.
    WindowRef GetHWnd() const { return window_.lock(); }

private:
    ~Clipper() override;

    std::weak_ptr<platform::Framebuffer> window_;
};

}  // namespace gfx
