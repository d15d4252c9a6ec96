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
    return QueryUnknownOnly(this, iid, object);
}

HRESULT Clipper::SetHWnd(std::uint32_t, const WindowRef& window) {
    window_ = window;
    return DD_OK;
}

}  // namespace gfx
