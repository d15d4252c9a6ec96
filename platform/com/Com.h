#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// Component activation: the shapes of the component object model that in-process servers
// and their clients share, and creation of a registered class from its server library.

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_UNEXPECTED = static_cast<HRESULT>(0x8000FFFFu);
constexpr HRESULT E_NOTIMPL = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_POINTER = static_cast<HRESULT>(0x80004003u);
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = static_cast<HRESULT>(0x80040111u);
constexpr HRESULT REGDB_E_CLASSNOTREG = static_cast<HRESULT>(0x80040154u);
constexpr HRESULT CO_E_DLLNOTFOUND = static_cast<HRESULT>(0x800401F8u);
constexpr HRESULT CO_E_ERRORINDLL = static_cast<HRESULT>(0x800401F9u);

constexpr bool Succeeded(HRESULT hr) {
    return hr >= 0;
}
constexpr bool Failed(HRESULT hr) {
    return hr < 0;
}

constexpr std::uint32_t CLSCTX_INPROC_SERVER = 0x1;
constexpr std::uint32_t CLSCTX_INPROC_HANDLER = 0x2;

struct GUID {
    std::uint32_t data1 = 0;
    std::uint16_t data2 = 0;
    std::uint16_t data3 = 0;
    std::uint8_t data4[8] = {};

    friend bool operator==(const GUID& a, const GUID& b) = default;
};
using IID = GUID;
using CLSID = GUID;

// "{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}" (the braces may be left out; hex digits of
// either case). Anything else gives none.
std::optional<GUID> ParseGuid(std::string_view text);
// Upper-case hex digits in braces, the form registry keys use.
std::string FormatGuid(const GUID& guid);

constexpr GUID IID_NULL{};
constexpr GUID IID_IUnknown{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr GUID IID_IClassFactory{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

// Every interface starts with these three members; an object lives while references are
// held and deletes itself at the last Release.
class IUnknown {
public:
    virtual HRESULT QueryInterface(const IID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;

protected:
    virtual ~IUnknown() = default;
};

class IClassFactory : public IUnknown {
public:
    virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** object) = 0;
    virtual HRESULT LockServer(bool lock) = 0;
};

// Interface ids of this platform's own interfaces: one family, numbered.
constexpr GUID PlatformIid(std::uint16_t number) {
    return GUID{
        0x56A40000u | number, 0x7A3E, 0x4C10, {0x9D, 0x2B, 0x51, 0x0E, 0x4F, 0x00, 0x00, 0x01}};
}

// The reference count of an object that implements one or more interface chains;
// QueryInterface stays with the class, which hands out `this` (cast to the interface) for the
// IIDs it knows. One count serves every interface of the object.
template <class... Interfaces>
class RefCounted : public Interfaces... {
public:
    std::uint32_t AddRef() override { return ++references_; }
    std::uint32_t Release() override {
        const std::uint32_t left = --references_;
        if (left == 0) delete this;
        return left;
    }

protected:
    ~RefCounted() override = default;

private:
    std::atomic<std::uint32_t> references_{1};
};

// A reference held for the life of the holder.
template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& other) noexcept : p_(other.p_) { other.p_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept {
        if (this != &other) {
            Reset();
            p_ = other.p_;
            other.p_ = nullptr;
        }
        return *this;
    }
    T* get() const { return p_; }
    T* operator->() const { return p_; }
    // For calls that hand out a reference: whatever was held is released first.
    void** Out() { return reinterpret_cast<void**>(Put()); }
    T** Put() {
        Reset();
        return &p_;
    }
    // Holds a reference of its own to an object someone else keeps.
    void Share(T* object) {
        if (object != nullptr) object->AddRef();
        Reset();
        p_ = object;
    }
    // Hands the reference to the caller.
    T* Detach() {
        T* object = p_;
        p_ = nullptr;
        return object;
    }
    // Asks the held object for another interface; false when there is none.
    template <class U>
    bool QueryTo(const IID& iid, ComPtr<U>& out) const {
        out.Reset();
        if (p_ == nullptr) return false;
        return Succeeded(p_->QueryInterface(iid, out.Out())) && out;
    }
    explicit operator bool() const { return p_ != nullptr; }
    // Takes over a reference a call returned.
    void Attach(void* object) {
        Reset();
        p_ = static_cast<T*>(object);
    }
    void Reset() {
        if (p_ != nullptr) p_->Release();
        p_ = nullptr;
    }

private:
    T* p_ = nullptr;
};

// The entry an in-process server library exports under the name "DllGetClassObject".
using DllGetClassObjectFunction = HRESULT (*)(const CLSID& clsid, const IID& iid, void** object);

// The class object (factory) of a registered class: the library named by the default value of
// HKCR\CLSID\{clsid}\InprocServer32 is loaded and its entry asked for `iid`. Only in-process
// servers exist here: a context without CLSCTX_INPROC_SERVER, a class with no key or with
// an empty value (a switched-off registration) gives REGDB_E_CLASSNOTREG, a library that
// cannot be loaded CO_E_DLLNOTFOUND, one without the entry CO_E_ERRORINDLL. Libraries stay
// loaded, since objects they made may outlive any one call. `serverInfo` is reserved (null).
HRESULT CoGetClassObject(const CLSID& clsid, std::uint32_t context, void* serverInfo,
                         const IID& iid, void** object);

// An object of a registered class: its class factory (CoGetClassObject, with the same
// failures) creates it.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, std::uint32_t context, const IID& iid,
                         void** object);

}  // namespace platform
