// Built as a library of its own: the site finds it through the registry as any control.
#include "control-plugin/tests/SwitchControl.h"

#include <QPointer>
#include <QWidget>

#include <atomic>
#include <string>

#include "platform/com/Bstr.h"
#include "platform/com/ClassFactory.h"
#include "platform/com/OleControl.h"
#include "platform/com/Variant.h"

namespace {

using namespace platform;
using namespace switch_control;

std::uint32_t gSwitches = 0;
std::string gLog;
std::string gTaken;
int gLive = 0;
int gAmbientFlags = -1;

void Log(const std::string& line) {
    gLog += line + "\n";
}

class Control final
    : public RefCounted<IOleObject, IOleInPlaceObject, IPersistStreamInit, IPersistPropertyBag,
                        IProvideClassInfo2, IQuickActivate, IDispatch> {
public:
    Control() : switches_(gSwitches) { ++gLive; }

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IUnknown || iid == IID_IOleObject) {
            *object = static_cast<IOleObject*>(this);
        } else if (iid == IID_IOleWindow || iid == IID_IOleInPlaceObject) {
            *object = static_cast<IOleInPlaceObject*>(this);
        } else if (iid == IID_IDispatch) {
            *object = static_cast<IDispatch*>(this);
        } else if ((iid == IID_IPersistStreamInit) && On(kPersistStream)) {
            *object = static_cast<IPersistStreamInit*>(this);
        } else if (iid == IID_IPersistPropertyBag && On(kPersistBag)) {
            *object = static_cast<IPersistPropertyBag*>(this);
        } else if ((iid == IID_IProvideClassInfo || iid == IID_IProvideClassInfo2) &&
                   On(kClassInfo)) {
            *object = static_cast<IProvideClassInfo2*>(this);
        } else if (iid == IID_IQuickActivate && On(kQuickActivate)) {
            *object = static_cast<IQuickActivate*>(this);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }

    // IOleObject
    HRESULT SetClientSite(IOleClientSite* site) override {
        Log(site != nullptr ? "SetClientSite" : "SetClientSite null");
        site_.Share(site);
        return S_OK;
    }
    HRESULT GetClientSite(IOleClientSite** site) override {
        *site = site_.get();
        if (*site != nullptr) (*site)->AddRef();
        return S_OK;
    }
    HRESULT Close(std::uint32_t) override {
        Log("Close");
        delete window_.data();
        window_ = nullptr;
        return S_OK;
    }
    HRESULT DoVerb(std::int32_t verb, const Message*, IOleClientSite*, std::int32_t, HWND parent,
                   const Rect* position) override {
        Log("DoVerb " + std::to_string(verb) + " at " + std::to_string(position->left) + "," +
            std::to_string(position->top));
        if (On(kFailDoVerb)) return E_FAIL;
        if (verb == OLEIVERB_INPLACEACTIVATE && window_ == nullptr) {
            window_ = new QWidget(parent);
            window_->setGeometry(position->left, position->top, position->right - position->left,
                                 position->bottom - position->top);
            window_->show();
        }
        if (verb == OLEIVERB_HIDE && window_ != nullptr) window_->hide();
        return S_OK;
    }
    HRESULT GetUserClassID(CLSID* clsid) override {
        *clsid = kClass;
        return S_OK;
    }
    HRESULT SetExtent(std::uint32_t, const SIZEL*) override { return S_OK; }
    HRESULT GetExtent(std::uint32_t, SIZEL*) override { return E_NOTIMPL; }
    HRESULT GetMiscStatus(std::uint32_t, std::uint32_t* status) override {
        Log("GetMiscStatus");
        *status = MiscStatus();
        return S_OK;
    }

    // IOleInPlaceObject
    HRESULT GetWindow(HWND* window) override {
        *window = window_.data();
        return window_ != nullptr ? S_OK : E_FAIL;
    }
    HRESULT InPlaceDeactivate() override { return S_OK; }
    HRESULT UIDeactivate() override { return S_OK; }
    HRESULT SetObjectRects(const Rect* position, const Rect*) override {
        Log("SetObjectRects " + std::to_string(position->left) + "," +
            std::to_string(position->top));
        return S_OK;
    }

    // IPersistStreamInit and IPersistPropertyBag
    HRESULT GetClassID(CLSID* clsid) override {
        *clsid = kClass;
        return S_OK;
    }
    HRESULT IsDirty() override { return S_FALSE; }
    HRESULT Load(IStream* stream) override {
        std::string bytes;
        char c = 0;
        std::uint32_t got = 0;
        while (Succeeded(stream->Read(&c, 1, &got)) && got == 1) bytes += c;
        Log("Load stream " + bytes);
        return S_OK;
    }
    HRESULT Save(IStream*, bool) override { return E_NOTIMPL; }
    HRESULT GetSizeMax(std::uint64_t*) override { return E_NOTIMPL; }
    HRESULT InitNew() override {
        Log("InitNew");
        return On(kFailInitNew) ? E_FAIL : S_OK;
    }
    HRESULT Load(IPropertyBag* bag, IErrorLog* log) override {
        Variant value;
        const HRESULT hr = bag->Read(u"alpha", &value, log);
        Log("Load bag alpha=" + (Succeeded(hr) ? Utf8FromBstr(value.bstrVal) : std::string("-")));
        return S_OK;
    }
    HRESULT Save(IPropertyBag*, bool, bool) override { return E_NOTIMPL; }

