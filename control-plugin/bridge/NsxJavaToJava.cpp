#include "control-plugin/bridge/NsxJavaValue.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "control-plugin/bridge/NsxJavaValue_internal.h"
#include "control-plugin/bridge/ObjectHandles.h"
#include "platform/com/SafeArray.h"

using namespace platform;
using namespace nsx_java;

namespace {

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
    const jint count = static_cast<jint>(
        std::min<std::uint64_t>(FirstDimensionCount(array), static_cast<std::uint64_t>(INT32_MAX)));
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
