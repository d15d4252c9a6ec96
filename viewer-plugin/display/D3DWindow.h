#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/Direct3DDevice.h"
#include "platform/gfx/OldDirect3D.h"
#include "viewer-plugin/display/DDWindow.h"

// The 3D objects every viewer window of the process shares; touched only inside the device
// section. The shared fields hold one reference to each object; each window using a device
// or viewport holds one more of its own.
struct Direct3DObjects {
    gfx::Direct3D* d3d = nullptr;
    int d3dUsers = 0;
    gfx::Device* hardware = nullptr;
    int hardwareUsers = 0;
    gfx::Viewport* hardwareViewport = nullptr;
    int hardwareGeneration = 0;
    bool hardwareMade = false;  // once the process has had the hardware device
    gfx::Device* software = nullptr;
    int softwareUsers = 0;
    gfx::Viewport* softwareViewport = nullptr;
    int softwareGeneration = 0;
    // Counted up when every object is let go at once, so that windows still counted in
    // the earlier objects do not count out of the new ones.
    int epoch = 0;
};
Direct3DObjects& SharedDirect3D();

// The display window the canvas draws on: the 3D device (the hardware when this viewer may
// have it, else the software device), its viewport of the window's size and the texture
// layouts tiles are made in. GUI thread.
class D3DWindow : public DDWindow {
public:
    D3DWindow(ModuleInstance instance, platform::HWND window);
    ~D3DWindow() override;

    // Lets go of the device, then of the display objects.
    int ReleaseObjects() override;
    // The display objects, then the 3D device; "Can't setup basic display" when the first
    // fail.
    HRESULT Create(std::uint32_t flags, std::uint32_t primaryCaps, std::uint32_t backCaps) override;
    void Resize(Vector2<int> size, bool recreatePrimary) override;
    void ReleaseAll() override;
    virtual HRESULT CreateWindowed();
    virtual HRESULT CreateFullscreen();
    virtual bool SetViewport(const gfx::ViewportDesc& desc);
    // The viewport of the whole window.
    virtual bool UpdateViewport();

    // Chooses and makes the device for the current back buffer; 0 or the failing result.
    HRESULT Setup3d();
    // The old interface's software device on a system-memory back buffer, with a viewport
    // of the window's size; its generation counts up on each call.
    HRESULT Setup3dDX3();
    void ReleaseDevice();
    void ReleaseViewport();
    void EvictTextures();
    bool SetRenderTargetToBackBuffer();
    // This window draws with the process's current hardware device.
    bool OwnsDevice() const;
    // The kept texture format tiles should take for this back buffer; null when its format
    // cannot be read or no format was kept.
    const gfx::PixelFormatDesc* GetBackBufferFormat();
    // Whether a clear of the device's target shows on `surface`: 0, or E_FAIL when not.
    HRESULT VerifyRenderTarget(gfx::Device* device, DDSurface* surface);

    // The computer-wide record.
    int GetRunningCount();
    bool IsHardwareClaimed();
    bool IsReleased();
    bool IsReleaseRequested();
    void SetReleased(bool value);
    void SetReleaseRequest(bool value);
    void ReleaseHardwareClaim();
    // Asks the computer's holder of the hardware to let it go (see ::AskForHardware); this
    // window's own claim is filled in.
    HardwareAsk AskForHardware(HardwareAskOptions options);

    gfx::Device* GetDevice() const { return device_; }
    // The old interface's objects (null on the newer path) and their generation.
    gfx::OldDevice* GetDeviceDX3() const { return deviceDX3_; }
    gfx::OldViewport* GetViewportDX3() const { return viewportDX3_; }
    int GetGenerationDX3() const { return generationDX3_; }
    gfx::Viewport* GetViewport() const { return viewport_; }
    bool GetMipmapFilter() const { return mipmapFilter_; }
    bool HoldsHardware() const { return holdsHardware_; }
    const std::vector<gfx::PixelFormatDesc>& GetTextureFormats() const { return textureFormats_; }
    // Windows of this process drawing in 3D.
    static int ProcessDirect3DUsers();

private:
    bool IsHardwareCandidate() const;
    // Makes the hardware device into `made`: 0, or why not.
    HRESULT CreateHardwareDevice(gfx::Device*& made);
    HRESULT CheckHardware(gfx::Device* device);
    HRESULT UseSoftwareDevice();
    // A back buffer in video memory is replaced by one in system memory; false when that
    // cannot be made.
    bool MoveBackBufferToSystemMemory();
    void DropDirect3DUser();
    void ReleaseDeviceDX3();
    void EnumTextureFormats();
    void KeepTextureFormat(const gfx::PixelFormatDesc& format);

    gfx::Device* device_ = nullptr;      // held
    gfx::Viewport* viewport_ = nullptr;  // held
    int hardwareGeneration_ = 0;
    int softwareGeneration_ = 0;
    bool d3dUser_ = false;
    int d3dEpoch_ = 0;
    bool mipmapFilter_ = true;
    bool holdsHardware_ = false;
    std::vector<gfx::PixelFormatDesc> textureFormats_;
    gfx::OldDirect3D* d3dDX3_ = nullptr;       // held
    gfx::OldDevice* deviceDX3_ = nullptr;      // held
    gfx::OldViewport* viewportDX3_ = nullptr;  // held
    int generationDX3_ = 0;
};