    // IProvideClassInfo2
    HRESULT GetClassInfo(ITypeInfo** info) override {
        *info = nullptr;
        return E_NOTIMPL;
    }
    HRESULT GetGUID(std::uint32_t, GUID* guid) override {
        Log("GetGUID");
        *guid = kEventsIid;
        return S_OK;
    }

    // IQuickActivate
    HRESULT QuickActivate(QACONTAINER* container, QACONTROL* control) override {
        Log(std::string("QuickActivate") + (container->pBindHost != nullptr ? " bindhost" : ""));
        gAmbientFlags = static_cast<int>(container->dwAmbientFlags);
        site_.Share(container->pClientSite);
        control->dwMiscStatus = MiscStatus();
        return S_OK;
    }
    HRESULT SetContentExtent(const SIZEL*) override { return S_OK; }
    HRESULT GetContentExtent(SIZEL*) override { return E_NOTIMPL; }

    // IDispatch: two properties by name, put as text.
    HRESULT GetTypeInfoCount(std::uint32_t* count) override {
        *count = 0;
        return S_OK;
    }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const OLECHAR* const* names, std::uint32_t, LCID,
                          DISPID* ids) override {
        const std::string name = Utf8FromUtf16(names[0]);
        if (name == "alpha" || name == "Alpha") {
            ids[0] = 1;
        } else if (name == "beta") {
            ids[0] = 2;
        } else {
            return DISP_E_UNKNOWNNAME;
        }
        return S_OK;
    }
    HRESULT Invoke(DISPID id, const IID&, LCID, std::uint16_t flags, DISPPARAMS* params, VARIANT*,
                   EXCEPINFO* exception, std::uint32_t*) override {
        if (On(kFailAutomation)) {
            Log("Refused " + std::to_string(id));
            if (exception != nullptr) {
                exception->wCode = kRefusalCode;
                exception->bstrDescription = BstrFromUtf8(kRefusal);
                exception->bstrSource = BstrFromUtf8("SwitchControl");
                exception->bstrHelpFile = BstrFromUtf8("switch.hlp");
                exception->dwHelpContext = 42;
            }
            return DISP_E_EXCEPTION;
        }
        if (On(kFailCalls)) return kCallFailure;
        if (flags != DISPATCH_PROPERTYPUT || params == nullptr || params->cArgs != 1 ||
            params->rgvarg[0].vt != VT_BSTR) {
            return DISP_E_TYPEMISMATCH;
        }
        Log("Put " + std::to_string(id) + "=" + Utf8FromBstr(params->rgvarg[0].bstrVal));
        // The second property refuses every value.
        return id == 2 ? DISP_E_TYPEMISMATCH : S_OK;
    }

private:
    ~Control() override {
        delete window_.data();
        --gLive;
    }
    bool On(std::uint32_t bit) const { return (switches_ & bit) != 0; }
    std::uint32_t MiscStatus() const {
        std::uint32_t status = OLEMISC_ACTIVATEWHENVISIBLE;
        if (On(kSetClientSiteFirst)) status |= OLEMISC_SETCLIENTSITEFIRST;
        if (On(kInvisibleAtRuntime)) status |= OLEMISC_INVISIBLEATRUNTIME;
        return status;
    }

    const std::uint32_t switches_;
    ComPtr<IOleClientSite> site_;
    // The container may delete its window, and this with it, first.
    QPointer<QWidget> window_;
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid,
                                                                            const IID& iid,
                                                                            void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != kClass && clsid != kStandInClass) return CLASS_E_CLASSNOTAVAILABLE;
    return ClassFactory::Serve([] { return static_cast<IOleObject*>(new Control); }, iid, object);
}

extern "C" __attribute__((visibility("default"))) void SwitchControlSet(std::uint32_t switches) {
    gSwitches = switches;
}

extern "C" __attribute__((visibility("default"))) const char* SwitchControlTakeLog() {
    gTaken = gLog;
    gLog.clear();
    return gTaken.c_str();
}

extern "C" __attribute__((visibility("default"))) int SwitchControlLiveObjects() {
    return gLive;
}

extern "C" __attribute__((visibility("default"))) int SwitchControlAmbientFlags() {
    return gAmbientFlags;
}
