#include "control-plugin/framework/NsxOccManager.h"

#include <dlfcn.h>
#include <strings.h>

#include <exception>
#include <new>

#include <QWidget>

#include "platform/com/Bstr.h"
#include "platform/com/OleThread.h"
#include "platform/debug/Debug.h"
#include "platform/window/WindowCalls.h"

using namespace platform;

namespace {

constexpr std::uint32_t BS_DEFPUSHBUTTON = 0x0001;
// The locale a parameter's text is read in: English, whatever the user's.
constexpr LCID kParameterLocale = 9;

std::u16string Wide(const std::string& utf8) {
    BSTR text = BstrFromUtf8(utf8);
    std::u16string out(BstrView(text));
    SysFreeString(text);
    return out;
}

void ReportToLog(IErrorLog* errorLog, const OLECHAR* name, HRESULT scode) {
    if (errorLog == nullptr) return;
    EXCEPINFO info;
    info.bstrSource = BstrFromUtf8(ModuleApplicationName());
    info.scode = scode;
    errorLog->AddError(name, &info);
    ClearExcepInfo(&info);
}

}  // namespace

const char* ModuleApplicationName() {
    static const std::string name = [] {
        Dl_info info{};
        std::string file;
        if (::dladdr(reinterpret_cast<void*>(&ModuleApplicationName), &info) != 0 &&
            info.dli_fname != nullptr) {
            file = info.dli_fname;
        }
        const std::size_t slash = file.find_last_of('/');
        if (slash != std::string::npos) file.erase(0, slash + 1);
        const std::size_t dot = file.find('.');
        if (dot != std::string::npos) file.erase(dot);
        return file.empty() ? std::string("NPLensObj") : file;
    }();
    return name.c_str();
}

// ---------------------------------------------------------------------------------------
// Manager and container

std::unique_ptr<CNsxControlContainer> CNsxOccManager::CreateContainer(
    HWND window, std::vector<platform::EventSinkEntry> eventSinkMap) {
    return std::make_unique<CNsxControlContainer>(window, std::move(eventSinkMap));
}

std::unique_ptr<CNsxControlSite> CNsxOccManager::CreateSite(CNsxControlContainer& container) {
    return std::make_unique<CNsxControlSite>(container);
}

CNsxOccManager& GetOccManager() {
    static CNsxOccManager manager;
    return manager;
}

CNsxControlContainer::CNsxControlContainer(HWND window,
                                           std::vector<platform::EventSinkEntry> eventSinkMap)
    : ControlContainer(window, std::move(eventSinkMap)) {}

bool CNsxControlContainer::CreateControl(CNsxControlWnd* wrapper, const CLSID& clsid,
                                         const char* windowName, std::uint32_t style,
                                         const Rect& rect, int id, IStream* data,
                                         const CNsxParameters& parameters, CNsxControlSite** site) {
    if (site != nullptr) *site = nullptr;
    std::unique_ptr<CNsxControlSite> made;
    try {
        made = GetOccManager().CreateSite(*this);
    } catch (const std::exception&) {
        made.reset();
    }
    if (!made) return false;
    if (Failed(
            made->CreateControl(wrapper, clsid, windowName, style, rect, id, data, parameters))) {
        return false;
    }
    CNsxControlSite* kept = made.get();
    if (AddSite(std::move(made)) == nullptr) return false;
    if (site != nullptr) *site = kept;
    return true;
}

// ---------------------------------------------------------------------------------------
// The site's bind host: a face of the site's own identity, so the control reaches every
// other interface of the site from it.

