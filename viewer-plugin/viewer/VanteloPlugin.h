#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/sync/CriticalSection.h"
#include "platform/sync/PacingThread.h"
#include "platform/sync/Semaphore.h"
#include "platform/window/Menu.h"
#include "platform/window/Window.h"
#include "viewer-plugin/loading/Downloader.h"
#include "viewer-plugin/model/Album.h"
#include "viewer-plugin/viewer/CustomPluginInterface.h"
#include "viewer-plugin/viewer/DeviceOwnership.h"
#include "viewer-plugin/viewer/FrameTimer.h"
#include "viewer-plugin/viewer/ViewerDisplay.h"

namespace platform {
class DrawContext;
}
class D3DWindow;
class DDSurface;
class FullScreen;
struct ViewerReport;

// What a paint asks of the viewer: where to draw, on which context, and at what zoom.
struct ATL_DRAWINFO {
    // What a container fills in says how much of the record it knows.
    std::uint32_t cbSize = 0;
    platform::DrawContext* hdcDraw = nullptr;
    Rect prcBounds;
    bool bZoomed = false;
    ZoomInfo zoom;
};

// The viewer core of one embedded picture: its view model, display, menu, download, frame
// pacing and script events. Everything runs on the window thread except the pacing thread,
// the loader thread and what they read (the atomics below).
// Its members are defined over several files; each section below names the one it is in.
class CVanteloPlugin : public DownloadOwner, public DeviceOwnership::Viewer {
public:
    using Downloader = CDownloader<CVanteloPlugin>;

    // Script events, by the numbers the queue stores them under.
    enum EventKind { kChangedPos = 0, kZoomedToGoal = 1, kOnLoad = 2, kOnTime = 3, kOnCursor = 4 };

    static constexpr std::uint32_t kFrameMessage = platform::WM_USER + 101;
    static constexpr float kVersion = 1.73f;
    static constexpr int kMenuResource = 212;
    // Menu 212's commands.
    static constexpr std::uint32_t kIdOptions = 32768;
    static constexpr std::uint32_t kIdZoom50 = 32770;
    static constexpr std::uint32_t kIdZoom100 = 32771;
    static constexpr std::uint32_t kIdZoom200 = 32772;
    static constexpr std::uint32_t kIdFullscreen = 32773;
    static constexpr std::uint32_t kIdPrint = 32775;
    static constexpr std::uint32_t kIdSaveView = 32776;
    static constexpr std::uint32_t kIdUpgrade = 32777;
    static constexpr std::uint32_t kIdCenter = 32778;
    static constexpr std::uint32_t kIdVersion = 32779;
    // The hot corner's side, in pixels.
    static constexpr int kHotCorner = 24;
    // Bytes a progressive download gathers between hand-overs to the loader.
    static constexpr int kHandOverBytes = 7168;

    CVanteloPlugin();
    ~CVanteloPlugin() override;
    CVanteloPlugin(const CVanteloPlugin&) = delete;
    CVanteloPlugin& operator=(const CVanteloPlugin&) = delete;

    // Viewers alive in this process.
    static int InstanceCount();

    // The window, the display's making and loading: VanteloPlugin.cpp.
    void AttachWindow(platform::HWND window);
    void OnDestroyWindow();
    void SetHostInterface(CCustomPluginInterface* host) { host_ = host; }
    void SetFilename(const std::string& name);
    const std::string& GetFilename() const { return fileName_; }
    int Reload() override;
    bool LoadFile(const std::string& name);
    // A picture its first bytes show can never be shown ends its download there, with its
    // error, rather than after all its bytes have come.
    void CheckDownloadHead(const std::uint8_t* data, std::size_t size);
    static void OnDownloadData(CVanteloPlugin* viewer, Downloader* download, std::uint8_t* data,
                               std::size_t size);
    static void OnDownloadComplete(CVanteloPlugin* viewer, Downloader* download,
                                   std::uint8_t* buffer);
    static void OnDownloadProgress(CVanteloPlugin* viewer, std::uint32_t received,
                                   std::uint32_t total, std::uint32_t status);
    void SetDownloadBinding(platform::IBinding* binding) override;
    void DownloadBindingEnded(platform::IBinding* binding) override;
    DownloadReader* GetDownloadReader() override;

