#include "control-plugin/NsxJavaValue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "control-plugin/JavaClasses.h"
#include "control-plugin/ObjectHandles.h"
#include "platform/com/SafeArray.h"

using namespace platform;

namespace {

constexpr VARTYPE kTypeMask = 0x0FFF;

VARIANT Missing() {
    VARIANT v{};
    v.vt = VT_ERROR;
    v.scode = DISP_E_PARAMNOTFOUND;
    return v;
}

// A failed conversion keeps the value as it was.
void ChangeTo(VARIANT& value, VARTYPE type) {
    if (type == VT_VARIANT || type == value.vt) return;
    VariantChangeType(&value, &value, 0, type);
}

// The class's dotted name, as the machine's Class.getName gives it.
std::string ClassName(JRIEnv* env, jref object) {
    const jref clazz = env->CallMethodObject(object, java_lang_Object.id(Object_getClass));
    if (clazz == 0) return {};
    const jref name = env->CallMethodObject(clazz, java_lang_Class.id(Class_getName));
    std::string text;
    JavaStringToAnsi(env, name, text);
    return text;
}

// Sign and magnitude, so the most negative long is taken without overflow.
double LongToDouble(jlong value) {
    const std::uint64_t magnitude = value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
                                              : static_cast<std::uint64_t>(value);
    const double result = static_cast<double>(magnitude >> 32) * 4294967296.0 +
                          static_cast<double>(magnitude & 0xFFFFFFFFu);
    return value < 0 ? -result : result;
}

VARIANT Text(BSTR text) {
    VARIANT v{};
    v.vt = VT_BSTR;
    v.bstrVal = text;
    return v;
}

jref NewInteger(JRIEnv* env, jint value) {
    return env->NewObject(java_lang_Integer.clazz(), java_lang_Integer.id(Integer_new), value);
}
jref NewFloat(JRIEnv* env, jfloat value) {
    return env->NewObject(java_lang_Float.clazz(), java_lang_Float.id(Float_new), value);
}
jref NewDouble(JRIEnv* env, jdouble value) {
    return env->NewObject(java_lang_Double.clazz(), java_lang_Double.id(Double_new), value);
}
jref NewBoolean(JRIEnv* env, bool value) {
    return env->NewObject(java_lang_Boolean.clazz(), java_lang_Boolean.id(Boolean_new),
                          static_cast<jbool>(value ? 1 : 0));
}
jref NewLong(JRIEnv* env, jlong value) {
    return env->NewObject(java_lang_Long.clazz(), java_lang_Long.id(Long_new), value);
}

// The element letter of an object array's class name ("[Ljava.lang.Float;" gives F).
char ObjectArrayLetter(std::string_view name) {
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

VARIANT FromLetter(JRIEnv* env, jref element, char letter, int depth) {
    if (element == 0) return Missing();
    VARIANT v{};
    switch (letter) {
        case 'C':
            return Text(JavaStringToBstr(env, element));
        case 'D':
            v.vt = VT_R8;
            v.dblVal = env->CallMethodDouble(element, java_lang_Number.id(Number_doubleValue));
            return v;
        case 'J':
            v.vt = VT_R8;
            v.dblVal =
                LongToDouble(env->CallMethodLong(element, java_lang_Number.id(Number_longValue)));
            return v;
        case 'F':
            v.vt = VT_R4;
            v.fltVal = env->CallMethodFloat(element, java_lang_Number.id(Number_floatValue));
            return v;
        case 'I':
            v.vt = VT_I4;
            v.lVal = env->CallMethodInt(element, java_lang_Number.id(Number_intValue));
            return v;
        case 'Z':
            v.vt = VT_BOOL;
            v.boolVal =
                env->CallMethodBoolean(element, java_lang_Boolean.id(Boolean_booleanValue)) != 0
                    ? 1
                    : 0;
            return v;
        default:
            return CNsxJavaValue::FromJava(env, element, VT_VARIANT, depth + 1);
    }
}

template <class T>
bool ScalarElement0(JRIEnv* env, jref array, T& out) {
    if (env->GetArrayLength(array) <= 0) return false;
    const void* data = env->GetScalarArrayElements(array);
    if (data == nullptr) return false;
    std::memcpy(&out, data, sizeof(T));
    return true;
}

template <class T>
void WriteElement0(JRIEnv* env, jref array, const T& value) {
    if (env->GetArrayLength(array) <= 0) return;
    void* data = env->GetScalarArrayElements(array);
    if (data != nullptr) std::memcpy(data, &value, sizeof(T));
}

// A one-element scalar array holding *value.
template <class T>
jref OneElement(JRIEnv* env, char type, const T* value) {
    return value != nullptr ? env->NewScalarArray(1, type, value) : 0;
}

jref OneObject(JRIEnv* env, jref element) {
    const jref array = env->NewObjectArray(1, java_lang_Object.clazz(), 0);
    if (array != 0) env->SetObjectArrayElement(array, 0, element);
    return array;
}

VARTYPE ScalarArrayType(char letter) {
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

VARTYPE LetterType(char letter) {
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

// Moves the owned `item` (of the array's type, or anything for VT_VARIANT) into element i.
void StoreInArray(SAFEARRAY* array, std::uint32_t i, VARIANT& item) {
    if (array->vt == VT_VARIANT) {
        static_cast<VARIANT*>(array->pvData)[i] = item;
    } else if (item.vt == array->vt) {
        std::memcpy(static_cast<char*>(array->pvData) + std::size_t{i} * array->cbElements,
                    &item.bits, array->cbElements);
    } else {
        VariantClear(&item);
    }
    item = VARIANT{};
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Text

int JavaStringAnsiLength(JRIEnv* env, jref string) {
    // From the characters themselves: the machine's own UTF-8 length counts characters
    // beyond the basic plane as six bytes.
    std::string text;
    if (!JavaStringToAnsi(env, string, text)) return 0;
    return static_cast<int>(std::min<std::size_t>(text.size(), INT32_MAX));
}

bool JavaStringToAnsi(JRIEnv* env, jref string, std::string& out) {
    out.clear();
    if (env == nullptr || string == 0) return false;
    const jint length = env->GetStringLength(string);
    const jchar* chars = env->GetStringChars(string);
    if (length < 0 || (chars == nullptr && length > 0)) return false;
    // Sized by the text itself: a character may take up to four bytes.
    out = Utf8FromUtf16(std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                            static_cast<std::size_t>(length)));
    return true;
}

jref AnsiToJavaString(JRIEnv* env, const char* text, int length) {
    if (env == nullptr || text == nullptr) return 0;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    BSTR units = BstrFromUtf8(std::string_view(text, static_cast<std::size_t>(length)));
    const jref string = BstrToJavaString(env, units);
    SysFreeString(units);
    return string;
}

BSTR AnsiToBstr(const char* text, int length) {
    if (text == nullptr) return nullptr;
    if (length < 0) length = static_cast<int>(std::strlen(text));
    return BstrFromUtf8(std::string_view(text, static_cast<std::size_t>(length)));
}

jref BstrToJavaString(JRIEnv* env, BSTR text) {
    if (env == nullptr) return 0;
    const std::u16string_view units = BstrView(text);
    return env->NewString(reinterpret_cast<const jchar*>(units.data()),
                          static_cast<jint>(units.size()));
}

BSTR JavaStringToBstr(JRIEnv* env, jref string) {
    if (env == nullptr || string == 0) return nullptr;
    const jint length = env->GetStringLength(string);
    const jchar* chars = env->GetStringChars(string);
    if (length <= 0 || chars == nullptr) return SysAllocStringLen(nullptr, 0);
    return SysAllocStringLen(reinterpret_cast<const OLECHAR*>(chars),
                             static_cast<std::uint32_t>(length));
}

// ---------------------------------------------------------------------------------------
// Java to automation

VARIANT CNsxJavaValue::FromJava(JRIEnv* env, jref object, VARTYPE requested, int depth) {
    if (env == nullptr || object == 0 || depth > kMaxDepth) return Missing();
    const VARTYPE target = requested & kTypeMask;
    const bool byReference = (requested & VT_BYREF) != 0;
    const std::string name = ClassName(env, object);
    VARIANT value{};

    if (name.size() >= 2 && name[0] == '[') {
        const char letter = name[1];
        const jint length = env->GetArrayLength(object);
        switch (letter) {
            case 'B':
            case 'Z':
            case 'D':
            case 'F':
            case 'I':
            case 'S':
            case 'J': {
                const VARTYPE element = ScalarArrayType(letter);
                const std::uint32_t size = SafeArrayElementSize(element);
                const auto* data = static_cast<const unsigned char*>(
                    length > 0 ? env->GetScalarArrayElements(object) : nullptr);
                if (length > 0 && data == nullptr) return Missing();
                if (target == VT_VARIANT) {
                    SAFEARRAY* array =
                        SafeArrayCreateVector(element, 0, static_cast<std::uint32_t>(length));
                    if (array == nullptr) return Missing();
                    if (letter == 'J') {
                        for (jint i = 0; i < length; ++i) {
                            jlong l = 0;
                            std::memcpy(&l, data + static_cast<std::size_t>(i) * sizeof(jlong),
                                        sizeof l);
                            static_cast<double*>(array->pvData)[i] = LongToDouble(l);
                        }
                    } else if (length > 0) {
                        std::memcpy(array->pvData, data, static_cast<std::size_t>(length) * size);
                    }
                    value.vt = VT_ARRAY | element;
                    value.parray = array;
                    return value;
                }
                // Element 0 of an empty array is not there to read.
                if (length <= 0) return Missing();
                value.vt = element;
                if (letter == 'J') {
                    jlong l = 0;
                    std::memcpy(&l, data, sizeof l);
                    value.dblVal = LongToDouble(l);
                } else {
                    std::memcpy(&value.bits, data, size);
                }
                ChangeTo(value, target);
                return value;
            }
            case 'C': {
                const auto* chars = static_cast<const OLECHAR*>(
                    length > 0 ? env->GetScalarArrayElements(object) : nullptr);
                value = Text(SysAllocStringLen(
                    chars, static_cast<std::uint32_t>(chars != nullptr ? length : 0)));
                ChangeTo(value, target);
                return value;
            }
            case 'L': {
                const char elementLetter = ObjectArrayLetter(name);
                if (target != VT_VARIANT || (byReference && elementLetter == 'L')) {
                    if (length <= 0) return Missing();
                    value = FromLetter(env, env->GetObjectArrayElement(object, 0), elementLetter,
                                       depth);
                    ChangeTo(value, target);
                    return value;
                }
                const VARTYPE element = LetterType(elementLetter);
                SAFEARRAY* array = SafeArrayCreateVector(
                    element, 0, static_cast<std::uint32_t>(length > 0 ? length : 0));
                if (array == nullptr) return Missing();
                for (jint i = 0; i < length; ++i) {
                    VARIANT item = FromLetter(env, env->GetObjectArrayElement(object, i),
                                              elementLetter, depth);
                    StoreInArray(array, static_cast<std::uint32_t>(i), item);
                }
                value.vt = VT_ARRAY | element;
                value.parray = array;
                return value;
            }
            default:
                break;
        }
    } else if (name.rfind("java.lang.", 0) == 0) {
        const std::string_view rest = std::string_view(name).substr(10);
        if (rest == "Integer") {
            value = FromLetter(env, object, 'I', depth);
        } else if (rest == "Boolean") {
            value = FromLetter(env, object, 'Z', depth);
        } else if (rest == "String") {
            value = FromLetter(env, object, 'C', depth);
        } else if (rest == "Float") {
            value = FromLetter(env, object, 'F', depth);
        } else if (rest == "Double") {
            value = FromLetter(env, object, 'D', depth);
        } else if (rest == "Long") {
            value = FromLetter(env, object, 'J', depth);
        }
        if (value.vt != VT_EMPTY) {
            ChangeTo(value, target);
            return value;
        }
    } else if (name == "java.util.Vector") {
        const jint size = env->CallMethodInt(object, java_util_Vector.id(Vector_size));
        if (byReference) {
            if (size <= 0) return Missing();
            const jref first =
                env->CallMethodObject(object, java_util_Vector.id(Vector_elementAt), jint{0});
            return FromJava(env, first, target, depth + 1);
        }
        SAFEARRAY* array =
            SafeArrayCreateVector(VT_VARIANT, 0, static_cast<std::uint32_t>(size > 0 ? size : 0));
        if (array == nullptr) return Missing();
        for (jint i = 0; i < size; ++i) {
            const jref item =
                env->CallMethodObject(object, java_util_Vector.id(Vector_elementAt), i);
            static_cast<VARIANT*>(array->pvData)[i] = FromJava(env, item, VT_VARIANT, depth + 1);
        }
        value.vt = VT_ARRAY | VT_VARIANT;
        value.parray = array;
        return value;
    }

    // Anything else crosses as its text.
    const jref text = env->CallMethodObject(object, java_lang_Object.id(Object_toString));
    if (text == 0) return Missing();
    return FromJava(env, text, requested, depth + 1);
}

// ---------------------------------------------------------------------------------------
// Automation to Java

jref CNsxJavaValue::ToJava(JRIEnv* env, const VARIANT& value) {
    if (env == nullptr) return 0;
    if ((value.vt & VT_BYREF) != 0) {
        const VARTYPE pointed = value.vt & kTypeMask;
        if (value.bits == 0 || (value.vt & VT_ARRAY) != 0) return 0;
        switch (pointed) {
            case VT_I2:
                return OneElement(env, 'S', value.piVal);
            case VT_I4:
            case VT_ERROR:
                return OneElement(env, 'I', value.plVal);
            case VT_R4:
                return OneElement(env, 'F', value.pfltVal);
            case VT_R8:
                return OneElement(env, 'D', value.pdblVal);
            case VT_DATE:
                return OneElement(env, 'D', value.pdate);
            case VT_UI1:
                return OneElement(env, 'B', value.pbVal);
            case VT_DISPATCH:
            case VT_UNKNOWN: {
                const jint handle = AddObjectHandle(CurrentHandleOwner(), *value.ppunkVal);
                return OneElement(env, 'I', &handle);
            }
            case VT_BSTR:
                return OneObject(env, BstrToJavaString(env, *value.pbstrVal));
            case VT_BOOL:
                return OneObject(env, NewBoolean(env, *value.pboolVal != 0));
            case VT_VARIANT:
                return OneObject(env, ToJava(env, *value.pvarVal));
            case VT_CY:
            case VT_DECIMAL: {
                VARIANT number{};
                if (Failed(VariantChangeType(&number, &value, 0, VT_R8))) return 0;
                return NewDouble(env, number.dblVal);
            }
            default:
                return 0;
        }
    }
    if ((value.vt & VT_ARRAY) != 0) return ArrayToJava(env, value);
    switch (value.vt) {
        case VT_I2:
            return NewInteger(env, value.iVal);
        case VT_I4:
        case VT_ERROR:
            return NewInteger(env, value.lVal);
        case VT_UI1:
            return NewInteger(env, value.bVal);
        case VT_DISPATCH:
        case VT_UNKNOWN:
            // The page gets a number of the calling instance, never the pointer.
            return NewInteger(env, AddObjectHandle(CurrentHandleOwner(), value.punkVal));
        case VT_R4:
            return NewFloat(env, value.fltVal);
        case VT_R8:
            return NewDouble(env, value.dblVal);
        case VT_DATE:
            return NewDouble(env, value.date);
        case VT_CY:
        case VT_DECIMAL: {
            VARIANT number{};
            if (Failed(VariantChangeType(&number, &value, 0, VT_R8))) return 0;
            return NewDouble(env, number.dblVal);
        }
        case VT_BSTR:
            return BstrToJavaString(env, value.bstrVal);
        case VT_BOOL:
            return NewBoolean(env, value.boolVal != 0);
        case VT_VARIANT:
            return value.pvarVal != nullptr ? ToJava(env, *value.pvarVal) : 0;
        default:
            return 0;
    }
}

jref CNsxJavaValue::ArrayToJava(JRIEnv* env, const VARIANT& value) {
    const SAFEARRAY* array = value.parray;
    if (array == nullptr || array->cDims == 0) return 0;
    const VARTYPE element = value.vt & kTypeMask;
    const jint count = static_cast<jint>(std::min<std::uint64_t>(
        array->rgsabound[0].cElements, static_cast<std::uint64_t>(INT32_MAX)));
    const void* data = array->pvData;
    switch (element) {
        case VT_I2:
            return env->NewScalarArray(count, 'S', data);
        case VT_R4:
            return env->NewScalarArray(count, 'F', data);
        case VT_R8:
        case VT_DATE:
            return env->NewScalarArray(count, 'D', data);
        case VT_UI1:
            return env->NewScalarArray(count, 'B', data);
        case VT_I4:
        case VT_ERROR:
            return env->NewScalarArray(count, 'I', data);
        case VT_DISPATCH:
        case VT_UNKNOWN: {
            std::vector<jint> handles(static_cast<std::size_t>(count));
            for (jint i = 0; i < count; ++i) {
                handles[static_cast<std::size_t>(i)] =
                    AddObjectHandle(CurrentHandleOwner(), static_cast<IUnknown* const*>(data)[i]);
            }
            return env->NewScalarArray(count, 'I', handles.data());
        }
        case VT_CY:
        case VT_DECIMAL: {
            VARIANT numbers{};
            if (Failed(VariantChangeType(&numbers, &value, 0, VT_ARRAY | VT_R8))) return 0;
            const jref result = ArrayToJava(env, numbers);
            VariantClear(&numbers);
            return result;
        }
        case VT_BSTR:
        case VT_BOOL:
        case VT_VARIANT: {
            const jref clazz = element == VT_BSTR   ? env->FindClass("java/lang/String")
                               : element == VT_BOOL ? java_lang_Boolean.clazz()
                                                    : java_lang_Object.clazz();
            if (clazz == 0) return 0;
            const jref result = env->NewObjectArray(count, clazz, 0);
            if (result == 0) return 0;
            for (jint i = 0; i < count; ++i) {
                jref item = 0;
                if (element == VT_BSTR) {
                    item = BstrToJavaString(env, static_cast<const BSTR*>(data)[i]);
                } else if (element == VT_BOOL) {
                    item = NewBoolean(env, static_cast<const VARIANT_BOOL*>(data)[i] != 0);
                } else {
                    item = ToJava(env, static_cast<const VARIANT*>(data)[i]);
                }
                env->SetObjectArrayElement(result, i, item);
            }
            return result;
        }
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------------------
// The value

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, jref object, VARTYPE requested)
    : object_(object), env_(env), ownsValue_(true), byReference_((requested & VT_BYREF) != 0) {
    value_ = FromJava(env, object, requested);
    requested_ = requested & kTypeMask;
}

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, VARIANT* pointed) : env_(env) {
    value_.vt = VT_VARIANT;
    value_.pvarVal = pointed;
    SetFromVariant(env);
}

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, std::int32_t value, VARTYPE type) : env_(env) {
    value_.vt = type;
    value_.lVal = value;
    SetFromVariant(env);
}

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, std::int16_t value, VARTYPE type) : env_(env) {
    value_.vt = type;
    value_.iVal = value;
    SetFromVariant(env);
}

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, float value, VARTYPE type) : env_(env) {
    value_.vt = type;
    value_.fltVal = value;
    SetFromVariant(env);
}

CNsxJavaValue::CNsxJavaValue(JRIEnv* env, const char* text, VARTYPE type) : env_(env) {
    value_.vt = type;
    value_.bstrVal = AnsiToBstr(text, -1);
    SetFromVariant(env);
    ownsValue_ = true;
}

void CNsxJavaValue::SetFromVariant(JRIEnv* env) {
    env_ = env;
    ownsValue_ = false;
    byReference_ = (value_.vt & VT_BYREF) != 0;
    fromVariant_ = true;
    requested_ = value_.vt & kTypeMask;
    object_ = ToJava(env, value_);
}

void* CNsxJavaValue::GetData() {
    if (fromVariant_ && byReference_) return value_.plVal;
    if (requested_ == VT_VARIANT) return &value_;
    // A value that is not of the asked type gets no write of that type into its data.
    if (byReference_ && value_.vt != requested_) {
        scratch_ = VARIANT{};
        return &scratch_.bits;
    }
    return &value_.bits;
}

CNsxJavaValue::~CNsxJavaValue() {
    if (byReference_ && object_ != 0 && env_ != nullptr) WriteBack();
    if (ownsValue_) VariantClear(&value_);
}

namespace {

// A new Java object of the element letter's kind from `item` (already of the letter's type).
jref MakeByLetter(JRIEnv* env, char letter, const VARIANT& item) {
    switch (letter) {
        case 'C':
            return BstrToJavaString(env, item.bstrVal);
        case 'D':
            return NewDouble(env, item.dblVal);
        case 'F':
            return NewFloat(env, item.fltVal);
        case 'I':
            return NewInteger(env, item.lVal);
        case 'J':
            // Toward zero, within the long's range.
            if (!(item.dblVal > -9223372036854775808.0 && item.dblVal < 9223372036854775808.0)) {
                return NewLong(env, item.dblVal < 0 ? INT64_MIN : INT64_MAX);
            }
            return NewLong(env, static_cast<jlong>(item.dblVal));
        case 'Z':
            return NewBoolean(env, item.boolVal != 0);
        default:
            return CNsxJavaValue::ToJava(env, item);
    }
}

// Element i of a one-dimension view of `array`, owning nothing.
VARIANT ElementOf(const SAFEARRAY* array, std::uint32_t i) {
    VARIANT view{};
    const char* at = static_cast<const char*>(array->pvData) + std::size_t{i} * array->cbElements;
    if (array->vt == VT_VARIANT) {
        std::memcpy(&view, at, sizeof(VARIANT));
    } else {
        view.vt = array->vt;
        std::memcpy(&view.bits, at, array->cbElements);
    }
    return view;
}

std::uint32_t FirstCount(const SAFEARRAY* array) {
    return array != nullptr && !array->rgsabound.empty() ? array->rgsabound[0].cElements : 0;
}

}  // namespace

void CNsxJavaValue::WriteBack() {
    JRIEnv* env = env_;
    if (fromVariant_) {
        WriteBackToVariant();
        return;
    }

    // Only a value that held the asked type was written by the control.
    if (requested_ != VT_VARIANT && value_.vt != requested_) return;
    const std::string name = ClassName(env, object_);
    const bool isArray = (value_.vt & VT_ARRAY) != 0;
    VARIANT copy{};
    if (Failed(VariantCopy(&copy, &value_))) return;
    auto as = [&](VARTYPE type) { return Succeeded(VariantChangeType(&copy, &copy, 0, type)); };

    if (name == "java.util.Vector") {
        const jint size = env->CallMethodInt(object_, java_util_Vector.id(Vector_size));
        if (!isArray) {
            // An empty vector has no element 0 to replace.
            if (size > 0) {
                env->CallMethod(object_, java_util_Vector.id(Vector_setElementAt),
                                ToJava(env, value_), jint{0});
            }
        } else if (as(VT_ARRAY | VT_VARIANT)) {
            const std::uint32_t count = FirstCount(copy.parray);
            for (std::uint32_t i = 0; i < count && static_cast<jint>(i) < size; ++i) {
                env->CallMethod(object_, java_util_Vector.id(Vector_setElementAt),
                                ToJava(env, ElementOf(copy.parray, i)), static_cast<jint>(i));
            }
        }
    } else if (name.size() == 2 && name[0] == '[' && std::strchr("BZDFIS", name[1]) != nullptr) {
        const VARTYPE element = ScalarArrayType(name[1]);
        const jint length = env->GetArrayLength(object_);
        void* data = length > 0 ? env->GetScalarArrayElements(object_) : nullptr;
        if (data != nullptr) {
            const std::uint32_t size = SafeArrayElementSize(element);
            if (isArray) {
                if (as(VT_ARRAY | element)) {
                    const std::uint32_t count = std::min<std::uint32_t>(
                        FirstCount(copy.parray), static_cast<std::uint32_t>(length));
                    if (count > 0)
                        std::memcpy(data, copy.parray->pvData, std::size_t{count} * size);
                }
            } else if (as(element)) {
                std::memcpy(data, &copy.bits, size);
            }
        }
    } else if (name.rfind("[L", 0) == 0) {
        const char letter = ObjectArrayLetter(name);
        const VARTYPE element = LetterType(letter);
        const jint length = env->GetArrayLength(object_);
        if (isArray) {
            if (as(VT_ARRAY | element)) {
                const std::uint32_t count = FirstCount(copy.parray);
                for (std::uint32_t i = 0; i < count && static_cast<jint>(i) < length; ++i) {
                    env->SetObjectArrayElement(
                        object_, static_cast<jint>(i),
                        MakeByLetter(env, letter, ElementOf(copy.parray, i)));
                }
            }
        } else if (length > 0 && (element == VT_VARIANT || as(element))) {
            env->SetObjectArrayElement(object_, 0, MakeByLetter(env, letter, copy));
        }
    }
    VariantClear(&copy);
}

void CNsxJavaValue::WriteBackToVariant() {
    void* target = value_.bits != 0 ? reinterpret_cast<void*>(value_.plVal) : nullptr;
    if (target == nullptr) return;
    VARIANT back = FromJava(env_, object_, requested_);
    if (requested_ != VT_VARIANT && back.vt != requested_) {
        VariantClear(&back);
        return;
    }
    switch (requested_) {
        case VT_UI1:
            std::memcpy(target, &back.bVal, 1);
            break;
        case VT_I2:
        case VT_BOOL:
            std::memcpy(target, &back.iVal, 2);
            break;
        case VT_R8:
        case VT_DATE:
        case VT_CY:
            std::memcpy(target, &back.bits, 8);
            break;
        case VT_DECIMAL: {
            const DECIMAL number = GetDecimal(back);
            std::memcpy(target, &number, sizeof number);
            break;
        }
        case VT_BSTR:
            SysFreeString(*static_cast<BSTR*>(target));
            *static_cast<BSTR*>(target) = back.bstrVal;
            return;
        case VT_VARIANT:
            VariantClear(static_cast<VARIANT*>(target));
            *static_cast<VARIANT*>(target) = back;
            return;
        default:
            std::memcpy(target, &back.lVal, 4);
            break;
    }
    VariantClear(&back);
}

// ---------------------------------------------------------------------------------------
// Arguments of a page call

CNsxJavaArgs::CNsxJavaArgs(JRIEnv* env, int count, bool ownsElements)
    : env_(env), owns_(ownsElements) {
    if (count < 0) count = 0;
    values_.reserve(static_cast<std::size_t>(count));
    if (env == nullptr) return;
    const jref objectClass = java_lang_Object.clazz();
    const jref filler = env->NewObject(objectClass, java_lang_Object.id(Object_new));
    array_ = env->NewObjectArray(count, objectClass, filler);
}

CNsxJavaArgs::~CNsxJavaArgs() {
    if (owns_) {
        for (CNsxJavaValue* value : values_) delete value;
    }
}

void CNsxJavaArgs::Add(CNsxJavaValue* value) {
    if (value == nullptr) return;
    if (env_ != nullptr && array_ != 0 &&
        static_cast<jint>(values_.size()) < env_->GetArrayLength(array_)) {
        env_->SetObjectArrayElement(array_, static_cast<jint>(values_.size()),
                                    value->GetJavaObject());
    }
    values_.push_back(value);
}
