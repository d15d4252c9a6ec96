#include "platform/com/Variant.h"

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "platform/com/Dispatch.h"
#include "platform/com/SafeArray.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

bool IsKnownScalar(VARTYPE type) {
    switch (type) {
        case VT_EMPTY:
        case VT_UI1:
        case VT_DATE:
        case VT_CY:
        case VT_DECIMAL:
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_BSTR:
        case VT_DISPATCH:
        case VT_ERROR:
        case VT_BOOL:
        case VT_UNKNOWN:
            return true;
        default:
            return false;
    }
}

bool IsArrayType(VARTYPE type) {
    return (type & VT_ARRAY) != 0 && (type & VT_BYREF) == 0 &&
           SafeArrayElementSize(static_cast<VARTYPE>(type & ~VT_ARRAY)) != 0;
}

bool IsKnownType(VARTYPE type) {
    return IsKnownScalar(type) || IsArrayType(type);
}

bool IsKnownReference(VARTYPE type) {
    if ((type & VT_BYREF) == 0) return false;
    const VARTYPE target = static_cast<VARTYPE>(type & ~VT_BYREF);
    return target == VT_VARIANT || (target != VT_EMPTY && IsKnownType(target));
}

// The value a reference points at, as a value that owns nothing: the caller copies it.
HRESULT Dereference(const VARIANT& source, VARIANT& value) {
    VariantInit(&value);
    if ((source.vt & VT_BYREF) == 0) {
        value = source;
        return S_OK;
    }
    if (!IsKnownReference(source.vt) || source.bits == 0) return DISP_E_BADVARTYPE;
    const VARTYPE target = static_cast<VARTYPE>(source.vt & ~VT_BYREF);
    if (target == VT_VARIANT) {
        if ((source.pvarVal->vt & VT_BYREF) != 0) return DISP_E_BADVARTYPE;
        value = *source.pvarVal;
        return S_OK;
    }
    value.vt = target;
    switch (target) {
        case VT_I2:
            value.iVal = *source.piVal;
            break;
        case VT_I4:
            value.lVal = *source.plVal;
            break;
        case VT_R4:
            value.fltVal = *source.pfltVal;
            break;
        case VT_R8:
            value.dblVal = *source.pdblVal;
            break;
        case VT_BOOL:
            value.boolVal = *source.pboolVal;
            break;
        case VT_ERROR:
            value.scode = *source.pscode;
            break;
        case VT_BSTR:
            value.bstrVal = *source.pbstrVal;
            break;
        case VT_UNKNOWN:
            value.punkVal = *source.ppunkVal;
            break;
        case VT_DISPATCH:
            value.pdispVal = *source.ppdispVal;
            break;
        case VT_UI1:
            value.bVal = *source.pbVal;
            break;
        case VT_DATE:
            value.date = *source.pdate;
            break;
        case VT_CY:
            value.cyVal = *source.pcyVal;
            break;
        case VT_DECIMAL:
            SetDecimal(value, *source.pdecVal);
            break;
        default:
            if (IsArrayType(target)) {
                value.parray = *source.pparray;
                break;
            }
            return DISP_E_BADVARTYPE;
    }
    return S_OK;
}

bool IsNumber(VARTYPE type) {
    return type == VT_I2 || type == VT_I4 || type == VT_R4 || type == VT_R8 || type == VT_BOOL ||
           type == VT_UI1 || type == VT_DATE || type == VT_CY || type == VT_DECIMAL;
}

double NumberOf(const VARIANT& v) {
    switch (v.vt) {
        case VT_I2:
            return v.iVal;
        case VT_I4:
            return v.lVal;
        case VT_R4:
            return v.fltVal;
        case VT_R8:
            return v.dblVal;
        case VT_BOOL:
            return v.boolVal != 0 ? -1.0 : 0.0;
        case VT_UI1:
            return v.bVal;
        case VT_DATE:
            return v.date;
        case VT_CY:
            return static_cast<double>(v.cyVal.int64) / 10000.0;
        case VT_DECIMAL:
            return DecimalToDouble(GetDecimal(v));
        default:
            return 0.0;
    }
}

