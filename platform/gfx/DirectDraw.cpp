#include "platform/gfx/DirectDraw.h"

#include <algorithm>

#include "platform/gfx/Direct3D.h"
#include "platform/gfx/OldDirect3D.h"
#include "platform/gfx/Pixels.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {
namespace {

// Far beyond any screen, and small enough that a surface's size always fits in memory.
constexpr int kMaxSurfaceEdge = 16384;

bool UsableFormat(const PixelFormatDesc& format) {
    return (format.flags & DDPF_RGB) != 0 && (format.flags & DDPF_FOURCC) == 0 &&
           PixelCodec(format.rgb).Supported();
}

}  // namespace

DirectDraw::DirectDraw() {
    display::CountObject(1);
}

DirectDraw::~DirectDraw() {
    display::CountObject(-1);
}

platform::HRESULT DirectDraw::QueryInterface(const platform::IID& iid, void** object) {
    if (object == nullptr) return platform::E_POINTER;
    *object = nullptr;
    if (iid == IID_IDirect3D3) {
        if (display::NewInterfaceRefused() || display::Direct3DRefused()) {
            return platform::E_NOINTERFACE;
        }
        *object = static_cast<platform::IUnknown*>(new Direct3D(device_));
        return DD_OK;
    }
    if (iid == IID_IDirect3D) {
        if (display::Direct3DRefused()) return platform::E_NOINTERFACE;
        *object = static_cast<platform::IUnknown*>(new OldDirect3D());
        return DD_OK;
    }
    const bool known = iid == platform::IID_IUnknown || iid == IID_IDirectDraw2 ||
                       (iid == IID_IDirectDraw4 && !display::NewInterfaceRefused());
    if (!known) return platform::E_NOINTERFACE;
    AddRef();
    *object = static_cast<platform::IUnknown*>(this);
    return DD_OK;
}

HRESULT DirectDraw::GetDisplayMode(SurfaceDesc* desc) const {
    if (desc == nullptr) return platform::E_INVALIDARG;
    const DisplayMode mode = display::CurrentMode();
    *desc = SurfaceDesc{};
    desc->flags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc->width = mode.width;
    desc->height = mode.height;
    desc->pixelFormat = DisplayFormat(mode.bitsPerPixel);
    return DD_OK;
}

HRESULT DirectDraw::SetCooperativeLevel(const WindowRef& window, std::uint32_t flags) {
    const bool normal = (flags & DDSCL_NORMAL) != 0;
    const bool exclusive = (flags & DDSCL_EXCLUSIVE) != 0;
    const bool fullScreen = (flags & DDSCL_FULLSCREEN) != 0;
    if (normal == exclusive || exclusive != fullScreen) return platform::E_INVALIDARG;
    if (exclusive && !window) return platform::E_INVALIDARG;
    device_->window = window;
    device_->level = flags;
    return DD_OK;
}

HRESULT DirectDraw::SetDisplayMode(int width, int height, int bitsPerPixel, int, std::uint32_t) {
    const bool depthKnown =
        bitsPerPixel == 8 || bitsPerPixel == 16 || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (!depthKnown || width <= 0 || height <= 0 || width > kMaxSurfaceEdge ||
        height > kMaxSurfaceEdge) {
        return DDERR_UNSUPPORTEDMODE;
    }
    display::SetSwitchedMode(DisplayMode{width, height, bitsPerPixel});
    return DD_OK;
}

HRESULT DirectDraw::RestoreDisplayMode() {
    display::ClearSwitchedMode();
    return DD_OK;
}

HRESULT DirectDraw::GetCaps(DriverCaps* driver, DriverCaps* emulation) const {
    if (driver == nullptr && emulation == nullptr) return platform::E_INVALIDARG;
    const std::uint64_t budget = display::VideoMemoryBudget();
    const std::uint64_t used = display::VideoMemoryUsed();
    if (driver != nullptr) {
        *driver =
            DriverCaps{display::DriverCapabilities(), budget, budget - std::min(used, budget)};
    }
    if (emulation != nullptr) *emulation = DriverCaps{};
    return DD_OK;
}

HRESULT DirectDraw::EnumDisplayModes(std::uint32_t, const SurfaceDesc* match,
                                     const EnumModesCallback& callback) const {
    if (!callback) return platform::E_INVALIDARG;
    for (const ModeDesc& mode : display::Modes()) {
        if (match != nullptr) {
            if ((match->flags & DDSD_WIDTH) != 0 && match->width != mode.width) continue;
            if ((match->flags & DDSD_HEIGHT) != 0 && match->height != mode.height) continue;
            if ((match->flags & DDSD_PIXELFORMAT) != 0 &&
                match->pixelFormat.rgb.rgbBitCount != mode.pixelFormat.rgb.rgbBitCount) {
                continue;
            }
        }
        if (!callback(mode)) break;
    }
    return DD_OK;
}

