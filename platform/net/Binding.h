#pragma once

#include <memory>
#include <optional>
#include <string>
#include <thread>

#include "platform/net/UrlMoniker.h"

namespace platform::net_detail {

struct Transfer;

// One download: a worker thread runs the transfer and posts notifications, which reach the
// callback on the poster's thread. The binding keeps itself alive until its callback has had
// OnStopBinding. Abort, like every delivery, belongs to the poster's thread.
class Binding final : public RefCounted<IBinding> {
public:
    // Asks the callback for its bind info, makes the binding, gives it to OnStartBinding and
    // starts the transfer of `name`. A name that cannot be fetched is reported through
    // OnStopBinding.
    static HRESULT Start(const std::string& name, IBindStatusCallback* callback,
                         NotificationPoster poster);

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT Abort() override;
    HRESULT GetBindResult(HRESULT* result) override;

    // Deliveries, run by the posted tasks.
    void DeliverProgress();
    void DeliverData();
    void DeliverEnd(HRESULT result);

private:
    Binding(IBindStatusCallback* callback, NotificationPoster poster);
    ~Binding() override;

    void Launch(const std::string& name);
    // Ends the transfer with `result`: at once, or after the notification being delivered.
    void StopWith(HRESULT result);
    void DeliverStop(HRESULT result);
    // Runs one notification; a failure it returns ends the transfer with that result.
    template <class Call>
    void Notify(Call call);
    // Tells the worker to end (it posts nothing more) without waiting for it.
    void CancelTransfer();
    void JoinWorker();

    ComPtr<IBindStatusCallback> callback_;
    NotificationPoster poster_;
    std::shared_ptr<Transfer> transfer_;
    std::thread worker_;
    ComPtr<IStream> stream_;
    int delivering_ = 0;
    bool stopped_ = false;
    bool firstData_ = true;
    bool begun_ = false;
    std::optional<HRESULT> pendingStop_;
    HRESULT result_ = E_UNEXPECTED;
};

}  // namespace platform::net_detail
