#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"
#include "viewer-plugin/model/AlbumLoader.h"

namespace gfx {
class RelativeMouse;
}
class Canvas;
class D3DWindow;
class DDSurface;

// The view state of one viewer: where the picture lies in the window and at what zoom, the
// limits and speeds of zooming and panning, colours and border, the fit mode, the lock bits
// and the mouse. Positions come in two senses: the internal one (x, y, z), the negated
// script position, and the screen one (X, Y, Z) = (x·z, y·z, z) the canvas draws at. GUI
// thread.
class Album {
public:
    // UserInterfaceLock bits.
    static constexpr int kLockPan = 0x01;
    static constexpr int kLockZoom = 0x02;
    static constexpr int kLockFreePan = 0x04;
    static constexpr int kLockFullscreen = 0x10;
    static constexpr int kLockSaveView = 0x20;
    static constexpr int kLockPrint = 0x40;
    // Fit bits.
    static constexpr int kFitCentreX = 0x01;
    static constexpr int kFitCentreY = 0x02;
    static constexpr int kFitWidth = 0x10;
    static constexpr int kFitHeight = 0x20;
    static constexpr int kFitInside = 0x100;
    static constexpr int kFitCentre = 0x130;
    // The logo holds this many frames, stacked from the top.
    static constexpr int kLogoFrames = 11;

    Album();
    virtual ~Album();
    Album(const Album&) = delete;
    Album& operator=(const Album&) = delete;

    // Internal sense. With a canvas the screen position follows; before, the start position.
    // A coordinate that is not a finite number, or a zoom of 0, changes nothing.
    void SetPosition(float x, float y, float z);
    Vector3 GetPosition() const;
    Vector3 GetScreenPosition() const { return screen_; }
    Vector3 GetStartPosition() const { return start_; }

    float GetMinZoom() const { return minZoom_; }
    void SetMinZoom(float value);
    float GetMaxZoom() const { return maxZoom_; }
    void SetMaxZoom(float value);
    float GetZoomSpeed() const;
    void SetZoomSpeed(float value);
    float GetPanSpeed() const;
    void SetPanSpeed(float value);
    float GetZoomDivisor() const { return zoomDivisor_; }
    float GetPanFactor() const { return panFactor_; }
    int GetBorderWidth() const { return borderWidth_; }
    void SetBorderWidth(int value) { borderWidth_ = value; }
    int GetBorderHeight() const { return borderHeight_; }
    void SetBorderHeight(int value) { borderHeight_ = value; }
    int GetBorderColor() const { return borderColor_; }
    void SetBorderColor(int value) { borderColor_ = value; }
    int GetFit() const { return fit_; }
    void SetFit(int value) { fit_ = value; }
    int GetUserInterfaceLock() const { return userInterfaceLock_; }
    void SetUserInterfaceLock(int value) { userInterfaceLock_ = static_cast<std::uint16_t>(value); }
    // 0xRRGGBB.
    int GetBgColor() const;
    void SetBgColor(int rgb);
    int GetCanvasColor() const;
    void SetCanvasColor(int rgb);
    // What the canvas's draw call is asked for: 0 draws with point sampling.
    int GetFilterRequest() const { return filterRequest_; }
    void SetFilterRequest(int value) { filterRequest_ = value; }
    const std::string& GetImageName() const { return imageName_; }
    // The size of the picture the last load refused as too big for the canvas; (0, 0) when
    // that load was not refused for its size.
    Vector2<int> GetRefusedSize() const { return refusedSize_; }

    Vector2<int> GetCanvasSize() const;
    void ResizeCanvas(D3DWindow* display, Vector2<int> size);
    // Zooms about the image point (x, y) while on; off stores (-1, -1).
    void SetZoomLock(bool on, int x, int y);
    bool IsZoomLocked() const { return zoomLock_; }
    Vector2<int> GetZoomLockPoint() const { return zoomLockPoint_; }

    // Once per display: the canvas at the start position (or fitted) and the mouse device.
    void CreateCanvas(D3DWindow* display);
    Canvas* GetCanvas() const { return canvas_.get(); }

    void Render(D3DWindow* display);
    void FillBackground(D3DWindow* display);
    void DrawBorder(D3DWindow* display);
    // The progress frame in the back buffer's top-right corner.
    void DrawLogo(D3DWindow* display);
    // The viewer's logo picture; not owned.
    void SetLogo(DDSurface* logo) { logo_ = logo; }
    int GetLastLogoFrame() const { return lastLogoFrame_; }

