#pragma once

// Helpers the Java value conversions share: the files that convert each way and the value
// that writes back.
#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/NsxJavaValue.h"
#include "platform/com/SafeArray.h"

namespace nsx_java {

using namespace platform;

constexpr VARTYPE kTypeMask = 0x0FFF;

inline VARIANT Missing() {
    VARIANT v{};
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

// A failed conversion keeps the value as it was.
inline void ChangeTo(VARIANT& value, VARTYPE type) {
    if (type == VT_VARIANT || type == value.vt) return;
    VariantChangeType(&value, &value, 0, type);
}

// The class's dotted name, as the machine's Class.getName gives it.
inline std::string ClassName(JRIEnv* env, jref object) {
    const jref clazz = env->CallMethodObject(object, java_lang_Object.id(Object_getClass));
    if (clazz == 0) return {};
    const jref name = env->CallMethodObject(clazz, java_lang_Class.id(Class_getName));
    std::string text;
    JavaStringToAnsi(env, name, text);
    return text;
}

// Sign and magnitude, so the most negative long is taken without overflow.
inline double LongToDouble(jlong value) {
    const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
    const double result = static_cast<double>(magnitude >> 32) * 4294967296.0 +
                          static_cast<double>(magnitude & 0xFFFFFFFFu);
    return value < 0 ? -result : result;
}

inline VARIANT Text(BSTR text) {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

inline jref NewInteger(JRIEnv* env, jint value) {
    return env->NewObject(java_lang_Integer.clazz(), java_lang_Integer.id(Integer_new), value);
}
inline jref NewFloat(JRIEnv* env, jfloat value) {
    return env->NewObject(java_lang_Float.clazz(), java_lang_Float.id(Float_new), value);
}
inline jref NewDouble(JRIEnv* env, jdouble value) {
    return env->NewObject(java_lang_Double.clazz(), java_lang_Double.id(Double_new), value);
}
inline jref NewBoolean(JRIEnv* env, bool value) {
    return env->NewObject(java_lang_Boolean.clazz(), java_lang_Boolean.id(Boolean_new),
                          static_cast<jbool>(value ? 1 : 0));
}
inline jref NewLong(JRIEnv* env, jlong value) {
    return env->NewObject(java_lang_Long.clazz(), java_lang_Long.id(Long_new), value);
}

// The element letter of an object array's class name ("[Ljava.lang.Float;" gives F).
inline char ObjectArrayLetter(std::string_view name) {
    constexpr std::string_view prefix = "[Ljava.lang.";
    if (name.substr(0, prefix.size()) != prefix) return 'L';
    const std::string_view rest = name.substr(prefix.size());
    if (rest == "Integer;") return 'I';
    if (rest == "Boolean;") return 'Z';
    if (rest == "String;") return 'C';
    if (rest == "Float;") return 'F';
    if (rest == "Double;") return 'D';
    if (rest == "Long;") return 'J';
    return 'L';
}

inline VARTYPE ScalarArrayType(char letter) {
    switch (letter) {
        case 'B':
        case 'Z':
            return VT_UI1;
        case 'S':
            return VT_I2;
        case 'I':
            return VT_I4;
        case 'F':
            return VT_R4;
        default:
            return VT_R8;  // D, and J as doubles
    }
}

inline VARTYPE LetterType(char letter) {
    switch (letter) {
        case 'C':
            return VT_BSTR;
        case 'D':
        case 'J':
            return VT_R8;
        case 'F':
            return VT_R4;
        case 'I':
            return VT_I4;
        case 'Z':
            return VT_BOOL;
        default:
            return VT_VARIANT;
    }
}

// How many elements a one-dimensional view of the array takes: the first dimension's count,
// never more than the array holds (every dimension's count multiplied); none without data.
inline std::uint32_t FirstDimensionCount(const SAFEARRAY* array) {
    if (array == nullptr || array->rgsabound.empty() || array->pvData == nullptr) return 0;
    const std::uint32_t first = array->rgsabound[0].cElements;
    std::uint64_t held = 1;
    for (const SAFEARRAYBOUND& bound : array->rgsabound) {
        if (bound.cElements == 0) return 0;
        // Past the first count the product no longer matters, so it never overflows.
        held = std::min<std::uint64_t>(held * bound.cElements, first);
    }
    return static_cast<std::uint32_t>(held);
}

}  // namespace nsx_java
