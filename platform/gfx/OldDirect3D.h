#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "platform/gfx/DeviceState.h"
#include "platform/gfx/ExecuteInterpreter.h"
#include "platform/gfx/ViewportList.h"

// The old 3D interface, for machines without the newer one: the 3D object of the old
// DirectDraw object, the software device of a surface (asked of the surface), viewports,
// matrices, texture handles and execute buffers. It draws with the same rasteriser as the
// newer device.
namespace gfx {

class Surface;
class OldDevice;

constexpr platform::IID IID_IDirect3D{
    0x3BBA0080, 0x2421, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};
constexpr platform::IID IID_IDirect3DTexture{
    0x2CDCD9E0, 0x25A0, 0x11CF, {0xA3, 0x1A, 0x00, 0xAA, 0x00, 0xB9, 0x33, 0x56}};

// Execute-buffer descriptions: which fields count, where the buffer lives.
constexpr std::uint32_t D3DDEB_BUFSIZE = 0x1;
constexpr std::uint32_t D3DDEB_CAPS = 0x2;
constexpr std::uint32_t D3DDEB_LPDATA = 0x4;
constexpr std::uint32_t D3DDEBCAPS_SYSTEMMEMORY = 0x1;
constexpr std::uint32_t D3DDEBCAPS_VIDEOMEMORY = 0x2;
struct ExecuteBufferDesc {
    std::uint32_t flags = 0;
    std::uint32_t caps = 0;
    std::uint32_t bufferSize = 0;
    std::uint8_t* data = nullptr;  // while locked
};
// Execute flags: clipped to the viewport or not (drawing is kept inside it either way).
constexpr std::uint32_t D3DEXECUTE_CLIPPED = 0x1;
constexpr std::uint32_t D3DEXECUTE_UNCLIPPED = 0x2;

constexpr HRESULT D3DERR_EXECUTE_LOCKED = MakeGfxError(0x120);
constexpr HRESULT D3DERR_EXECUTE_NOT_LOCKED = MakeGfxError(0x121);
constexpr HRESULT D3DERR_MATRIX_CREATE_FAILED = MakeGfxError(0x122);
// Larger buffers are refused: the viewer's largest picture needs a few megabytes.
constexpr std::uint32_t kMaxExecuteBufferSize = 64u << 20;

// A viewport of the old interface; added to one device at a time.
class OldViewport final : public platform::RefCounted<platform::IUnknown> {
public:
    OldViewport();
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // Needs the viewport added to a device; no negative rectangle.
    HRESULT SetViewport(const OldViewportDesc* desc);
    HRESULT GetViewport(OldViewportDesc* desc) const;
    Rect Area() const;

private:
    template <class, class>
    friend class ViewportList;
    ~OldViewport() override;

    OldDevice* device_ = nullptr;  // not held
    OldViewportDesc desc_;
    bool set_ = false;
};

// A block of vertices and instructions the device runs.
class ExecuteBuffer final : public platform::RefCounted<platform::IUnknown> {
public:
    explicit ExecuteBuffer(std::uint32_t size);
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // The description with the data pointer, valid until Unlock.
    HRESULT Lock(ExecuteBufferDesc* desc);
    HRESULT Unlock();
    HRESULT SetExecuteData(const ExecuteData* data);
    HRESULT GetExecuteData(ExecuteData* data) const;

    bool IsLocked() const { return locked_; }
    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }
    const ExecuteData& Data() const { return data_; }

private:
    ~ExecuteBuffer() override;

    std::vector<std::uint8_t> bytes_;
    ExecuteData data_;
    bool locked_ = false;
};

// The software device on a surface made for 3D drawing in system memory.
class OldDevice final : public platform::RefCounted<platform::IUnknown> {
public:
    explicit OldDevice(Surface* target);
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    using EnumFormatsCallback = std::function<bool(const PixelFormatDesc& format)>;
    HRESULT EnumTextureFormats(const EnumFormatsCallback& callback) const;

    // The device holds the viewports added to it.
    HRESULT AddViewport(OldViewport* viewport);
    HRESULT DeleteViewport(OldViewport* viewport);

    HRESULT BeginScene();
    HRESULT EndScene();

    // Matrices start as the identity; handles are never 0.
    HRESULT CreateMatrix(std::uint32_t* handle);
    HRESULT SetMatrix(std::uint32_t handle, const Matrix* matrix);
    HRESULT GetMatrix(std::uint32_t handle, Matrix* matrix) const;
    HRESULT DeleteMatrix(std::uint32_t handle);

    // A buffer of the description's size (D3DDEB_BUFSIZE), in system memory unless the caps
    // (D3DDEB_CAPS) ask for video memory, which this device does not have.
    HRESULT CreateExecuteBuffer(const ExecuteBufferDesc* desc, ExecuteBuffer** buffer);
    // Runs the buffer's instructions on the render target inside a viewport of this device;
    // inside a scene, with the buffer unlocked. Refused data draws nothing.
    HRESULT Execute(ExecuteBuffer* buffer, OldViewport* viewport, std::uint32_t flags);

    Surface* RenderTarget() const { return target_; }

private:
    ~OldDevice() override;

    Surface* target_;  // held
    ViewportList<OldViewport, OldDevice> viewports_{this};
    std::map<std::uint32_t, Matrix> matrices_;
    std::uint32_t nextMatrix_ = 1;
    bool inScene_ = false;
};

// A texture surface seen through the old interface.
class OldTexture final : public platform::RefCounted<platform::IUnknown> {
public:
    explicit OldTexture(Surface* surface);
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    // The surface's handle, for any device of the process; it lasts as long as the surface,
    // whatever becomes of this interface.
    HRESULT GetHandle(OldDevice* device, std::uint32_t* handle);
    // Takes the source's pixels; from itself there is nothing to do.
    HRESULT Load(OldTexture* source);

private:
    ~OldTexture() override;

    Surface* surface_;  // held
};

// The surface a texture handle names, or null. Callers serialise drawing with the
// surface's release, as they do all use of a surface.
Surface* SurfaceOfTextureHandle(std::uint32_t handle);
// A surface's handle ends with it.
void ForgetTextureHandle(std::uint32_t handle);

// The 3D object of the old DirectDraw object.
class OldDirect3D final : public platform::RefCounted<platform::IUnknown> {
public:
    OldDirect3D();
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;

    HRESULT CreateViewport(OldViewport** viewport);

private:
    ~OldDirect3D() override;
};

}  // namespace gfx
