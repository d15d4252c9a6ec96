#include "platform/gfx/OldDirect3D.h"

#include <algorithm>
#include <mutex>
#include <unordered_map>

#include "platform/gfx/Direct3DShared.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {
namespace {

struct HandleTable {
    std::mutex mutex;
    std::unordered_map<std::uint32_t, Surface*> surfaces;
    std::uint32_t next = 1;
};

HandleTable& Handles() {
    static HandleTable table;
    return table;
}

}  // namespace

Surface* SurfaceOfTextureHandle(std::uint32_t handle) {
    HandleTable& table = Handles();
    std::lock_guard lock(table.mutex);
    const auto it = table.surfaces.find(handle);
    return it != table.surfaces.end() ? it->second : nullptr;
}

void ForgetTextureHandle(std::uint32_t handle) {
    HandleTable& table = Handles();
    std::lock_guard lock(table.mutex);
    table.surfaces.erase(handle);
}

OldViewport::OldViewport() {
    display::CountObject(1);
}

OldViewport::~OldViewport() {
    display::CountObject(-1);
}

platform::HRESULT OldViewport::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT OldViewport::SetViewport(const OldViewportDesc* desc) {
    return StoreViewportDesc(desc, device_ != nullptr, desc_, set_);
}

HRESULT OldViewport::GetViewport(OldViewportDesc* desc) const {
    return LoadViewportDesc(desc_, desc);
}

Rect OldViewport::Area() const {
    return ViewportArea(desc_, set_);
}

ExecuteBuffer::ExecuteBuffer(std::uint32_t size) : bytes_(size) {
    display::CountObject(1);
}

ExecuteBuffer::~ExecuteBuffer() {
    display::CountObject(-1);
}

platform::HRESULT ExecuteBuffer::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT ExecuteBuffer::Lock(ExecuteBufferDesc* desc) {
    if (desc == nullptr) return platform::E_INVALIDARG;
    if (locked_) return D3DERR_EXECUTE_LOCKED;
    locked_ = true;
    desc->flags = D3DDEB_BUFSIZE | D3DDEB_CAPS | D3DDEB_LPDATA;
    desc->caps = D3DDEBCAPS_SYSTEMMEMORY;
    desc->bufferSize = static_cast<std::uint32_t>(bytes_.size());
    desc->data = bytes_.data();
    return DD_OK;
}

HRESULT ExecuteBuffer::Unlock() {
    if (!locked_) return D3DERR_EXECUTE_NOT_LOCKED;
    locked_ = false;
    return DD_OK;
}

HRESULT ExecuteBuffer::SetExecuteData(const ExecuteData* data) {
    if (data == nullptr) return platform::E_INVALIDARG;
    data_ = *data;
    return DD_OK;
}

HRESULT ExecuteBuffer::GetExecuteData(ExecuteData* data) const {
    if (data == nullptr) return platform::E_INVALIDARG;
    *data = data_;
    return DD_OK;
}

OldDevice::OldDevice(Surface* target) : target_(target) {
    target_->AddRef();
    display::CountObject(1);
}

OldDevice::~OldDevice() {
    target_->Release();
    display::CountObject(-1);
}

platform::HRESULT OldDevice::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT OldDevice::EnumTextureFormats(const EnumFormatsCallback& callback) const {
    return EnumDisplayTextureFormats(callback);
}

HRESULT OldDevice::AddViewport(OldViewport* viewport) {
    return viewports_.Add(viewport);
}

HRESULT OldDevice::DeleteViewport(OldViewport* viewport) {
    return viewports_.Delete(viewport);
}

HRESULT OldDevice::BeginScene() {
    if (inScene_) return D3DERR_INBEGIN;
    inScene_ = true;
    return DD_OK;
}

HRESULT OldDevice::EndScene() {
    if (!inScene_) return D3DERR_NOTINBEGIN;
    inScene_ = false;
    return DD_OK;
}

HRESULT OldDevice::CreateMatrix(std::uint32_t* handle) {
    if (handle == nullptr) return platform::E_INVALIDARG;
    *handle = 0;
    if (nextMatrix_ == 0) return D3DERR_MATRIX_CREATE_FAILED;
    *handle = nextMatrix_++;
    matrices_[*handle] = Matrix{};
    return DD_OK;
}

HRESULT OldDevice::SetMatrix(std::uint32_t handle, const Matrix* matrix) {
    const auto it = matrices_.find(handle);
    if (matrix == nullptr || it == matrices_.end()) return platform::E_INVALIDARG;
    it->second = *matrix;
    return DD_OK;
}

