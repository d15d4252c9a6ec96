#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "platform/com/Bstr.h"
#include "platform/com/Persist.h"

// Asynchronous downloads by URL: a moniker names the resource, a bind context carries the
// caller's status callback, and binding the moniker to a stream starts one transfer on a
// worker thread of its own. The callback's notifications never run on that worker: they
// are handed to the notification poster (see SetNotificationPoster), which the viewer
// points at its window thread. http, https and file are fetched; a name without a scheme is
// a local path.
namespace platform {

constexpr HRESULT E_ABORT = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT MK_S_ASYNCHRONOUS = 0x000401E8;
constexpr HRESULT INET_E_CANNOT_CONNECT = static_cast<HRESULT>(0x800C0004u);
constexpr HRESULT INET_E_RESOURCE_NOT_FOUND = static_cast<HRESULT>(0x800C0005u);
constexpr HRESULT INET_E_OBJECT_NOT_FOUND = static_cast<HRESULT>(0x800C0006u);
constexpr HRESULT INET_E_DOWNLOAD_FAILURE = static_cast<HRESULT>(0x800C0008u);
constexpr HRESULT INET_E_CONNECTION_TIMEOUT = static_cast<HRESULT>(0x800C000Bu);
constexpr HRESULT INET_E_UNKNOWN_PROTOCOL = static_cast<HRESULT>(0x800C000Du);
constexpr HRESULT INET_E_REDIRECT_FAILED = static_cast<HRESULT>(0x800C0014u);

// OnDataAvailable flags.
constexpr std::uint32_t BSCF_FIRSTDATANOTIFICATION = 0x01;
constexpr std::uint32_t BSCF_INTERMEDIATEDATANOTIFICATION = 0x02;
constexpr std::uint32_t BSCF_LASTDATANOTIFICATION = 0x04;

// Bind flags a callback asks for in GetBindInfo. Every binding here is asynchronous and
// delivers a stream, so they are only recorded.
constexpr std::uint32_t BINDF_ASYNCHRONOUS = 0x01;
constexpr std::uint32_t BINDF_ASYNCSTORAGE = 0x02;
constexpr std::uint32_t BINDVERB_GET = 0;

// OnProgress status codes.
constexpr std::uint32_t BINDSTATUS_CONNECTING = 2;
constexpr std::uint32_t BINDSTATUS_BEGINDOWNLOADDATA = 4;
constexpr std::uint32_t BINDSTATUS_DOWNLOADINGDATA = 5;
constexpr std::uint32_t BINDSTATUS_ENDDOWNLOADDATA = 6;

constexpr std::uint32_t TYMED_NULL = 0;
constexpr std::uint32_t TYMED_ISTREAM = 4;

constexpr IID IID_IBinding = PlatformIid(0x0080);
constexpr IID IID_IBindStatusCallback = PlatformIid(0x0081);
constexpr IID IID_IMoniker = PlatformIid(0x0082);
constexpr IID IID_IBindCtx = PlatformIid(0x0083);
constexpr IID IID_IServiceProvider = PlatformIid(0x0084);
constexpr IID IID_IBindHost = PlatformIid(0x0085);
constexpr GUID SID_IBindHost = IID_IBindHost;

struct BINDINFO {
    std::uint32_t cbSize = sizeof(BINDINFO);
    std::uint32_t dwBindVerb = BINDVERB_GET;
    std::uint32_t grfBindInfoF = 0;
    std::uint32_t dwOptions = 0;
};

struct FORMATETC {
    std::uint32_t cfFormat = 0;
    std::uint32_t tymed = TYMED_NULL;
};

// What OnDataAvailable reads from: the binding's stream, valid during the call (take a
// reference to keep it).
struct STGMEDIUM {
    std::uint32_t tymed = TYMED_NULL;
    IStream* pstm = nullptr;
};

class IBinding : public IUnknown {
public:
    // Ends the transfer. The callback's OnStopBinding(E_ABORT) has run when this returns
    // (unless it is called from inside one of the callback's notifications: then right
    // after that notification returns), and no notification follows it.
    virtual HRESULT Abort() = 0;
    // The result OnStopBinding received; E_UNEXPECTED while the binding runs.
    virtual HRESULT GetBindResult(HRESULT* result) = 0;
};

class IBindStatusCallback : public IUnknown {
public:
    virtual HRESULT OnStartBinding(std::uint32_t reserved, IBinding* binding) = 0;
    virtual HRESULT GetPriority(std::int32_t* priority) = 0;
    virtual HRESULT OnLowResource(std::uint32_t reserved) = 0;
    // progress: bytes so far; progressMax: the announced size, 0 when none is known.
    virtual HRESULT OnProgress(std::uint32_t progress, std::uint32_t progressMax,
                               std::uint32_t statusCode, const OLECHAR* statusText) = 0;
    virtual HRESULT OnStopBinding(HRESULT result, const OLECHAR* error) = 0;
    virtual HRESULT GetBindInfo(std::uint32_t* bindFlags, BINDINFO* info) = 0;
    // size: the bytes that have arrived in all, read or not. A failure from here or from
    // OnProgress ends the transfer with that result.
    virtual HRESULT OnDataAvailable(std::uint32_t flags, std::uint32_t size, FORMATETC* format,
                                    STGMEDIUM* medium) = 0;
    virtual HRESULT OnObjectAvailable(const IID& iid, IUnknown* object) = 0;
};

class IBindCtx : public IUnknown {};

constexpr HRESULT MK_E_SYNTAX = static_cast<HRESULT>(0x800401E4u);

class IMoniker : public IUnknown {
public:
    // Starts the transfer of the named resource with the status callback registered on the
    // context; only IID_IStream is offered, and the stream comes in OnDataAvailable, so
    // `object` receives null and the result is MK_S_ASYNCHRONOUS. Before it returns the
    // callback has been asked for its bind info and given the binding (OnStartBinding).
    // A name that cannot be fetched (an unknown scheme) still binds: its OnStopBinding
    // reports the failure.
    // A context without a callback binds at once: a file: URL gives a stream over the
    // file's bytes in `object` (S_OK); any other name fails with E_INVALIDARG.
    virtual HRESULT BindToStorage(IBindCtx* context, IMoniker* left, const IID& iid,
                                  void** object) = 0;
    // The name as given.
    virtual HRESULT GetDisplayName(IBindCtx* context, IMoniker* left, BSTR* name) = 0;
};

class IServiceProvider : public IUnknown {
public:
    virtual HRESULT QueryService(const GUID& service, const IID& iid, void** object) = 0;
};

// A container that binds names relative to its own location.
class IBindHost : public IUnknown {
public:
    virtual HRESULT CreateMoniker(const OLECHAR* name, IBindCtx* context, IMoniker** moniker,
                                  std::uint32_t reserved) = 0;
    virtual HRESULT MonikerBindToStorage(IMoniker* moniker, IBindCtx* context,
                                         IBindStatusCallback* callback, const IID& iid,
                                         void** object) = 0;
    // Binding to objects is not offered by hosts here.
    virtual HRESULT MonikerBindToObject(IMoniker*, IBindCtx*, IBindStatusCallback*, const IID&,
                                        void** object) {
        if (object != nullptr) *object = nullptr;
        return E_NOTIMPL;
    }
};

// Makes a moniker for `name`; a context moniker is not supported (names stand alone).
HRESULT CreateURLMoniker(IMoniker* context, const OLECHAR* name, IMoniker** moniker);
HRESULT CreateBindCtx(std::uint32_t reserved, IBindCtx** context);
// A context for asynchronous bindings with `callback` registered on it. `formats` is
// reserved (null).
HRESULT CreateAsyncBindCtx(std::uint32_t reserved, IBindStatusCallback* callback, void* formats,
                           IBindCtx** context);
// Whether the context was made for asynchronous bindings.
bool IsAsyncBindCtx(IBindCtx* context);
// The local path a file: URL names ("file:///a/b", "file://localhost/a/b", "file:/a/b",
// %XX escapes decoded); empty for any other name.
std::string PathFromFileUrl(std::string_view url);
// Registers the callback of the bindings started with the context; a previous one is
// handed back through `previous` when asked for, else released.
HRESULT RegisterBindStatusCallback(IBindCtx* context, IBindStatusCallback* callback,
                                   IBindStatusCallback** previous, std::uint32_t reserved);

// Where notifications go: the function receives each one as a task and must run the tasks
// in order on one thread, the thread that also calls Abort. The engine gives its window
// layer's task post; a binding started without a poster fails (E_UNEXPECTED).
using NotificationPoster = std::function<void(std::function<void()>)>;
void SetNotificationPoster(NotificationPoster poster);

}  // namespace platform
