#include "viewer-plugin/display/DDSurface.h"

#include "viewer-plugin/display/BitMasks.h"
#include "viewer-plugin/display/DDWindow.h"
#include "viewer-plugin/display/ErrorLog.h"

DDSurface::DDSurface() = default;

DDSurface::DDSurface(gfx::DirectDraw* dd4, int width, int height,
                     const gfx::PixelFormatDesc* format, std::uint32_t caps, std::uint32_t caps2) {
    CreateDX6(dd4, width, height, format, caps, caps2);
}

DDSurface::DDSurface(gfx::DirectDraw* dd, int width, int height, const gfx::PixelFormatDesc* format,
                     std::uint32_t caps) {
    CreateDX3(dd, width, height, format, caps);
}

DDSurface::~DDSurface() {
    ReleaseSurface();
    clips_.clear();
}

void DDSurface::ReleaseSurface() {
    if (dc_ != nullptr) ReleaseDC();
    if (IsLocked()) Unlock();
    if (surface_ != nullptr) surface_->Release();
    if (owner_ != nullptr) owner_->Release();
    surface_ = nullptr;
    owner_ = nullptr;
    valid_ = false;
}

bool DDSurface::CreateDX6(gfx::DirectDraw* dd4, int width, int height,
                          const gfx::PixelFormatDesc* format, std::uint32_t caps,
                          std::uint32_t caps2) {
    return CreateSurface(dd4, false, width, height, format, caps, caps2);
}

bool DDSurface::CreateDX3(gfx::DirectDraw* dd, int width, int height,
                          const gfx::PixelFormatDesc* format, std::uint32_t caps) {
    return CreateSurface(dd, true, width, height, format, caps, 0);
}

bool DDSurface::Create(const DirectDrawObjects& holder, int width, int height,
                       const gfx::PixelFormatDesc* format, std::uint32_t caps,
                       std::uint32_t caps2) {
    if (holder.dd4 != nullptr) return CreateDX6(holder.dd4, width, height, format, caps, caps2);
    if (holder.dd != nullptr) return CreateDX3(holder.dd, width, height, format, caps);
    return false;
}

bool DDSurface::CreateSurface(gfx::DirectDraw* dd, bool dx3, int width, int height,
                              const gfx::PixelFormatDesc* format, std::uint32_t caps,
                              std::uint32_t caps2) {
    ReleaseSurface();
    if (dd == nullptr) return false;
    gfx::SurfaceDesc desc;
    desc.flags = gfx::DDSD_CAPS | gfx::DDSD_WIDTH | gfx::DDSD_HEIGHT;
    desc.width = width;
    desc.height = height;
    desc.caps = caps;
    desc.caps2 = caps2;
    if (!dx3 && (caps & gfx::DDSCAPS_MIPMAP) != 0) {
        desc.flags |= gfx::DDSD_MIPMAPCOUNT;
        desc.caps |= gfx::DDSCAPS_MIPMAP | gfx::DDSCAPS_COMPLEX;
        desc.mipmapCount = mipmapCount_;
    }
    if (format != nullptr) {
        desc.flags |= gfx::DDSD_PIXELFORMAT;
        desc.pixelFormat = *format;
    }
    gfx::Surface* made = nullptr;
    platform::HRESULT hr = dd->CreateSurface(desc, &made);
    if (hr != gfx::DD_OK && (desc.caps & gfx::DDSCAPS_VIDEOMEMORY) != 0) {
        desc.caps = (desc.caps & ~gfx::DDSCAPS_VIDEOMEMORY) | gfx::DDSCAPS_SYSTEMMEMORY;
        hr = dd->CreateSurface(desc, &made);
    }
    if (hr == gfx::DD_OK) hr = made->GetSurfaceDesc(&desc_);
    if (hr != gfx::DD_OK) {
        if (made != nullptr) made->Release();
        ErrorLog::Instance().Log(2, DDWindow::ErrorText(hr));
        return false;
    }
    surface_ = made;
    owner_ = dd;
    owner_->AddRef();
    dx3_ = dx3;
    size_ = Vector2<int>(desc_.width, desc_.height);
    const platform::PixelFormat& rgb = desc_.pixelFormat.rgb;
    redShift_ = LowestSetBit(rgb.redMask);
    greenShift_ = LowestSetBit(rgb.greenMask);
    blueShift_ = 0;
    redBits_ = CountSetBits(rgb.redMask);
    greenBits_ = CountSetBits(rgb.greenMask);
    blueBits_ = CountSetBits(rgb.blueMask);
    valid_ = true;
    SetColorKey(0);
    return true;
}

