#include "platform/gfx/Surface.h"

#include <algorithm>
#include <new>

#include "platform/gfx/Clipper.h"
#include "platform/gfx/Direct3D.h"
#include "platform/gfx/OldDirect3D.h"
#include "platform/gfx/Pixels.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {
namespace {

bool Empty(const Rect& r) {
    return r.left >= r.right || r.top >= r.bottom;
}

bool Inside(const Rect& r, const Rect& bounds) {
    return !Empty(r) && r.left >= bounds.left && r.top >= bounds.top && r.right <= bounds.right &&
           r.bottom <= bounds.bottom;
}

bool SameLayout(const PixelFormatDesc& a, const PixelFormatDesc& b) {
    return a.flags == b.flags && a.rgb.rgbBitCount == b.rgb.rgbBitCount &&
           a.rgb.redMask == b.rgb.redMask && a.rgb.greenMask == b.rgb.greenMask &&
           a.rgb.blueMask == b.rgb.blueMask && a.rgb.alphaMask == b.rgb.alphaMask;
}

}  // namespace

Surface::Surface(std::shared_ptr<DeviceState> device, const SurfaceDesc& desc, bool primary,
                 std::uint64_t videoBytes)
    : device_(std::move(device)), desc_(desc), primary_(primary), videoBytes_(videoBytes) {
    if (!primary_) {
        const std::ptrdiff_t row =
            static_cast<std::ptrdiff_t>(desc_.width) * (desc_.pixelFormat.rgb.rgbBitCount / 8);
        desc_.pitch = (row + 3) & ~std::ptrdiff_t{3};
        const std::size_t bytes =
            static_cast<std::size_t>(desc_.pitch) * static_cast<std::size_t>(desc_.height);
        const std::size_t size = bytes == 0 ? 1 : bytes;
        bits_.reset(static_cast<std::uint8_t*>(
            (desc_.caps2 & DDSCAPS2_UNCLEARED) != 0 ? std::malloc(size) : std::calloc(size, 1)));
        if (!bits_) throw std::bad_alloc();
        desc_.flags |= DDSD_PITCH;
    } else {
        device_->primaryExists = true;
    }
    display::CountObject(1);
    display::RegisterSurface(this);
}

Surface::~Surface() {
    if (textureHandle_ != 0) ForgetTextureHandle(textureHandle_);
    display::UnregisterSurface(this);
    for (Surface* surface : attached_) surface->Release();
    if (clipper_ != nullptr) clipper_->Release();
    if (primary_) device_->primaryExists = false;
    display::GiveBackVideoMemory(videoBytes_);
    display::CountObject(-1);
}

