#pragma once

#include <algorithm>

#include "geometry/Geometry.h"
#include "platform/gfx/Direct3DTypes.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx {

// The rules both generations of the 3D interface share.

// A viewport takes a rectangle only once it is added to a device, and never a negative one.
template <class Desc>
HRESULT StoreViewportDesc(const Desc* desc, bool onDevice, Desc& stored, bool& set) {
    if (desc == nullptr) return platform::E_INVALIDARG;
    if (!onDevice) return D3DERR_VIEWPORTHASNODEVICE;
    if (desc->x < 0 || desc->y < 0 || desc->width < 0 || desc->height < 0) {
        return D3DERR_INVALIDVIEWPORT;
    }
    stored = *desc;
    set = true;
    return DD_OK;
}

template <class Desc>
HRESULT LoadViewportDesc(const Desc& stored, Desc* desc) {
    if (desc == nullptr) return platform::E_INVALIDARG;
    *desc = stored;
    return DD_OK;
}

// The viewport's pixels; nothing before a rectangle is set. Widths beyond any surface stay in
// range.
template <class Desc>
Rect ViewportArea(const Desc& desc, bool set) {
    if (!set) return Rect{};
    const int right =
        static_cast<int>(std::min<long long>(static_cast<long long>(desc.x) + desc.width, 1 << 30));
    const int bottom = static_cast<int>(
        std::min<long long>(static_cast<long long>(desc.y) + desc.height, 1 << 30));
    return Rect{desc.x, desc.y, right, bottom};
}

// Offers the display's texture formats until the callback answers false.
template <class Callback>
HRESULT EnumDisplayTextureFormats(const Callback& callback) {
    if (!callback) return platform::E_INVALIDARG;
    for (const PixelFormatDesc& format : display::TextureFormats()) {
        if (!callback(format)) break;
    }
    return DD_OK;
}

}  // namespace gfx
