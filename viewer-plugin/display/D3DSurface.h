#pragma once

#include <cstdint>

#include "platform/gfx/Direct3D.h"
#include "platform/gfx/OldDirect3D.h"
#include "viewer-plugin/display/DDSurface.h"

// A drawing surface that is also a texture the 3D device draws from.
class D3DSurface : public DDSurface {
public:
    D3DSurface() = default;
    ~D3DSurface() override;

    // A texture surface with `mipmapCount` levels; false when the surface cannot be made or
    // is no texture.
    bool CreateTexture(gfx::DirectDraw* dd4, int width, int height,
                       const gfx::PixelFormatDesc* format, std::uint32_t caps, std::uint32_t caps2,
                       int mipmapCount);
    // The old interface's texture: a surface of the old DirectDraw object with a handle for
    // `device`; false when either cannot be had.
    bool CreateTextureDX3(gfx::DirectDraw* dd, gfx::OldDevice* device, int width, int height,
                          const gfx::PixelFormatDesc* format, std::uint32_t caps,
                          std::uint32_t caps2, int mipmapCount);
    // Lets a managed texture take the surface's new pixels; E_FAIL without a texture.
    platform::HRESULT Reload();
    // Fills each smaller level from the one above it; nothing with one level.
    void UpdateMipmaps();

    virtual gfx::Texture* GetTexture() const { return texture_; }
    // The old interface's handle; 0 on the newer path.
    virtual std::uint32_t GetTextureHandle() const { return textureHandle_; }

private:
    gfx::Texture* texture_ = nullptr;  // held
    std::uint32_t textureHandle_ = 0;
};