    // Frames, paints, moves and script events: VanteloFrames.cpp.
    void PaintStatus(ATL_DRAWINFO& info);
    void OnFrameMessage();
    void CheckLoaded();
    bool FrameStep();
    bool RenderFrame();
    bool Redraw() { return RenderFrame(); }
    void RedrawCanvas() { Redraw(); }
    void FireEvent(EventKind kind, bool queued);
    void SetPosition(float x, float y, float z);
    void GetPosition(float* x, float* y, float* z) const;
    void MoveTo(float x, float y, float z, int timeMs, int method);
    int GetShowLogo() const { return showLogo_; }
    void SetShowLogo(int value);
    // What a paint writes under the picture when there is none, a line to each '\n': empty
    // for nothing.
    std::string StatusText() const;
    // Frames and MoveTo run on this clock; tests pass their own before attaching.
    void SetClock(FrameTimer::Clock clock);

    // The window's messages, its size and the pacing thread: VanteloPacing.cpp.
    // Paints the window now, as its WM_PAINT does.
    void PaintWindow();
    // The window's client area has a new size.
    void OnSize(Vector2<int> size);
    // Holds frames back around modal boxes and device reshuffles; pauses nest.
    void SuspendPacing() override;
    void ResumePacing() override;
    // How the pacing thread sleeps; tests pass their own before attaching.
    void SetPacingSleep(platform::PacingThread::Sleep sleep) { pacingSleep_ = std::move(sleep); }
    // The period the pacing thread's next sleep takes.
    platform::WaitTime PacingPeriod() const;

    // Input and the menu (resource 212) with its enabling by the lock bits: VanteloInput.cpp.
    void OnSetFocus();
    void OnKillFocus(platform::HWND window);
    void OnLButtonDown();
    void OnLButtonUp();
    void OnRButtonDown(platform::WPARAM keys, platform::LPARAM point);
    void OnRButtonUp();
    // True when the key is one the viewer acts on.
    bool OnKeyDown(int vk, platform::LPARAM lParam);
    void OnMouseMove(Vector2<int> point);
    void OnCommand(std::uint32_t id);
    platform::Menu& GetMenu() { return menu_; }
    void UpdateMenu(int lockBits);
    void EnableFullscreenItem(bool enabled);

    // The scripting members: VanteloMembers.cpp.
    // The properties as scripts and embed attributes set them. A put asks the host first
    // (and goes on whatever it answers) and ends with a view change, unless said otherwise.
    void put_Filename(const std::string& name);  // no view change
    // The name alone, as the embedding tag gives it before any window: no request, no load.
    void StoreFilename(const std::string& name) { fileName_ = name; }
    std::string get_Filename() const { return fileName_; }
    void put_UserInterfaceLock(int value);
    int get_UserInterfaceLock() const;
    void put_Version(float value);  // stores nothing: a newer one starts the update check
    float get_Version() const { return kVersion; }
    void put_BgColor(int rgb);  // and then the canvas colour, with its own request and change
    int get_BgColor() const;
    void put_CanvasColor(int rgb);
    int get_CanvasColor() const;
    void put_CanvasWidth(int value);
    int get_CanvasWidth() const;
    void put_CanvasHeight(int value);
    int get_CanvasHeight() const;
    void put_MaxZoom(float value);
    float get_MaxZoom() const;
    void put_MinZoom(float value);
    float get_MinZoom() const;
    void put_ZoomSpeed(float value);
    float get_ZoomSpeed() const;
    void put_PanSpeed(float value);
    float get_PanSpeed() const;
    void put_BorderColor(int value);
    int get_BorderColor() const;
    void put_BorderWidth(int value);
    int get_BorderWidth() const;
    void put_BorderHeight(int value);
    int get_BorderHeight() const;
    void put_Fit(int value);
    int get_Fit() const;
    void put_PosX(float value);
    float get_PosX() const;
    void put_PosY(float value);
    float get_PosY() const;
    void put_PosZ(float value);  // 0 leaves the zoom as it is
    float get_PosZ() const;
    void put_ShowLogo(int value);
    int get_ShowLogo() const { return showLogo_; }
    void put_Fullscreen(int value);  // asks no request
    int get_Fullscreen() const { return GetFullscreen(); }
    // The int without a name in the scripting interface (what the canvas's draw call is
    // asked for): stored and read back only, with no request and no view change.
    void put_FilterRequest(int value) { album_.SetFilterRequest(value); }
    int get_FilterRequest() const { return album_.GetFilterRequest(); }
    // Nothing when either side is 0 or less, or the size is the canvas's already.
    void ReSizeCanvas(int width, int height);
    // Zooming turns about the picture point (XPos, YPos), or about the cursor again.
    void ZoomLock(int xPos, int yPos);
    void ZoomUnlock();

