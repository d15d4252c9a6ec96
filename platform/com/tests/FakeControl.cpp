// A control server for the container tests: a dual interface, two events, property
// notifications, saved state and an in-place window that is a child of the container's.
// It links its own copy of the COM layer, as a control library does.
#include "platform/com/tests/FakeControl.h"

#include <QWidget>

#include <atomic>
#include <cstring>
#include <string>

#include "platform/com/ClassFactory.h"
#include "platform/com/ConnectionPoint.h"
#include "platform/com/ControlSite.h"
#include "platform/com/MemberTable.h"
#include "platform/com/OleControl.h"

namespace {

using namespace platform;
using namespace fake_control;

std::atomic<int> gLive{0};
std::atomic<int> gLeftAdvised{0};  // sinks still advised when a control went
std::atomic<int> gAmbientFlags{-1};
// The last quick activation's font, as "name size"; empty when it carried none.
std::string gAmbientFont;

const MemberTable& Members() {
    static const MemberTable table({
        {kValue, "Value", MemberKind::PropertyGet, {}, VT_I4},
        {kValue, "Value", MemberKind::PropertyPut, {VT_I4}, VT_EMPTY},
        {kRatio, "Ratio", MemberKind::PropertyGet, {}, VT_R4},
        {kRatio, "Ratio", MemberKind::PropertyPut, {VT_R4}, VT_EMPTY},
        {kLabel, "Label", MemberKind::PropertyGet, {}, VT_BSTR},
        {kLabel, "Label", MemberKind::PropertyPut, {VT_BSTR}, VT_EMPTY},
        {kGetPosition,
         "GetPosition",
         MemberKind::Method,
         {VT_R4 | VT_BYREF, VT_R4 | VT_BYREF, VT_R4 | VT_BYREF},
         VT_EMPTY},
        {kFail, "Fail", MemberKind::Method, {}, VT_EMPTY},
        {kFailPlain, "FailPlain", MemberKind::Method, {}, VT_EMPTY},
        {kFireFloats, "FireFloats", MemberKind::Method, {}, VT_EMPTY},
        {kFireShorts, "FireShorts", MemberKind::Method, {}, VT_EMPTY},
        {kUserMode, "UserMode", MemberKind::PropertyGet, {}, VT_BOOL},
        {kLocale, "Locale", MemberKind::PropertyGet, {}, VT_I4},
    });
    return table;
}

class FakeControl final
    : public RefCounted<IFakeControl, IOleObject, IOleInPlaceObject, IOleInPlaceActiveObject,
                        IOleControl, IPersistStreamInit, IProvideClassInfo2,
                        IConnectionPointContainer, IQuickActivate> {
public:
    FakeControl(bool quick, bool failVerb) : quick_(quick), failVerb_(failVerb) { ++gLive; }

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == kFakeControlIid) {
            *object = static_cast<IFakeControl*>(this);
        } else if (iid == IID_IOleObject) {
            *object = static_cast<IOleObject*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
            *object = static_cast<IOleInPlaceObject*>(this);
        } else if (iid == IID_IOleInPlaceActiveObject && window_ != nullptr) {
            *object = static_cast<IOleInPlaceActiveObject*>(this);
        } else if (iid == IID_IOleControl) {
            *object = static_cast<IOleControl*>(this);
        } else if (iid == IID_IPersist || iid == IID_IPersistStreamInit) {
            *object = static_cast<IPersistStreamInit*>(this);
        } else if (iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) {
            *object = static_cast<IProvideClassInfo2*>(this);
        } else if (iid == IID_IConnectionPointContainer) {
            *object = static_cast<IConnectionPointContainer*>(this);
        } else if (iid == IID_IQuickActivate && quick_) {
            *object = static_cast<IQuickActivate*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // IDispatch
    HRESULT GetTypeInfoCount(std::uint32_t* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count, LCID,
                          DISPID* ids) override {
        return Members().GetIDsOfNames(riid, names, count, ids);
    }
    HRESULT Invoke(DISPID id, const IID& riid, LCID, std::uint16_t flags, DISPPARAMS* params,
                   VARIANT* result, EXCEPINFO* exception, std::uint32_t* argError) override {
        MemberCall call;
        const HRESULT checked = Members().PrepareCall(id, riid, flags, params, call, argError);
        if (Failed(checked)) return checked;
        Variant out;
        const auto& args = call.arguments;
        const bool put = call.member->kind == MemberKind::PropertyPut;
        switch (id) {
            case kValue:
                if (put) {
                    value_ = args[0].lVal;
                    NotifyChanged(kValue);
                } else {
                    out = Variant::I4(value_);
                }
                break;
            case kRatio:
                if (put) {
                    ratio_ = args[0].fltVal;
                } else {
                    out = Variant::R4(ratio_);
                }
                break;
            case kLabel:
                if (put) {
                    label_ = Utf8FromBstr(args[0].bstrVal);
                } else {
                    out = Variant::Text(label_);
                }
                break;
            case kGetPosition:
                *args[0].pfltVal = 1.25f;
                *args[1].pfltVal = 2.5f;
                *args[2].pfltVal = 3.75f;
                break;
            case kFail:
                if (exception != nullptr) {
                    exception->wCode = 1001;
                    exception->bstrSource = BstrFromUtf8("Fake.Control");
                    exception->bstrDescription = BstrFromUtf8("Picture not found: ü");
                    exception->bstrHelpFile = BstrFromUtf8("fake.hlp");
                    exception->dwHelpContext = 42;
                    exception->scode = E_INVALIDARG;
                }
                return DISP_E_EXCEPTION;
            case kFailPlain:
                return E_FAIL;
            case kFireFloats:
                return FireFloats();
            case kFireShorts:
                return FireShorts();
            case kUserMode:
            case kLocale:
                return Ambient(id == kUserMode ? DISPID_AMBIENT_USERMODE : DISPID_AMBIENT_LOCALEID,
                               result);
            default:
                return DISP_E_MEMBERNOTFOUND;
        }
        if (result != nullptr) *result = out.Detach();
        return S_OK;
    }

    // IFakeControl
    HRESULT FireFloats() override {
        events_.get()->FireEvent(kFloatsEvent,
                                 {Variant::R4(1.5f), Variant::R4(2.0f), Variant::R4(0.25f)});
        return S_OK;
    }
    HRESULT FireShorts() override {
        events_.get()->FireEvent(kShortsEvent, {Variant::I4(3), Variant::I4(-4), Variant::I4(500)});
        return S_OK;
    }

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override {
        site_.Share(site);
        return S_OK;
    }
    HRESULT GetClientSite(IOleClientSite** site) override {
        *site = site_.get();
        if (*site != nullptr) (*site)->AddRef();
        return S_OK;
    }
    HRESULT Close(std::uint32_t) override {
        DestroyWindow();
        return S_OK;
    }
    HRESULT DoVerb(std::int32_t verb, const Message*, IOleClientSite* activeSite, std::int32_t,
                   HWND parent, const Rect* position) override {
        if (verb != OLEIVERB_INPLACEACTIVATE) return E_NOTIMPL;
        if (failVerb_ || activeSite == nullptr || position == nullptr) return E_FAIL;
        ComPtr<IOleInPlaceSite> inPlace;
        ComPtr<IOleClientSite> held;
        held.Share(activeSite);
        if (!held.QueryTo(IID_IOleInPlaceSite, inPlace)) return E_NOINTERFACE;
        if (inPlace->CanInPlaceActivate() != S_OK) return E_FAIL;
        HWND container = nullptr;
        Rect rect;
        Rect clip;
        if (Failed(inPlace->GetWindow(&container)) || container != parent ||
            Failed(inPlace->GetWindowContext(&rect, &clip))) {
            return E_FAIL;
        }
        inPlace->OnInPlaceActivate();
        window_ = new QWidget(parent);
        window_->setObjectName("fake control");
        Place(rect);
        window_->show();
        return S_OK;
    }
    HRESULT GetUserClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT SetExtent(std::uint32_t, const SIZEL* size) override {
        extent_ = *size;
        return S_OK;
    }
    HRESULT GetExtent(std::uint32_t, SIZEL* size) override {
        *size = extent_;
        return S_OK;
    }
    HRESULT GetMiscStatus(std::uint32_t, std::uint32_t* status) override {
        *status = OLEMISC_SETCLIENTSITEFIRST;
        return S_OK;
    }

    // IOleInPlaceObject
    HRESULT GetWindow(HWND* window) override {
        *window = window_;
        return window_ != nullptr ? S_OK : E_FAIL;
    }
    HRESULT InPlaceDeactivate() override {
        if (window_ == nullptr) return S_OK;
        DestroyWindow();
        ComPtr<IOleInPlaceSite> inPlace;
        if (site_.QueryTo(IID_IOleInPlaceSite, inPlace)) inPlace->OnInPlaceDeactivate();
        return S_OK;
    }
    HRESULT UIDeactivate() override { return S_OK; }
    HRESULT SetObjectRects(const Rect* position, const Rect*) override {
        if (window_ != nullptr && position != nullptr) Place(*position);
        return S_OK;
    }

    // IOleInPlaceActiveObject: the control uses the Escape key.
    HRESULT TranslateAccelerator(const Message* message) override {
        return message != nullptr && message->id == WM_KEYDOWN && message->wParam == VK_ESCAPE
                   ? S_OK
                   : S_FALSE;
    }
    HRESULT OnFrameWindowActivate(bool) override { return S_OK; }
    HRESULT OnDocWindowActivate(bool) override { return S_OK; }
    HRESULT EnableModeless(bool) override { return S_OK; }

    // IOleControl
    HRESULT GetControlInfo(CONTROLINFO* info) override {
        info->cAccel = 1;
        return S_OK;
    }
    HRESULT OnMnemonic(const Message*) override { return S_OK; }
    HRESULT OnAmbientPropertyChange(DISPID) override { return S_OK; }
    HRESULT FreezeEvents(bool) override { return S_OK; }

    // IPersistStreamInit: the state is the Value, four bytes.
    HRESULT GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream* stream) override {
        std::uint32_t got = 0;
        std::int32_t value = 0;
        if (Failed(stream->Read(&value, sizeof value, &got)) || got != sizeof value) return E_FAIL;
        value_ = value;
        return S_OK;
    }
    HRESULT Save(IStream* stream, bool) override {
        return stream->Write(&value_, sizeof value_, nullptr);
    }
    HRESULT GetSizeMax(std::uint64_t* size) override {
        *size = sizeof value_;
        return S_OK;
    }
    HRESULT InitNew() override {
        value_ = 7;
        return S_OK;
    }

