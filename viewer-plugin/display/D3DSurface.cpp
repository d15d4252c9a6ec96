#include "viewer-plugin/display/D3DSurface.h"

#include <utility>

#include "platform/gfx/Surface.h"

D3DSurface::~D3DSurface() {
    if (texture_ != nullptr) texture_->Release();
}

bool D3DSurface::CreateTexture(gfx::DirectDraw* dd4, int width, int height,
                               const gfx::PixelFormatDesc* format, std::uint32_t caps,
                               std::uint32_t caps2, int mipmapCount) {
    if (texture_ != nullptr) {
        texture_->Release();
        texture_ = nullptr;
    }
    SetMipmapCount(mipmapCount);
    if (!CreateDX6(dd4, width, height, format, caps, caps2)) return false;
    void* texture = nullptr;
    if (GetSurface()->QueryInterface(gfx::IID_IDirect3DTexture2, &texture) != gfx::DD_OK) {
        return false;
    }
    texture_ = static_cast<gfx::Texture*>(static_cast<platform::IUnknown*>(texture));
    return true;
}

bool D3DSurface::CreateTextureDX3(gfx::DirectDraw* dd, gfx::OldDevice* device, int width,
                                  int height, const gfx::PixelFormatDesc* format,
                                  std::uint32_t caps, std::uint32_t caps2, int mipmapCount) {
    (void)caps2;  // the old interface's surfaces have no second capabilities
    textureHandle_ = 0;
    SetMipmapCount(mipmapCount);
    if (device == nullptr || !CreateDX3(dd, width, height, format, caps)) return false;
    void* texture = nullptr;
    if (GetSurface()->QueryInterface(gfx::IID_IDirect3DTexture, &texture) != gfx::DD_OK) {
        return false;
    }
    auto* old = static_cast<gfx::OldTexture*>(static_cast<platform::IUnknown*>(texture));
    // The handle lasts as long as the surface; the interface is only needed to get it.
    const bool got = old->GetHandle(device, &textureHandle_) == gfx::DD_OK;
    if (got) old->Load(old);
    old->Release();
    return got;
}

platform::HRESULT D3DSurface::Reload() {
    if (texture_ == nullptr) return platform::E_FAIL;
    return texture_->Load(texture_);
}

void D3DSurface::UpdateMipmaps() {
    if (GetMipmapCount() == 1 || GetSurface() == nullptr) return;
    constexpr std::uint32_t kMipmapLevel = gfx::DDSCAPS_TEXTURE | gfx::DDSCAPS_MIPMAP;
    gfx::Surface* above = GetSurface();
    above->AddRef();
    gfx::Surface* level = nullptr;
    while (above->GetAttachedSurface(kMipmapLevel, &level) == gfx::DD_OK) {
        const Rect from = above->Bounds();
        const Rect to = level->Bounds();
        gfx::BltFx fx;
        fx.rop = gfx::SRCCOPY;
        if (level->Blt(&to, above, &from, gfx::DDBLT_ROP | gfx::DDBLT_ASYNC, &fx) != gfx::DD_OK) {
            level->Blt(&to, above, &from, gfx::DDBLT_ROP | gfx::DDBLT_WAIT, &fx);
        }
        above->Release();
        above = std::exchange(level, nullptr);
    }
    above->Release();
}