    // Full screen and the display's mode for it: VanteloFullscreen.cpp.
    bool EnterFullscreen();
    // Back to the page; run by the full-screen window as it goes.
    void LeaveFullscreen();
    void SetFullscreen(int value);
    int GetFullscreen() const;
    FullScreen* GetFullScreenWindow() const override { return fullScreen_; }
    // The display's virtual mode for full screen; the screen's own mode never changes.
    bool SetDisplayMode(int width, int height, int bits);
    void RestoreDisplayMode();
    // How the wait for the hardware's holder sleeps; tests count instead.
    void SetHardwareAskSleep(std::function<void(std::chrono::milliseconds)> sleep) {
        askSleep_ = std::move(sleep);
    }

    // The options dialog's about part and its report: VanteloAbout.cpp.
    void ShowAboutDialog();
    ViewerReport Report();

    // Printing and saving the view: VanteloOutput.cpp.
    void Print();
    void SaveView();
    // The name SaveView offers: the file name's last part with ".jpg" for its extension.
    static std::string SaveViewName(const std::string& fileName);

    // Painting onto another context: VanteloPrint.cpp.
    // The frame stretched onto the bounds of a printer's or a container's context; from
    // another viewer of the same picture when this one has no window. E_FAIL when none can.
    platform::HRESULT RenderToDC(ATL_DRAWINFO& info);

    // The update check: VanteloUpdate.cpp.
    static constexpr std::uint32_t kUpdateReplyMessage = platform::WM_USER + 102;
    void StartUpdateCheck();
    // For the library's unloading: waits for a running update check's thread, at most its
    // fetch's timeout and a little more. True when none is left.
    static bool WaitForUpdateCheck();

    // For hosts, defined here; GetWindow, IsLoading and GetAlbum also serve DeviceOwnership.
    // The screen's depth changed (DeviceOwnership.cpp decides): 1 when the display was made
    // anew.
    int OnDisplayChange(int bits) { return device_.OnDisplayChange(bits); }
    // The viewer's hold on its window, where its frame and menu messages arrive.
    platform::Window* GetWindow() const override { return hold_.get(); }
    bool IsImagePresent() const { return imagePresent_; }
    bool IsLoading() const override { return loading_; }
    Album& GetAlbum() override { return album_; }

private:
    // Tests look into the display, the device's ownership and the state no host reads
    // through it, so the public members stay what hosts need.
    friend class ViewerProbe;

    struct QueuedEvent {
        EventKind kind;
        Vector3 position;
        short button = 0;
        Vector2<int> point;
    };

    // VanteloPlugin.cpp.
    static platform::CriticalSection& ListSection();
    static std::vector<CVanteloPlugin*>& Instances();
    void Create() override;
    // Stops a running loader and waits for it; the canvas stays.
    void StopLoading() override;
    // Stops a running download, marked as aborted so its end is not told as a failure.
    void AbortDownload() override;
    platform::HWND PageWindow() const override { return window_; }
    bool HandedOver() const override { return handedOver_; }
    void ForgetPicture() override { imagePresent_ = false; }

    // VanteloFrames.cpp.
    void DeliverQueue();
    void Deliver(const QueuedEvent& event);
    QueuedEvent Capture(EventKind kind) const;
    // RenderFrame with the canvas lock already held.
    bool DrawFrame();
    void StepMove();