class CNsxControlSite::BindHost final : public RefCounted<IBindHost> {
public:
    explicit BindHost(IOleClientSite* identity) { identity_.Share(identity); }

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid == IID_IBindHost) {
            AddRef();
            *object = static_cast<IBindHost*>(this);
            return S_OK;
        }
        return identity_->QueryInterface(iid, object);
    }

    HRESULT CreateMoniker(const OLECHAR* name, IBindCtx*, IMoniker** moniker,
                          std::uint32_t) override {
        if (name == nullptr || moniker == nullptr) return E_POINTER;
        *moniker = nullptr;
        if (name[0] == 0) return E_INVALIDARG;
        const HRESULT hr = CreateURLMoniker(nullptr, name, moniker);
        if (Succeeded(hr) && *moniker == nullptr) return E_FAIL;
        return hr;
    }

    HRESULT MonikerBindToStorage(IMoniker* moniker, IBindCtx* context,
                                 IBindStatusCallback* callback, const IID& iid,
                                 void** object) override {
        if (moniker == nullptr || object == nullptr) return E_POINTER;
        *object = nullptr;
        if (context != nullptr) {
            if (callback != nullptr) {
                const HRESULT hr = RegisterBindStatusCallback(context, callback, nullptr, 0);
                if (Failed(hr)) return hr;
            }
            // The caller's context stays the caller's: its count is not ours to lower.
            return moniker->BindToStorage(context, nullptr, iid, object);
        }
        ComPtr<IBindCtx> made;
        if (callback != nullptr) {
            CreateAsyncBindCtx(0, callback, nullptr, made.Put());
        } else {
            CreateBindCtx(0, made.Put());
        }
        if (!made) return E_FAIL;
        return moniker->BindToStorage(made.get(), nullptr, iid, object);
    }

    HRESULT MonikerBindToObject(IMoniker*, IBindCtx*, IBindStatusCallback*, const IID&,
                                void** object) override {
        if (object != nullptr) *object = nullptr;
        return E_NOTIMPL;
    }

private:
    ~BindHost() override = default;

    ComPtr<IOleClientSite> identity_;
};

// ---------------------------------------------------------------------------------------
// Site

CNsxControlSite::CNsxControlSite(CNsxControlContainer& container) : ControlSite(container) {
    bindHost_.Attach(new BindHost(clientSite()));
}

CNsxControlSite::~CNsxControlSite() = default;

IBindHost* CNsxControlSite::bindHost() const {
    return bindHost_.get();
}

HRESULT CNsxControlSite::QuerySiteInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IBindHost) return E_NOINTERFACE;
    bindHost_->AddRef();
    *object = static_cast<IBindHost*>(bindHost_.get());
    return S_OK;
}

HRESULT CNsxControlSite::CreateControl(CNsxControlWnd* wrapper, const CLSID& clsid,
                                       const char* windowName, std::uint32_t style,
                                       const Rect& rect, int id, IStream* data,
                                       const CNsxParameters& parameters) {
    if (GetControlObject() != nullptr) return E_UNEXPECTED;
    wrapper_ = wrapper;
    if (!IsOleInitialized() && Failed(OleInitialize(nullptr))) return E_FAIL;

    HRESULT hr = CreateOrLoad(clsid, data, parameters);
    if (Failed(hr)) return hr;

    SetPlacement(id, rect);
    std::uint32_t mask = WS_GROUP | WS_TABSTOP;
    if ((miscStatus() & OLEMISC_ACTSLIKEBUTTON) != 0) mask |= BS_DEFPUSHBUTTON;
    if ((miscStatus() & OLEMISC_INVISIBLEATRUNTIME) != 0) style &= ~WS_VISIBLE;

    if (!quickActivated()) ConnectSinks();
    ConnectDataSink();

    hr = Activate((style & WS_VISIBLE) != 0);
    if (Failed(hr)) {
        ReleaseControl();
        return hr;
    }
    const HWND control = window();
    if (windowName != nullptr && windowName[0] != 0) {
        control->setWindowTitle(QString::fromUtf8(windowName));
    }
    SetWindowStyle(control,
                   GetWindowStyle(control) | (style & mask) | (style & (WS_DISABLED | WS_BORDER)));
    return S_OK;
}

