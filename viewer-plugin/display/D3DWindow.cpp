#include "viewer-plugin/display/D3DWindow.h"

#include <string>

#include "platform/gfx/Surface.h"
#include "platform/gfx/VirtualDisplay.h"
#include "viewer-plugin/display/ErrorLog.h"

namespace {

constexpr int kTrace = 0;
constexpr int kError = 2;
constexpr int kSevere = 3;
constexpr int kTextureEdge = 256;

void Log(int level, const char* text) {
    ErrorLog::Instance().Log(level, text);
}

// Releases the shared device's own viewport and the device itself.
void LetGoOfDevice(gfx::Device*& device, gfx::Viewport*& viewport) {
    if (viewport != nullptr) {
        if (device != nullptr) device->DeleteViewport(viewport);
        viewport->Release();
        viewport = nullptr;
    }
    if (device != nullptr) {
        device->Release();
        device = nullptr;
    }
}

template <class T>
void LetGo(T*& object) {
    if (object != nullptr) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

Direct3DObjects& SharedDirect3D() {
    static Direct3DObjects objects;
    return objects;
}

D3DWindow::D3DWindow(ModuleInstance instance, platform::HWND window) : DDWindow(instance, window) {
    GetSharedRecord().CountIn();
}

D3DWindow::~D3DWindow() {
    ReleaseDevice();
    GetSharedRecord().CountOut();
}

int D3DWindow::ReleaseObjects() {
    ReleaseDevice();
    ReleaseDirectDraw();
    textureFormats_.clear();
    return 0;
}

platform::HRESULT D3DWindow::CreateWindowed() {
    return Create(kWindowedFlags, kWindowedPrimaryCaps, kBackBufferCaps);
}

platform::HRESULT D3DWindow::CreateFullscreen() {
    return Create(kFullScreenFlags, kFullScreenPrimaryCaps, kBackBufferCaps);
}

platform::HRESULT D3DWindow::Create(std::uint32_t flags, std::uint32_t primaryCaps,
                                    std::uint32_t backCaps) {
    const HRESULT hr = DDWindow::Create(flags, primaryCaps, backCaps);
    if (hr != gfx::DD_OK) {
        Log(kError, "D3DWindow::Create  Can't setup basic display\r\n");
        return hr;
    }
    return Setup3d();
}

void D3DWindow::Resize(Vector2<int> size, bool recreatePrimary) {
    if (!IsCreated()) return;
    EvictTextures();
    ReleaseViewport();
    ReleaseDevice();
    DDWindow::Resize(size, recreatePrimary);
    Setup3d();
    UpdateViewport();
}

void D3DWindow::EvictTextures() {
    auto section = EnterDeviceSection();
    if (SharedDirect3D().d3d != nullptr) SharedDirect3D().d3d->EvictManagedTextures();
}

// The device's viewport is shared by every window using the device and leaves it with the
// device's last user; a window only lets go of its hold, so that the others go on drawing.
void D3DWindow::ReleaseViewport() {
    auto section = EnterDeviceSection();
    LetGo(viewport_);
}

void D3DWindow::DropDirect3DUser() {
    Direct3DObjects& shared = SharedDirect3D();
    if (!d3dUser_) return;
    d3dUser_ = false;
    if (d3dEpoch_ != shared.epoch || --shared.d3dUsers > 0) return;
    // Nobody draws in 3D any more: everything goes.
    LetGoOfDevice(shared.hardware, shared.hardwareViewport);
    LetGoOfDevice(shared.software, shared.softwareViewport);
    LetGo(shared.d3d);
    shared.d3dUsers = shared.hardwareUsers = shared.softwareUsers = 0;
}

void D3DWindow::ReleaseDeviceDX3() {
    if (viewportDX3_ != nullptr && deviceDX3_ != nullptr) deviceDX3_->DeleteViewport(viewportDX3_);
    LetGo(viewportDX3_);
    LetGo(deviceDX3_);
}

void D3DWindow::ReleaseDevice() {
    auto section = EnterDeviceSection();
    ReleaseDeviceDX3();
    LetGo(d3dDX3_);
    Direct3DObjects& shared = SharedDirect3D();
    if (device_ != nullptr) {
        if (device_ == shared.hardware && hardwareGeneration_ == shared.hardwareGeneration) {
            if (--shared.hardwareUsers == 0) {
                LetGoOfDevice(shared.hardware, shared.hardwareViewport);
                ReleaseHardwareClaim();
            }
        } else if (device_ == shared.software && softwareGeneration_ == shared.softwareGeneration) {
            if (--shared.softwareUsers == 0) {
                LetGoOfDevice(shared.software, shared.softwareViewport);
            }
        }
    }
    LetGo(viewport_);
    LetGo(device_);
    DropDirect3DUser();
}

void D3DWindow::ReleaseAll() {
    {
        auto section = EnterDeviceSection();
        Direct3DObjects& shared = SharedDirect3D();
        LetGoOfDevice(shared.hardware, shared.hardwareViewport);
        LetGoOfDevice(shared.software, shared.softwareViewport);
        LetGo(shared.d3d);
        shared.d3dUsers = shared.hardwareUsers = shared.softwareUsers = 0;
        ++shared.epoch;
        ReleaseHardwareClaim();
    }
    DDWindow::ReleaseAll();
}

bool D3DWindow::IsHardwareCandidate() const {
    if (backBuffer_ == nullptr || !backBuffer_->IsVideoMemory()) return false;
    if (GetWidth() < kTextureEdge && GetHeight() <= kTextureEdge) return false;
    gfx::DirectDraw* dd = SharedDirectDraw().dd4;
    gfx::DriverCaps caps;
    return dd != nullptr && dd->GetCaps(&caps, nullptr) == gfx::DD_OK &&
           (caps.caps & gfx::DDCAPS_3D) != 0;
}

platform::HRESULT D3DWindow::Setup3d() {
    if (SharedDirectDraw().dx3Mode) return Setup3dDX3();
    auto section = EnterDeviceSection();
    ReleaseDevice();
    if (backBuffer_ == nullptr || !backBuffer_->IsValid()) {
        Log(kError, "D3DWindow::Setup3d()  No backbuffer available\r\n");
        return platform::E_FAIL;
    }
    Direct3DObjects& shared = SharedDirect3D();
    if (shared.d3d == nullptr) {
        void* d3d = nullptr;
        const HRESULT hr = SharedDirectDraw().dd4 != nullptr
                               ? SharedDirectDraw().dd4->QueryInterface(gfx::IID_IDirect3D3, &d3d)
                               : platform::E_NOINTERFACE;
        if (hr != gfx::DD_OK) {
            Log(kError, "This app requires DirectX 6.0 or later!\r\n");
            return hr;
        }
        shared.d3d = static_cast<gfx::Direct3D*>(static_cast<platform::IUnknown*>(d3d));
    }
    ++shared.d3dUsers;
    d3dUser_ = true;
    d3dEpoch_ = shared.epoch;

    bool tryHardware = false;
    bool claimedHere = false;
    if (holdsHardware_) {
        tryHardware = IsHardwareCandidate();
    } else if (IsHardwareCandidate() && GetSharedRecord().TryClaimHardware()) {
        tryHardware = claimedHere = true;
    }
    if (tryHardware) {
        gfx::Device* made = nullptr;
        HRESULT hr = CreateHardwareDevice(made);
        if (hr == gfx::DD_OK) hr = CheckHardware(made);
        if (hr == gfx::DD_OK) {
            shared.hardware = made;
            shared.hardwareMade = true;
            hardwareGeneration_ = ++shared.hardwareGeneration;
            ++shared.hardwareUsers;
            device_ = made;
            device_->AddRef();
            holdsHardware_ = true;
        } else {
            // Only a device made here is ours to let go: another window's stays its own.
            LetGo(made);
            if (claimedHere) GetSharedRecord().ClearHardwareClaim();
        }
    }
    if (device_ == nullptr) {
        const HRESULT hr = UseSoftwareDevice();
        if (hr != gfx::DD_OK) {
            Log(kError, "D3DWindow::Create  No available 3DDevice \n");
            DropDirect3DUser();
            return hr;
        }
    }

    Log(kTrace, " The kingdom is run by ");
    Log(kTrace, device_ == shared.hardware ? "HAL" : "RGB");
    Log(kTrace, " \n");
    EnumTextureFormats();
    device_->SetRenderTarget(backBuffer_->GetSurface(), 0);
    return gfx::DD_OK;
}

platform::HRESULT D3DWindow::CreateHardwareDevice(gfx::Device*& made) {
    Direct3DObjects& shared = SharedDirect3D();
    made = nullptr;
    // One hardware device a process, and it is not shared.
    if (shared.hardware != nullptr) return platform::E_FAIL;
    gfx::Surface* back = backBuffer_->GetSurface();
    gfx::Surface* primary = SharedDirectDraw().primary;
    HRESULT hr = primary != nullptr
                     ? shared.d3d->CreateDevice(gfx::IID_IDirect3DHALDevice, primary, &made)
                     : platform::E_FAIL;
    if (hr == gfx::DD_OK) hr = made->SetRenderTarget(back, 0);
    if (hr == gfx::DD_OK) hr = VerifyRenderTarget(made, backBuffer_.get());
    if (hr != gfx::DD_OK) {
        LetGo(made);
        hr = shared.d3d->CreateDevice(gfx::IID_IDirect3DHALDevice, back, &made);
    }
    return hr;
}

platform::HRESULT D3DWindow::CheckHardware(gfx::Device* device) {
    gfx::DeviceDesc hardware;
    gfx::DeviceDesc emulation;
    if (device->GetCaps(&hardware, &emulation) != gfx::DD_OK) return platform::E_FAIL;
    HRESULT result = gfx::DD_OK;
    const auto fail = [&result](const char* text) {
        Log(kError, text);
        result = platform::E_FAIL;
    };
    constexpr std::uint32_t kTextureMemory = gfx::D3DDEVCAPS_TEXTURESYSTEMMEMORY |
                                             gfx::D3DDEVCAPS_TEXTUREVIDEOMEMORY |
                                             gfx::D3DDEVCAPS_TEXTURENONLOCALVIDMEM;
    if ((hardware.devCaps & kTextureMemory) == 0) fail("3D Hardware can not texture\r\n");
    if (hardware.textureFilterCaps != 0 &&
        (hardware.textureFilterCaps & gfx::D3DPTFILTERCAPS_LINEAR) == 0) {
        fail("3D Hardware can not filter\r\n");
    }
    if (hardware.minTextureWidth > kTextureEdge || hardware.minTextureHeight > kTextureEdge) {
        fail("3D Hardware can not render texture as small as needed\r\n");
    }
    if (hardware.maxTextureWidth < kTextureEdge || hardware.maxTextureHeight < kTextureEdge) {
        fail("3D Hardware can not render texture of the needed size\n");
    }
    mipmapFilter_ = (hardware.textureFilterCaps & gfx::D3DPTFILTERCAPS_MIPNEAREST) != 0;

    gfx::PixelFormatDesc format;
    if (backBuffer_->GetSurface()->GetPixelFormat(&format) != gfx::DD_OK) {
        Log(kError, "Couldn't get the format of the backbuffer\r\n");
    } else {
        std::uint32_t depth = 0;
        switch (format.rgb.rgbBitCount) {
            case 16:
                depth = gfx::DDBD_16;
                break;
            case 24:
                depth = gfx::DDBD_24;
                break;
            case 32:
                depth = gfx::DDBD_32;
                break;
            default:
                break;
        }
        if ((hardware.renderBitDepth & depth) == 0) fail("Can NOT render current depth\n");
    }

    // Tiles must fit in video memory beside the back buffer.
    constexpr std::uint32_t kOffscreenVideo =
        gfx::DDSCAPS_OFFSCREENPLAIN | gfx::DDSCAPS_VIDEOMEMORY;
    const auto probe =
        backBuffer_->CreateCompatible(kTextureEdge, kTextureEdge, kOffscreenVideo, 0);
    if (probe == nullptr || !probe->IsVideoMemory()) result = platform::E_FAIL;
    return result;
}

platform::HRESULT D3DWindow::Setup3dDX3() {
    auto section = EnterDeviceSection();
    gfx::DirectDraw* dd = SharedDirectDraw().dd;
    if (dd == nullptr) return platform::E_FAIL;
    ++generationDX3_;
    ReleaseDeviceDX3();
    if (d3dDX3_ == nullptr) {
        void* d3d = nullptr;
        const HRESULT hr = dd->QueryInterface(gfx::IID_IDirect3D, &d3d);
        if (hr != gfx::DD_OK) {
            Log(kError, "Failed to get Direct3D interface");
            return hr;
        }
        d3dDX3_ = static_cast<gfx::OldDirect3D*>(static_cast<platform::IUnknown*>(d3d));
    }
    if (backBuffer_ != nullptr && backBuffer_->IsVideoMemory()) {
        Log(kTrace, "Setup3D  For now we only use software rendering on DX5 and earlier\n");
        if (!MoveBackBufferToSystemMemory()) backBuffer_.reset();
    }
    HRESULT hr = platform::E_FAIL;
    if (backBuffer_ != nullptr && backBuffer_->GetSurface() != nullptr) {
        void* device = nullptr;
        hr = backBuffer_->GetSurface()->QueryInterface(gfx::IID_IDirect3DRGBDevice, &device);
        if (hr == gfx::DD_OK) {
            deviceDX3_ = static_cast<gfx::OldDevice*>(static_cast<platform::IUnknown*>(device));
        }
    }
    if (deviceDX3_ == nullptr) {
        Log(kSevere, "D3DWindow::Create  No available 3DDevice \n");
        return hr;
    }
    Log(kTrace, " The kingdom is run by Direct3D-1 ");
    Log(kTrace, "RGB");
    Log(kTrace, " \n");

    gfx::OldViewportDesc desc;
    desc.width = GetWidth();
    desc.height = GetHeight();
    desc.scaleX = desc.scaleY = 1.0f;
    desc.maxX = static_cast<float>(desc.width) / 2.0f;
    desc.maxY = static_cast<float>(desc.height) / 2.0f;
    desc.minZ = 0.0f;
    desc.maxZ = 1.0f;
    hr = d3dDX3_->CreateViewport(&viewportDX3_);
    if (hr != gfx::DD_OK) {
        Log(kSevere, "D3DWindow::SetViewport  CreateViewport failed\n");
        return hr;
    }
    hr = deviceDX3_->AddViewport(viewportDX3_);
    if (hr != gfx::DD_OK) {
        LetGo(viewportDX3_);
        Log(kSevere, "D3DWindow::AddViewport FAILED\n");
        return hr;
    }
    EnumTextureFormats();
    hr = viewportDX3_->SetViewport(&desc);
    if (hr != gfx::DD_OK) {
        Log(kSevere, "SetViewport FAILED");
        return hr;
    }
    // The old interface's DirectDraw object switches modes badly: from now on the process
    // switches them with ChangeDisplaySettings.
    SetModeSwitchBySettings(true);
    return gfx::DD_OK;
}

bool D3DWindow::MoveBackBufferToSystemMemory() {
    if (!backBuffer_->IsVideoMemory()) return true;
    // A flipping chain cannot hold a system-memory buffer, so frames are then blitted.
    if (IsFlipping() && SharedDirectDraw().primary != nullptr) {
        SharedDirectDraw().primary->DeleteAttachedSurface(0, backBuffer_->GetSurface());
        flipping_ = false;
    }
    auto system = std::make_unique<DDSurface>();
    system->SetName("Back buffer");
    const std::uint32_t caps = (backCaps_ & ~gfx::DDSCAPS_VIDEOMEMORY) | gfx::DDSCAPS_SYSTEMMEMORY;
    if (!system->Create(SharedDirectDraw(), GetWidth(), GetHeight(), nullptr, caps, 0)) {
        return false;
    }
    backBuffer_ = std::move(system);
    return true;
}

platform::HRESULT D3DWindow::UseSoftwareDevice() {
    Direct3DObjects& shared = SharedDirect3D();
    // The software device draws in system memory.
    if (!MoveBackBufferToSystemMemory()) return platform::E_FAIL;
    if (shared.software == nullptr) {
        const HRESULT hr = shared.d3d->CreateDevice(gfx::IID_IDirect3DRGBDevice,
                                                    backBuffer_->GetSurface(), &shared.software);
        if (hr != gfx::DD_OK) return hr;
        ++shared.softwareGeneration;
    }
    ++shared.softwareUsers;
    softwareGeneration_ = shared.softwareGeneration;
    device_ = shared.software;
    device_->AddRef();
    mipmapFilter_ = false;
    return gfx::DD_OK;
}

void D3DWindow::KeepTextureFormat(const gfx::PixelFormatDesc& format) {
    constexpr std::uint32_t kLuminanceAndBump = 0xE0000;
    if ((format.flags & gfx::DDPF_RGB) != 0 && (format.flags & gfx::DDPF_FOURCC) == 0 &&
        format.fourCC == 0 && format.rgb.rgbBitCount >= 16 &&
        (format.flags & kLuminanceAndBump) == 0) {
        textureFormats_.push_back(format);
    }
}

void D3DWindow::EnumTextureFormats() {
    textureFormats_.clear();
    const auto keep = [this](const gfx::PixelFormatDesc& format) {
        KeepTextureFormat(format);
        return true;
    };
    HRESULT hr = platform::E_FAIL;
    if (device_ != nullptr) {
        hr = device_->EnumTextureFormats(keep);
    } else if (deviceDX3_ != nullptr) {
        hr = deviceDX3_->EnumTextureFormats(keep);
    }
    if (hr != gfx::DD_OK) Log(kError, "Error while enumerating textures\n");
}

const gfx::PixelFormatDesc* D3DWindow::GetBackBufferFormat() {
    gfx::PixelFormatDesc back;
    if (backBuffer_ == nullptr || backBuffer_->GetSurface() == nullptr ||
        backBuffer_->GetSurface()->GetPixelFormat(&back) != gfx::DD_OK) {
        Log(kError, "Couldn't get the format of the backbuffer\n");
        return nullptr;
    }
    const gfx::PixelFormatDesc* sameDepth = nullptr;
    const gfx::PixelFormatDesc* deeper = nullptr;
    for (const gfx::PixelFormatDesc& format : textureFormats_) {
        const platform::PixelFormat& f = format.rgb;
        const platform::PixelFormat& b = back.rgb;
        if (f.rgbBitCount == b.rgbBitCount && f.redMask == b.redMask &&
            f.greenMask == b.greenMask && f.blueMask == b.blueMask && f.alphaMask == b.alphaMask &&
            format.flags == back.flags) {
            return &format;
        }
        if (sameDepth == nullptr && f.rgbBitCount == b.rgbBitCount) sameDepth = &format;
        if (deeper == nullptr && f.rgbBitCount > b.rgbBitCount && f.alphaMask == b.alphaMask) {
            deeper = &format;
        }
    }
    if (sameDepth != nullptr) return sameDepth;
    if (deeper != nullptr) return deeper;
    return textureFormats_.empty() ? nullptr : &textureFormats_.front();
}

platform::HRESULT D3DWindow::VerifyRenderTarget(gfx::Device* device, DDSurface* surface) {
    if (device == nullptr || surface == nullptr || surface->GetSurface() == nullptr) {
        return platform::E_FAIL;
    }
    surface->Fill(0);
    Direct3DObjects& shared = SharedDirect3D();
    gfx::Viewport* viewport = nullptr;
    HRESULT hr = shared.d3d->CreateViewport(&viewport);
    if (hr != gfx::DD_OK) {
        Log(kError, "D3DWindow::VerifyRenderTarget  CreateViewport failed\n");
        return hr;
    }
    const auto done = [&](HRESULT result, const char* text) {
        if (text != nullptr) Log(kError, text);
        device->DeleteViewport(viewport);
        viewport->Release();
        return result;
    };
    hr = device->AddViewport(viewport);
    if (hr != gfx::DD_OK) {
        return done(hr, "D3DWindow::VerifyRenderTarget  AddViewport failed\n");
    }
    gfx::ViewportDesc desc;
    desc.width = desc.height = 128;
    desc.clipWidth = desc.clipHeight = 128.0F;
    hr = viewport->SetViewport2(&desc);
    if (hr != gfx::DD_OK) {
        return done(hr, "D3DWindow::VerifyRenderTarget  SetViewport2 failed\n");
    }
    device->SetRenderTarget(surface->GetSurface(), 0);
    hr = device->SetCurrentViewport(viewport);
    if (hr != gfx::DD_OK) return done(hr, "D3DWindow::VerifyRenderTarget  SetCurrentViewport\n");

    const auto firstPixel = [surface]() -> std::uint32_t {
        std::uint8_t* bits = nullptr;
        const platform::PixelFormat* format = nullptr;
        std::uint32_t value = 0;
        if (surface->Lock() && surface->GetLockInfo(&bits, nullptr, &format)) {
            for (std::uint32_t b = 0; b < format->rgbBitCount / 8; ++b) {
                value |= std::uint32_t{bits[b]} << (8 * b);
            }
        }
        surface->Unlock();
        return value;
    };
    const std::uint32_t before = firstPixel();
    const gfx::ClearRect corner{0, 0, 2, 2};
    viewport->Clear2(1, &corner, gfx::D3DCLEAR_TARGET, 0xFF7F7F7F, 0.0F, 0);
    const std::uint32_t after = firstPixel();
    return done(after == before ? platform::E_FAIL : gfx::DD_OK, nullptr);
}

bool D3DWindow::OwnsDevice() const {
    const Direct3DObjects& shared = SharedDirect3D();
    return device_ != nullptr && device_ == shared.hardware &&
           hardwareGeneration_ == shared.hardwareGeneration;
}

bool D3DWindow::SetRenderTargetToBackBuffer() {
    if (device_ == nullptr || backBuffer_ == nullptr || backBuffer_->GetSurface() == nullptr) {
        return false;
    }
    gfx::Surface* back = backBuffer_->GetSurface();
    gfx::Surface* current = nullptr;
    device_->GetRenderTarget(&current);
    const bool already = current == back;
    LetGo(current);
    if (already) return true;
    if (device_->SetRenderTarget(back, 0) == gfx::DD_OK) return true;
    back->Restore();
    if (device_->SetRenderTarget(back, 0) == gfx::DD_OK) return true;
    Log(kError, "CD3DWindow::Create  Cant set backbuffer as render target\n");
    return false;
}

bool D3DWindow::SetViewport(const gfx::ViewportDesc& desc) {
    auto section = EnterDeviceSection();
    if (device_ == nullptr) return false;
    Direct3DObjects& shared = SharedDirect3D();
    if (viewport_ == nullptr) {
        gfx::Viewport** own = nullptr;
        if (device_ == shared.hardware && hardwareGeneration_ == shared.hardwareGeneration) {
            own = &shared.hardwareViewport;
        } else if (device_ == shared.software && softwareGeneration_ == shared.softwareGeneration) {
            own = &shared.softwareViewport;
        } else {
            Log(kError, "Failure to setviewport, no valid device\n");
            LetGo(device_);
            return false;
        }
        if (*own == nullptr) {
            gfx::Viewport* made = nullptr;
            if (shared.d3d == nullptr || shared.d3d->CreateViewport(&made) != gfx::DD_OK) {
                Log(kError, "D3DWindow::SetViewport  CreateViewport failed\n");
                return false;
            }
            if (device_->AddViewport(made) != gfx::DD_OK) {
                made->Release();
                Log(kError, "D3DWindow::SetViewport  AddViewport failed\n");
                return false;
            }
            *own = made;
        }
        viewport_ = *own;
        viewport_->AddRef();
    }
    SetRenderTargetToBackBuffer();
    if (viewport_->SetViewport2(&desc) != gfx::DD_OK) {
        Log(kError, "D3DWindow::SetViewport  SetViewport2 failed\n");
        return false;
    }
    if (device_->SetCurrentViewport(viewport_) != gfx::DD_OK) {
        Log(kError, "D3DWindow::SetViewport  SetCurrentViewport\n");
        return false;
    }
    return true;
}

bool D3DWindow::UpdateViewport() {
    gfx::ViewportDesc desc;
    desc.width = GetWidth();
    desc.height = GetHeight();
    desc.clipWidth = static_cast<float>(desc.width);
    desc.clipHeight = static_cast<float>(desc.height);
    return SetViewport(desc);
}

int D3DWindow::GetRunningCount() {
    return GetSharedRecord().RunningCount();
}

bool D3DWindow::IsHardwareClaimed() {
    return GetSharedRecord().IsHardwareClaimed();
}

bool D3DWindow::IsReleased() {
    return GetSharedRecord().IsReleased();
}

bool D3DWindow::IsReleaseRequested() {
    return GetSharedRecord().IsReleaseRequested();
}

void D3DWindow::SetReleased(bool value) {
    GetSharedRecord().SetReleased(value);
}

void D3DWindow::SetReleaseRequest(bool value) {
    GetSharedRecord().SetReleaseRequest(value);
}

void D3DWindow::ReleaseHardwareClaim() {
    if (!holdsHardware_) return;
    holdsHardware_ = false;
    GetSharedRecord().ClearHardwareClaim();
}

HardwareAsk D3DWindow::AskForHardware(HardwareAskOptions options) {
    options.holdsHardware = holdsHardware_;
    return ::AskForHardware(GetSharedRecord(), options);
}

int D3DWindow::ProcessDirect3DUsers() {
    auto section = EnterDeviceSection();
    return SharedDirect3D().d3dUsers;
}
