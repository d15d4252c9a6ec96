#pragma once

#include "platform/com/ControlSite.h"

namespace platform::com_detail {

// The site's COM identity: what the control holds of its site. It reaches the site through
// a pointer the site clears when it goes, so a reference kept too long reaches nothing.
class SiteFaces final : public RefCounted<IOleClientSite, IOleInPlaceSite, IOleControlSite,
                                          IDispatch, IPropertyNotifySink, INotifyDBEvents> {
public:
    explicit SiteFaces(ControlSite* site) : site_(site) {}
    void Detach() { site_ = nullptr; }

    HRESULT QueryInterface(const IID& iid, void** object) override;

    // IOleClientSite
    HRESULT SaveObject() override { return E_NOTIMPL; }
    HRESULT ShowObject() override { return Live(); }
    HRESULT OnShowWindow(bool) override { return Live(); }
    HRESULT RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleInPlaceSite
    HRESULT GetWindow(HWND* window) override;
    HRESULT CanInPlaceActivate() override { return Live(); }
    HRESULT OnInPlaceActivate() override { return Live(); }
    HRESULT OnUIActivate() override { return Live(); }
    HRESULT GetWindowContext(Rect* position, Rect* clip) override;
    HRESULT OnUIDeactivate(bool) override { return Live(); }
    HRESULT OnInPlaceDeactivate() override { return Live(); }
    HRESULT OnPosRectChange(const Rect* position) override;

    // IOleControlSite
    HRESULT OnControlInfoChanged() override;
    HRESULT LockInPlaceActive(bool) override { return Live(); }
    HRESULT GetExtendedControl(IDispatch** control) override;
    HRESULT TranslateAccelerator(const Message*, std::uint32_t) override { return S_FALSE; }
    HRESULT OnFocus(bool) override { return Live(); }
    HRESULT ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties.
    HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                          LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) override;

    // IPropertyNotifySink: changes are welcome and edits allowed.
    HRESULT OnChanged(DISPID) override { return Live(); }
    HRESULT OnRequestEdit(DISPID) override { return Live(); }

    // INotifyDBEvents: nothing is bound here, so nothing is held up.
    HRESULT OKToDo(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT Cancelled(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT SyncBefore(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT AboutToDo(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT FailedToDo(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT SyncAfter(std::uint32_t, std::uint32_t, void*) override { return Live(); }
    HRESULT DidEvent(std::uint32_t, std::uint32_t, void*) override { return Live(); }

private:
    ~SiteFaces() override = default;
    HRESULT Live() const { return site_ != nullptr ? S_OK : E_UNEXPECTED; }

    ControlSite* site_;
};

// The sink of the control's default event interface.
class EventSink final : public RefCounted<IDispatch> {
public:
    explicit EventSink(ControlSite* site) : site_(site) {}
    void Detach() { site_ = nullptr; }

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT GetTypeInfoCount(std::uint32_t* count) override;
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo** info) override;
    HRESULT GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                          LCID lcid, DISPID* ids) override;
    HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) override;

private:
    ~EventSink() override = default;

    ControlSite* site_;
};

}  // namespace platform::com_detail