    // VanteloPacing.cpp.
    void StartPacing();
    platform::WaitTime PacingPass();
    // Every message of the viewer's window, whichever host it runs in, is decided here.
    bool HandleMessage(const platform::Message& message);
    void ResizeRenderTarget(Vector2<int> size);

    // VanteloInput.cpp.
    void BuildMenu();
    void OpenMenu(Vector2<int> screenPoint);
    // A pan or zoom drag from a button going down inside the window; false when none began.
    bool StartDrag(bool zoom);
    void EndLeftDrag();
    void EndRightDrag();
    void ReleaseCursor();
    void ActivateInput();
    Vector2<int> WindowCentre() const;

    // VanteloMembers.cpp.
    void RequestEdit(int dispid);
    // The host redraws and tells its container the properties changed.
    void FireViewChange();
    // Resizes the canvas with the loader between passes.
    void ResizeCanvasLocked(Vector2<int> size);

    // VanteloFullscreen.cpp.
    platform::Window* TargetWindow() const;
    // Ends a full-screen window still open, as the viewer goes.
    void EndFullscreen();
    // Tells the process's other viewers of a mode switch, as the system does with a sent
    // display change: a holder among them lets go before this one waits.
    void SyncOtherViewers();

    // VanteloOutput.cpp.
    // The back buffer as a JPEG file at `path`; false when it could not be written.
    bool WriteViewFile(const std::string& path);

    // VanteloUpdate.cpp.
    bool HandleUpdateReply();
    // Lets go of the plug-in window, under the list section (update checks post to it).
    void DropWindowHold();

    FullScreen* fullScreen_ = nullptr;  // deleted as its window ends, or by EndFullscreen
    bool modeSwitched_ = false;
    std::function<void(std::chrono::milliseconds)> askSleep_;
    int serial_ = 0;  // how an update check finds this viewer again

    Rect hotCorner_;
    Album album_;
    ViewerDisplay display_;
    std::deque<QueuedEvent> queue_;
    platform::IBinding* binding_ = nullptr;
    std::atomic<bool> aborted_{false};
    std::atomic<bool> imagePresent_{false};
    std::atomic<bool> loading_{false};
    std::atomic<bool> loadError_{false};
    bool initFailed_ = false;
    bool frameFocus_ = false;
    bool resizedOnce_ = false;
    bool deferEvents_ = false;
    bool progressive_ = false;
    bool handedOver_ = false;            // the loader has had this load's bytes
    bool decodesProgressively_ = false;  // and decodes them pass by pass
    std::string fileName_;
    std::string initFailure_;
    int received_ = 0;
    int expected_ = 0;
    int status_ = 0;
    int lastProgressive_ = 0;
    bool firstProgressive_ = true;
    platform::HWND window_ = nullptr;
    std::unique_ptr<platform::Window> hold_;  // the plug-in window's messages
    bool menuLoaded_ = false;
    platform::Menu menu_;
    FrameTimer frameClock_;
    FrameTimer downloadClock_;
    std::int64_t lastProgress_ = 0;
    Vector3 moveGoal_;
    Vector3 moveStart_;
    std::uint32_t moveDuration_ = 0;
    std::int64_t moveElapsed_ = 0;
    int moveMethod_ = 0;
    bool moveActive_ = false;
    int showLogo_ = 1;
    bool logoVisible_ = true;
    bool lwfOnLoadPending_ = false;
    bool headChecked_ = false;  // this load's first bytes have said what they can
    bool headRefused_ = false;  // and this load ended with them, its error shown
    Vector2<int> refusedSize_;  // of the picture the last load found too big, else (0, 0)
    bool painting_ = false;     // inside PaintStatus
    DownloadBuffer keptBuffer_;
    std::unique_ptr<platform::Event> frameEvent_;
    std::unique_ptr<platform::PacingThread> pacing_;
    platform::PacingThread::Sleep pacingSleep_;
    std::atomic<platform::PacingThread*> pacingReady_{nullptr};
    std::atomic<platform::WaitTime> period_{platform::WaitTime{11}};  // the pacing thread's
    std::atomic<int> suspended_{0};
    int cursorHidden_ = 0;  // hides of the cursor not yet balanced
    CCustomPluginInterface* host_ = nullptr;
    DeviceOwnership device_{display_, *this};
};
