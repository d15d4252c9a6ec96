#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gfx/DirectDraw.h"
#include "viewer-plugin/display/AKOT_Window.h"
#include "viewer-plugin/display/DDSurface.h"
#include "viewer-plugin/display/DeviceSection.h"
#include "viewer-plugin/display/SharedRecord.h"

// The display objects every viewer window of the process shares; touched only inside the
// device section.
struct DirectDrawObjects {
    gfx::DirectDraw* dd = nullptr;   // the old interface
    gfx::DirectDraw* dd4 = nullptr;  // the newer one; null in old-interface mode
    gfx::Surface* primary = nullptr;
    gfx::Clipper* clipper = nullptr;
    bool dx3Mode = false;
    int generation = 0;   // counted up each time the objects are made anew
    int windowCount = 0;  // display windows counted in
};
DirectDrawObjects& SharedDirectDraw();

// A window the viewer presents its frames in: a back buffer of the client area's size,
// shown through the shared primary by a clipped blit, or by flipping when it holds the
// display full screen. GUI thread.
class DDWindow : public AKOT_Window {
public:
    using HRESULT = platform::HRESULT;

    // Uses of Create.
    static constexpr std::uint32_t kWindowedFlags = 0x408;
    static constexpr std::uint32_t kWindowedPrimaryCaps = 0x6200;
    static constexpr std::uint32_t kFullScreenFlags = 0x813;
    static constexpr std::uint32_t kFullScreenPrimaryCaps = 0x2200;
    static constexpr std::uint32_t kBackBufferCaps = 0x6040;

    DDWindow(ModuleInstance instance, platform::HWND window);
    ~DDWindow() override;

    int ReleaseObjects() override;
    bool Flip() override;
    bool OnMove(int x, int y) override;
    void OnDestroy() override;

    // 0, or the failing step's result (DDERR_INVALIDPIXELFORMAT on a palette display).
    virtual HRESULT Create(std::uint32_t flags, std::uint32_t primaryCaps, std::uint32_t backCaps);
    virtual void Resize(Vector2<int> size, bool recreatePrimary);
    // Lets go of the process's display objects for every window sharing them.
    virtual void ReleaseAll();

    // Lets go of this window's part in the display objects; once per window.
    void ReleaseDirectDraw();
    // Presents in another window from now on (the full-screen window and back); the back
    // buffer keeps its size until the next Resize.
    void SetTargetWindow(platform::HWND window);
    // The cooperative level of the display objects, for this window.
    HRESULT SetCooperation(std::uint32_t level);
    HRESULT CreatePrimarySurface(std::uint32_t caps);
    DDSurface* CreateRenderSurfaces(std::uint32_t caps);

    // Null outputs start the list again; otherwise the next mode with 16 bits or more and
    // whether more follow.
    bool GetDisplayModes(int* width, int* height, int* bits);

    Vector2<int> GetSize() const { return size_; }
    int GetBitsPerPixel() const { return bitsPerPixel_; }
    void GetScreenRect(Rect* rect) const;
    DDSurface* GetBackBuffer() const { return backBuffer_.get(); }
    bool IsCreated() const { return created_; }
    bool IsFlipping() const { return flipping_; }
    int GetGeneration() const { return generation_; }

    // The sentence describing a result, ending " \n"; "Unknown DD Error.\n" for others.
    static std::string ErrorText(HRESULT result);

    // The options' choice of the old interface.
    static void SetForceDX3(bool force);
    static bool IsForceDX3();
    // Once set, the process switches display modes with ChangeDisplaySettings instead of
    // DirectDraw: the old interface's way, and the way when full screen comes before any
    // resize of the render target.
    static void SetModeSwitchBySettings(bool value);
    static bool IsModeSwitchBySettings();
    // How the window waits before its last try at the primary. Tests count instead.
    void SetSleep(std::function<void(std::chrono::milliseconds)> sleep) {
        sleep_ = std::move(sleep);
    }

protected:
    struct Mode {
        int width = 0;
        int height = 0;
        int bits = 0;
    };
    static bool EnumModesCallback(const gfx::ModeDesc& mode, DDWindow& window);
    SharedRecord& GetSharedRecord() { return record_; }

    std::unique_ptr<DDSurface> backBuffer_;
    int generation_ = 0;
    std::vector<Mode> modes_;
    std::size_t modeCursor_ = 0;
    bool modesListed_ = false;
    int bitsPerPixel_ = 0;
    std::uint32_t primaryCaps_ = 0;
    std::uint32_t backCaps_ = 0;
    std::uint32_t flags_ = 8;
    bool flipping_ = false;
    bool created_ = false;
    Rect screenRect_;
    Rect clientRect_;
    const platform::GUID* driver_ = nullptr;

private:
    // What this window holds a reference to.
    struct Holds {
        bool dd = false;
        bool dd4 = false;
        bool primary = false;
        bool clipper = false;
    };
    static std::vector<DDWindow*>& Windows();
    void AttachBackBuffer();

    Holds holds_;
    bool released_ = false;
    SharedRecord record_;
    std::shared_ptr<platform::Framebuffer> framebuffer_;
    std::function<void(std::chrono::milliseconds)> sleep_;
};
