#pragma once

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>

#include "platform/net/UrlMoniker.h"
#include "platform/sync/Semaphore.h"
#include "viewer-plugin/loading/DownloadBuffer.h"

// The loader that may decode from a download's buffer while the bytes arrive.
class DownloadReader {
public:
    virtual ~DownloadReader() = default;
    // The lock the loader holds while it reads the buffer.
    virtual platform::Semaphore& LoaderSemaphore() = 0;
    // Both below are called with the loader semaphore held.
    virtual void StopLoading() = 0;
    // The bytes moved to a larger block: the decoder must read from there from now on.
    virtual void BufferMoved(const std::uint8_t* block) = 0;
};

// What a download needs of its owner besides its three callbacks.
class DownloadOwner {
public:
    virtual ~DownloadOwner() = default;
    // The owner's reference to the running binding, its way to abort; null when it ends.
    virtual void SetDownloadBinding(platform::IBinding* binding) = 0;
    // `binding` has stopped. An owner may have been given another since, by a download it
    // started from inside this one's last callbacks: it keeps that one.
    virtual void DownloadBindingEnded(platform::IBinding* binding) {
        (void)binding;
        SetDownloadBinding(nullptr);
    }
    // The loader that may be reading the buffer, or null.
    virtual DownloadReader* GetDownloadReader() = 0;
};

// The status callback of one download: collects the bytes in one buffer and reports to its
// owner. Everything runs on the thread the notifications are posted to (the window thread).
class DownloaderCore : public platform::RefCounted<platform::IBindStatusCallback> {
public:
    platform::HRESULT QueryInterface(const platform::IID& iid, void** object) override;
    platform::HRESULT OnStartBinding(std::uint32_t reserved, platform::IBinding* binding) override;
    platform::HRESULT GetPriority(std::int32_t* priority) override;
    platform::HRESULT OnLowResource(std::uint32_t reserved) override;
    platform::HRESULT OnProgress(std::uint32_t progress, std::uint32_t progressMax,
                                 std::uint32_t statusCode,
                                 const platform::OLECHAR* statusText) override;
    platform::HRESULT OnStopBinding(platform::HRESULT result,
                                    const platform::OLECHAR* error) override;
    platform::HRESULT GetBindInfo(std::uint32_t* bindFlags, platform::BINDINFO* info) override;
    platform::HRESULT OnDataAvailable(std::uint32_t flags, std::uint32_t size,
                                      platform::FORMATETC* format,
                                      platform::STGMEDIUM* medium) override;
    platform::HRESULT OnObjectAvailable(const platform::IID& iid,
                                        platform::IUnknown* object) override;

    // Binds the URL to a stream with this object as its callback: through the container's
    // bind host when it offers one (relative names through its own monikers), else on its own.
    platform::HRESULT StartBinding(const platform::OLECHAR* url, platform::IUnknown* container,
                                   bool relative);

    // The buffer, for the owner: handed over (the downloader no longer frees it) or freed.
    DownloadBuffer TakeBuffer() { return std::move(buffer_); }
    void FreeBuffer() { buffer_.Free(); }
    const DownloadBuffer& buffer() const { return buffer_; }
    std::size_t BytesRead() const { return read_; }
    std::uint32_t AnnouncedSize() const { return announced_; }

protected:
    explicit DownloaderCore(DownloadOwner* owner) : owner_(owner) {}
    ~DownloaderCore() override = default;

    // The owner's callbacks. Data gets the buffer and the bytes in it, or (null, 0) at the
    // end of the data; done gets the buffer, or null when the download failed.
    virtual void Data(std::uint8_t* buffer, std::size_t count) = 0;
    virtual void Done(std::uint8_t* buffer) = 0;
    virtual void Progress(std::uint32_t progress, std::uint32_t progressMax,
                          std::uint32_t statusCode) = 0;

private:
    // Room for `needed` bytes, moved under the loader's lock when a loader may be reading.
    bool MakeRoom(std::size_t needed);
    void ReleaseBinding();

    DownloadOwner* owner_;
    platform::ComPtr<platform::IMoniker> moniker_;
    platform::ComPtr<platform::IBindCtx> context_;
    platform::ComPtr<platform::IBinding> binding_;
    platform::ComPtr<platform::IStream> stream_;
    DownloadBuffer buffer_;
    std::size_t read_ = 0;
    std::uint32_t announced_ = 0;
};

// The downloader of one load for an owner type (the viewer), with its typed callbacks.
template <class Owner>
class CDownloader final : public DownloaderCore {
    static_assert(std::is_base_of_v<DownloadOwner, Owner>);

public:
    using DataCallback = void (*)(Owner* owner, CDownloader* downloader, std::uint8_t* buffer,
                                  std::size_t count);
    using DoneCallback = void (*)(Owner* owner, CDownloader* downloader, std::uint8_t* buffer);
    using ProgressCallback = void (*)(Owner* owner, std::uint32_t progress,
                                      std::uint32_t progressMax, std::uint32_t statusCode);

    // A new downloader, its one reference the caller's.
    static platform::HRESULT CreateDownloader(CDownloader** out, Owner* owner) {
        if (out == nullptr) return platform::E_POINTER;
        *out = new (std::nothrow) CDownloader(owner);
        return *out != nullptr ? platform::S_OK : platform::E_OUTOFMEMORY;
    }

    // Starts one download. The owner always hears how it ends: a download that cannot start
    // reports done(null) at once.
    static void StartDownload(Owner* owner, DataCallback data, DoneCallback done,
                              ProgressCallback progress, const platform::OLECHAR* url,
                              platform::IUnknown* container, bool relative) {
        CDownloader* downloader = nullptr;
        if (platform::Failed(CreateDownloader(&downloader, owner))) {
            if (done != nullptr) done(owner, nullptr, nullptr);
            return;
        }
        downloader->SetCallbacks(data, done, progress);
        if (platform::Failed(downloader->StartBinding(url, container, relative)) &&
            done != nullptr) {
            done(owner, downloader, nullptr);
        }
        // From here the binding keeps the downloader alive until it stops.
        downloader->Release();
    }

    void SetCallbacks(DataCallback data, DoneCallback done, ProgressCallback progress) {
        data_ = data;
        done_ = done;
        progress_ = progress;
    }

private:
    explicit CDownloader(Owner* owner) : DownloaderCore(owner), owner_(owner) {}

    void Data(std::uint8_t* buffer, std::size_t count) override {
        if (data_ != nullptr) data_(owner_, this, buffer, count);
    }
    void Done(std::uint8_t* buffer) override {
        if (done_ != nullptr) done_(owner_, this, buffer);
    }
    void Progress(std::uint32_t progress, std::uint32_t progressMax,
                  std::uint32_t statusCode) override {
        if (progress_ != nullptr) progress_(owner_, progress, progressMax, statusCode);
    }

    Owner* owner_;
    DataCallback data_ = nullptr;
    DoneCallback done_ = nullptr;
    ProgressCallback progress_ = nullptr;
};
