#include "platform/com/ControlSite.h"

#include <cmath>
#include <exception>

#include "platform/com/Bstr.h"
#include "platform/com/ControlContainer.h"
#include "platform/com/MemberTable.h"
#include "platform/com/SiteObjects.h"
#include "platform/debug/Debug.h"

namespace platform {
namespace {

// Screen pixels to hundredths of a millimetre, at the usual 96 pixels to the inch.
SIZEL Extent(const Rect& rect) {
    const Vector2<int> size = rect.GetSize();
    return SIZEL{static_cast<std::int32_t>(std::int64_t{size.x} * 2540 / 96),
                 static_cast<std::int32_t>(std::int64_t{size.y} * 2540 / 96)};
}

bool AmbientFlag(const ControlContainer& container, DISPID id) {
    Variant value;
    if (!container.GetAmbientProperty(id, &value)) return false;
    return Succeeded(VariantChangeType(&value, &value, 0, VT_BOOL)) && value.boolVal != 0;
}

std::int32_t AmbientNumber(const ControlContainer& container, DISPID id) {
    Variant value;
    if (!container.GetAmbientProperty(id, &value)) return 0;
    return Succeeded(VariantChangeType(&value, &value, 0, VT_I4)) ? value.lVal : 0;
}

// The container's font as IFont, or null when it answers none (or no font).
ComPtr<IFont> AmbientFont(const ControlContainer& container) {
    Variant value;
    ComPtr<IFont> font;
    if (!container.GetAmbientProperty(DISPID_AMBIENT_FONT, &value)) return font;
    if ((value.vt == VT_UNKNOWN || value.vt == VT_DISPATCH) && value.punkVal != nullptr) {
        value.punkVal->QueryInterface(IID_IFont, font.Out());
    }
    return font;
}

class FontObject final : public RefCounted<IFont> {
public:
    FontObject(std::string_view name, double points) : name_(name) {
        size_.int64 = static_cast<std::int64_t>(std::llround(points * 10000.0));
    }
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IFont) return E_NOINTERFACE;
        *object = static_cast<IFont*>(this);
        AddRef();
        return S_OK;
    }
    HRESULT get_Name(BSTR* name) override {
        if (name == nullptr) return E_POINTER;
        *name = BstrFromUtf8(name_);
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }
    HRESULT get_Size(CY* size) override {
        if (size == nullptr) return E_POINTER;
        *size = size_;
        return S_OK;
    }

private:
    std::string name_;
    CY size_{};
};

}  // namespace

ComPtr<IFont> CreateFontObject(std::string_view name, double points) {
    ComPtr<IFont> font;
    font.Attach(new FontObject(name, points));
    return font;
}

ControlSite::ControlSite(ControlContainer& container) : container_(container) {
    faces_.Attach(new com_detail::SiteFaces(this));
    events_.Attach(new com_detail::EventSink(this));
}

ControlSite::~ControlSite() {
    ReleaseControl();
    faces_->Detach();
    events_->Detach();
}

IOleClientSite* ControlSite::clientSite() const {
    return static_cast<IOleClientSite*>(faces_.get());
}

IPropertyNotifySink* ControlSite::notifySink() const {
    return static_cast<IPropertyNotifySink*>(faces_.get());
}

IUnknown* ControlSite::eventSink() const {
    return static_cast<IDispatch*>(events_.get());
}

HRESULT ControlSite::QuerySiteInterface(const IID&, void** object) {
    if (object != nullptr) *object = nullptr;
    return E_NOINTERFACE;
}

HRESULT ControlSite::CreateControl(const CLSID& clsid, const Rect& rect, int id, IStream* state) {
    if (object_) return E_UNEXPECTED;
    SetPlacement(id, rect);
    HRESULT hr = CreateOrLoad(clsid, state);
    if (Succeeded(hr)) {
        if (!quickActivated_) ConnectSinks();
        hr = Activate();
    }
    if (Failed(hr)) {
        ReleaseControl();
        return hr;
    }
    return S_OK;
}

