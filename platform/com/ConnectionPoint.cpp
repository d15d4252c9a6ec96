#include "platform/com/ConnectionPoint.h"

#include <algorithm>
#include <new>

namespace platform {

ConnectionPoint* ConnectionPoint::Create(IConnectionPointContainer* source, const IID& iid) {
    return new (std::nothrow) ConnectionPoint(source, iid);
}

ConnectionPoint::~ConnectionPoint() {
    Detach();
}

void ConnectionPoint::Detach() {
    source_ = nullptr;
    auto sinks = std::move(sinks_);
    sinks_.clear();
    for (auto& entry : sinks) entry.second->Release();
}

std::vector<ComPtr<IUnknown>> ConnectionPoint::Snapshot() const {
    std::vector<ComPtr<IUnknown>> sinks;
    sinks.reserve(sinks_.size());
    for (const auto& entry : sinks_) {
        sinks.emplace_back();
        sinks.back().Share(entry.second);
    }
    return sinks;
}

void ConnectionPoint::FireEvent(DISPID id, std::initializer_list<Variant> arguments) {
    std::vector<Variant> reversed(arguments.begin(), arguments.end());
    std::reverse(reversed.begin(), reversed.end());
    for (const auto& sink : Snapshot()) {
        // A sink may change what it was given: each gets its own copy.
        std::vector<Variant> copy = reversed;
        DISPPARAMS params;
        params.rgvarg = copy.empty() ? nullptr : copy.data();
        params.cArgs = static_cast<std::uint32_t>(copy.size());
        static_cast<IDispatch*>(sink.get())
            ->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, nullptr, nullptr,
                     nullptr);
    }
}

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IConnectionPoint) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IConnectionPoint*>(this);
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
    if (iid == nullptr) return E_POINTER;
    *iid = iid_;
    return S_OK;
}

HRESULT ConnectionPoint::GetConnectionPointContainer(IConnectionPointContainer** container) {
    if (container == nullptr) return E_POINTER;
    *container = source_;
    if (source_ == nullptr) return E_UNEXPECTED;
    source_->AddRef();
    return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, std::uint32_t* cookie) {
    if (cookie != nullptr) *cookie = 0;
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    if (source_ == nullptr) return E_UNEXPECTED;
    // The sink must speak the interface; it is held as that interface.
    void* raw = nullptr;
    if (Failed(sink->QueryInterface(iid_, &raw)) || raw == nullptr) return CONNECT_E_CANNOTCONNECT;
    try {
        sinks_.emplace_back(nextCookie_, static_cast<IUnknown*>(raw));
    } catch (const std::bad_alloc&) {
        static_cast<IUnknown*>(raw)->Release();
        return E_OUTOFMEMORY;
    }
    *cookie = nextCookie_++;
    return S_OK;
}

HRESULT ConnectionPoint::Unadvise(std::uint32_t cookie) {
    for (auto it = sinks_.begin(); it != sinks_.end(); ++it) {
        if (it->first == cookie) {
            IUnknown* sink = it->second;
            sinks_.erase(it);
            sink->Release();
            return S_OK;
        }
    }
    return CONNECT_E_NOCONNECTION;
}

}  // namespace platform
