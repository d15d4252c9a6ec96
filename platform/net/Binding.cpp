#include "platform/net/Binding.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <limits>
#include <mutex>
#include <new>
#include <system_error>
#include <utility>
#include <vector>

#include "platform/net/CurlSession.h"

namespace platform::net_detail {

namespace {

// Bytes that may wait unread before the worker stops taking more from the connection, so a
// window thread that falls behind does not make the process hold a whole file twice.
constexpr std::size_t kMaxUnread = std::size_t{8} << 20;

std::uint32_t Clamp32(std::uint64_t value) {
    return static_cast<std::uint32_t>(
        std::min<std::uint64_t>(value, std::numeric_limits<std::uint32_t>::max()));
}

}  // namespace

// What the worker and the poster's thread share. `binding` belongs to the poster's thread.
struct Transfer {
    ~Transfer() {
        if (multi != nullptr) {
            if (easy != nullptr) curl_multi_remove_handle(multi, easy);
            curl_multi_cleanup(multi);
        }
        if (easy != nullptr) curl_easy_cleanup(easy);
    }

    // Hands a delivery to the poster; it reaches the binding only while it has not stopped.
    template <class Deliver>
    void Post(std::shared_ptr<Transfer> self, Deliver deliver) {
        post([self = std::move(self), deliver] {
            if (self->binding == nullptr) return;
            ComPtr<Binding> keep;
            keep.Share(self->binding);
            deliver(*keep.get());
        });
    }

    NotificationPoster post;
    Binding* binding = nullptr;
    CURL* easy = nullptr;
    CURLM* multi = nullptr;

    std::mutex mutex;
    std::condition_variable room;
    std::vector<std::uint8_t> unread;
    std::size_t readPosition = 0;
    std::uint64_t received = 0;
    std::uint64_t announced = 0;
    bool lengthRead = false;
    bool progressPending = false;
    bool dataPending = false;
    bool outOfMemory = false;
    std::atomic<bool> aborted{false};
};

namespace {

// The stream OnDataAvailable reads: the bytes that have arrived and were not read yet.
class BindingStream final : public RefCounted<IStream> {
public:
    explicit BindingStream(std::shared_ptr<Transfer> transfer) : transfer_(std::move(transfer)) {}

    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown && iid != IID_IStream) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IStream*>(this);
        return S_OK;
    }
    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done) override {
        if (done != nullptr) *done = 0;
        if (buffer == nullptr && size > 0) return E_POINTER;
        Transfer& t = *transfer_;
        std::size_t count = 0;
        {
            std::lock_guard lock(t.mutex);
            count = std::min<std::size_t>(size, t.unread.size() - t.readPosition);
            if (count > 0) std::memcpy(buffer, t.unread.data() + t.readPosition, count);
            t.readPosition += count;
            if (t.readPosition == t.unread.size()) {
                t.unread.clear();
                t.readPosition = 0;
            } else if (t.readPosition > t.unread.size() / 2) {
                t.unread.erase(t.unread.begin(),
                               t.unread.begin() + static_cast<std::ptrdiff_t>(t.readPosition));
                t.readPosition = 0;
            }
        }
        t.room.notify_all();
        if (done != nullptr) *done = static_cast<std::uint32_t>(count);
        return S_OK;
    }
    HRESULT Write(const void*, std::uint32_t, std::uint32_t*) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT Seek(std::int64_t, std::uint32_t, std::uint64_t*) override {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT SetSize(std::uint64_t) override { return STG_E_INVALIDFUNCTION; }

private:
    std::shared_ptr<Transfer> transfer_;
};

std::size_t WriteArrived(char* data, std::size_t size, std::size_t count, void* context) {
    auto& self = *static_cast<std::shared_ptr<Transfer>*>(context);
    Transfer& t = *self;
    const std::size_t bytes = size * count;
    bool postProgress = false;
    bool postData = false;
    {
        std::unique_lock lock(t.mutex);
        t.room.wait(lock,
                    [&] { return t.aborted || t.unread.size() - t.readPosition < kMaxUnread; });
        if (t.aborted) return 0;
        if (!t.lengthRead) {
            curl_off_t length = -1;
            if (curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length) ==
                    CURLE_OK &&
                length > 0) {
                t.announced = static_cast<std::uint64_t>(length);
            }
            t.lengthRead = true;
        }
        try {
            t.unread.insert(t.unread.end(), data, data + bytes);
        } catch (const std::bad_alloc&) {
            t.outOfMemory = true;
            return 0;
        }
        t.received += bytes;
        postProgress = !std::exchange(t.progressPending, true);
        postData = !std::exchange(t.dataPending, true);
    }
    if (postProgress) t.Post(self, [](Binding& b) { b.DeliverProgress(); });
    if (postData) t.Post(self, [](Binding& b) { b.DeliverData(); });
    return bytes;
}

