#include "control-plugin/NsxJavaValue.h"

#include <cstring>
#include <string_view>

#include "control-plugin/JavaClasses.h"
#include "control-plugin/ObjectHandles.h"

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
    const jref clazz =
        env->CallMethodObject(object, java_lang_Object.id(Object_getClass));
    if (clazz == 0) return {};
    const jref name = env->CallMethodObject(clazz, java_lang_Class.id(Class_getName));
    std::string text;
    JavaStringToAnsi(env, name, text);
    return text;
}

// Sign and magnitude, so the most negative long is taken without overflow.
double LongToDouble(jlong value) {
    const std::uint64_t magnitude =
        value < 0 ? std::uint64_t{0} - static_cast<std::uint64_t>(value)
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
            v.boolVal = env->CallMethodBoolean(element,
                                               java_lang_Boolean.id(Boolean_booleanValue)) != 0
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

}  // namespace

// ---------------------------------------------------------------------------------------
// Text

int JavaStringAnsiLength(JRIEnv* env, jref string) {
    if (env == nullptr || string == 0) return 0;
    const jint length = env->GetStringUTFLength(string);
    return length > 0 ? length : 0;
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
        switch (letter) {
            case 'B':
            case 'Z':
            case 'D':
            case 'F':
            case 'I':
            case 'S':
            case 'J': {
                // Element 0 of an empty array is not there to read.
                if (target == VT_VARIANT) return Missing();
                bool ok = false;
                if (letter == 'B' || letter == 'Z') {
                    std::uint8_t b = 0;
                    ok = ScalarElement0(env, object, b);
                    value.vt = VT_I4;  // no single-byte type crosses here
                    value.lVal = b;
                } else if (letter == 'D') {
                    ok = ScalarElement0(env, object, value.dblVal);
                    value.vt = VT_R8;
                } else if (letter == 'F') {
                    ok = ScalarElement0(env, object, value.fltVal);
                    value.vt = VT_R4;
                } else if (letter == 'I') {
                    ok = ScalarElement0(env, object, value.lVal);
                    value.vt = VT_I4;
                } else if (letter == 'S') {
                    ok = ScalarElement0(env, object, value.iVal);
                    value.vt = VT_I2;
                } else {
                    jlong l = 0;
                    ok = ScalarElement0(env, object, l);
                    value.vt = VT_R8;
                    value.dblVal = LongToDouble(l);
                }
                if (!ok) return Missing();
                ChangeTo(value, target);
                return value;
            }
            case 'C': {
                const jint length = env->GetArrayLength(object);
                const auto* chars = static_cast<const OLECHAR*>(env->GetScalarArrayElements(object));
                value = Text(SysAllocStringLen(length > 0 ? chars : nullptr,
                                               static_cast<std::uint32_t>(length > 0 ? length : 0)));
                ChangeTo(value, target);
                return value;
            }
            case 'L': {
                if (target == VT_VARIANT && !byReference) return Missing();
                if (env->GetArrayLength(object) <= 0) return Missing();
                value = FromLetter(env, env->GetObjectArrayElement(object, 0),
                                   ObjectArrayLetter(name), depth);
                ChangeTo(value, target);
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
        if (!byReference) return Missing();
        if (env->CallMethodInt(object, java_util_Vector.id(Vector_size)) <= 0) return Missing();
        const jref first = env->CallMethodObject(object, java_util_Vector.id(Vector_elementAt),
                                                 jint{0});
        return FromJava(env, first, target, depth + 1);
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
            case VT_DISPATCH:
            case VT_UNKNOWN: {
                if (value.ppunkVal == nullptr) return 0;
                const jint handle = AddObjectHandle(*value.ppunkVal);
                return OneElement(env, 'I', &handle);
            }
            case VT_BSTR:
                return value.pbstrVal != nullptr
                           ? OneObject(env, BstrToJavaString(env, *value.pbstrVal))
                           : 0;
            case VT_BOOL:
                return value.pboolVal != nullptr ? OneObject(env, NewBoolean(env, *value.pboolVal != 0))
                                                 : 0;
            case VT_VARIANT:
                return value.pvarVal != nullptr ? OneObject(env, ToJava(env, *value.pvarVal)) : 0;
            default:
                return 0;
        }
    }
    switch (value.vt) {
        case VT_I2:
            return NewInteger(env, value.iVal);
        case VT_I4:
        case VT_ERROR:
            return NewInteger(env, value.lVal);
        case VT_DISPATCH:
        case VT_UNKNOWN:
            // The page gets a number of the module's table, never the pointer.
            return NewInteger(env, AddObjectHandle(value.punkVal));
        case VT_R4:
            return NewFloat(env, value.fltVal);
        case VT_R8:
            return NewDouble(env, value.dblVal);
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

void CNsxJavaValue::WriteBack() {
    JRIEnv* env = env_;
    if (fromVariant_) {
        void* target = value_.plVal;
        if (target == nullptr) return;
        VARIANT back = FromJava(env, object_, requested_);
        if (back.vt != requested_ && requested_ != VT_VARIANT) {
            VariantClear(&back);
            return;
        }
        switch (requested_) {
            case VT_I2:
            case VT_BOOL:
                std::memcpy(target, &back.iVal, 2);
                break;
            case VT_R8:
                std::memcpy(target, &back.dblVal, 8);
                break;
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
        return;
    }

    // Only a value that held the asked type was written by the control.
    if (value_.vt != requested_) return;
    const std::string name = ClassName(env, object_);
    if (name == "java.util.Vector") {
        if (env->CallMethodInt(object_, java_util_Vector.id(Vector_size)) <= 0) return;
        env->CallMethod(object_, java_util_Vector.id(Vector_setElementAt), ToJava(env, value_),
                        jint{0});
        return;
    }
    if (name.size() != 2 && name.rfind("[L", 0) != 0) return;
    if (name.size() < 2 || name[0] != '[') return;
    const char letter = name[1];
    VARIANT copy{};
    if (Failed(VariantCopy(&copy, &value_))) return;
    auto as = [&](VARTYPE type) { return Succeeded(VariantChangeType(&copy, &copy, 0, type)); };
    switch (letter) {
        case 'B':
        case 'Z':
            if (as(VT_I4)) WriteElement0(env, object_, static_cast<std::uint8_t>(copy.lVal));
            break;
        case 'D':
            if (as(VT_R8)) WriteElement0(env, object_, copy.dblVal);
            break;
        case 'F':
            if (as(VT_R4)) WriteElement0(env, object_, copy.fltVal);
            break;
        case 'I':
            if (as(VT_I4)) WriteElement0(env, object_, copy.lVal);
            break;
        case 'S':
            if (as(VT_I2)) WriteElement0(env, object_, copy.iVal);
            break;
        case 'L': {
            if (env->GetArrayLength(object_) <= 0) break;
            jref element = 0;
            switch (ObjectArrayLetter(name)) {
                case 'C':
                    if (as(VT_BSTR)) element = BstrToJavaString(env, copy.bstrVal);
                    break;
                case 'D':
                    if (as(VT_R8)) element = NewDouble(env, copy.dblVal);
                    break;
                case 'F':
                    if (as(VT_R4)) element = NewFloat(env, copy.fltVal);
                    break;
                case 'I':
                    if (as(VT_I4)) element = NewInteger(env, copy.lVal);
                    break;
                case 'J':
                    if (as(VT_R8)) element = NewLong(env, static_cast<jlong>(copy.dblVal));
                    break;
                case 'Z':
                    if (as(VT_BOOL)) element = NewBoolean(env, copy.boolVal != 0);
                    break;
                default:
                    element = ToJava(env, copy);
                    break;
            }
            if (element != 0) env->SetObjectArrayElement(object_, 0, element);
            break;
        }
        default:
            break;
    }
    VariantClear(&copy);
}

// ---------------------------------------------------------------------------------------
// Arguments of a page call

CNsxJavaArgs::CNsxJavaArgs(JRIEnv* env, int count, bool ownsElements)
    : env_(env), owns_(ownsElements) {
    if (count < 0) count = 0;
    values_.reserve(static_cast<std::size_t>(count));
    if (env == nullptr) return;
    const jref objectClass = java_lang_Object.clazz();
    const jref filler =
        env->NewObject(objectClass, java_lang_Object.id(Object_new));
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