HRESULT ControlSite::Activate(bool visible) {
    if (!object_) return E_UNEXPECTED;
    const SIZEL extent = Extent(rect_);
    object_->SetExtent(DVASPECT_CONTENT, &extent);
    object_.QueryTo(IID_IOleInPlaceObject, inPlace_);
    HRESULT hr = S_OK;
    if (visible) {
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite(), 0,
                             container_.window(), &rect_);
    } else {
        constexpr int kAway = -32000;
        const Rect place = rect_;
        const auto away = [](std::int32_t edge) {
            return geometry_detail::SaturatingInt(std::int64_t{edge} + kAway);
        };
        rect_ = Rect{away(place.left), away(place.top), away(place.right), away(place.bottom)};
        hr = object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, clientSite(), 0,
                             container_.window(), &rect_);
        if (Succeeded(hr)) {
            hr = object_->DoVerb(OLEIVERB_HIDE, nullptr, clientSite(), 0, container_.window(),
                                 &rect_);
        }
        rect_ = place;
        if (Succeeded(hr) && inPlace_) inPlace_->SetObjectRects(&rect_, &rect_);
    }
    if (Failed(hr)) return hr;
    hr = inPlace_ ? inPlace_->GetWindow(&window_) : E_NOINTERFACE;
    if (Failed(hr)) return hr;
    if (window_ == nullptr) return E_FAIL;
    object_.QueryTo(IID_IOleInPlaceActiveObject, active_);
    ReadControlInfo();
    return S_OK;
}

void ControlSite::ReadControlInfo() {
    controlInfo_ = CONTROLINFO{};
    ComPtr<IOleControl> control;
    if (object_.QueryTo(IID_IOleControl, control) &&
        Failed(control->GetControlInfo(&controlInfo_))) {
        controlInfo_ = CONTROLINFO{};
    }
}

HRESULT ControlSite::CreateOrLoad(const CLSID& clsid, IStream* state) {
    HRESULT hr = CreateObject(clsid);
    if (Failed(hr)) return hr;

    if (Failed(QuickActivate())) {
        miscStatus_ = 0;
        object_->GetMiscStatus(DVASPECT_CONTENT, &miscStatus_);
        if ((miscStatus_ & OLEMISC_SETCLIENTSITEFIRST) != 0) {
            hr = HandOverSite();
            if (Failed(hr)) {
                ReleaseControl();
                return hr;
            }
        }
    }
    ComPtr<IPersistStreamInit> persist;
    if (object_.QueryTo(IID_IPersistStreamInit, persist)) {
        hr = state != nullptr ? persist->Load(state) : persist->InitNew();
        if (Failed(hr)) {
            ReleaseControl();
            return hr;
        }
    }
    hr = HandOverSite();
    if (Failed(hr)) {
        ReleaseControl();
        return hr;
    }
    return quickActivated_ ? S_FALSE : S_OK;
}

HRESULT ControlSite::CreateObject(const CLSID& clsid) {
    if (object_) return E_UNEXPECTED;
    ComPtr<IClassFactory> factory;
    HRESULT hr = CoGetClassObject(clsid, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER, nullptr,
                                  IID_IClassFactory, factory.Out());
    if (Failed(hr)) return hr;
    hr = factory->CreateInstance(nullptr, IID_IOleObject, object_.Out());
    if (Failed(hr)) return hr;
    if (!object_) return E_NOINTERFACE;
    object_.QueryTo(IID_IDispatch, dispatch_);
    ComPtr<IProvideClassInfo2> info;
    eventIid_ = IID_NULL;
    if (object_.QueryTo(IID_IProvideClassInfo2, info)) {
        GUID source;
        if (Succeeded(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source))) eventIid_ = source;
    }
    return S_OK;
}

