#include "platform/gfx/Direct3DDevice.h"

#include <algorithm>

#include "platform/gfx/Direct3DShared.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {

Device::Device(bool hardware, Surface* target) : hardware_(hardware) {
    display::CountObject(1);
    if (target != nullptr) SetRenderTarget(target, 0);
}

Device::~Device() {
    if (texture_ != nullptr) texture_->Release();
    if (target_ != nullptr) target_->Release();
    display::CountObject(-1);
}

platform::HRESULT Device::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Device::GetCaps(DeviceDesc* hardware, DeviceDesc* emulation) const {
    if (hardware == nullptr && emulation == nullptr) return platform::E_INVALIDARG;
    DeviceDesc desc;
    if (hardware_) desc = display::Hardware3D().value_or(DeviceDesc{});
    if (hardware != nullptr) *hardware = desc;
    if (emulation != nullptr) *emulation = desc;
    return DD_OK;
}

HRESULT Device::EnumTextureFormats(const EnumFormatsCallback& callback) const {
    return EnumDisplayTextureFormats(callback);
}

HRESULT Device::AddViewport(Viewport* viewport) {
    return viewports_.Add(viewport);
}

HRESULT Device::DeleteViewport(Viewport* viewport) {
    const HRESULT hr = viewports_.Delete(viewport);
    if (hr == DD_OK && current_ == viewport) current_ = nullptr;
    return hr;
}

HRESULT Device::SetCurrentViewport(Viewport* viewport) {
    if (!viewports_.Holds(viewport)) return D3DERR_INVALIDVIEWPORT;
    current_ = viewport;
    return DD_OK;
}

bool Device::TargetFits(const Surface* target) const {
    const std::uint32_t caps = target->Desc().caps;
    if ((caps & DDSCAPS_3DDEVICE) == 0) return false;
    // The hardware draws only in video memory, the software device only in system memory.
    const bool video = (caps & DDSCAPS_VIDEOMEMORY) != 0;
    return hardware_ ? video : !video && !target->IsPrimary();
}

HRESULT Device::SetRenderTarget(Surface* target, std::uint32_t) {
    if (target == nullptr) return platform::E_INVALIDARG;
    if (inScene_) return D3DERR_INBEGIN;
    if (!TargetFits(target)) return D3DERR_INVALIDRENDERTARGET;
    if (target->IsLost() != DD_OK) return DDERR_SURFACELOST;
    target->AddRef();
    if (target_ != nullptr) target_->Release();
    target_ = target;
    return DD_OK;
}

HRESULT Device::GetRenderTarget(Surface** target) const {
    if (target == nullptr) return platform::E_INVALIDARG;
    *target = target_;
    if (target_ == nullptr) return D3DERR_INVALIDRENDERTARGET;
    target_->AddRef();
    return DD_OK;
}

HRESULT Device::BeginScene() {
    if (inScene_) return D3DERR_INBEGIN;
    inScene_ = true;
    return DD_OK;
}

HRESULT Device::EndScene() {
    if (!inScene_) return D3DERR_NOTINBEGIN;
    inScene_ = false;
    return DD_OK;
}

HRESULT Device::SetTexture(std::uint32_t stage, Texture* texture) {
    if (stage != 0) return platform::E_INVALIDARG;
    if (texture != nullptr) texture->AddRef();
    if (texture_ != nullptr) texture_->Release();
    texture_ = texture;
    return DD_OK;
}

HRESULT Device::SetTextureStageState(std::uint32_t stage, std::uint32_t state,
                                     std::uint32_t value) {
    if (stage != 0) return platform::E_INVALIDARG;
    const TextureFilter filter =
        value == D3DTFILTER_LINEAR ? TextureFilter::Linear : TextureFilter::Point;
    switch (state) {
        case D3DTSS_MAGFILTER:
            magFilter_ = filter;
            return DD_OK;
        case D3DTSS_MINFILTER:
            minFilter_ = filter;
            return DD_OK;
        case D3DTSS_COLOROP:
        case D3DTSS_COLORARG1:
        case D3DTSS_ALPHAOP:
        case D3DTSS_ADDRESS:
            // The texture's colour, clamped at its edges, is all this device draws.
            return DD_OK;
        default:
            return platform::E_INVALIDARG;
    }
}

HRESULT Device::SetRenderState(std::uint32_t state, std::uint32_t value) {
    if (state == D3DRENDERSTATE_CULLMODE) {
        if (value != D3DCULL_NONE && value != D3DCULL_CW && value != D3DCULL_CCW) {
            return platform::E_INVALIDARG;
        }
        cull_ = value;
    }
    return DD_OK;
}

HRESULT Device::DrawPrimitive(std::uint32_t type, std::uint32_t vertexFormat, const void* vertices,
                              int count, std::uint32_t) {
    if (!inScene_) return D3DERR_NOTINBEGIN;
    if (type != D3DPT_TRIANGLESTRIP) return D3DERR_INVALIDPRIMITIVETYPE;
    if (vertexFormat != D3DFVF_TLVERTEX1) return D3DERR_INVALIDVERTEXFORMAT;
    if (vertices == nullptr || count < 0) return platform::E_INVALIDARG;
    if (current_ == nullptr) return D3DERR_INVALIDVIEWPORT;
    if (target_ == nullptr) return D3DERR_INVALIDRENDERTARGET;
    RasterState state;
    if (const HRESULT hr = target_->DrawablePixels(state.target); hr != DD_OK) return hr;
    if (texture_ == nullptr) return DD_OK;
    if (const HRESULT hr = texture_->GetSurface()->DrawablePixels(state.texture); hr != DD_OK) {
        return hr;
    }
    state.clip = current_->Area();
    state.magFilter = magFilter_;
    state.minFilter = minFilter_;
    state.cull = cull_;
    return DrawTriangleStrip(state, static_cast<const TLVertex*>(vertices), count)
               ? DD_OK
               : DDERR_UNSUPPORTED;
}

}  // namespace gfx
