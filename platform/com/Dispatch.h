#pragma once

#include <cstdint>

#include "platform/com/Com.h"
#include "platform/com/Variant.h"

namespace platform {

// Late-bound calls: members are reached by dispatch id, with their arguments in a
// DISPPARAMS, last argument first.

using DISPID = std::int32_t;

constexpr std::uint16_t DISPATCH_METHOD = 1;
constexpr std::uint16_t DISPATCH_PROPERTYGET = 2;
constexpr std::uint16_t DISPATCH_PROPERTYPUT = 4;

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;
constexpr DISPID DISPID_PROPERTYPUT = -3;

// The container's ambient properties, which a control asks its site for.
constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr DISPID DISPID_AMBIENT_FONT = -703;
constexpr DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr DISPID DISPID_AMBIENT_MESSAGEREFLECT = -706;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr DISPID DISPID_AMBIENT_SHOWGRABHANDLES = -711;
constexpr DISPID DISPID_AMBIENT_SHOWHATCHING = -712;
constexpr DISPID DISPID_AMBIENT_DISPLAYASDEFAULT = -713;
constexpr DISPID DISPID_AMBIENT_SUPPORTSMNEMONICS = -714;
constexpr DISPID DISPID_AMBIENT_AUTOCLIP = -715;
constexpr DISPID DISPID_AMBIENT_APPEARANCE = -716;

struct DISPPARAMS {
    VARIANT* rgvarg = nullptr;            // the arguments, last first
    DISPID* rgdispidNamedArgs = nullptr;  // ids of the first cNamedArgs of rgvarg
    std::uint32_t cArgs = 0;
    std::uint32_t cNamedArgs = 0;
};

// What a member that failed with DISP_E_EXCEPTION says about it. The texts belong to the
// caller once filled; a server may leave them to pfnDeferredFillIn.
struct EXCEPINFO {
    std::uint16_t wCode = 0;
    std::uint16_t wReserved = 0;
    BSTR bstrSource = nullptr;
    BSTR bstrDescription = nullptr;
    BSTR bstrHelpFile = nullptr;
    std::uint32_t dwHelpContext = 0;
    void* pvReserved = nullptr;
    HRESULT (*pfnDeferredFillIn)(EXCEPINFO*) = nullptr;
    SCODE scode = 0;
};

// Frees the texts and empties the record.
void ClearExcepInfo(EXCEPINFO* info);

// Type descriptions are not carried here: the interface exists only so the members that
// name it can be declared.
class ITypeInfo;

constexpr IID IID_IDispatch = PlatformIid(0x0001);

class IDispatch : public IUnknown {
public:
    virtual HRESULT GetTypeInfoCount(std::uint32_t* count) = 0;
    virtual HRESULT GetTypeInfo(std::uint32_t index, LCID lcid, ITypeInfo** info) = 0;
    // riid must be IID_NULL. The first name is a member's; ids[0] receives its id.
    virtual HRESULT GetIDsOfNames(const IID& riid, const OLECHAR* const* names, std::uint32_t count,
                                  LCID lcid, DISPID* ids) = 0;
    // `argError` receives the index in rgvarg of an argument that was refused.
    virtual HRESULT Invoke(DISPID id, const IID& riid, LCID lcid, std::uint16_t flags,
                           DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                           std::uint32_t* argError) = 0;
};

}  // namespace platform