// A number written as automation reads it: sign, digits with at most one point, an
// optional exponent, blanks around. Anything else (a comma, "inf", hex) is no number.
HRESULT ParseNumber(std::string_view text, double& value) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    std::size_t at = 0;
    const auto digits = [&] {
        const std::size_t from = at;
        while (at < text.size() && text[at] >= '0' && text[at] <= '9') ++at;
        return at - from;
    };
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    std::size_t mantissa = digits();
    if (at < text.size() && text[at] == '.') {
        ++at;
        mantissa += digits();
    }
    if (mantissa == 0) return DISP_E_TYPEMISMATCH;
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (digits() == 0) return DISP_E_TYPEMISMATCH;
    }
    if (at != text.size()) return DISP_E_TYPEMISMATCH;
    value = AtoF(text);
    return std::isfinite(value) ? S_OK : DISP_E_OVERFLOW;
}

HRESULT NumberFromText(BSTR text, VARTYPE target, double& value) {
    const std::string utf8 = Utf8FromBstr(text);
    if (target == VT_BOOL) {
        const std::string lower = ToLowerAscii(utf8);
        if (lower == "true") {
            value = -1.0;
            return S_OK;
        }
        if (lower == "false") {
            value = 0.0;
            return S_OK;
        }
    }
    return ParseNumber(utf8, value);
}

HRESULT StoreNumber(double value, VARTYPE target, VARIANT& out) {
    if (std::isnan(value)) return DISP_E_OVERFLOW;
    out.vt = target;
    switch (target) {
        case VT_I2:
        case VT_I4: {
            const double rounded = std::nearbyint(value);  // half to even
            const double low = target == VT_I2 ? -32768.0 : -2147483648.0;
            const double high = target == VT_I2 ? 32767.0 : 2147483647.0;
            if (rounded < low || rounded > high) return DISP_E_OVERFLOW;
            if (target == VT_I2) {
                out.iVal = static_cast<std::int16_t>(rounded);
            } else {
                out.lVal = static_cast<std::int32_t>(rounded);
            }
            return S_OK;
        }
        case VT_R4:
            if (std::fabs(value) > FLT_MAX) return DISP_E_OVERFLOW;
            out.fltVal = static_cast<float>(value);
            return S_OK;
        case VT_R8:
            out.dblVal = value;
            return S_OK;
        case VT_BOOL:
            out.boolVal = value != 0.0 ? VARIANT_TRUE : VARIANT_FALSE;
            return S_OK;
        case VT_UI1: {
            const double rounded = std::nearbyint(value);
            if (rounded < 0.0 || rounded > 255.0) return DISP_E_OVERFLOW;
            out.bVal = static_cast<std::uint8_t>(rounded);
            return S_OK;
        }
        case VT_DATE:
            if (!std::isfinite(value)) return DISP_E_OVERFLOW;
            out.date = value;
            return S_OK;
        case VT_CY: {
            const double scaled = std::nearbyint(value * 10000.0);
            // 2^63: the first value an int64 cannot hold.
            if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0)) {
                return DISP_E_OVERFLOW;
            }
            out.cyVal.int64 = static_cast<std::int64_t>(scaled);
            return S_OK;
        }
        case VT_DECIMAL: {
            DECIMAL number;
            const HRESULT made = DecimalFromDouble(value, number);
            if (Failed(made)) return made;
            SetDecimal(out, number);
            return S_OK;
        }
        default:
            return DISP_E_TYPEMISMATCH;
    }
}

HRESULT TextOfNumber(const VARIANT& v, VARIANT& out) {
    std::string text;
    switch (v.vt) {
        case VT_I2:
            text = FormatC("%d", v.iVal);
            break;
        case VT_I4:
            text = FormatC("%d", v.lVal);
            break;
        case VT_R4:
            text = FormatC("%.7G", static_cast<double>(v.fltVal));
            break;
        case VT_R8:
            text = FormatC("%.15G", v.dblVal);
            break;
        case VT_BOOL:
            text = v.boolVal != 0 ? "-1" : "0";
            break;
        case VT_UI1:
            text = FormatC("%d", static_cast<int>(v.bVal));
            break;
        case VT_DATE:
        case VT_CY:
        case VT_DECIMAL:
            text = FormatC("%.15G", NumberOf(v));
            break;
        default:
            return DISP_E_TYPEMISMATCH;
    }
    out.vt = VT_BSTR;
    out.bstrVal = BstrFromUtf8(text);
    return out.bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
}