void RunTransfer(std::shared_ptr<Transfer> self) {
    Transfer& t = *self;
    CURLMcode multiCode = CURLM_OK;
    while (!t.aborted) {
        int running = 0;
        multiCode = curl_multi_perform(t.multi, &running);
        if (multiCode != CURLM_OK || running == 0) break;
        multiCode = curl_multi_poll(t.multi, nullptr, 0, 1000, nullptr);
        if (multiCode != CURLM_OK) break;
    }
    // An abort is reported by the binding itself, at once.
    if (t.aborted) return;
    CURLcode code = CURLE_OK;
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(t.multi, &queued)) {
        if (message->msg == CURLMSG_DONE) code = message->data.result;
    }
    HRESULT result = multiCode != CURLM_OK ? INET_E_DOWNLOAD_FAILURE : ResultOf(code, t.easy);
    {
        std::lock_guard lock(t.mutex);
        if (t.outOfMemory) result = E_OUTOFMEMORY;
        if (!t.lengthRead) {
            // Nothing arrived (an empty file): the length is known only now.
            curl_off_t length = -1;
            curl_easy_getinfo(t.easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
            if (length > 0) t.announced = static_cast<std::uint64_t>(length);
            t.lengthRead = true;
        }
    }
    t.Post(self, [result](Binding& b) { b.DeliverEnd(result); });
}

}  // namespace

Binding::Binding(IBindStatusCallback* callback, NotificationPoster poster)
    : poster_(std::move(poster)) {
    callback_.Share(callback);
}

Binding::~Binding() {
    if (transfer_) transfer_->binding = nullptr;
    CancelTransfer();
    JoinWorker();
}

HRESULT Binding::Start(const std::string& name, IBindStatusCallback* callback,
                       NotificationPoster poster) {
    if (callback == nullptr) return E_INVALIDARG;
    if (!poster) return E_UNEXPECTED;
    std::uint32_t flags = 0;
    BINDINFO info;
    HRESULT hr = callback->GetBindInfo(&flags, &info);
    if (Failed(hr)) return hr;
    Binding* binding = new (std::nothrow) Binding(callback, std::move(poster));
    if (binding == nullptr) return E_OUTOFMEMORY;
    // The binding's own reference, given up when its callback has had OnStopBinding.
    hr = callback->OnStartBinding(0, binding);
    if (Failed(hr)) {
        binding->stopped_ = true;
        binding->callback_.Reset();
        binding->Release();
        return hr;
    }
    try {
        binding->Launch(name);
    } catch (const std::exception&) {
        // Nothing could be posted either: the callback hears of it at once.
        binding->DeliverStop(E_OUTOFMEMORY);
    }
    return MK_S_ASYNCHRONOUS;
}

void Binding::Launch(const std::string& name) {
    auto transfer = std::make_shared<Transfer>();
    transfer->post = poster_;
    transfer->binding = this;
    transfer_ = transfer;
    stream_.Attach(static_cast<IStream*>(new BindingStream(transfer)));

    const std::optional<std::string> url = UrlForName(name);
    if (!url) {
        transfer->Post(transfer, [](Binding& b) { b.DeliverEnd(INET_E_UNKNOWN_PROTOCOL); });
        return;
    }
    transfer->easy = NewTransfer(*url);
    transfer->multi = curl_multi_init();
    // The write callback receives a pointer to this shared pointer, which the worker keeps.
    auto context = std::make_unique<std::shared_ptr<Transfer>>(transfer);
    const bool ready =
        transfer->easy != nullptr && transfer->multi != nullptr &&
        curl_easy_setopt(transfer->easy, CURLOPT_WRITEFUNCTION, &WriteArrived) == CURLE_OK &&
        curl_easy_setopt(transfer->easy, CURLOPT_WRITEDATA, context.get()) == CURLE_OK &&
        curl_multi_add_handle(transfer->multi, transfer->easy) == CURLM_OK;
    if (!ready) {
        transfer->Post(transfer, [](Binding& b) { b.DeliverEnd(E_OUTOFMEMORY); });
        return;
    }
    try {
        worker_ = std::thread([context = std::move(context)] { RunTransfer(*context); });
    } catch (const std::system_error&) {
        transfer->Post(transfer, [](Binding& b) { b.DeliverEnd(E_OUTOFMEMORY); });
    }
}

