#pragma once

#include <memory>

#include "platform/gfx/DeviceState.h"
#include "platform/gfx/Direct3DTypes.h"

namespace gfx {

class Device;
class Surface;

// A surface seen as a texture (asked of a texture surface by QueryInterface).
class Texture final : public platform::RefCounted<platform::IUnknown> {
public:
    explicit Texture(Surface* surface);

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // Takes the source's pixels. Textures here live where they are drawn from, so loading
    // one from itself has nothing to do.
    HRESULT Load(Texture* source);
    Surface* GetSurface() const { return surface_; }

private:
    ~Texture() override;

    Surface* surface_;  // held
};

// The rectangle of a device's render target that drawing and clearing go to.
class Viewport final : public platform::RefCounted<platform::IUnknown> {
public:
    Viewport();

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // Needs the viewport added to a device; the rectangle must not be negative.
    HRESULT SetViewport2(const ViewportDesc* desc);
    HRESULT GetViewport2(ViewportDesc* desc) const;
    // Fills the rectangles (render-target pixels, kept inside the viewport) of the device's
    // render target with `colour` (0xAARRGGBB). There is no depth buffer: z is taken and
    // ignored.
    HRESULT Clear2(int count, const ClearRect* rects, std::uint32_t flags, std::uint32_t colour,
                   float z, std::uint32_t stencil);

    // The viewport's pixels, clipped to nothing before SetViewport2.
    Rect Area() const;

private:
    template <class, class>
    friend class ViewportList;
    ~Viewport() override;

    Device* device_ = nullptr;  // the device it was added to; not held
    ViewportDesc desc_;
    bool set_ = false;
};

// The 3D interface of a DirectDraw object: makes devices and viewports.
class Direct3D final : public platform::RefCounted<platform::IUnknown> {
public:
    explicit Direct3D(std::shared_ptr<DeviceState> device);

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // The hardware device (when the display has 3D hardware: display::SetHardware3D) draws
    // into video memory; the software device into system memory. Both need a surface made
    // for 3D drawing (DDSCAPS_3DDEVICE).
    HRESULT CreateDevice(const platform::GUID& kind, Surface* target, Device** device);
    HRESULT CreateViewport(Viewport** viewport);
    // Nothing to evict: managed textures never leave memory.
    HRESULT EvictManagedTextures() { return DD_OK; }

private:
    ~Direct3D() override;

    std::shared_ptr<DeviceState> device_;
};

}  // namespace gfx