HRESULT CNsxControlSite::CreateOrLoad(const CLSID& clsid, IStream* data,
                                      const CNsxParameters& parameters) {
    HRESULT hr = CreateObject(clsid);
    if (Failed(hr)) return hr;
    IOleObject* object = GetControlObject();

    if (Failed(QuickActivate(bindHost_.get()))) {
        std::uint32_t status = 0;
        object->GetMiscStatus(DVASPECT_CONTENT, &status);
        setMiscStatus(status);
        if ((status & OLEMISC_SETCLIENTSITEFIRST) != 0) {
            hr = HandOverSite();
            if (Failed(hr)) {
                ReleaseControl();
                return hr;
            }
        }
    }

    ComPtr<IPersistStreamInit> stream;
    ComPtr<IPersistPropertyBag> bag;
    object->QueryInterface(IID_IPersistStreamInit, stream.Out());
    bool initialised = true;
    if (data != nullptr && stream) {
        hr = stream->Load(data);
    } else if (Succeeded(object->QueryInterface(IID_IPersistPropertyBag, bag.Out())) && bag) {
        CNsxPropertyBag parameterBag(parameters);
        hr = bag->Load(&parameterBag, nullptr);
    } else if (stream) {
        hr = stream->InitNew();
        if (Succeeded(hr)) SetPropertiesByName(parameters);
    } else {
        initialised = false;
    }
    if (Succeeded(hr) && initialised) hr = HandOverSite();
    if (Failed(hr)) {
        ReleaseControl();
        return hr;
    }
    return quickActivated() ? S_FALSE : hr;
}

void CNsxControlSite::SetPropertiesByName(const CNsxParameters& parameters) {
    IOleObject* object = GetControlObject();
    if (object == nullptr) return;
    ComPtr<IDispatch> dispatch;
    if (Failed(object->QueryInterface(IID_IDispatch, dispatch.Out())) || !dispatch) return;
    for (std::size_t i = 0; i < parameters.count(); ++i) {
        const std::u16string name = Wide(parameters.names[i]);
        const OLECHAR* names[] = {name.c_str()};
        DISPID id = DISPID_UNKNOWN;
        if (Failed(dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id))) {
            continue;
        }
        // One parameter the control refuses must not keep the others from it.
        try {
            SetProperty(id, Variant::Text(parameters.values[i]));
        } catch (const std::exception& error) {
            DebugOutput(std::string("Parameter not set: ") + error.what() + "\n");
        }
    }
}

// ---------------------------------------------------------------------------------------
// Property bag

CNsxPropertyBag::CNsxPropertyBag(const CNsxParameters& parameters)
    : count_(parameters.count()), names_(parameters.names), values_(parameters.values) {}

HRESULT CNsxPropertyBag::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IPropertyBag) return E_NOINTERFACE;
    *object = static_cast<IPropertyBag*>(this);
    return S_OK;
}

HRESULT CNsxPropertyBag::Read(const OLECHAR* propertyName, VARIANT* value, IErrorLog* errorLog) {
    if (propertyName == nullptr || value == nullptr) return E_POINTER;
    std::string name;
    try {
        name = Utf8FromUtf16(std::u16string_view(propertyName));
    } catch (const std::exception&) {
        return E_OUTOFMEMORY;
    }
    for (std::size_t i = 0; i < count_; ++i) {
        if (::strcasecmp(names_[i].c_str(), name.c_str()) != 0) continue;
        Variant text = Variant::Text(values_[i]);
        const VARTYPE wanted = value->vt;
        if (wanted != VT_EMPTY && wanted != VT_BSTR) {
            const HRESULT hr = VariantChangeTypeEx(&text, &text, kParameterLocale, 0, wanted);
            if (Failed(hr)) {
                VariantClear(&text);
                ReportToLog(errorLog, propertyName, hr);
                return E_FAIL;
            }
        }
        VariantClear(value);
        *value = text.Detach();
        return S_OK;
    }
    ReportToLog(errorLog, propertyName, E_INVALIDARG);
    return E_INVALIDARG;
}

HRESULT CNsxPropertyBag::Write(const OLECHAR*, VARIANT*) {
    return E_NOTIMPL;
}
