#pragma once

#include <chrono>
#include <functional>
#include <optional>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"

class Album;
class FullScreen;
class ViewerDisplay;

// The viewer's part in the display's life: letting go of the computer's hardware device
// when another viewer asks for it, taking it back once the request is withdrawn, and making
// the display anew after a change of the screen's depth or a resize that cost it the device.
// Window thread, like the viewer it belongs to.
class DeviceOwnership {
public:
    using Clock = std::function<std::chrono::steady_clock::time_point()>;

    // What the display's changes need of the viewer besides its display.
    class Viewer {
    public:
        virtual Album& GetAlbum() = 0;
        // The page's window, and the viewer's hold on it, where its messages arrive.
        virtual platform::HWND PageWindow() const = 0;
        virtual platform::Window* GetWindow() const = 0;
        virtual FullScreen* GetFullScreenWindow() const = 0;
        virtual bool IsLoading() const = 0;
        // The loader has had this load's bytes.
        virtual bool HandedOver() const = 0;
        // Makes the display, when there is none and there is a window to draw into.
        virtual void Create() = 0;
        virtual void StopLoading() = 0;
        virtual void AbortDownload() = 0;
        virtual int Reload() = 0;
        virtual void SuspendPacing() = 0;
        virtual void ResumePacing() = 0;
        // The picture went with the canvas.
        virtual void ForgetPicture() = 0;

    protected:
        ~Viewer() = default;
    };

    DeviceOwnership(ViewerDisplay& display, Viewer& viewer);
    DeviceOwnership(const DeviceOwnership&) = delete;
    DeviceOwnership& operator=(const DeviceOwnership&) = delete;

    // Lets go of the hardware when another viewer asks for it, or takes it back once the
    // request is withdrawn; true when it did either. Otherwise (and always in full screen)
    // whether the display is gone.
    bool SyncDeviceOwnership();
    // Another viewer's request for the hardware stands: frames wait. A request older than
    // the longest wait an asker makes was left by an asker that died: it is withdrawn here,
    // so that viewers draw again and the next asker starts afresh.
    bool RequestStands();
    // The frame message's part, for holders in other processes that hear of no display
    // change: acts while a request stands or after letting go.
    void OnFrame();
    bool HasYielded() const { return yielded_; }

    // The screen's depth changed to `bits`: 1 when the display was made anew.
    int OnDisplayChange(int bits);
    // The display lost the device: it is made again, with its canvas and picture.
    void RecoverDevice(Vector2<int> size);

    // The longest an asker waits for the holder with `runningCount` viewers running, and a
    // little more.
    static std::chrono::milliseconds LongestAskWait(int runningCount);

    // For tests: the time a request is judged by, and how RecoverDevice makes the display.
    void SetClock(Clock clock) { clock_ = std::move(clock); }
    void SetCreate(std::function<void()> create) { create_ = std::move(create); }

private:
    void YieldDevice();
    bool ReclaimDevice();
    // Deletes the display with the logo and the canvas; the loader was joined before.
    void DeleteDisplay();
    // Makes the display; a graphics driver's exception is told in a box.
    void CreateDisplay();
    // The canvas on the new display and the picture again.
    void Rebuild(bool reload);

    ViewerDisplay& display_;
    Viewer& viewer_;
    bool lastRequest_ = false;   // the request as last seen when letting go
    bool yielded_ = false;       // this viewer let go of the hardware
    bool depthDropped_ = false;  // the display went with a depth of 8 bits or less
    Vector2<int> keptSize_;
    std::optional<std::chrono::steady_clock::time_point> requestSince_;
    Clock clock_;
    std::function<void()> create_;
};