platform::HRESULT Surface::QueryInterface(const platform::IID& iid, void** object) {
    if (iid == IID_IDirect3DTexture2 && object != nullptr) {
        *object = nullptr;
        if ((desc_.caps & DDSCAPS_TEXTURE) == 0) return platform::E_NOINTERFACE;
        *object = static_cast<platform::IUnknown*>(new Texture(this));
        return DD_OK;
    }
    if (iid == IID_IDirect3DTexture && object != nullptr) {
        *object = nullptr;
        if ((desc_.caps & DDSCAPS_TEXTURE) == 0) return platform::E_NOINTERFACE;
        *object = static_cast<platform::IUnknown*>(new OldTexture(this));
        return DD_OK;
    }
    // The old interface's software device is the surface's own, asked of it; it draws in
    // system memory only.
    if (iid == IID_IDirect3DRGBDevice && object != nullptr) {
        *object = nullptr;
        if (primary_ || (desc_.caps & DDSCAPS_3DDEVICE) == 0 ||
            (desc_.caps & DDSCAPS_VIDEOMEMORY) != 0) {
            return platform::E_NOINTERFACE;
        }
        if (const HRESULT hr = IsLost(); hr != DD_OK) return hr;
        *object = static_cast<platform::IUnknown*>(new OldDevice(this));
        return DD_OK;
    }
    if (iid == IID_IDirectDrawSurface3 ||
        (iid == IID_IDirectDrawSurface4 && !display::NewInterfaceRefused())) {
        if (object == nullptr) return platform::E_POINTER;
        AddRef();
        *object = static_cast<platform::IUnknown*>(this);
        return DD_OK;
    }
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Surface::DrawablePixels(platform::SurfacePixels& pixels) const {
    if (const HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
    if (primary_) return DDERR_UNSUPPORTED;
    pixels = Pixels();
    return DD_OK;
}

HRESULT Surface::GetSurfaceDesc(SurfaceDesc* desc) const {
    if (desc == nullptr) return platform::E_INVALIDARG;
    *desc = desc_;
    return DD_OK;
}

HRESULT Surface::GetPixelFormat(PixelFormatDesc* format) const {
    if (format == nullptr) return platform::E_INVALIDARG;
    *format = desc_.pixelFormat;
    return DD_OK;
}

platform::SurfacePixels Surface::Pixels() const {
    platform::SurfacePixels pixels;
    pixels.bits = const_cast<std::uint8_t*>(bits_.get());
    pixels.width = desc_.width;
    pixels.height = desc_.height;
    pixels.pitch = desc_.pitch;
    pixels.format = desc_.pixelFormat.rgb;
    return pixels;
}

HRESULT Surface::CheckUsable() const {
    if (lost_) return DDERR_SURFACELOST;
    if (locked_) return DDERR_SURFACEBUSY;
    return DD_OK;
}

HRESULT Surface::Lock(const Rect* rect, platform::SurfacePixels& pixels, std::uint32_t) {
    if (const HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
    if (primary_) return DDERR_UNSUPPORTED;
    const Rect area = rect != nullptr ? *rect : Bounds();
    if (!Inside(area, Bounds())) return DDERR_INVALIDRECT;
    pixels = Pixels();
    pixels.bits = PixelAddress(pixels, area.left, area.top);
    pixels.width = area.right - area.left;
    pixels.height = area.bottom - area.top;
    locked_ = true;
    return DD_OK;
}

HRESULT Surface::Unlock() {
    if (!locked_) return DDERR_NOTLOCKED;
    locked_ = false;
    return DD_OK;
}

HRESULT Surface::GetDC(platform::SurfacePixels& pixels) {
    return Lock(nullptr, pixels, DDLOCK_WAIT);
}

HRESULT Surface::ReleaseDC() {
    return Unlock();
}

HRESULT Surface::SetColorKey(std::uint32_t flags, const ColourKey* key) {
    if ((flags & DDCKEY_SRCBLT) == 0) return DDERR_UNSUPPORTED;
    if (key != nullptr) {
        colourKey_ = *key;
    } else {
        colourKey_.reset();
    }
    return DD_OK;
}

HRESULT Surface::GetColorKey(std::uint32_t flags, ColourKey* key) const {
    if ((flags & DDCKEY_SRCBLT) == 0 || key == nullptr) return platform::E_INVALIDARG;
    if (!colourKey_) return DDERR_NOCOLORKEY;
    *key = *colourKey_;
    return DD_OK;
}

HRESULT Surface::IsLost() const {
    return lost_ ? DDERR_SURFACELOST : DD_OK;
}

HRESULT Surface::Restore() {
    // A flipping chain is restored as one.
    bool lost = lost_;
    if (primary_) {
        for (const Surface* surface : attached_) lost = lost || surface->lost_;
    }
    if (!lost) return DD_OK;
    if (display::RestoreRefused()) return DDERR_SURFACELOST;
    lost_ = false;
    if (primary_) {
        for (Surface* surface : attached_) surface->lost_ = false;
    }
    return DD_OK;
}

HRESULT Surface::SetClipper(Clipper* clipper) {
    if (clipper != nullptr) clipper->AddRef();
    if (clipper_ != nullptr) clipper_->Release();
    clipper_ = clipper;
    return DD_OK;
}

HRESULT Surface::GetClipper(Clipper** clipper) const {
    if (clipper == nullptr) return platform::E_INVALIDARG;
    *clipper = clipper_;
    if (clipper_ == nullptr) return DDERR_NOCLIPPERATTACHED;
    clipper_->AddRef();
    return DD_OK;
}

HRESULT Surface::AddAttachedSurface(Surface* surface) {
    if (surface == nullptr) return platform::E_INVALIDARG;
    if (surface == this || surface->primary_) return DDERR_CANNOTATTACHSURFACE;
    if (std::find(attached_.begin(), attached_.end(), surface) != attached_.end()) {
        return DDERR_SURFACEALREADYATTACHED;
    }
    // A flipping chain is one piece of video memory of the screen's size and layout.
    if (primary_ && (surface->desc_.width != desc_.width || surface->desc_.height != desc_.height ||
                     !SameLayout(surface->desc_.pixelFormat, desc_.pixelFormat) ||
                     (surface->desc_.caps & DDSCAPS_VIDEOMEMORY) == 0)) {
        return DDERR_CANNOTATTACHSURFACE;
    }
    surface->AddRef();
    attached_.push_back(surface);
    return DD_OK;
}

HRESULT Surface::DeleteAttachedSurface(std::uint32_t, Surface* surface) {
    if (surface == nullptr) {
        auto all = std::move(attached_);
        attached_.clear();
        for (Surface* s : all) s->Release();
        return DD_OK;
    }
    const auto it = std::find(attached_.begin(), attached_.end(), surface);
    if (it == attached_.end()) return DDERR_NOTFOUND;
    attached_.erase(it);
    surface->Release();
    return DD_OK;
}

HRESULT Surface::GetAttachedSurface(std::uint32_t caps, Surface** surface) const {
    if (surface == nullptr) return platform::E_INVALIDARG;
    *surface = nullptr;
    for (Surface* s : attached_) {
        if ((s->desc_.caps & caps) == caps) {
            s->AddRef();
            *surface = s;
            return DD_OK;
        }
    }
    return DDERR_NOTFOUND;
}

HRESULT Surface::Flip(Surface* target, std::uint32_t) {
    if (!primary_ || attached_.empty()) return DDERR_NOTFLIPPABLE;
    Surface* back = attached_.front();
    if (target != nullptr) {
        if (std::find(attached_.begin(), attached_.end(), target) == attached_.end()) {
            return platform::E_INVALIDARG;
        }
        back = target;
    }
    if (lost_ || back->lost_) return DDERR_SURFACELOST;
    if (back->locked_) return DDERR_SURFACEBUSY;
    if ((device_->level & DDSCL_EXCLUSIVE) == 0) return DDERR_NOEXCLUSIVEMODE;
    return DrawOnWindow(device_->window.lock(), back, back->Bounds(), back->Bounds(), false, 0,
                        false);
}

HRESULT Surface::Blt(const Rect* destRect, Surface* source, const Rect* sourceRect,
                     std::uint32_t flags, const BltFx* fx) {
    if (const HRESULT hr = CheckUsable(); hr != DD_OK) return hr;
    const bool fill = (flags & DDBLT_COLORFILL) != 0;
    if ((fill || (flags & DDBLT_ROP) != 0) && fx == nullptr) return platform::E_INVALIDARG;
    if (!fill && (flags & DDBLT_ROP) != 0 && fx->rop != SRCCOPY) return DDERR_UNSUPPORTED;

    const Rect dest = destRect != nullptr ? *destRect : Bounds();
    if (Empty(dest)) return DDERR_INVALIDRECT;
    if (clipper_ == nullptr && !Inside(dest, Bounds())) return DDERR_INVALIDRECT;

    Rect from;
    const bool keyed = !fill && (flags & DDBLT_KEYSRC) != 0;
    if (!fill) {
        if (source == nullptr) return platform::E_INVALIDARG;
        if (source != this) {
            if (const HRESULT hr = source->CheckUsable(); hr != DD_OK) return hr;
        }
        if (source->primary_) return DDERR_UNSUPPORTED;
        from = sourceRect != nullptr ? *sourceRect : source->Bounds();
        if (!Inside(from, source->Bounds())) return DDERR_INVALIDRECT;
        if (keyed && !source->colourKey_) return DDERR_NOCOLORKEY;
    }

    if (primary_) {
        if (clipper_ == nullptr) return DDERR_NOCLIPPERATTACHED;
        return DrawOnWindow(clipper_->GetHWnd(), source, from, dest, fill,
                            fill ? fx->fillColour : 0, keyed);
    }

    Rect clip = dest;
    clip.Intersect(Bounds());
    const platform::SurfacePixels pixels = Pixels();
    if (Empty(clip)) return DD_OK;
    if (fill) {
        FillPixels(pixels, clip, fx->fillColour);
        return DD_OK;
    }
    BlitRequest request;
    const platform::SurfacePixels sourcePixels = source->Pixels();
    request.source = &sourcePixels;
    request.sourceRect = from;
    request.destRect = dest;
    request.destClip = clip;
    if (keyed) {
        request.colourKey = true;
        request.keyLow = source->colourKey_->low;
        request.keyHigh = source->colourKey_->high;
    }
    return Blit(pixels, request) ? DD_OK : DDERR_UNSUPPORTED;
}

HRESULT Surface::DrawOnWindow(const WindowRef& window, const Surface* source,
                              const Rect& sourceRect, const Rect& screenRect, bool fill,
                              std::uint32_t fillColour, bool keyed) {
    if (!window) return DDERR_NOHWND;
    platform::SurfacePixels target;
    if (!window->Lock(target)) return DDERR_NOHWND;
    const Rect client = window->ScreenRect();
    // Everything in the window's coordinates from here on.
    const auto toWindow = [&client](Rect r) {
        return Rect{r.left - client.left, r.top - client.top, r.right - client.left,
                    r.bottom - client.top};
    };
    Rect clip = screenRect;
    clip.Intersect(Bounds());
    clip = toWindow(clip);
    clip.Intersect(Rect{0, 0, target.width, target.height});
    HRESULT result = DD_OK;
    if (!Empty(clip)) {
        if (fill) {
            // The value is a pixel of the screen's layout; the window may show another.
            const PixelCodec screen(desc_.pixelFormat.rgb);
            const PixelCodec shown(target.format);
            if (screen.Supported() && shown.Supported()) {
                FillPixels(target, clip, shown.Pack(screen.Unpack(fillColour)));
            } else {
                result = DDERR_UNSUPPORTED;
            }
        } else {
            const platform::SurfacePixels sourcePixels = source->Pixels();
            BlitRequest request;
            request.source = &sourcePixels;
            request.sourceRect = sourceRect;
            request.destRect = toWindow(screenRect);
            request.destClip = clip;
            if (keyed) {
                request.colourKey = true;
                request.keyLow = source->colourKey_->low;
                request.keyHigh = source->colourKey_->high;
            }
            if (!Blit(target, request)) result = DDERR_UNSUPPORTED;
        }
    }
    window->Unlock();
    if (result == DD_OK) window->Present();
    return result;
}

}  // namespace gfx