HRESULT AskForInterface(IUnknown* object, VARTYPE target, VARIANT& out) {
    out.vt = target;
    if (object == nullptr) return S_OK;
    void* raw = nullptr;
    const HRESULT hr =
        object->QueryInterface(target == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &raw);
    if (Failed(hr) || raw == nullptr) return DISP_E_TYPEMISMATCH;
    if (target == VT_DISPATCH) {
        out.pdispVal = static_cast<IDispatch*>(raw);
    } else {
        out.punkVal = static_cast<IUnknown*>(raw);
    }
    return S_OK;
}

// `value` owns nothing; `out` is empty and receives an owned result.
HRESULT Convert(const VARIANT& value, VARTYPE target, VARIANT& out) {
    if (target == VT_EMPTY) return S_OK;
    if (value.vt == target) return VariantCopy(&out, &value);
    switch (target) {
        case VT_I2:
        case VT_I4:
        case VT_R4:
        case VT_R8:
        case VT_BOOL:
        case VT_UI1:
        case VT_DATE:
        case VT_CY:
        case VT_DECIMAL:
            if (value.vt == VT_EMPTY) return StoreNumber(0.0, target, out);
            if (IsNumber(value.vt)) return StoreNumber(NumberOf(value), target, out);
            if (value.vt == VT_ERROR && target == VT_I4) {
                out.vt = VT_I4;
                out.lVal = value.scode;
                return S_OK;
            }
            if (value.vt == VT_BSTR) {
                double number = 0.0;
                const HRESULT parsed = NumberFromText(value.bstrVal, target, number);
                return Failed(parsed) ? parsed : StoreNumber(number, target, out);
            }
            return DISP_E_TYPEMISMATCH;
        case VT_BSTR:
            if (value.vt == VT_EMPTY) {
                out.vt = VT_BSTR;
                out.bstrVal = SysAllocStringLen(nullptr, 0);
                return out.bstrVal != nullptr ? S_OK : E_OUTOFMEMORY;
            }
            return TextOfNumber(value, out);
        case VT_ERROR:
            if (value.vt != VT_I4) return DISP_E_TYPEMISMATCH;
            out.vt = VT_ERROR;
            out.scode = value.lVal;
            return S_OK;
        case VT_DISPATCH:
        case VT_UNKNOWN:
            if (value.vt != VT_DISPATCH && value.vt != VT_UNKNOWN) return DISP_E_TYPEMISMATCH;
            return AskForInterface(value.vt == VT_DISPATCH ? value.pdispVal : value.punkVal, target,
                                   out);
        default:
            return DISP_E_BADVARTYPE;
    }
}

// A view of element `index` of `array` as a VARIANT that owns nothing.
VARIANT ElementView(const SAFEARRAY& array, std::uint64_t index) {
    const char* at = static_cast<const char*>(array.pvData) + index * array.cbElements;
    VARIANT view;
    VariantInit(&view);
    if (array.vt == VT_VARIANT) {
        std::memcpy(&view, at, sizeof(VARIANT));
        return view;
    }
    if (array.vt == VT_DECIMAL) {
        DECIMAL number;
        std::memcpy(&number, at, sizeof(DECIMAL));
        SetDecimal(view, number);
        return view;
    }
    view.vt = array.vt;
    std::memcpy(&view.bits, at, array.cbElements);
    return view;
}

// Moves the owned `value` (of the array's element type) into element `index`, which is empty.
void StoreElement(SAFEARRAY& array, std::uint64_t index, VARIANT& value) {
    char* at = static_cast<char*>(array.pvData) + index * array.cbElements;
    if (array.vt == VT_DECIMAL) {
        const DECIMAL number = GetDecimal(value);
        std::memcpy(at, &number, sizeof(DECIMAL));
    } else {
        std::memcpy(at, &value.bits, array.cbElements);
    }
    VariantInit(&value);
}

