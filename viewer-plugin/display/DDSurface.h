#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>

#include "geometry/Geometry.h"
#include "platform/gfx/DirectDraw.h"
#include "platform/window/DrawContext.h"

struct DirectDrawObjects;

// One drawing surface of the viewer with its description and layout: locking, fills and
// blits clipped to the top of its clip stack. Made through the newer interface or, on an
// old machine, the old one.
class DDSurface {
public:
    DDSurface();
    DDSurface(gfx::DirectDraw* dd4, int width, int height, const gfx::PixelFormatDesc* format,
              std::uint32_t caps, std::uint32_t caps2);
    // The old interface's surface (no mipmaps).
    DDSurface(gfx::DirectDraw* dd, int width, int height, const gfx::PixelFormatDesc* format,
              std::uint32_t caps);
    virtual ~DDSurface();
    DDSurface(const DDSurface&) = delete;
    DDSurface& operator=(const DDSurface&) = delete;

    // False when the surface cannot be made, in video memory nor in system memory, or its
    // description cannot be read back.
    virtual bool CreateDX6(gfx::DirectDraw* dd4, int width, int height,
                           const gfx::PixelFormatDesc* format, std::uint32_t caps,
                           std::uint32_t caps2);
    virtual bool CreateDX3(gfx::DirectDraw* dd, int width, int height,
                           const gfx::PixelFormatDesc* format, std::uint32_t caps);
    // Through the holder's newer interface when it has one, else its old one.
    virtual bool Create(const DirectDrawObjects& holder, int width, int height,
                        const gfx::PixelFormatDesc* format, std::uint32_t caps,
                        std::uint32_t caps2);

    // A new surface of this one's layout from the same DirectDraw object; null when it
    // cannot be made.
    std::unique_ptr<DDSurface> CreateCompatible(int width, int height, std::uint32_t caps,
                                                std::uint32_t caps2) const;

    // A colour as a pixel of this surface's layout.
    std::uint32_t ColourToPixel(int r, int g, int b) const;
    bool Fill(std::uint32_t colour);
    bool FillRect(const Rect& rect, std::uint32_t colour);
    bool SetColorKey(std::uint32_t colour);
    bool SameFormat(const DDSurface& other) const;
    bool IsVideoMemory() const;

    bool Lock();
    bool Unlock();
    bool IsLocked() const { return lockBits_ != nullptr; }
    // The locked pixels: pointer, pitch and layout; false while not locked.
    bool GetLockInfo(std::uint8_t** bits, std::ptrdiff_t* pitch,
                     const platform::PixelFormat** format) const;
    // Drawing on the pixels with the window layer's context; null when they cannot be had.
    // The context stays this surface's until ReleaseDC.
    platform::DrawContext* GetDC();
    bool ReleaseDC();

    // Copies `sourceRect` of `source` to `point`; with `useKey`, leaving out its colour key.
    bool BltTo(DDSurface& source, const Rect& sourceRect, Vector2<int> point, bool useKey);
    // Copies `sourceRect` of `source` onto `destRect`, scaled to fit.
    bool BltStretch(DDSurface& source, const Rect& sourceRect, const Rect& destRect);

    // Blits and fills stay inside the top clip rectangle while clipping is on.
    void PushClipRect(const Rect& rect) { clips_.push_back(rect); }
    void PopClipRect();
    void SetClipping(bool on) { clipping_ = on; }

    gfx::Surface* GetSurface() const { return surface_; }
    gfx::DirectDraw* GetDirectDraw() const { return owner_; }
    bool IsDX3() const { return dx3_; }
    bool IsValid() const { return valid_; }
    Vector2<int> GetSize() const { return size_; }
    int GetWidth() const { return size_.x; }
    int GetHeight() const { return size_.y; }
    const gfx::SurfaceDesc& GetDesc() const { return desc_; }
    const gfx::PixelFormatDesc& GetPixelFormat() const { return desc_.pixelFormat; }
    int GetMipmapCount() const { return mipmapCount_; }
    void SetMipmapCount(int count) { mipmapCount_ = count; }
    const std::string& GetName() const { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

protected:
    bool CreateSurface(gfx::DirectDraw* dd, bool dx3, int width, int height,
                       const gfx::PixelFormatDesc* format, std::uint32_t caps, std::uint32_t caps2);
    void ReleaseSurface();

private:
    // Clips a blit's destination to the top clip rectangle, moving the source with it;
    // false when nothing is left.
    bool ClipToTop(Rect& dest, Rect& source) const;
    bool Blit(const Rect& dest, gfx::Surface* source, const Rect& sourceRect, std::uint32_t flags);

    gfx::Surface* surface_ = nullptr;
    gfx::DirectDraw* owner_ = nullptr;  // held while the surface is
    bool dx3_ = false;
    std::uint8_t* lockBits_ = nullptr;
    std::ptrdiff_t lockPitch_ = 0;
    const platform::PixelFormat* lockFormat_ = nullptr;
    Vector2<int> size_;
    gfx::SurfaceDesc desc_;
    int redShift_ = 0;
    int greenShift_ = 0;
    int blueShift_ = 0;
    int redBits_ = 0;
    int greenBits_ = 0;
    int blueBits_ = 0;
    bool valid_ = false;
    bool clipping_ = false;
    std::vector<Rect> clips_;
    std::string name_ = "Unknown";
    int mipmapCount_ = 1;
    QImage dcImage_;
    std::unique_ptr<platform::DrawContext> dc_;
};
