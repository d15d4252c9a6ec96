#include "platform/com/ClassFactory.h"

#include <new>

namespace platform {

HRESULT ClassFactory::Serve(Maker make, const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    auto* factory = new (std::nothrow) ClassFactory(std::move(make));
    if (factory == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, object);
    factory->Release();
    return hr;
}

HRESULT ClassFactory::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
}

HRESULT ClassFactory::CreateInstance(IUnknown* outer, const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    IUnknown* created = make_ ? make_() : nullptr;
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
}

}  // namespace platform
