#pragma once

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/gfx/DeviceState.h"
#include "platform/gfx/DirectDrawTypes.h"

namespace gfx {

class Clipper;

// A surface in memory, zero-filled when made (unless made DDSCAPS2_UNCLEARED). The primary
// surface has no pixels of its own: it is the screen, and what is blitted to it lands in the
// framebuffer of its clipper's window at that window's screen position. A flip shows the
// attached back buffer in the cooperative window.
//
// Callers serialise their use of one surface (the viewer does so with its device section);
// only losing surfaces may come from any thread.
// Later interfaces of a surface, which the surface answers itself; the fourth only on a
// machine with the new interface.
constexpr platform::IID IID_IDirectDrawSurface3{
    0xDA044E00, 0x69B2, 0x11D0, {0xA1, 0xD5, 0x00, 0xAA, 0x00, 0xB8, 0xDF, 0xBB}};
constexpr platform::IID IID_IDirectDrawSurface4{
    0x0B2B8630, 0xAD35, 0x11D0, {0x8E, 0xA6, 0x00, 0x60, 0x97, 0x97, 0xEA, 0x5B}};

class Surface final : public platform::RefCounted<platform::IUnknown> {
public:
    // Made by DirectDraw::CreateSurface. `videoBytes` of the video memory budget are held.
    Surface(std::shared_ptr<DeviceState> device, const SurfaceDesc& desc, bool primary,
            std::uint64_t videoBytes);

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    HRESULT GetSurfaceDesc(SurfaceDesc* desc) const;
    HRESULT GetPixelFormat(PixelFormatDesc* format) const;

    // The pixels of `rect` (the whole surface when null). The primary cannot be locked.
    HRESULT Lock(const Rect* rect, platform::SurfacePixels& pixels, std::uint32_t flags);
    HRESULT Unlock();
    // The whole surface's pixels for drawing on; held locked until ReleaseDC.
    HRESULT GetDC(platform::SurfacePixels& pixels);
    HRESULT ReleaseDC();

    // DDCKEY_SRCBLT only; a null key removes it.
    HRESULT SetColorKey(std::uint32_t flags, const ColourKey* key);
    HRESULT GetColorKey(std::uint32_t flags, ColourKey* key) const;

    HRESULT IsLost() const;
    HRESULT Restore();
    void MarkLost() { lost_ = true; }

    // Holds a reference to the clipper; null takes it off.
    HRESULT SetClipper(Clipper* clipper);
    HRESULT GetClipper(Clipper** clipper) const;

    // A back buffer joins the primary only when it matches it (size, layout, video memory).
    HRESULT AddAttachedSurface(Surface* surface);
    // A null surface detaches them all.
    HRESULT DeleteAttachedSurface(std::uint32_t flags, Surface* surface);
    // The first attached surface having every bit of `caps`, with a reference.
    HRESULT GetAttachedSurface(std::uint32_t caps, Surface** surface) const;

    // Shows the attached back buffer (the first, or `target`) in the cooperative window,
    // which must hold the display exclusively. The back buffer keeps its pixels.
    HRESULT Flip(Surface* target, std::uint32_t flags);

    // Copies, stretches (filtered), fills (DDBLT_COLORFILL with fx) or copies leaving out the
    // source's colour key (DDBLT_KEYSRC). Null rectangles mean whole surfaces. A rectangle
    // that is empty or reaches outside its surface is refused with DDERR_INVALIDRECT and
    // nothing is written; only a surface with a clipper takes a destination reaching
    // outside, clipped.
    HRESULT Blt(const Rect* destRect, Surface* source, const Rect* sourceRect, std::uint32_t flags,
                const BltFx* fx);

    bool IsPrimary() const { return primary_; }
    const SurfaceDesc& Desc() const { return desc_; }
    // The pixels for a 3D device to draw on or read from, while the surface is neither lost
    // nor locked. The primary has none.
    HRESULT DrawablePixels(platform::SurfacePixels& pixels) const;
    Rect Bounds() const { return Rect{0, 0, desc_.width, desc_.height}; }
    // The old interface's texture handle; 0 until one is asked for. Set under the handle
    // table's lock.
    std::uint32_t TextureHandle() const { return textureHandle_; }
    void SetTextureHandle(std::uint32_t handle) { textureHandle_ = handle; }

private:
    ~Surface() override;

    platform::SurfacePixels Pixels() const;
    HRESULT CheckUsable() const;
    // Blits onto the screen through a window: `screenRect` in screen coordinates.
    HRESULT DrawOnWindow(const WindowRef& window, const Surface* source, const Rect& sourceRect,
                         const Rect& screenRect, bool fill, std::uint32_t fillColour, bool keyed);

    std::shared_ptr<DeviceState> device_;
    SurfaceDesc desc_;
    const bool primary_;
    const std::uint64_t videoBytes_;
    struct FreeBits {
        void operator()(std::uint8_t* bits) const { std::free(bits); }
    };
    std::unique_ptr<std::uint8_t[], FreeBits> bits_;
    std::atomic<bool> lost_{false};
    bool locked_ = false;
    std::optional<ColourKey> colourKey_;
    Clipper* clipper_ = nullptr;
    std::vector<Surface*> attached_;
    std::uint32_t textureHandle_ = 0;
};

}  // namespace gfx
