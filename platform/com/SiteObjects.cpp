#include "platform/com/SiteObjects.h"

#include "platform/com/Ambient.h"
#include "platform/com/ControlContainer.h"

namespace platform::com_detail {

HRESULT SiteFaces::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid == IID_IUnknown || iid == IID_IOleClientSite) {
        *object = static_cast<IOleClientSite*>(this);
    } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceSite) {
        *object = static_cast<IOleInPlaceSite*>(this);
    } else if (iid == IID_IOleControlSite) {
        *object = static_cast<IOleControlSite*>(this);
    } else if (iid == IID_IDispatch) {
        *object = static_cast<IDispatch*>(this);
    } else if (iid == IID_IPropertyNotifySink) {
        *object = static_cast<IPropertyNotifySink*>(this);
    } else if (iid == IID_INotifyDBEvents) {
        *object = static_cast<INotifyDBEvents*>(this);
    } else if (site_ != nullptr) {
        return site_->QuerySiteInterface(iid, object);
    } else {
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

HRESULT SiteFaces::GetWindow(HWND* window) {
    if (window == nullptr) return E_POINTER;
    *window = site_ != nullptr ? site_->container().window() : nullptr;
    return *window != nullptr ? S_OK : E_FAIL;
}

HRESULT SiteFaces::GetWindowContext(Rect* position, Rect* clip) {
    if (site_ == nullptr) return E_UNEXPECTED;
    if (position != nullptr) *position = site_->rect();
    if (clip != nullptr) *clip = site_->rect();
    return S_OK;
}

HRESULT SiteFaces::OnPosRectChange(const Rect* position) {
    if (position == nullptr) return E_POINTER;
    if (site_ == nullptr) return E_UNEXPECTED;
    site_->MoveSite(*position);
    return S_OK;
}

HRESULT SiteFaces::OnControlInfoChanged() {
    if (site_ == nullptr) return E_UNEXPECTED;
    site_->ReadControlInfo();
    return S_OK;
}

HRESULT SiteFaces::GetExtendedControl(IDispatch** control) {
    if (control == nullptr) return E_POINTER;
    *control = nullptr;
    return E_NOTIMPL;
}

HRESULT SiteFaces::GetTypeInfoCount(std::uint32_t* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT SiteFaces::GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT SiteFaces::GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                                 LCID, DISPID* ids) {
    return AmbientMembers().GetIDsOfNames(riid, names, count, ids);
}

HRESULT SiteFaces::Invoke(DISPID id, const IID& riid, LCID, std::uint16_t flags, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO*, std::uint32_t* argError) {
    if (site_ == nullptr) return E_UNEXPECTED;
    MemberCall call;
    // A container may answer more than the defaults: only the kind of call is checked for
    // those.
    const bool known = AmbientMembers().Find(id, MemberKind::PropertyGet) != nullptr;
    if (known) {
        const HRESULT checked =
            AmbientMembers().PrepareCall(id, riid, flags, params, call, argError);
        if (Failed(checked)) return checked;
    } else if ((flags & DISPATCH_PROPERTYGET) == 0) {
        return DISP_E_MEMBERNOTFOUND;
    }
    Variant value;
    if (!site_->container().GetAmbientProperty(id, &value)) return DISP_E_MEMBERNOTFOUND;
    if (result != nullptr) {
        VariantClear(result);
        *result = value.Detach();
    }
    return S_OK;
}

HRESULT EventSink::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    const bool source = site_ != nullptr && site_->eventIid_ != IID_NULL && iid == site_->eventIid_;
    if (iid != IID_IUnknown && iid != IID_IDispatch && !source) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IDispatch*>(this);
    return S_OK;
}

HRESULT EventSink::GetTypeInfoCount(std::uint32_t* count) {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
}

HRESULT EventSink::GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
}

HRESULT EventSink::GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                                 LCID, DISPID* ids) {
    // Events are bound by id alone.
    return MemberTable().GetIDsOfNames(riid, names, count, ids);
}

HRESULT EventSink::Invoke(DISPID id, const IID& riid, LCID, std::uint16_t, DISPPARAMS* params,
                          VARIANT* result, EXCEPINFO*, std::uint32_t* argError) {
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (result != nullptr) VariantInit(result);
    if (site_ == nullptr) return S_OK;
    return site_->OnEvent(id, params, argError);
}

}  // namespace platform::com_detail
