#pragma once

#include <cstdint>
#include <memory>

#include "platform/bitmap/DibSection.h"
#include "platform/com/Com.h"
#include "platform/gfx/Framebuffer.h"

// Numbers, records and result codes of the software display. The capability and format bits
// keep the values callers pass as plain numbers; the call flags are this layer's own.
namespace gfx {

using platform::HRESULT;

// Where a surface or a blit to the screen shows: a window's part of the screen. Objects of
// this layer keep only weak references, so a window may go at any time.
using WindowRef = std::shared_ptr<platform::Framebuffer>;

// Result codes.
constexpr HRESULT DD_OK = 0;
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT MakeGfxError(std::uint32_t code) {
    return static_cast<HRESULT>(0x8876F000u | code);
}
constexpr HRESULT DDERR_INVALIDRECT = MakeGfxError(1);
constexpr HRESULT DDERR_OUTOFVIDEOMEMORY = MakeGfxError(2);
constexpr HRESULT DDERR_SURFACEBUSY = MakeGfxError(3);
constexpr HRESULT DDERR_NOTLOCKED = MakeGfxError(4);
constexpr HRESULT DDERR_PRIMARYSURFACEALREADYEXISTS = MakeGfxError(5);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = MakeGfxError(6);
constexpr HRESULT DDERR_NOTFLIPPABLE = MakeGfxError(7);
constexpr HRESULT DDERR_CANNOTATTACHSURFACE = MakeGfxError(8);
constexpr HRESULT DDERR_SURFACEALREADYATTACHED = MakeGfxError(9);
constexpr HRESULT DDERR_NOTFOUND = MakeGfxError(10);
constexpr HRESULT DDERR_NOCLIPPERATTACHED = MakeGfxError(11);
constexpr HRESULT DDERR_NOHWND = MakeGfxError(12);
constexpr HRESULT DDERR_UNSUPPORTEDMODE = MakeGfxError(13);
constexpr HRESULT DDERR_UNSUPPORTED = MakeGfxError(14);
constexpr HRESULT DDERR_NOCOOPERATIVELEVELSET = MakeGfxError(15);
constexpr HRESULT DDERR_NOCOLORKEY = MakeGfxError(16);

// Surface capabilities.
constexpr std::uint32_t DDSCAPS_COMPLEX = 0x8;
constexpr std::uint32_t DDSCAPS_OFFSCREENPLAIN = 0x40;
constexpr std::uint32_t DDSCAPS_PRIMARYSURFACE = 0x200;
constexpr std::uint32_t DDSCAPS_SYSTEMMEMORY = 0x800;
constexpr std::uint32_t DDSCAPS_TEXTURE = 0x1000;
constexpr std::uint32_t DDSCAPS_3DDEVICE = 0x2000;
constexpr std::uint32_t DDSCAPS_VIDEOMEMORY = 0x4000;
constexpr std::uint32_t DDSCAPS_MIPMAP = 0x400000;
constexpr std::uint32_t DDSCAPS_ALLOCONLOAD = 0x4000000;
// In caps2, this layer's own: the pixels of the top surface start undefined instead of
// zero, for a caller that writes every one of them itself.
constexpr std::uint32_t DDSCAPS2_UNCLEARED = 0x80000000;

// Cooperative levels.
constexpr std::uint32_t DDSCL_FULLSCREEN = 0x1;
constexpr std::uint32_t DDSCL_ALLOWREBOOT = 0x2;
constexpr std::uint32_t DDSCL_NOWINDOWCHANGES = 0x4;
constexpr std::uint32_t DDSCL_NORMAL = 0x8;
constexpr std::uint32_t DDSCL_EXCLUSIVE = 0x10;
constexpr std::uint32_t DDSCL_MULTITHREADED = 0x400;
constexpr std::uint32_t DDSCL_FPUSETUP = 0x800;

// Driver capabilities: the display has 3D hardware.
constexpr std::uint32_t DDCAPS_3D = 0x80000;

// Pixel-format flags.
constexpr std::uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr std::uint32_t DDPF_FOURCC = 0x4;
constexpr std::uint32_t DDPF_PALETTEINDEXED8 = 0x20;
constexpr std::uint32_t DDPF_RGB = 0x40;
constexpr std::uint32_t DDPF_LUMINANCE = 0x20000;
constexpr std::uint32_t DDPF_BUMPLUMINANCE = 0x40000;
constexpr std::uint32_t DDPF_BUMPDUDV = 0x80000;

// Surface-description fields that are set.
constexpr std::uint32_t DDSD_CAPS = 0x1;
constexpr std::uint32_t DDSD_HEIGHT = 0x2;
constexpr std::uint32_t DDSD_WIDTH = 0x4;
constexpr std::uint32_t DDSD_PITCH = 0x8;
constexpr std::uint32_t DDSD_PIXELFORMAT = 0x1000;
constexpr std::uint32_t DDSD_MIPMAPCOUNT = 0x20000;

// Blit flags.
constexpr std::uint32_t DDBLT_ASYNC = 0x1;
constexpr std::uint32_t DDBLT_WAIT = 0x2;
constexpr std::uint32_t DDBLT_COLORFILL = 0x4;
constexpr std::uint32_t DDBLT_KEYSRC = 0x8;
constexpr std::uint32_t DDBLT_ROP = 0x10;
// The raster operation that copies the source.
constexpr std::uint32_t SRCCOPY = 0x00CC0020;

// Lock, flip and colour-key flags.
constexpr std::uint32_t DDLOCK_WAIT = 0x1;
constexpr std::uint32_t DDLOCK_WRITEONLY = 0x2;
constexpr std::uint32_t DDFLIP_WAIT = 0x1;
constexpr std::uint32_t DDCKEY_SRCBLT = 0x8;

// A pixel layout with what kind of format it is.
struct PixelFormatDesc {
    std::uint32_t flags = 0;  // DDPF_*
    std::uint32_t fourCC = 0;
    platform::PixelFormat rgb;
};

// A surface's description. Only the fields its flags name count when one is passed in.
struct SurfaceDesc {
    std::uint32_t flags = 0;  // DDSD_*
    int width = 0;
    int height = 0;
    std::ptrdiff_t pitch = 0;
    std::uint32_t caps = 0;
    std::uint32_t caps2 = 0;
    int mipmapCount = 0;
    PixelFormatDesc pixelFormat;
};

struct DisplayMode {
    int width = 0;
    int height = 0;
    int bitsPerPixel = 0;
};

// One entry of the mode list, with the layout the mode would have.
struct ModeDesc {
    int width = 0;
    int height = 0;
    PixelFormatDesc pixelFormat;
};

struct DriverCaps {
    std::uint32_t caps = 0;  // DDCAPS_*
    std::uint64_t videoMemoryTotal = 0;
    std::uint64_t videoMemoryFree = 0;
};

struct ColourKey {
    std::uint32_t low = 0;
    std::uint32_t high = 0;
};

struct BltFx {
    std::uint32_t fillColour = 0;  // a pixel value of the destination's format
    std::uint32_t rop = SRCCOPY;
};

// QueryInterface of an object that offers no interface beyond IUnknown.
inline platform::HRESULT QueryUnknownOnly(platform::IUnknown* self, const platform::IID& iid,
                                          void** object) {
    if (object == nullptr) return platform::E_POINTER;
    *object = nullptr;
    if (iid != platform::IID_IUnknown) return platform::E_NOINTERFACE;
    self->AddRef();
    *object = self;
    return DD_OK;
}

// The common layouts.
inline PixelFormatDesc RgbFormat(std::uint32_t bits, std::uint32_t red, std::uint32_t green,
                                 std::uint32_t blue, std::uint32_t alpha = 0) {
    return PixelFormatDesc{DDPF_RGB | (alpha != 0 ? DDPF_ALPHAPIXELS : 0u), 0,
                           platform::PixelFormat{bits, red, green, blue, alpha}};
}
inline PixelFormatDesc Format565() {
    return RgbFormat(16, 0xF800, 0x07E0, 0x001F);
}
inline PixelFormatDesc Format555() {
    return RgbFormat(16, 0x7C00, 0x03E0, 0x001F);
}
// Blue, green, red in memory.
inline PixelFormatDesc Format888() {
    return RgbFormat(24, 0xFF0000, 0x00FF00, 0x0000FF);
}
// Blue, green, red, unused in memory.
inline PixelFormatDesc FormatX888() {
    return RgbFormat(32, 0xFF0000, 0x00FF00, 0x0000FF);
}
// The display's layout at a depth; none (zero bits) for a palette depth.
PixelFormatDesc DisplayFormat(int bitsPerPixel);

}  // namespace gfx
