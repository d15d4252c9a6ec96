#include "viewer-plugin/loading/Downloader.h"

#include <algorithm>

using namespace platform;

HRESULT DownloaderCore::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IBindStatusCallback) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IBindStatusCallback*>(this);
    return S_OK;
}

HRESULT DownloaderCore::StartBinding(const OLECHAR* url, IUnknown* container, bool relative) {
    ComPtr<IServiceProvider> services;
    ComPtr<IBindHost> host;
    if (container != nullptr &&
        Succeeded(container->QueryInterface(IID_IServiceProvider, services.Out())) && services &&
        Succeeded(services->QueryService(SID_IBindHost, IID_IBindHost, host.Out())) && host) {
        HRESULT hr = CreateBindCtx(0, context_.Put());
        if (Succeeded(hr)) hr = RegisterBindStatusCallback(context_.get(), this, nullptr, 0);
        if (Succeeded(hr)) {
            hr = relative ? host->CreateMoniker(url, context_.get(), moniker_.Put(), 0)
                          : CreateURLMoniker(nullptr, url, moniker_.Put());
        }
        ComPtr<IUnknown> storage;
        if (Succeeded(hr)) {
            hr = host->MonikerBindToStorage(moniker_.get(), context_.get(), this, IID_IStream,
                                            storage.Out());
        }
        if (Failed(hr)) {
            moniker_.Reset();
            context_.Reset();
        }
        return hr;
    }
    HRESULT hr = CreateURLMoniker(nullptr, url, moniker_.Put());
    if (Succeeded(hr)) hr = CreateBindCtx(0, context_.Put());
    if (Succeeded(hr)) hr = RegisterBindStatusCallback(context_.get(), this, nullptr, 0);
    ComPtr<IUnknown> storage;
    if (Succeeded(hr))
        hr = moniker_->BindToStorage(context_.get(), nullptr, IID_IStream, storage.Out());
    if (Failed(hr)) {
        moniker_.Reset();
        context_.Reset();
    }
    return hr;
}

HRESULT DownloaderCore::OnStartBinding(std::uint32_t, IBinding* binding) {
    binding_.Share(binding);
    if (owner_ != nullptr) owner_->SetDownloadBinding(binding);
    return S_OK;
}

HRESULT DownloaderCore::GetPriority(std::int32_t* priority) {
    if (priority != nullptr) *priority = 0;
    return S_OK;
}

HRESULT DownloaderCore::OnLowResource(std::uint32_t) {
    return S_OK;
}

HRESULT DownloaderCore::OnObjectAvailable(const IID&, IUnknown*) {
    return S_OK;
}

HRESULT DownloaderCore::GetBindInfo(std::uint32_t* bindFlags, BINDINFO* info) {
    if (bindFlags == nullptr || info == nullptr || info->cbSize == 0) return E_INVALIDARG;
    *bindFlags = BINDF_ASYNCHRONOUS | BINDF_ASYNCSTORAGE;
    const std::uint32_t size = info->cbSize;
    *info = BINDINFO{};
    info->cbSize = size;
    info->dwBindVerb = BINDVERB_GET;
    return S_OK;
}

HRESULT DownloaderCore::OnProgress(std::uint32_t progress, std::uint32_t progressMax,
                                   std::uint32_t statusCode, const OLECHAR*) {
    announced_ = progressMax;
    if (progressMax == 0) progressMax = progress;
    Progress(progress, progressMax, statusCode);
    return S_OK;
}

bool DownloaderCore::MakeRoom(std::size_t needed) {
    if (needed <= buffer_.capacity()) return true;
    DownloadReader* reader = owner_ != nullptr ? owner_->GetDownloadReader() : nullptr;
    if (reader == nullptr) return buffer_.Grow(needed, read_);
    // The loader may be reading the old block: it must wait and then read the new one.
    SemaphoreHold hold(reader->LoaderSemaphore(), kWaitForever);
    if (!buffer_.Grow(needed, read_)) return false;
    reader->BufferMoved(buffer_.data());
    return true;
}

HRESULT DownloaderCore::OnDataAvailable(std::uint32_t flags, std::uint32_t size, FORMATETC*,
                                        STGMEDIUM* medium) {
    if ((flags & BSCF_FIRSTDATANOTIFICATION) != 0 && !stream_ && medium != nullptr &&
        medium->tymed == TYMED_ISTREAM) {
        stream_.Share(medium->pstm);
    }
    if (stream_ && size > read_) {
        if (!buffer_ && !buffer_.Allocate(announced_)) return E_OUTOFMEMORY;
        // A server may send more than it announced, or more than the block for an
        // unannounced size: the block grows rather than anything landing past its end.
        if (!MakeRoom(size)) return E_OUTOFMEMORY;
        std::uint32_t count = 0;
        const HRESULT hr =
            stream_->Read(buffer_.data() + read_, static_cast<std::uint32_t>(size - read_), &count);
        count = std::min<std::uint32_t>(count, static_cast<std::uint32_t>(size - read_));
        if (Succeeded(hr) && count > 0) {
            read_ += count;
            Data(buffer_.data(), read_);
        }
    }
    if ((flags & BSCF_LASTDATANOTIFICATION) != 0) {
        Done(buffer_.data());
        stream_.Reset();
        return S_OK;
    }
    return S_OK;
}

HRESULT DownloaderCore::OnStopBinding(HRESULT result, const OLECHAR*) {
    // Either callback may hand the last outside reference to this object back.
    ComPtr<DownloaderCore> keep;
    keep.Share(this);
    Data(nullptr, 0);
    if (Failed(result)) Done(nullptr);
    if (binding_) {
        HRESULT bindResult = S_OK;
        binding_->GetBindResult(&bindResult);
    }
    ReleaseBinding();
    if (buffer_) {
        DownloadReader* reader = owner_ != nullptr ? owner_->GetDownloadReader() : nullptr;
        if (reader != nullptr) {
            SemaphoreHold hold(reader->LoaderSemaphore(), kWaitForever);
            reader->StopLoading();
            buffer_.Free();
        } else {
            buffer_.Free();
        }
    }
    read_ = 0;
    announced_ = 0;
    return S_OK;
}

void DownloaderCore::ReleaseBinding() {
    platform::IBinding* ended = binding_.get();
    binding_.Reset();
    if (owner_ != nullptr) owner_->DownloadBindingEnded(ended);
    stream_.Reset();
    context_.Reset();
    moniker_.Reset();
}