HRESULT ControlSite::QuickActivate(IUnknown* bindHost) {
    ComPtr<IQuickActivate> quick;
    if (!object_.QueryTo(IID_IQuickActivate, quick)) return E_NOINTERFACE;
    QACONTAINER record;
    record.pClientSite = clientSite();
    record.pPropertyNotifySink = notifySink();
    record.pUnkEventSink = eventSink();
    const std::pair<DISPID, std::uint32_t> flags[] = {
        {DISPID_AMBIENT_USERMODE, QACONTAINER_USERMODE},
        {DISPID_AMBIENT_UIDEAD, QACONTAINER_UIDEAD},
        {DISPID_AMBIENT_SHOWGRABHANDLES, QACONTAINER_SHOWGRABHANDLES},
        {DISPID_AMBIENT_SHOWHATCHING, QACONTAINER_SHOWHATCHING},
        {DISPID_AMBIENT_DISPLAYASDEFAULT, QACONTAINER_DISPLAYASDEFAULT},
        {DISPID_AMBIENT_AUTOCLIP, QACONTAINER_AUTOCLIP},
        {DISPID_AMBIENT_MESSAGEREFLECT, QACONTAINER_MESSAGEREFLECT},
        {DISPID_AMBIENT_SUPPORTSMNEMONICS, QACONTAINER_SUPPORTSMNEMONICS},
    };
    for (const auto& [id, flag] : flags) {
        if (AmbientFlag(container_, id)) record.dwAmbientFlags |= flag;
    }
    record.colorFore = static_cast<OLE_COLOR>(AmbientNumber(container_, DISPID_AMBIENT_FORECOLOR));
    record.colorBack = static_cast<OLE_COLOR>(AmbientNumber(container_, DISPID_AMBIENT_BACKCOLOR));
    record.dwAppearance =
        static_cast<std::uint32_t>(AmbientNumber(container_, DISPID_AMBIENT_APPEARANCE));
    record.lcid = AmbientNumber(container_, DISPID_AMBIENT_LOCALEID);
    // Held for the call: a control that keeps the font takes its own reference.
    const ComPtr<IFont> font = AmbientFont(container_);
    record.pFont = font.get();
    record.pBindHost = bindHost;
    record.pOleControlSite = static_cast<IOleControlSite*>(faces_.get());

    QACONTROL answer;
    const HRESULT hr = quick->QuickActivate(&record, &answer);
    if (Failed(hr)) return hr;
    quickActivated_ = true;
    siteHandedOver_ = true;
    miscStatus_ = answer.dwMiscStatus;
    eventCookie_ = answer.dwEventCookie;
    notifyCookie_ = answer.dwPropNotifyCookie;
    return S_OK;
}

HRESULT ControlSite::HandOverSite() {
    if (siteHandedOver_) return S_OK;
    if (!object_) return E_UNEXPECTED;
    const HRESULT hr = object_->SetClientSite(clientSite());
    // A control that refused may still hold the site: it is asked to let go all the same.
    siteHandedOver_ = true;
    return hr;
}

void ControlSite::ConnectSinks() {
    ComPtr<IConnectionPointContainer> points;
    if (!object_.QueryTo(IID_IConnectionPointContainer, points)) return;
    ComPtr<IConnectionPoint> point;
    if (eventIid_ != IID_NULL && eventCookie_ == 0 &&
        Succeeded(points->FindConnectionPoint(eventIid_, point.Put())) && point) {
        if (Failed(point->Advise(eventSink(), &eventCookie_))) eventCookie_ = 0;
    }
    if (notifyCookie_ == 0 &&
        Succeeded(points->FindConnectionPoint(IID_IPropertyNotifySink, point.Put())) && point) {
        if (Failed(point->Advise(notifySink(), &notifyCookie_))) notifyCookie_ = 0;
    }
}

