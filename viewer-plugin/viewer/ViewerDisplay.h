#pragma once

#include <atomic>
#include <memory>
#include <optional>

#include "geometry/Geometry.h"
#include "platform/sync/Semaphore.h"

class D3DWindow;
class DDSurface;

// One viewer's display and what lives and dies with it: the logo drawn on it, what the last
// frame without the picture left in its back buffer, and the two locks that guard it. The
// display itself is the window thread's; the locks and HasDisplay are shared with the loader
// and the pacing thread.
class ViewerDisplay {
public:
    static constexpr platform::WaitTime kStateWait{5000};
    static constexpr platform::WaitTime kDeviceWait{5000};

    // What a frame without the picture left in the back buffer.
    struct PlainFrame {
        int colour = 0;
        Vector2<int> size;
        bool logo = false;
        int generation = 0;
        bool operator==(const PlainFrame&) const = default;
    };

    // The viewer's locks in their one order: the loader's canvas semaphore (where it is
    // taken at all), then the state semaphore, then the device semaphore. Only the window
    // thread takes state and device, and the loader thread takes no lock but the loader's and
    // the canvas; so stopping the loader, which waits for the canvas, may run under state and
    // device, as nothing that holds the canvas ever waits for them. Each lock is tried even
    // when one before it was not got, and only what was got is given back, in the reverse
    // order.
    class Hold {
    public:
        explicit Hold(ViewerDisplay& display, platform::Semaphore* canvas = nullptr);
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

        // Both the state and the device lock are held (and the canvas, when asked for).
        explicit operator bool() const { return state_ && device_; }

    private:
        std::optional<platform::SemaphoreHold> canvas_;
        platform::SemaphoreHold state_;
        platform::SemaphoreHold device_;
    };

    ViewerDisplay();
    ~ViewerDisplay();
    ViewerDisplay(const ViewerDisplay&) = delete;
    ViewerDisplay& operator=(const ViewerDisplay&) = delete;

    D3DWindow* get() const { return display_.get(); }
    D3DWindow* operator->() const { return display_.get(); }
    explicit operator bool() const { return display_ != nullptr; }

    // A display made: nothing of the old one's back buffer is known, and the pacing thread
    // may count on it.
    void Adopt(std::unique_ptr<D3DWindow> display);
    // The display, handed to the caller to end; the viewer has none meanwhile.
    std::unique_ptr<D3DWindow> Take();
    // Ends the display, if there is one. HasDisplay is left as it is.
    void Destroy();

    // Seen by the pacing thread, which never touches the display itself.
    bool HasDisplay() const { return hasDisplay_; }
    void SetHasDisplay(bool on) { hasDisplay_ = on; }

    DDSurface* Logo() const { return logo_.get(); }
    void SetLogo(std::unique_ptr<DDSurface> logo);
    void DropLogo();

    // True when `frame` differs from what the last plain frame left, which it now is.
    bool KeepPlainFrame(const PlainFrame& frame);
    // The back buffer holds something other than a known plain frame.
    void ForgetPlainFrame() { plainFrame_.reset(); }

    platform::Semaphore& StateSemaphore() { return stateSemaphore_; }
    platform::Semaphore& DeviceSemaphore() { return deviceSemaphore_; }

private:
    std::unique_ptr<D3DWindow> display_;
    std::atomic<bool> hasDisplay_{false};
    std::unique_ptr<DDSurface> logo_;
    std::optional<PlainFrame> plainFrame_;
    platform::Semaphore stateSemaphore_{1, 1};
    platform::Semaphore deviceSemaphore_{1, 1};
};
