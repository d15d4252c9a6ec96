#include "platform/gfx/Direct3D.h"

#include <algorithm>

#include "platform/gfx/Direct3DDevice.h"
#include "platform/gfx/Direct3DShared.h"
#include "platform/gfx/Pixels.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {

Texture::Texture(Surface* surface) : surface_(surface) {
    surface_->AddRef();
    display::CountObject(1);
}

Texture::~Texture() {
    surface_->Release();
    display::CountObject(-1);
}

platform::HRESULT Texture::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Texture::Load(Texture* source) {
    if (source == nullptr) return platform::E_INVALIDARG;
    if (source->surface_ == surface_) return surface_->IsLost();
    const SurfaceDesc& from = source->surface_->Desc();
    const SurfaceDesc& to = surface_->Desc();
    if (from.width != to.width || from.height != to.height) return platform::E_INVALIDARG;
    return surface_->Blt(nullptr, source->surface_, nullptr, DDBLT_WAIT, nullptr);
}

Viewport::Viewport() {
    display::CountObject(1);
}

Viewport::~Viewport() {
    display::CountObject(-1);
}

platform::HRESULT Viewport::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Viewport::SetViewport2(const ViewportDesc* desc) {
    return StoreViewportDesc(desc, device_ != nullptr, desc_, set_);
}

HRESULT Viewport::GetViewport2(ViewportDesc* desc) const {
    return LoadViewportDesc(desc_, desc);
}

Rect Viewport::Area() const {
    return ViewportArea(desc_, set_);
}

HRESULT Viewport::Clear2(int count, const ClearRect* rects, std::uint32_t flags,
                         std::uint32_t colour, float, std::uint32_t) {
    if (device_ == nullptr) return D3DERR_VIEWPORTHASNODEVICE;
    if (count < 0 || (count > 0 && rects == nullptr)) return platform::E_INVALIDARG;
    if ((flags & D3DCLEAR_TARGET) == 0) return DD_OK;
    Surface* target = device_->RenderTarget();
    if (target == nullptr) return D3DERR_INVALIDRENDERTARGET;
    platform::SurfacePixels pixels;
    if (const HRESULT hr = target->DrawablePixels(pixels); hr != DD_OK) return hr;
    if (display::TakeIgnoredClear()) return DD_OK;
    const PixelCodec codec(pixels.format);
    if (!codec.Supported()) return DDERR_UNSUPPORTED;
    const std::uint32_t value = codec.Pack(
        Rgba{static_cast<std::uint8_t>(colour >> 16), static_cast<std::uint8_t>(colour >> 8),
             static_cast<std::uint8_t>(colour), static_cast<std::uint8_t>(colour >> 24)});
    Rect inside = Area();
    inside.Intersect(Rect{0, 0, pixels.width, pixels.height});
    for (int i = 0; i < count; ++i) {
        Rect area{rects[i].x1, rects[i].y1, rects[i].x2, rects[i].y2};
        area.Intersect(inside);
        if (area.left < area.right && area.top < area.bottom) FillPixels(pixels, area, value);
    }
    return DD_OK;
}

Direct3D::Direct3D(std::shared_ptr<DeviceState> device) : device_(std::move(device)) {
    display::CountObject(1);
}

Direct3D::~Direct3D() {
    display::CountObject(-1);
}

platform::HRESULT Direct3D::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Direct3D::CreateDevice(const platform::GUID& kind, Surface* target, Device** device) {
    if (device == nullptr || target == nullptr) return platform::E_INVALIDARG;
    *device = nullptr;
    const bool hardware = kind == IID_IDirect3DHALDevice;
    if (!hardware && kind != IID_IDirect3DRGBDevice) return D3DERR_NOTAVAILABLE;
    if (hardware && (!display::Hardware3D() || (display::DriverCapabilities() & DDCAPS_3D) == 0)) {
        return D3DERR_NOTAVAILABLE;
    }
    if (target->IsLost() != DD_OK) return DDERR_SURFACELOST;
    auto* made = new Device(hardware, nullptr);
    const HRESULT hr = made->SetRenderTarget(target, 0);
    if (hr != DD_OK) {
        made->Release();
        return hr;
    }
    *device = made;
    return DD_OK;
}

HRESULT Direct3D::CreateViewport(Viewport** viewport) {
    if (viewport == nullptr) return platform::E_INVALIDARG;
    *viewport = new Viewport();
    return DD_OK;
}

}  // namespace gfx