void ControlSite::ConnectDataSink() {
    if (dataCookie_ != 0) return;
    ComPtr<IConnectionPointContainer> points;
    if (!object_.QueryTo(IID_IConnectionPointContainer, points)) return;
    ComPtr<IConnectionPoint> point;
    if (Succeeded(points->FindConnectionPoint(IID_INotifyDBEvents, point.Put())) && point) {
        if (Failed(point->Advise(static_cast<INotifyDBEvents*>(faces_.get()), &dataCookie_))) {
            dataCookie_ = 0;
        }
    }
}

HRESULT ControlSite::Unadvise(const IID& iid, std::uint32_t& cookie) {
    if (cookie == 0) return S_OK;
    const std::uint32_t held = cookie;
    cookie = 0;
    ComPtr<IConnectionPointContainer> points;
    if (!object_.QueryTo(IID_IConnectionPointContainer, points)) return E_NOINTERFACE;
    ComPtr<IConnectionPoint> point;
    HRESULT hr = points->FindConnectionPoint(iid, point.Put());
    if (Failed(hr) || !point) return Failed(hr) ? hr : E_FAIL;
    return point->Unadvise(held);
}

void ControlSite::DisconnectSinks() {
    if (eventIid_ != IID_NULL) Unadvise(eventIid_, eventCookie_);
    eventCookie_ = 0;
    Unadvise(IID_IPropertyNotifySink, notifyCookie_);
    Unadvise(IID_INotifyDBEvents, dataCookie_);
}

void ControlSite::ReleaseControl() {
    active_.Reset();
    controlInfo_ = CONTROLINFO{};
    if (inPlace_) {
        inPlace_->InPlaceDeactivate();
        inPlace_.Reset();
    }
    if (object_) {
        object_->Close(OLECLOSE_NOSAVE);
        DisconnectSinks();
        if (siteHandedOver_) object_->SetClientSite(nullptr);
    }
    eventCookie_ = notifyCookie_ = dataCookie_ = 0;
    dispatch_.Reset();
    object_.Reset();
    eventIid_ = IID_NULL;
    quickActivated_ = siteHandedOver_ = false;
    miscStatus_ = 0;
    window_ = nullptr;
}

void ControlSite::Destroy() {
    ReleaseControl();
}

HRESULT ControlSite::OnEvent(DISPID id, DISPPARAMS* params, std::uint32_t* argError) {
    for (const EventSinkEntry& entry : container_.eventSinkMap()) {
        if (entry.controlId != id_ || entry.dispid != id || !entry.handler) continue;
        const MemberTable table(
            {Member{id, "", MemberKind::Method, entry.argumentTypes, VT_EMPTY}});
        MemberCall call;
        const HRESULT checked =
            table.PrepareCall(id, IID_NULL, DISPATCH_METHOD, params, call, argError);
        if (Failed(checked)) return checked;
        // The owner's handler must not unwind into the control that fired.
        try {
            entry.handler(call.arguments);
        } catch (const std::exception& error) {
            DebugOutput(std::string("Event handler failed: ") + error.what() + "\n");
            return E_FAIL;
        } catch (...) {
            DebugOutput("Event handler failed\n");
            return E_FAIL;
        }
        return S_OK;
    }
    return S_OK;
}

void ControlSite::InvokeHelper(DISPID id, std::uint16_t flags, InvokeResult result,
                               std::initializer_list<Variant> arguments) {
    if (!dispatch_) throw OleError(OLE_E_NOTRUNNING);
    platform::InvokeHelper(dispatch_.get(), id, flags, result, arguments);
}

void ControlSite::SetProperty(DISPID id, const Variant& value) {
    InvokeHelper(id, DISPATCH_PROPERTYPUT, NoResult{}, {value});
}

void ControlSite::GetProperty(DISPID id, InvokeResult result) {
    InvokeHelper(id, DISPATCH_PROPERTYGET, result, {});
}

void ControlSite::MoveSite(const Rect& rect) {
    rect_ = rect;
    if (inPlace_) inPlace_->SetObjectRects(&rect_, &rect_);
}

}  // namespace platform
