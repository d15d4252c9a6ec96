#include "viewer-plugin/canvas/BlitTile.h"

#include <array>

#include "platform/gfx/Direct3DDevice.h"

namespace {

constexpr std::uint32_t kDrawFlags = gfx::D3DDP_DONOTUPDATEEXTENTS | gfx::D3DDP_DONOTLIGHT;

// Draws `sourceRect` of the source texture onto (0, 0, w, h) of the back buffer, w x h the
// destination's size. False when anything on the way fails.
bool DrawOnBackBuffer(gfx::Device* device, D3DSurface& source, const Rect& sourceRect,
                      Vector2<int> size) {
    const float w = static_cast<float>(source.GetWidth());
    const float h = static_cast<float>(source.GetHeight());
    const float uL = static_cast<float>(sourceRect.left) / w;
    const float uR = static_cast<float>(sourceRect.right) / w;
    const float vT = static_cast<float>(sourceRect.top) / h;
    const float vB = static_cast<float>(sourceRect.bottom) / h;
    const float x = static_cast<float>(size.x);
    const float y = static_cast<float>(size.y);
    const std::array<gfx::TLVertex, 4> strip{{{0, y, 0, 1, ~0u, ~0u, uL, vB},
                                              {0, 0, 0, 1, ~0u, ~0u, uL, vT},
                                              {x, y, 0, 1, ~0u, ~0u, uR, vB},
                                              {x, 0, 0, 1, ~0u, ~0u, uR, vT}}};

    if (device->BeginScene() != gfx::DD_OK) return false;
    device->SetTextureStageState(0, gfx::D3DTSS_ALPHAOP, gfx::D3DTOP_DISABLE);
    device->SetTextureStageState(0, gfx::D3DTSS_COLORARG1, gfx::D3DTA_TEXTURE);
    device->SetTextureStageState(0, gfx::D3DTSS_COLOROP, gfx::D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, gfx::D3DTSS_MAGFILTER, gfx::D3DTFILTER_LINEAR);
    device->SetTextureStageState(0, gfx::D3DTSS_MINFILTER, gfx::D3DTFILTER_LINEAR);
    device->SetTextureStageState(0, gfx::D3DTSS_ADDRESS, gfx::D3DTADDRESS_CLAMP);
    device->SetRenderState(gfx::D3DRENDERSTATE_CULLMODE, gfx::D3DCULL_NONE);
    bool drawn = device->SetTexture(0, source.GetTexture()) == gfx::DD_OK &&
                 device->DrawPrimitive(gfx::D3DPT_TRIANGLESTRIP, gfx::D3DFVF_TLVERTEX1,
                                       strip.data(), 4, kDrawFlags) == gfx::DD_OK;
    device->SetTexture(0, nullptr);
    drawn = device->EndScene() == gfx::DD_OK && drawn;
    return drawn;
}

}  // namespace

bool BlitTile(D3DWindow* window, D3DSurface& source, D3DSurface& destination,
              const Rect& sourceRect, const Rect& destRect) {
    if (!source.IsValid() || !destination.IsValid()) return false;
    const Vector2<int> size = destRect.GetSize();
    gfx::Device* device = window != nullptr ? window->GetDevice() : nullptr;
    DDSurface* back = window != nullptr ? window->GetBackBuffer() : nullptr;
    // The strip must land on this back buffer: another window's may be the target of a
    // device they share.
    if (device != nullptr && back != nullptr && back->IsValid() && source.GetTexture() != nullptr &&
        device->RenderTarget() == back->GetSurface() && back->GetWidth() >= size.x &&
        back->GetHeight() >= size.y && source.SameFormat(*back) &&
        DrawOnBackBuffer(device, source, sourceRect, size) &&
        destination.BltTo(*back, Rect{0, 0, size.x, size.y}, {destRect.left, destRect.top},
                          false)) {
        return true;
    }
    return destination.BltStretch(source, sourceRect, destRect);
}
