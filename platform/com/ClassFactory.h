#pragma once

#include <functional>

#include "platform/com/Com.h"

namespace platform {

// The class object a server library hands out for one of its classes: it makes objects
// with `make` (a new object holding one reference, or null when memory runs out) and
// refuses aggregation.
class ClassFactory final : public RefCounted<IClassFactory> {
public:
    using Maker = std::function<IUnknown*()>;

    // What a server's DllGetClassObject answers: a new factory asked for `iid`.
    static HRESULT Serve(Maker make, const IID& iid, void** object);

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) override;
    HRESULT LockServer(bool) override { return S_OK; }

private:
    explicit ClassFactory(Maker make) : make_(std::move(make)) {}
    ~ClassFactory() override = default;

    Maker make_;
};

}  // namespace platform