HRESULT ChangeArrayType(const VARIANT& source, VARTYPE type, VARIANT& out) {
    if (!IsArrayType(source.vt) || source.parray == nullptr) return DISP_E_TYPEMISMATCH;
    const SAFEARRAY& from = *source.parray;
    const VARTYPE element = static_cast<VARTYPE>(type & ~VT_ARRAY);
    SAFEARRAY* made = SafeArrayCreate(element, from.cDims, from.rgsabound.data());
    if (made == nullptr) return E_OUTOFMEMORY;
    const std::uint64_t count = SafeArrayElementCount(&from);
    for (std::uint64_t i = 0; i < count; ++i) {
        const VARIANT view = ElementView(from, i);
        HRESULT hr = S_OK;
        if (element == VT_VARIANT) {
            hr = VariantCopy(static_cast<VARIANT*>(made->pvData) + i, &view);
        } else {
            VARIANT converted;
            VariantInit(&converted);
            hr = VariantChangeType(&converted, &view, 0, element);
            if (Succeeded(hr)) StoreElement(*made, i, converted);
        }
        if (Failed(hr)) {
            SafeArrayDestroy(made);
            return hr;
        }
    }
    out.vt = type;
    out.parray = made;
    return S_OK;
}

}  // namespace

DECIMAL GetDecimal(const VARIANT& value) {
    DECIMAL number;
    number.wReserved = value.vt;
    number.scale = static_cast<std::uint8_t>(value.reserved1 & 0xFF);
    number.sign = static_cast<std::uint8_t>(value.reserved1 >> 8);
    number.Hi32 = static_cast<std::uint32_t>(value.reserved2) |
                  (static_cast<std::uint32_t>(value.reserved3) << 16);
    number.Lo64 = static_cast<std::uint64_t>(value.bits);
    return number;
}

void SetDecimal(VARIANT& value, const DECIMAL& number) {
    value.vt = VT_DECIMAL;
    value.reserved1 = static_cast<std::uint16_t>(number.scale | (number.sign << 8));
    value.reserved2 = static_cast<std::uint16_t>(number.Hi32 & 0xFFFF);
    value.reserved3 = static_cast<std::uint16_t>(number.Hi32 >> 16);
    value.bits = static_cast<std::int64_t>(number.Lo64);
}

double DecimalToDouble(const DECIMAL& number) {
    double value = static_cast<double>(number.Hi32) * 18446744073709551616.0 +
                   static_cast<double>(number.Lo64);
    value /= std::pow(10.0, static_cast<double>(number.scale > 28 ? 28 : number.scale));
    return (number.sign & DECIMAL_NEG) != 0 ? -value : value;
}

HRESULT DecimalFromDouble(double value, DECIMAL& number) {
    number = DECIMAL{};
    if (!std::isfinite(value)) return DISP_E_OVERFLOW;
    double magnitude = std::fabs(value);
    if (magnitude >= 79228162514264337593543950336.0) return DISP_E_OVERFLOW;  // 2^96
    // Fifteen significant digits: as many as a double carries faithfully.
    int scale = 0;
    while (scale < 28 && magnitude * std::pow(10.0, scale + 1) < 1e15) ++scale;
    magnitude = std::nearbyint(magnitude * std::pow(10.0, scale));
    const double high = std::floor(magnitude / 18446744073709551616.0);
    number.Hi32 = static_cast<std::uint32_t>(high);
    number.Lo64 = static_cast<std::uint64_t>(magnitude - high * 18446744073709551616.0);
    number.scale = static_cast<std::uint8_t>(scale);
    number.sign = value < 0.0 && magnitude != 0.0 ? DECIMAL_NEG : 0;
    return S_OK;
}

void VariantInit(VARIANT* variant) {
    if (variant == nullptr) return;
    variant->vt = VT_EMPTY;
    variant->reserved1 = variant->reserved2 = variant->reserved3 = 0;
    variant->bits = 0;
}

HRESULT VariantClear(VARIANT* variant) {
    if (variant == nullptr) return E_INVALIDARG;
    if (!IsKnownType(variant->vt) && !IsKnownReference(variant->vt)) return DISP_E_BADVARTYPE;
    if (IsArrayType(variant->vt)) {
        const HRESULT destroyed = SafeArrayDestroy(variant->parray);
        if (Failed(destroyed)) return destroyed;
    }
    switch (variant->vt) {
        case VT_BSTR:
            SysFreeString(variant->bstrVal);
            break;
        case VT_DISPATCH:
            if (variant->pdispVal != nullptr) variant->pdispVal->Release();
            break;
        case VT_UNKNOWN:
            if (variant->punkVal != nullptr) variant->punkVal->Release();
            break;
        default:
            break;
    }
    VariantInit(variant);
    return S_OK;
}