std::unique_ptr<DDSurface> DDSurface::CreateCompatible(int width, int height, std::uint32_t caps,
                                                       std::uint32_t caps2) const {
    if (owner_ == nullptr) return nullptr;
    auto surface = std::make_unique<DDSurface>();
    const bool made =
        dx3_ ? surface->CreateDX3(owner_, width, height, &desc_.pixelFormat, caps)
             : surface->CreateDX6(owner_, width, height, &desc_.pixelFormat, caps, caps2);
    return made ? std::move(surface) : nullptr;
}

std::uint32_t DDSurface::ColourToPixel(int r, int g, int b) const {
    const auto red = static_cast<std::uint32_t>(r & 0xFF);
    const auto green = static_cast<std::uint32_t>(g & 0xFF);
    const auto blue = static_cast<std::uint32_t>(b & 0xFF);
    switch (desc_.pixelFormat.rgb.rgbBitCount) {
        case 16:
            if (desc_.pixelFormat.rgb.greenMask == 0x3E0) {
                return (red >> 3) << 10 | (green >> 3) << 5 | blue >> 3;
            }
            return (red >> 3) << 11 | (green >> 2) << 5 | blue >> 3;
        case 24:
        case 32:
            return red << 16 | green << 8 | blue;
        default:
            return 0;
    }
}

bool DDSurface::Fill(std::uint32_t colour) {
    if (surface_ == nullptr) return false;
    gfx::BltFx fx;
    fx.fillColour = colour;
    if (surface_->Blt(nullptr, nullptr, nullptr, gfx::DDBLT_COLORFILL, &fx) == gfx::DD_OK) {
        return true;
    }
    return surface_->Blt(nullptr, nullptr, nullptr, gfx::DDBLT_COLORFILL | gfx::DDBLT_WAIT, &fx) ==
           gfx::DD_OK;
}

bool DDSurface::FillRect(const Rect& rect, std::uint32_t colour) {
    if (surface_ == nullptr) return false;
    Rect area = rect;
    if (clipping_ && !clips_.empty()) {
        area.Intersect(clips_.back());
        if (area.left >= area.right || area.top >= area.bottom) return true;
    }
    gfx::BltFx fx;
    fx.fillColour = colour;
    return surface_->Blt(&area, nullptr, nullptr, gfx::DDBLT_COLORFILL | gfx::DDBLT_WAIT, &fx) ==
           gfx::DD_OK;
}

bool DDSurface::SetColorKey(std::uint32_t colour) {
    if (surface_ == nullptr) return false;
    const std::uint32_t pixel =
        ColourToPixel(static_cast<int>(colour & 0xFF), static_cast<int>((colour >> 8) & 0xFF),
                      static_cast<int>((colour >> 16) & 0xFF));
    const gfx::ColourKey key{pixel, pixel};
    return surface_->SetColorKey(gfx::DDCKEY_SRCBLT, &key) == gfx::DD_OK;
}

bool DDSurface::SameFormat(const DDSurface& other) const {
    const platform::PixelFormat& a = desc_.pixelFormat.rgb;
    const platform::PixelFormat& b = other.desc_.pixelFormat.rgb;
    return a.rgbBitCount == b.rgbBitCount && a.redMask == b.redMask && a.greenMask == b.greenMask &&
           a.blueMask == b.blueMask;
}

bool DDSurface::IsVideoMemory() const {
    return (desc_.caps & gfx::DDSCAPS_VIDEOMEMORY) != 0;
}

bool DDSurface::Lock() {
    platform::SurfacePixels pixels;
    if (surface_ == nullptr ||
        surface_->Lock(nullptr, pixels, gfx::DDLOCK_WAIT | gfx::DDLOCK_WRITEONLY) != gfx::DD_OK) {
        lockBits_ = nullptr;
        lockPitch_ = 0;
        lockFormat_ = nullptr;
        return false;
    }
    lockBits_ = pixels.bits;
    lockPitch_ = pixels.pitch;
    lockFormat_ = &desc_.pixelFormat.rgb;
    return true;
}

bool DDSurface::Unlock() {
    lockBits_ = nullptr;
    lockPitch_ = 0;
    lockFormat_ = nullptr;
    return surface_ != nullptr && surface_->Unlock() == gfx::DD_OK;
}

bool DDSurface::GetLockInfo(std::uint8_t** bits, std::ptrdiff_t* pitch,
                            const platform::PixelFormat** format) const {
    if (!IsLocked()) return false;
    if (bits != nullptr) *bits = lockBits_;
    if (pitch != nullptr) *pitch = lockPitch_;
    if (format != nullptr) *format = lockFormat_;
    return true;
}