HRESULT Binding::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IBinding) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IBinding*>(this);
    return S_OK;
}

HRESULT Binding::Abort() {
    // The callback usually drops its reference inside OnStopBinding.
    ComPtr<Binding> keep;
    keep.Share(this);
    if (stopped_) return S_FALSE;
    StopWith(E_ABORT);
    return S_OK;
}

HRESULT Binding::GetBindResult(HRESULT* result) {
    if (result == nullptr) return E_POINTER;
    *result = stopped_ ? result_ : E_UNEXPECTED;
    return S_OK;
}

void Binding::StopWith(HRESULT result) {
    if (stopped_) return;
    CancelTransfer();
    if (delivering_ > 0) {
        if (!pendingStop_) pendingStop_ = result;
        return;
    }
    DeliverStop(result);
}

void Binding::DeliverStop(HRESULT result) {
    stopped_ = true;
    pendingStop_.reset();
    result_ = result;
    if (transfer_) transfer_->binding = nullptr;
    JoinWorker();
    stream_.Reset();
    ComPtr<IBindStatusCallback> callback = std::move(callback_);
    if (callback) callback->OnStopBinding(result, nullptr);
    Release();
}

template <class Call>
void Binding::Notify(Call call) {
    if (stopped_ || pendingStop_) return;
    ++delivering_;
    const HRESULT hr = call(*callback_.get());
    --delivering_;
    if (Failed(hr)) StopWith(hr);
    if (delivering_ == 0 && pendingStop_ && !stopped_) DeliverStop(*pendingStop_);
}

void Binding::DeliverProgress() {
    std::uint64_t received = 0;
    std::uint64_t announced = 0;
    {
        std::lock_guard lock(transfer_->mutex);
        transfer_->progressPending = false;
        received = transfer_->received;
        announced = transfer_->announced;
    }
    const std::uint32_t status = begun_ ? BINDSTATUS_DOWNLOADINGDATA : BINDSTATUS_BEGINDOWNLOADDATA;
    begun_ = true;
    Notify([&](IBindStatusCallback& c) {
        return c.OnProgress(Clamp32(received), Clamp32(announced), status, nullptr);
    });
}

void Binding::DeliverData() {
    std::uint64_t received = 0;
    {
        std::lock_guard lock(transfer_->mutex);
        transfer_->dataPending = false;
        received = transfer_->received;
    }
    const std::uint32_t flags =
        firstData_ ? BSCF_FIRSTDATANOTIFICATION : BSCF_INTERMEDIATEDATANOTIFICATION;
    firstData_ = false;
    FORMATETC format;
    STGMEDIUM medium{TYMED_ISTREAM, stream_.get()};
    Notify([&](IBindStatusCallback& c) {
        return c.OnDataAvailable(flags, Clamp32(received), &format, &medium);
    });
}

void Binding::DeliverEnd(HRESULT result) {
    if (stopped_) return;
    if (Succeeded(result)) {
        std::uint64_t received = 0;
        std::uint64_t announced = 0;
        {
            std::lock_guard lock(transfer_->mutex);
            received = transfer_->received;
            announced = transfer_->announced;
        }
        Notify([&](IBindStatusCallback& c) {
            return c.OnProgress(Clamp32(received), Clamp32(announced), BINDSTATUS_ENDDOWNLOADDATA,
                                nullptr);
        });
        const std::uint32_t flags =
            BSCF_LASTDATANOTIFICATION | (firstData_ ? BSCF_FIRSTDATANOTIFICATION : 0);
        firstData_ = false;
        FORMATETC format;
        STGMEDIUM medium{TYMED_ISTREAM, stream_.get()};
        Notify([&](IBindStatusCallback& c) {
            return c.OnDataAvailable(flags, Clamp32(received), &format, &medium);
        });
        if (stopped_) return;
    }
    DeliverStop(result);
}

void Binding::CancelTransfer() {
    if (!transfer_) return;
    {
        std::lock_guard lock(transfer_->mutex);
        transfer_->aborted = true;
    }
    transfer_->room.notify_all();
    if (transfer_->multi != nullptr) curl_multi_wakeup(transfer_->multi);
}

void Binding::JoinWorker() {
    if (worker_.joinable() && worker_.get_id() != std::this_thread::get_id()) worker_.join();
}

}  // namespace platform::net_detail
