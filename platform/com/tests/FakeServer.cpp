// A tiny in-process server for the activation tests: objects that count themselves, so a
// test can see that a created object was released. It serves a class of its own and the
// viewer control's class, which the studio's tests create through it.
#include <atomic>

#include "platform/com/ClassFactory.h"

namespace {

using namespace platform;

constexpr GUID kFakeClass{
    0x11112222, 0x3333, 0x4444, {0x55, 0x55, 0x66, 0x66, 0x66, 0x66, 0x66, 0x66}};
constexpr GUID kViewerControlClass{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
std::atomic<int> gLive{0};

class FakeObject final : public RefCounted<IUnknown> {
public:
    FakeObject() { ++gLive; }
    HRESULT QueryInterface(const IID& iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (iid != IID_IUnknown) return E_NOINTERFACE;
        AddRef();
        *object = static_cast<IUnknown*>(this);
        return S_OK;
    }

private:
    ~FakeObject() override { --gLive; }
};

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(const CLSID& clsid,
                                                                            const IID& iid,
                                                                            void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (clsid != kFakeClass && clsid != kViewerControlClass) return CLASS_E_CLASSNOTAVAILABLE;
    return ClassFactory::Serve([] { return static_cast<IUnknown*>(new FakeObject); }, iid, object);
}

extern "C" __attribute__((visibility("default"))) int FakeServerLiveObjects() {
    return gLive;
}
