#pragma once

#include <cstdint>
#include <string_view>

#include "platform/com/Bstr.h"
#include "platform/com/Com.h"

namespace platform {

class IDispatch;

using VARTYPE = std::uint16_t;
using VARIANT_BOOL = std::int16_t;
using SCODE = HRESULT;
using LCID = std::uint32_t;

constexpr VARIANT_BOOL VARIANT_TRUE = -1;
constexpr VARIANT_BOOL VARIANT_FALSE = 0;

constexpr LCID LOCALE_USER_DEFAULT = 0x0400;
constexpr LCID LOCALE_SYSTEM_DEFAULT = 0x0800;

// The value types automation carries here.
constexpr VARTYPE VT_EMPTY = 0;
constexpr VARTYPE VT_I2 = 2;
constexpr VARTYPE VT_I4 = 3;
constexpr VARTYPE VT_R4 = 4;
constexpr VARTYPE VT_R8 = 5;
constexpr VARTYPE VT_CY = 6;    // currency: a 64-bit count of ten-thousandths
constexpr VARTYPE VT_DATE = 7;  // days since 30 December 1899, as a double
constexpr VARTYPE VT_BSTR = 8;
constexpr VARTYPE VT_DISPATCH = 9;
constexpr VARTYPE VT_ERROR = 10;
constexpr VARTYPE VT_BOOL = 11;
constexpr VARTYPE VT_VARIANT = 12;
constexpr VARTYPE VT_UNKNOWN = 13;
constexpr VARTYPE VT_DECIMAL = 14;  // 96 bits, a sign and a power-of-ten scale
constexpr VARTYPE VT_I1 = 16;       // no value of this type is carried; it names one only
constexpr VARTYPE VT_UI1 = 17;
constexpr VARTYPE VT_ARRAY = 0x2000;  // with an element type: a SAFEARRAY
constexpr VARTYPE VT_BYREF = 0x4000;

constexpr HRESULT DISP_E_UNKNOWNINTERFACE = static_cast<HRESULT>(0x80020001u);
constexpr HRESULT DISP_E_MEMBERNOTFOUND = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT DISP_E_PARAMNOTFOUND = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT DISP_E_TYPEMISMATCH = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT DISP_E_UNKNOWNNAME = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT DISP_E_NONAMEDARGS = static_cast<HRESULT>(0x80020007u);
constexpr HRESULT DISP_E_BADVARTYPE = static_cast<HRESULT>(0x80020008u);
constexpr HRESULT DISP_E_EXCEPTION = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT DISP_E_OVERFLOW = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT DISP_E_BADPARAMCOUNT = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT DISP_E_PARAMNOTOPTIONAL = static_cast<HRESULT>(0x8002000Fu);

struct CY {
    std::int64_t int64;
};

// Laid over a whole VARIANT, its first 16 bits where the type is: see GetDecimal.
struct DECIMAL {
    std::uint16_t wReserved = 0;
    std::uint8_t scale = 0;  // 0..28
    std::uint8_t sign = 0;   // 0x80 for negative
    std::uint32_t Hi32 = 0;
    std::uint64_t Lo64 = 0;
};
constexpr std::uint8_t DECIMAL_NEG = 0x80;

struct SAFEARRAY;

struct VARIANT {
    VARTYPE vt = VT_EMPTY;
    std::uint16_t reserved1 = 0;
    std::uint16_t reserved2 = 0;
    std::uint16_t reserved3 = 0;
    union {
        std::uint8_t bVal;
        std::int16_t iVal;
        std::int32_t lVal;
        float fltVal;
        double dblVal;
        double date;
        CY cyVal;
        SAFEARRAY* parray;
        std::uint8_t* pbVal;
        double* pdate;
        CY* pcyVal;
        struct DECIMAL* pdecVal;
        SAFEARRAY** pparray;
        VARIANT_BOOL boolVal;
        SCODE scode;
        BSTR bstrVal;
        IUnknown* punkVal;
        IDispatch* pdispVal;
        std::int16_t* piVal;
        std::int32_t* plVal;
        float* pfltVal;
        double* pdblVal;
        VARIANT_BOOL* pboolVal;
        SCODE* pscode;
        BSTR* pbstrVal;
        IUnknown** ppunkVal;
        IDispatch** ppdispVal;
        VARIANT* pvarVal;
        std::int64_t bits = 0;
    };
};

// A VT_DECIMAL value's number: it occupies the reserved words and the data.
DECIMAL GetDecimal(const VARIANT& value);
// Makes `value` (owning nothing) a VT_DECIMAL of `number`.
void SetDecimal(VARIANT& value, const DECIMAL& number);
double DecimalToDouble(const DECIMAL& number);
// DISP_E_OVERFLOW when the magnitude does not fit 96 bits.
HRESULT DecimalFromDouble(double value, DECIMAL& number);

void VariantInit(VARIANT* variant);
// Frees what the value owns (text, interface references; nothing behind a reference) and
// leaves it empty. DISP_E_BADVARTYPE for a type not listed above, leaving it as it is.
HRESULT VariantClear(VARIANT* variant);
// `destination` is cleared, then becomes a copy owning its own text and references.
HRESULT VariantCopy(VARIANT* destination, const VARIANT* source);
// Converts `source` (followed through a reference) to `type` into `destination`, which may
// be the source itself; on failure the destination is left as it was. An array becomes an
// array of another element type (VT_ARRAY | type) with the same dimensions and bounds, each
// element converted; the first element that fails stops it with that element's error. Numbers are
// written and read as text in the C locale whatever `lcid` says. Text that is no number gives
// DISP_E_TYPEMISMATCH, a value beyond the target's range DISP_E_OVERFLOW; fractions round
// half to even. `flags` are accepted and unused.
HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source, std::uint16_t flags,
                          VARTYPE type);
HRESULT VariantChangeTypeEx(VARIANT* destination, const VARIANT* source, LCID lcid,
                            std::uint16_t flags, VARTYPE type);

// Owns one VARIANT: cleared when it goes, deep-copied when copied.
class Variant : public VARIANT {
public:
    Variant() = default;
    ~Variant() { VariantClear(this); }
    Variant(const Variant& other) : VARIANT() { VariantCopy(this, &other); }
    // A copy of a value someone else owns.
    explicit Variant(const VARIANT& other) : VARIANT() { VariantCopy(this, &other); }
    Variant(Variant&& other) noexcept : VARIANT(other) { VariantInit(&other); }
    Variant& operator=(const Variant& other) {
        if (this != &other) VariantCopy(this, &other);
        return *this;
    }
    Variant& operator=(Variant&& other) noexcept {
        if (this != &other) {
            VariantClear(this);
            static_cast<VARIANT&>(*this) = other;
            VariantInit(&other);
        }
        return *this;
    }

    static Variant I2(std::int16_t value);
    static Variant I4(std::int32_t value);
    static Variant R4(float value);
    static Variant R8(double value);
    static Variant Bool(bool value);
    static Variant Error(SCODE value);
    static Variant Text(std::string_view utf8);
    // Holds a reference of its own.
    static Variant Dispatch(IDispatch* object);
    static Variant Unknown(IUnknown* object);
    // Points at the caller's float, which a callee fills.
    static Variant R4Ref(float* value);

    // Gives up the value to the caller, leaving this empty.
    VARIANT Detach() {
        VARIANT out = *this;
        VariantInit(this);
        return out;
    }
};

}  // namespace platform