HRESULT DirectDraw::CreateSurface(const SurfaceDesc& wanted, Surface** surface) {
    if (surface == nullptr) return platform::E_INVALIDARG;
    *surface = nullptr;
    if (HRESULT failure = DD_OK; display::TakeCreationFailure(failure)) return failure;
    if ((wanted.flags & DDSD_CAPS) == 0) return platform::E_INVALIDARG;
    const std::uint32_t memory = wanted.caps & (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY);
    if (memory == (DDSCAPS_SYSTEMMEMORY | DDSCAPS_VIDEOMEMORY)) return platform::E_INVALIDARG;

    SurfaceDesc desc = wanted;
    desc.flags |= DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    const DisplayMode mode = display::CurrentMode();
    if ((wanted.caps & DDSCAPS_PRIMARYSURFACE) != 0) {
        if (device_->level == 0) return DDERR_NOCOOPERATIVELEVELSET;
        if (device_->primaryExists) return DDERR_PRIMARYSURFACEALREADYEXISTS;
        if (memory == DDSCAPS_SYSTEMMEMORY) return platform::E_INVALIDARG;
        desc.width = mode.width;
        desc.height = mode.height;
        desc.pixelFormat = DisplayFormat(mode.bitsPerPixel);
        desc.caps |= DDSCAPS_VIDEOMEMORY;
        *surface = new Surface(device_, desc, true, 0);
        return DD_OK;
    }

    if ((wanted.flags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT) ||
        wanted.width <= 0 || wanted.height <= 0 || wanted.width > kMaxSurfaceEdge ||
        wanted.height > kMaxSurfaceEdge) {
        return platform::E_INVALIDARG;
    }
    if ((wanted.flags & DDSD_PIXELFORMAT) == 0) desc.pixelFormat = DisplayFormat(mode.bitsPerPixel);
    if (!UsableFormat(desc.pixelFormat)) return DDERR_INVALIDPIXELFORMAT;

    const std::uint64_t row =
        (static_cast<std::uint64_t>(desc.width) * (desc.pixelFormat.rgb.rgbBitCount / 8) + 3) &
        ~std::uint64_t{3};
    const std::uint64_t bytes = row * static_cast<std::uint64_t>(desc.height);
    std::uint64_t videoBytes = 0;
    if (memory != DDSCAPS_SYSTEMMEMORY && display::TakeVideoMemory(bytes)) {
        videoBytes = bytes;
        desc.caps |= DDSCAPS_VIDEOMEMORY;
    } else if (memory == DDSCAPS_VIDEOMEMORY) {
        return DDERR_OUTOFVIDEOMEMORY;
    } else {
        desc.caps |= DDSCAPS_SYSTEMMEMORY;
    }
    const int levels = (wanted.caps & DDSCAPS_MIPMAP) != 0 && (wanted.flags & DDSD_MIPMAPCOUNT) != 0
                           ? std::max(wanted.mipmapCount, 1)
                           : 1;
    desc.mipmapCount = levels;
    auto* top = new Surface(device_, desc, false, videoBytes);

    // Each smaller level hangs on the one above it, as mipmap chains do.
    Surface* above = top;
    for (int level = 1; level < levels; ++level) {
        SurfaceDesc next = wanted;
        next.flags = (wanted.flags & ~DDSD_MIPMAPCOUNT) | DDSD_PIXELFORMAT;
        next.pixelFormat = desc.pixelFormat;
        next.width = std::max(1, desc.width >> level);
        next.height = std::max(1, desc.height >> level);
        next.caps = wanted.caps & ~DDSCAPS_COMPLEX;
        next.caps2 = wanted.caps2 & ~DDSCAPS2_UNCLEARED;
        Surface* made = nullptr;
        const HRESULT hr = CreateSurface(next, &made);
        if (hr != DD_OK) {
            top->Release();
            return hr;
        }
        above->AddAttachedSurface(made);
        made->Release();
        above = made;
    }
    *surface = top;
    return DD_OK;
}

HRESULT DirectDraw::CreateClipper(std::uint32_t, Clipper** clipper) {
    if (clipper == nullptr) return platform::E_INVALIDARG;
    *clipper = new Clipper();
    return DD_OK;
}

HRESULT DirectDrawCreate(const platform::GUID* driver, DirectDraw** object) {
    if (object == nullptr) return platform::E_INVALIDARG;
    *object = nullptr;
    if (driver != nullptr) return platform::E_INVALIDARG;
    *object = new DirectDraw();
    return DD_OK;
}

}  // namespace gfx
