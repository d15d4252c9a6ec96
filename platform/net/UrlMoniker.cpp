#include "platform/net/UrlMoniker.h"

#include <mutex>
#include <new>
#include <string>

#include "platform/net/Binding.h"

namespace platform {
namespace {

std::mutex posterMutex;
NotificationPoster& Poster() {
    static NotificationPoster poster;
    return poster;
}

class BindContext final : public RefCounted<IBindCtx> {
public:
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IBindCtx) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IBindCtx*>(this);
        return S_OK;
    }

    ComPtr<IBindStatusCallback> callback;
};

class UrlMoniker final : public RefCounted<IMoniker> {
public:
    explicit UrlMoniker(std::string name) : name_(std::move(name)) {}

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IMoniker) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IMoniker*>(this);
        return S_OK;
    }

    HRESULT BindToStorage(IBindCtx* context, IMoniker*, const IID& iid, void** object) override {
        if (object != nullptr) *object = nullptr;
        if (iid != IID_IStream) return E_NOINTERFACE;
        auto* bindContext = dynamic_cast<BindContext*>(context);
        if (bindContext == nullptr || !bindContext->callback) return E_INVALIDARG;
        NotificationPoster poster;
        {
            std::lock_guard lock(posterMutex);
            poster = Poster();
        }
        return net_detail::Binding::Start(name_, bindContext->callback.get(), std::move(poster));
    }

    HRESULT GetDisplayName(IBindCtx*, IMoniker*, BSTR* name) override {
        if (name == nullptr) return E_POINTER;
        *name = BstrFromUtf8(name_);
        return *name != nullptr ? S_OK : E_OUTOFMEMORY;
    }

private:
    std::string name_;
};

}  // namespace

HRESULT CreateURLMoniker(IMoniker* context, const OLECHAR* name, IMoniker** moniker) {
    if (moniker == nullptr) return E_POINTER;
    *moniker = nullptr;
    if (name == nullptr) return E_INVALIDARG;
    if (context != nullptr) return E_NOTIMPL;
    std::string utf8;
    try {
        utf8 = Utf8FromUtf16(std::u16string_view(name));
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    auto* made = new (std::nothrow) UrlMoniker(std::move(utf8));
    if (made == nullptr) return E_OUTOFMEMORY;
    *moniker = made;
    return S_OK;
}

HRESULT CreateBindCtx(std::uint32_t, IBindCtx** context) {
    if (context == nullptr) return E_POINTER;
    *context = new (std::nothrow) BindContext;
    return *context != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT RegisterBindStatusCallback(IBindCtx* context, IBindStatusCallback* callback,
                                   IBindStatusCallback** previous, std::uint32_t) {
    if (previous != nullptr) *previous = nullptr;
    auto* bindContext = dynamic_cast<BindContext*>(context);
    if (bindContext == nullptr || callback == nullptr) return E_INVALIDARG;
    if (previous != nullptr) *previous = bindContext->callback.Detach();
    bindContext->callback.Share(callback);
    return S_OK;
}

void SetNotificationPoster(NotificationPoster poster) {
    std::lock_guard lock(posterMutex);
    Poster() = std::move(poster);
}

}  // namespace platform