    // IProvideClassInfo2
    HRESULT GetClassInfo(ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetGUID(std::uint32_t kind, GUID* guid) override {
        if (kind != GUIDKIND_DEFAULT_SOURCE_DISP_IID) return E_INVALIDARG;
        *guid = kEventsIid;
        return S_OK;
    }

    // IConnectionPointContainer
    HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) override {
        *point = nullptr;
        ConnectionPoint* found = iid == kEventsIid                ? events_.get()
                                 : iid == IID_IPropertyNotifySink ? notify_.get()
                                                                  : nullptr;
        if (found == nullptr) return CONNECT_E_NOCONNECTION;
        found->AddRef();
        *point = found;
        return S_OK;
    }

    // IQuickActivate
    HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) override {
        if (container == nullptr || control == nullptr ||
            container->cbSize != sizeof(QACONTAINER) || control->cbSize != sizeof(QACONTROL)) {
            return E_INVALIDARG;
        }
        gAmbientFlags = static_cast<int>(container->dwAmbientFlags);
        gAmbientFont.clear();
        ComPtr<IFont> font;
        if (container->pFont != nullptr &&
            Succeeded(container->pFont->QueryInterface(IID_IFont, font.Out()))) {
            BSTR name = nullptr;
            CY size{};
            font->get_Name(&name);
            font->get_Size(&size);
            gAmbientFont = Utf8FromBstr(name) + " " + std::to_string(size.int64);
            SysFreeString(name);
        }
        site_.Share(container->pClientSite);
        control->dwMiscStatus = OLEMISC_SETCLIENTSITEFIRST;
        if (container->pUnkEventSink != nullptr) {
            events_.get()->Advise(container->pUnkEventSink, &control->dwEventCookie);
        }
        if (container->pPropertyNotifySink != nullptr) {
            notify_.get()->Advise(container->pPropertyNotifySink, &control->dwPropNotifyCookie);
        }
        return S_OK;
    }
    HRESULT SetContentExtent(const SIZEL*) override { return S_OK; }
    HRESULT GetContentExtent(SIZEL* size) override {
        *size = extent_;
        return S_OK;
    }

