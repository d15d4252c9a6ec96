#pragma once

#include <algorithm>
#include <vector>

#include "platform/gfx/Direct3DTypes.h"

namespace gfx {

// The viewports a device holds, one list for both generations of the 3D interface. A
// viewport belongs to one device at a time: it marks that device in its `device_` (this list
// is its friend), is free again once deleted, and is let go when the device goes.
template <class Port, class Owner>
class ViewportList {
public:
    explicit ViewportList(Owner* owner) : owner_(owner) {}
    ~ViewportList() {
        for (Port* port : ports_) {
            port->device_ = nullptr;
            port->Release();
        }
    }
    ViewportList(const ViewportList&) = delete;
    ViewportList& operator=(const ViewportList&) = delete;

    HRESULT Add(Port* port) {
        if (port == nullptr) return platform::E_INVALIDARG;
        if (port->device_ != nullptr) return D3DERR_INVALIDVIEWPORT;
        port->AddRef();
        port->device_ = owner_;
        ports_.push_back(port);
        return DD_OK;
    }
    HRESULT Delete(Port* port) {
        const auto it = std::find(ports_.begin(), ports_.end(), port);
        if (port == nullptr || it == ports_.end()) return D3DERR_INVALIDVIEWPORT;
        ports_.erase(it);
        port->device_ = nullptr;
        port->Release();
        return DD_OK;
    }
    bool Holds(const Port* port) const { return port != nullptr && port->device_ == owner_; }

private:
    Owner* owner_;
    std::vector<Port*> ports_;  // held
};

}  // namespace gfx