HRESULT OldDevice::GetMatrix(std::uint32_t handle, Matrix* matrix) const {
    const auto it = matrices_.find(handle);
    if (matrix == nullptr || it == matrices_.end()) return platform::E_INVALIDARG;
    *matrix = it->second;
    return DD_OK;
}

HRESULT OldDevice::DeleteMatrix(std::uint32_t handle) {
    return matrices_.erase(handle) == 1 ? DD_OK : platform::E_INVALIDARG;
}

HRESULT OldDevice::CreateExecuteBuffer(const ExecuteBufferDesc* desc, ExecuteBuffer** buffer) {
    if (buffer == nullptr) return platform::E_INVALIDARG;
    *buffer = nullptr;
    if (desc == nullptr || (desc->flags & D3DDEB_BUFSIZE) == 0 || desc->bufferSize == 0 ||
        desc->bufferSize > kMaxExecuteBufferSize) {
        return platform::E_INVALIDARG;
    }
    if ((desc->flags & D3DDEB_CAPS) != 0 && (desc->caps & D3DDEBCAPS_VIDEOMEMORY) != 0) {
        return DDERR_OUTOFVIDEOMEMORY;
    }
    *buffer = new ExecuteBuffer(desc->bufferSize);
    return DD_OK;
}

HRESULT OldDevice::Execute(ExecuteBuffer* buffer, OldViewport* viewport, std::uint32_t) {
    if (buffer == nullptr) return platform::E_INVALIDARG;
    if (!inScene_) return D3DERR_NOTINBEGIN;
    if (!viewports_.Holds(viewport)) return D3DERR_INVALIDVIEWPORT;
    if (buffer->IsLocked()) return D3DERR_EXECUTE_LOCKED;
    ExecuteTarget target;
    if (const HRESULT hr = target_->DrawablePixels(target.pixels); hr != DD_OK) return hr;
    target.clip = viewport->Area();
    viewport->GetViewport(&target.viewport);
    target.matrix = [this](std::uint32_t handle) -> const Matrix* {
        const auto it = matrices_.find(handle);
        return it != matrices_.end() ? &it->second : nullptr;
    };
    target.texture = [](std::uint32_t handle, platform::SurfacePixels& pixels) {
        Surface* surface = SurfaceOfTextureHandle(handle);
        if (surface == nullptr) return false;
        // A lost or locked texture is a handle still: it draws nothing.
        if (surface->DrawablePixels(pixels) != DD_OK) pixels = platform::SurfacePixels{};
        return true;
    };
    const std::vector<std::uint8_t>& bytes = buffer->Bytes();
    return ExecuteInstructions(bytes.data(), bytes.size(), buffer->Data(), target);
}

OldTexture::OldTexture(Surface* surface) : surface_(surface) {
    surface_->AddRef();
    display::CountObject(1);
}

OldTexture::~OldTexture() {
    surface_->Release();
    display::CountObject(-1);
}

platform::HRESULT OldTexture::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT OldTexture::GetHandle(OldDevice* device, std::uint32_t* handle) {
    if (device == nullptr || handle == nullptr) return platform::E_INVALIDARG;
    HandleTable& table = Handles();
    std::lock_guard lock(table.mutex);
    if (surface_->TextureHandle() == 0) {
        const std::uint32_t made = table.next++;
        if (table.next == 0) table.next = 1;
        table.surfaces[made] = surface_;
        surface_->SetTextureHandle(made);
    }
    *handle = surface_->TextureHandle();
    return DD_OK;
}

HRESULT OldTexture::Load(OldTexture* source) {
    if (source == nullptr) return platform::E_INVALIDARG;
    if (source->surface_ == surface_) return surface_->IsLost();
    const SurfaceDesc& from = source->surface_->Desc();
    const SurfaceDesc& to = surface_->Desc();
    if (from.width != to.width || from.height != to.height) return platform::E_INVALIDARG;
    return surface_->Blt(nullptr, source->surface_, nullptr, DDBLT_WAIT, nullptr);
}

OldDirect3D::OldDirect3D() {
    display::CountObject(1);
}

OldDirect3D::~OldDirect3D() {
    display::CountObject(-1);
}

platform::HRESULT OldDirect3D::QueryInterface(const platform::IID& iid, void** object) {
    return QueryUnknownOnly(this, iid, object);
}

HRESULT OldDirect3D::CreateViewport(OldViewport** viewport) {
    if (viewport == nullptr) return platform::E_INVALIDARG;
    *viewport = new OldViewport();
    return DD_OK;
}

}  // namespace gfx