private:
    ~FakeControl() override {
        gLeftAdvised += static_cast<int>(events_.get()->sinkCount() + notify_.get()->sinkCount());
        DestroyWindow();
        --gLive;
    }

    void Place(const Rect& rect) {
        const Vector2<int> size = rect.GetSize();
        window_->setGeometry(rect.left, rect.top, size.x, size.y);
    }
    void DestroyWindow() {
        delete window_;
        window_ = nullptr;
    }
    void NotifyChanged(DISPID id) {
        notify_.get()->ForEachSink<IPropertyNotifySink>(
            [id](IPropertyNotifySink* sink) { sink->OnChanged(id); });
    }
    HRESULT Ambient(DISPID id, VARIANT* result) {
        ComPtr<IDispatch> ambient;
        if (!site_.QueryTo(IID_IDispatch, ambient)) return E_FAIL;
        DISPPARAMS none;
        return ambient->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result, nullptr,
                               nullptr);
    }

    class Point {
    public:
        Point(FakeControl* owner, const IID& iid) : point_(ConnectionPoint::Create(owner, iid)) {}
        ~Point() {
            point_->Detach();
            point_->Release();
        }
        ConnectionPoint* get() const { return point_; }

    private:
        ConnectionPoint* point_;
    };

    const bool quick_;
    const bool failVerb_;
    ComPtr<IOleClientSite> site_;
    QWidget* window_ = nullptr;
    SIZEL extent_;
    std::int32_t value_ = 0;
    float ratio_ = 0.0f;
    std::string label_;
    Point events_{this, kEventsIid};
    Point notify_{this, IID_IPropertyNotifySink};
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid,
                                                                            const IID& iid,
                                                                            void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != kPlainClass && clsid != kQuickClass && clsid != kFailingVerbClass) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    const bool quick = clsid == kQuickClass;
    const bool failVerb = clsid == kFailingVerbClass;
    return ClassFactory::Serve(
        [quick, failVerb] { return static_cast<IFakeControl*>(new FakeControl(quick, failVerb)); },
        iid, object);
}

extern "C" __attribute__((visibility("default"))) int FakeControlLiveObjects() {
    return gLive;
}

extern "C" __attribute__((visibility("default"))) int FakeControlAdvisedSinks() {
    return gLeftAdvised;
}

extern "C" __attribute__((visibility("default"))) int FakeControlLastAmbientFlags() {
    return gAmbientFlags;
}

extern "C" __attribute__((visibility("default"))) const char* FakeControlLastAmbientFont() {
    return gAmbientFont.c_str();
}