HRESULT VariantCopy(VARIANT* destination, const VARIANT* source) {
    if (destination == nullptr || source == nullptr) return E_INVALIDARG;
    if (destination == source) return S_OK;
    if (!IsKnownType(source->vt) && !IsKnownReference(source->vt)) return DISP_E_BADVARTYPE;
    const HRESULT cleared = VariantClear(destination);
    if (Failed(cleared)) return cleared;
    VARIANT copy = *source;
    if (copy.vt == VT_BSTR && source->bstrVal != nullptr) {
        copy.bstrVal = SysAllocStringLen(source->bstrVal, SysStringLen(source->bstrVal));
        if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if (copy.vt == VT_DISPATCH && copy.pdispVal != nullptr) {
        copy.pdispVal->AddRef();
    } else if (copy.vt == VT_UNKNOWN && copy.punkVal != nullptr) {
        copy.punkVal->AddRef();
    } else if (IsArrayType(copy.vt)) {
        const HRESULT copied = SafeArrayCopy(source->parray, &copy.parray);
        if (Failed(copied)) return copied;
    }
    *destination = copy;
    return S_OK;
}

HRESULT VariantChangeType(VARIANT* destination, const VARIANT* source, std::uint16_t flags,
                          VARTYPE type) {
    return VariantChangeTypeEx(destination, source, LOCALE_SYSTEM_DEFAULT, flags, type);
}

HRESULT VariantChangeTypeEx(VARIANT* destination, const VARIANT* source, LCID /*lcid*/,
                            std::uint16_t /*flags*/, VARTYPE type) {
    if (destination == nullptr || source == nullptr) return E_INVALIDARG;
    if (!IsKnownType(type)) return DISP_E_BADVARTYPE;
    VARIANT value;
    const HRESULT found = Dereference(*source, value);
    if (Failed(found)) return found;
    if (!IsKnownType(value.vt)) return DISP_E_BADVARTYPE;
    VARIANT result;
    VariantInit(&result);
    const HRESULT converted = IsArrayType(type) && value.vt != type
                                  ? ChangeArrayType(value, type, result)
                                  : Convert(value, type, result);
    if (Failed(converted)) {
        VariantClear(&result);
        return converted;
    }
    // The source may be the destination: it is read completely before it is cleared.
    VariantClear(destination);
    *destination = result;
    return S_OK;
}

Variant Variant::I2(std::int16_t value) {
    Variant v;
    v.vt = VT_I2;
    v.iVal = value;
    return v;
}
Variant Variant::I4(std::int32_t value) {
    Variant v;
    v.vt = VT_I4;
    v.lVal = value;
    return v;
}
Variant Variant::R4(float value) {
    Variant v;
    v.vt = VT_R4;
    v.fltVal = value;
    return v;
}
Variant Variant::R8(double value) {
    Variant v;
    v.vt = VT_R8;
    v.dblVal = value;
    return v;
}
Variant Variant::Bool(bool value) {
    Variant v;
    v.vt = VT_BOOL;
    v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return v;
}
Variant Variant::Error(SCODE value) {
    Variant v;
    v.vt = VT_ERROR;
    v.scode = value;
    return v;
}
Variant Variant::Text(std::string_view utf8) {
    Variant v;
    v.vt = VT_BSTR;
    v.bstrVal = BstrFromUtf8(utf8);
    return v;
}
Variant Variant::Dispatch(IDispatch* object) {
    Variant v;
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    if (object != nullptr) object->AddRef();
    return v;
}
Variant Variant::Unknown(IUnknown* object) {
    Variant v;
    v.vt = VT_UNKNOWN;
    v.punkVal = object;
    if (object != nullptr) object->AddRef();
    return v;
}
Variant Variant::R4Ref(float* value) {
    Variant v;
    v.vt = VT_R4 | VT_BYREF;
    v.pfltVal = value;
    return v;
}

}  // namespace platform
