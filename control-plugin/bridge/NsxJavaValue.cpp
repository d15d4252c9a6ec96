#include "control-plugin/bridge/NsxJavaValue.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "control-plugin/bridge/NsxJavaValue_internal.h"
#include "platform/com/SafeArray.h"

using namespace platform;
using namespace nsx_java;

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
            const std::uint32_t count = FirstDimensionCount(copy.parray);
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
                        FirstDimensionCount(copy.parray), static_cast<std::uint32_t>(length));
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
                const std::uint32_t count = FirstDimensionCount(copy.parray);
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
