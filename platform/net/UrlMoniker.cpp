#include "platform/net/UrlMoniker.h"

#include <mutex>
#include <new>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include <strings.h>

#include <vector>

#include "platform/com/MemoryStream.h"
#include "platform/files/FileOps.h"
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
    bool asynchronous = false;
};

// A file read whole into memory; a file larger than this is refused rather than read.
constexpr std::uint64_t kMaxFileBytes = 256u << 20;

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

HRESULT ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    // A named pipe or a device under the file's name must not hold the binding up before
    // it is seen to be no file.
    const int fd = OpenForReading(path);
    if (fd < 0) return INET_E_RESOURCE_NOT_FOUND;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return INET_E_RESOURCE_NOT_FOUND;
    }
    HRESULT hr = S_OK;
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got == 0) break;
        if (got < 0) {
            hr = INET_E_DOWNLOAD_FAILURE;
            break;
        }
        // The size is checked as the bytes come, so a file that grows while it is read stays
        // bounded too.
        if (bytes.size() + static_cast<std::size_t>(got) > kMaxFileBytes) {
            hr = E_OUTOFMEMORY;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::close(fd);
    return hr;
}

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
        if (bindContext == nullptr) return E_INVALIDARG;
        if (!bindContext->callback) return BindNow(object);
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
    HRESULT BindNow(void** object) {
        // Only local files can be read at once; a download needs a callback to report to.
        const std::string path = PathFromFileUrl(name_);
        if (path.empty()) return E_INVALIDARG;
        if (object == nullptr) return E_POINTER;
        try {
            std::vector<std::uint8_t> bytes;
            const HRESULT hr = ReadWholeFile(path, bytes);
            if (Failed(hr)) return hr;
            *object = static_cast<IStream*>(MemoryStream::Create(std::move(bytes)));
            return S_OK;
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        }
    }

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

HRESULT CreateAsyncBindCtx(std::uint32_t, IBindStatusCallback* callback, void*,
                           IBindCtx** context) {
    if (context == nullptr) return E_POINTER;
    *context = nullptr;
    if (callback == nullptr) return E_INVALIDARG;
    auto* made = new (std::nothrow) BindContext;
    if (made == nullptr) return E_OUTOFMEMORY;
    made->asynchronous = true;
    made->callback.Share(callback);
    *context = made;
    return S_OK;
}

bool IsAsyncBindCtx(IBindCtx* context) {
    auto* bindContext = dynamic_cast<BindContext*>(context);
    return bindContext != nullptr && bindContext->asynchronous;
}

std::string PathFromFileUrl(std::string_view url) {
    if (url.size() < 5 || ::strncasecmp(url.data(), "file:", 5) != 0) return {};
    std::string_view rest = url.substr(5);
    if (rest.starts_with("//")) {
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos) return {};
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() &&
            (host.size() != 9 || ::strncasecmp(host.data(), "localhost", 9) != 0)) {
            return {};
        }
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/')) return {};
    std::string path;
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == '%' && i + 2 < rest.size() && HexValue(rest[i + 1]) >= 0 &&
            HexValue(rest[i + 2]) >= 0) {
            const char decoded =
                static_cast<char>(HexValue(rest[i + 1]) * 16 + HexValue(rest[i + 2]));
            // A path never holds a NUL: such a name names nothing.
            if (decoded == '\0') return {};
            path += decoded;
            i += 2;
        } else {
            path += rest[i];
        }
    }
    return path;
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