    // `point` in window pixels; the picture pixel under it stays put.
    void ZoomAt(D3DWindow* display, Vector2<int> point, float step);
    void ZoomToFactor(D3DWindow* display, float factor);
    // About the cursor, or the locked picture point.
    void MouseZoom(D3DWindow* display, int delta);
    // True when the position did not change.
    bool Pan(D3DWindow* display, Vector2<int> delta);
    void FitToWindow(Vector2<int> size, int bits);
    void Fit(Vector2<int> size);

    void SetActive(platform::HWND window, bool on);
    bool IsActive() const { return inputActive_; }
    // Each refuses (false) while the other drag is on.
    bool SetPanDrag(bool on);
    bool SetZoomDrag(bool on);
    bool IsPanDrag() const { return panDrag_; }
    bool IsZoomDrag() const { return zoomDrag_; }
    // The mouse's buffered movement since the last frame, applied as pan or zoom.
    void ProcessMouseInput(D3DWindow* display);
    // Drops the buffered movement, as a drag starts.
    void FlushMouseInput(D3DWindow* display);
    // Lets go of the mouse device, as the display goes.
    void ReleaseMouseDevice();
    bool HasMouseDevice() const { return mouse_ != nullptr; }

    void SetProgress(int received, int total);
    void SetDirty(bool dirty = true) { dirty_ = dirty; }
    bool IsDirty() const { return dirty_; }

    // Loading (AlbumLoading.cpp). The bytes of `name` decoded into the canvas: at once, or
    // for a progressive picture by a loader thread while more of the bytes arrive. False
    // when the picture cannot be opened or the canvas refuses its size.
    bool AddData(D3DWindow* display, const std::string& name, const std::uint8_t* data,
                 std::size_t size);
    bool StartLoader(const std::uint8_t* data, std::size_t size, const std::string& name,
                     D3DWindow* display);
    // What the first bytes of a download of `name` already tell: that the picture can never
    // be shown (bytes of another kind, or a size no canvas takes, which becomes the refused
    // size), that its header allows it, or nothing yet.
    enum class HeadCheck { kUnknown, kShowable, kRefused };
    HeadCheck CheckHead(const std::string& name, const std::uint8_t* data, std::size_t size);
    // Rows the available bytes allow into the level-0 tiles; false when nothing could be.
    bool DecodeRows(D3DWindow* display, bool first);
    // Ends the loader (waiting for it) and drops the decoder; the canvas stays.
    void EndLoader();
    // Ends the loader (waiting for it), drops the mouse device, the decoder and the canvas.
    void StopLoader();
    AlbumLoader& Loader() { return loader_; }

private:
    void LoaderThreadProc(D3DWindow* display);
    // Under the canvas lock, before a picture's first rows.
    void FillEdgeTiles();
    // The first decoded rows placed: the start position, then the fit.
    void PlaceFirstRows(D3DWindow* display);
    // Level 0's borders from its new rows; the reduced levels are built again when drawn.
    void RefreshLevels(bool releaseReduced);

    // Moves the canvas and the screen position; true when it changed.
    bool MoveCanvas(const Vector3& screen);
    void CreateMouseDevice();
    // What the buffered records add up to, movements subtracted so the picture follows the
    // mouse and dragging upwards zooms in.
    struct MouseMotion {
        Vector2<int> pan;
        int zoom = 0;  // held to -128 .. 128
    };
    // Reads up to `limit` records into `motion` (null drops them); false when the device
    // gave nothing.
    bool ReadMouse(int limit, MouseMotion* motion);

    bool inputActive_ = false;
    bool panDrag_ = false;
    bool zoomDrag_ = false;
    std::unique_ptr<gfx::RelativeMouse> mouse_;
    bool zoomLock_ = false;
    Vector2<int> zoomLockPoint_{-1, -1};
    std::unique_ptr<Canvas> canvas_;
    // The loader thread marks the view when it places the first rows.
    std::atomic<bool> dirty_{true};
    std::uint16_t userInterfaceLock_ = 0;
    Vector3 start_{0, 0, 1};
    Vector2<int> canvasSize_{1, 1};
    int fit_ = 0;
    float minZoom_ = 0.01f;
    float maxZoom_ = 100.0f;
    float zoomDivisor_ = 50.0f;
    float panFactor_ = 1.8f;
    int borderWidth_ = 0;
    int borderHeight_ = 0;
    int borderColor_ = 0;
    int received_ = 0;
    int total_ = 0;
    DDSurface* logo_ = nullptr;
    int lastLogoFrame_ = -1;
    Vector3 screen_{2, 2, 0.2f};
    std::string imageName_ = "Unknown";
    Vector2<int> refusedSize_;
    std::uint8_t bg_[3] = {20, 20, 20};
    std::uint8_t canvasColour_[3] = {0, 0, 0};
    int filterRequest_ = 1;
    // Last, so that its thread has ended before anything it uses goes.
    AlbumLoader loader_;
};
