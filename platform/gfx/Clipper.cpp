#include "platform/gfx/Clipper.h"

#include "platform/gfx/VirtualDisplay.h"

namespace gfx {

Clipper::Clipper() {
    display::CountObject(1);
}

Clipper::~Clipper() {
    display::CountObject(-1);
}

platform::HRESULT Clipper::QueryInterface(const platform::IID& iid, void** object) {
    if (object == nullptr) return platform::E_POINTER;
    *object = nullptr;
    if (iid != platform::IID_IUnknown) return platform::E_NOINTERFACE;
    AddRef();
    *object = static_cast<platform::IUnknown*>(this);
    return DD_OK;
}

HRESULT Clipper::SetHWnd(std::uint32_t, const WindowRef& window) {
    window_ = window;
    return DD_OK;
}

}  // namespace gfx