platform::DrawContext* DDSurface::GetDC() {
    if (dc_ != nullptr) return dc_.get();
    platform::SurfacePixels pixels;
    if (surface_ == nullptr || surface_->GetDC(pixels) != gfx::DD_OK) return nullptr;
    const platform::PixelFormat& f = pixels.format;
    QImage::Format format = QImage::Format_Invalid;
    if (f.rgbBitCount == 32 && f.redMask == 0xFF0000 && f.blueMask == 0xFF) {
        format = QImage::Format_RGB32;
    } else if (f.rgbBitCount == 24 && f.redMask == 0xFF0000 && f.blueMask == 0xFF) {
        format = QImage::Format_BGR888;
    } else if (f.rgbBitCount == 16 && f.greenMask == 0x7E0) {
        format = QImage::Format_RGB16;
    } else if (f.rgbBitCount == 16 && f.greenMask == 0x3E0) {
        format = QImage::Format_RGB555;
    }
    if (format == QImage::Format_Invalid) {
        surface_->ReleaseDC();
        return nullptr;
    }
    dcImage_ = QImage(pixels.bits, pixels.width, pixels.height,
                      static_cast<qsizetype>(pixels.pitch), format);
    dc_ = std::make_unique<platform::DrawContext>(dcImage_);
    return dc_.get();
}

bool DDSurface::ReleaseDC() {
    if (dc_ == nullptr) return false;
    dc_.reset();
    dcImage_ = QImage();
    return surface_ != nullptr && surface_->ReleaseDC() == gfx::DD_OK;
}

void DDSurface::PopClipRect() {
    if (!clips_.empty()) clips_.pop_back();
}

bool DDSurface::ClipToTop(Rect& dest, Rect& source) const {
    if (clipping_ && !clips_.empty()) dest.Clip(clips_.back(), source);
    return dest.left < dest.right && dest.top < dest.bottom && source.left < source.right &&
           source.top < source.bottom;
}

bool DDSurface::Blit(const Rect& dest, gfx::Surface* source, const Rect& sourceRect,
                     std::uint32_t flags) {
    if (surface_ == nullptr || source == nullptr) return false;
    gfx::BltFx fx;
    fx.rop = gfx::SRCCOPY;
    if (surface_->Blt(&dest, source, &sourceRect, flags | gfx::DDBLT_ROP | gfx::DDBLT_ASYNC, &fx) ==
        gfx::DD_OK) {
        return true;
    }
    return surface_->Blt(&dest, source, &sourceRect, flags | gfx::DDBLT_ROP | gfx::DDBLT_WAIT,
                         &fx) == gfx::DD_OK;
}

bool DDSurface::BltTo(DDSurface& source, const Rect& sourceRect, Vector2<int> point, bool useKey) {
    const Vector2<int> size = sourceRect.GetSize();
    Rect dest{point.x, point.y, point.x + size.x, point.y + size.y};
    Rect from = sourceRect;
    if (!ClipToTop(dest, from)) return true;
    return Blit(dest, source.surface_, from, useKey ? gfx::DDBLT_KEYSRC : 0);
}

namespace {

// Cuts a destination span [lo, hi) to [low, high) and the source span with it, each end by
// what was cut off the destination scaled to the source. False for an empty destination.
bool ClipSpan(std::int32_t& lo, std::int32_t& hi, std::int32_t& sourceLo, std::int32_t& sourceHi,
              std::int32_t low, std::int32_t high) {
    const std::int64_t d = std::int64_t{hi} - lo;
    const std::int64_t s = std::int64_t{sourceHi} - sourceLo;
    if (d <= 0) return false;
    if (lo < low) {
        sourceLo = static_cast<std::int32_t>(sourceLo + (std::int64_t{low} - lo) * s / d);
        lo = low;
    }
    if (hi > high) {
        sourceHi = static_cast<std::int32_t>(sourceHi - (std::int64_t{hi} - high) * s / d);
        hi = high;
    }
    return true;
}

}  // namespace

bool DDSurface::BltStretch(DDSurface& source, const Rect& sourceRect, const Rect& destRect) {
    Rect dest = destRect;
    Rect from = sourceRect;
    if (clipping_ && !clips_.empty()) {
        const Rect& top = clips_.back();
        if (!ClipSpan(dest.left, dest.right, from.left, from.right, top.left, top.right) ||
            !ClipSpan(dest.top, dest.bottom, from.top, from.bottom, top.top, top.bottom)) {
            return true;
        }
    }
    if (dest.left >= dest.right || dest.top >= dest.bottom || from.left >= from.right ||
        from.top >= from.bottom) {
        return true;
    }
    return Blit(dest, source.surface_, from, 0);
}
