#pragma once

#include <functional>
#include <vector>

#include "platform/gfx/Direct3D.h"
#include "platform/gfx/Rasteriser.h"
#include "platform/gfx/ViewportList.h"

namespace gfx {

// A 3D device drawing into its render target with the software rasteriser. The hardware
// device differs only in what it reports and where it draws.
class Device final : public platform::RefCounted<platform::IUnknown> {
public:
    Device(bool hardware, Surface* target);

    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // The device's description and the emulation's (the same here).
    HRESULT GetCaps(DeviceDesc* hardware, DeviceDesc* emulation) const;
    // Calls back with each texture format until the callback answers false.
    using EnumFormatsCallback = std::function<bool(const PixelFormatDesc& format)>;
    HRESULT EnumTextureFormats(const EnumFormatsCallback& callback) const;

    // The device holds the viewports added to it.
    HRESULT AddViewport(Viewport* viewport);
    HRESULT DeleteViewport(Viewport* viewport);
    HRESULT SetCurrentViewport(Viewport* viewport);

    // The target must be made for 3D drawing, in the device's kind of memory.
    HRESULT SetRenderTarget(Surface* target, std::uint32_t flags);
    HRESULT GetRenderTarget(Surface** target) const;
    Surface* RenderTarget() const { return target_; }

    HRESULT BeginScene();
    HRESULT EndScene();

    // Stage 0 only; a null texture takes it off.
    HRESULT SetTexture(std::uint32_t stage, Texture* texture);
    HRESULT SetTextureStageState(std::uint32_t stage, std::uint32_t state, std::uint32_t value);
    HRESULT SetRenderState(std::uint32_t state, std::uint32_t value);

    // Triangle strips of D3DFVF_TLVERTEX1 vertices, inside a scene, with a current viewport.
    HRESULT DrawPrimitive(std::uint32_t type, std::uint32_t vertexFormat, const void* vertices,
                          int count, std::uint32_t flags);

    bool IsHardware() const { return hardware_; }

private:
    ~Device() override;

    bool TargetFits(const Surface* target) const;

    const bool hardware_;
    Surface* target_ = nullptr;   // held
    Texture* texture_ = nullptr;  // held
    ViewportList<Viewport, Device> viewports_{this};
    Viewport* current_ = nullptr;
    bool inScene_ = false;
    TextureFilter magFilter_ = TextureFilter::Point;
    TextureFilter minFilter_ = TextureFilter::Point;
    std::uint32_t cull_ = D3DCULL_CCW;
};

}  // namespace gfx
