#pragma once

#include <cstdint>

#include "platform/com/Dispatch.h"

namespace platform {

// Outgoing interfaces: a source names its default event interface and hands out one
// connection point per outgoing interface, to which sinks are advised.

constexpr HRESULT CONNECT_E_NOCONNECTION = static_cast<HRESULT>(0x80040200u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = static_cast<HRESULT>(0x80040202u);

constexpr std::uint32_t GUIDKIND_DEFAULT_SOURCE_DISP_IID = 1;

constexpr IID IID_IProvideClassInfo = PlatformIid(0x0020);
constexpr IID IID_IProvideClassInfo2 = PlatformIid(0x0021);
constexpr IID IID_IConnectionPointContainer = PlatformIid(0x0022);
constexpr IID IID_IConnectionPoint = PlatformIid(0x0023);
constexpr IID IID_IPropertyNotifySink = PlatformIid(0x0024);

class IConnectionPointContainer;

class IProvideClassInfo : public IUnknown {
public:
    virtual HRESULT GetClassInfo(ITypeInfo** info) = 0;
};

class IProvideClassInfo2 : public IProvideClassInfo {
public:
    // GUIDKIND_DEFAULT_SOURCE_DISP_IID: the IID of the default event interface.
    virtual HRESULT GetGUID(std::uint32_t kind, GUID* guid) = 0;
};

class IConnectionPoint : public IUnknown {
public:
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    // The point keeps a reference to the sink until Unadvise with the cookie.
    virtual HRESULT Advise(IUnknown* sink, std::uint32_t* cookie) = 0;
    virtual HRESULT Unadvise(std::uint32_t cookie) = 0;
};

class IConnectionPointContainer : public IUnknown {
public:
    virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** point) = 0;
};

class IPropertyNotifySink : public IUnknown {
public:
    virtual HRESULT OnChanged(DISPID id) = 0;
    // S_OK lets the property change, S_FALSE refuses it.
    virtual HRESULT OnRequestEdit(DISPID id) = 0;
};

}  // namespace platform
