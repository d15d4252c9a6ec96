#pragma once

#include <cstdint>

#include "platform/com/Dispatch.h"

namespace platform {

// Saved state of objects: byte streams, property bags and the error log a bag reports to.

constexpr HRESULT STG_E_INVALIDFUNCTION = static_cast<HRESULT>(0x80030001u);
constexpr HRESULT STG_E_MEDIUMFULL = static_cast<HRESULT>(0x80030070u);

constexpr std::uint32_t STREAM_SEEK_SET = 0;
constexpr std::uint32_t STREAM_SEEK_CUR = 1;
constexpr std::uint32_t STREAM_SEEK_END = 2;

constexpr IID IID_IStream = PlatformIid(0x0010);
constexpr IID IID_IPersist = PlatformIid(0x0011);
constexpr IID IID_IPersistStreamInit = PlatformIid(0x0012);
constexpr IID IID_IErrorLog = PlatformIid(0x0013);
constexpr IID IID_IPropertyBag{
    0x55272A00, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};
constexpr IID IID_IPersistPropertyBag{
    0x37D84F60, 0x42CB, 0x11CE, {0x81, 0x35, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

class IStream : public IUnknown {
public:
    // Reads up to `size` bytes; fewer at the end, with S_OK. `done` may be null.
    virtual HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
    virtual HRESULT Write(const void* buffer, std::uint32_t size, std::uint32_t* done) = 0;
    virtual HRESULT Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* position) = 0;
    virtual HRESULT SetSize(std::uint64_t size) = 0;
};

class IPersist : public IUnknown {
public:
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

class IPersistStreamInit : public IPersist {
public:
    // S_OK when changed since the last save, S_FALSE when not.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, bool clearDirty) = 0;
    virtual HRESULT GetSizeMax(std::uint64_t* size) = 0;
    virtual HRESULT InitNew() = 0;
};

class IErrorLog : public IUnknown {
public:
    virtual HRESULT AddError(const OLECHAR* propertyName, EXCEPINFO* exception) = 0;
};

class IPropertyBag : public IUnknown {
public:
    // `value` comes in with the type wanted (VT_EMPTY: any) and goes out with the value.
    virtual HRESULT Read(const OLECHAR* propertyName, VARIANT* value, IErrorLog* errorLog) = 0;
    virtual HRESULT Write(const OLECHAR* propertyName, VARIANT* value) = 0;
};

class IPersistPropertyBag : public IPersist {
public:
    virtual HRESULT InitNew() = 0;
    virtual HRESULT Load(IPropertyBag* bag, IErrorLog* errorLog) = 0;
    virtual HRESULT Save(IPropertyBag* bag, bool clearDirty, bool saveAllProperties) = 0;
};

}  // namespace platform
