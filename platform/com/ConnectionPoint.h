#pragma once

#include <cstdint>
#include <initializer_list>
#include <utility>
#include <vector>

#include "platform/com/Connection.h"

namespace platform {

// One outgoing interface of a source object: the sinks advised to it, by cookie. The
// source owns a reference to each of its points and calls Detach when it goes, so a point
// still held by someone answers without reaching the gone source.
class ConnectionPoint final : public RefCounted<IConnectionPoint> {
public:
    // One reference, the source's.
    static ConnectionPoint* Create(IConnectionPointContainer* source, const IID& iid);

    const IID& iid() const { return iid_; }
    std::size_t sinkCount() const { return sinks_.size(); }
    // Lets go of every sink and of the source.
    void Detach();
    // Calls `id` on every sink (as an IDispatch) with the arguments in their natural order.
    // Sinks advised or unadvised meanwhile are safe: the call goes to those advised when it
    // started.
    void FireEvent(DISPID id, std::initializer_list<Variant> arguments);
    // Calls `notify` on every sink as its interface.
    template <class Sink, class Call>
    void ForEachSink(Call notify) {
        for (const auto& sink : Snapshot()) notify(static_cast<Sink*>(sink.get()));
    }

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT GetConnectionInterface(IID* iid) override;
    HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) override;
    HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) override;
    HRESULT Unadvise(std::uint32_t cookie) override;

private:
    ConnectionPoint(IConnectionPointContainer* source, const IID& iid)
        : source_(source), iid_(iid) {}
    ~ConnectionPoint() override;
    std::vector<ComPtr<IUnknown>> Snapshot() const;

    IConnectionPointContainer* source_;  // not owned
    IID iid_;
    std::vector<std::pair<std::uint32_t, IUnknown*>> sinks_;  // each holds a reference
    std::uint32_t nextCookie_ = 1;
};

}  // namespace platform
