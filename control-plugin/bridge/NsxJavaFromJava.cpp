#include "control-plugin/bridge/NsxJavaValue.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "control-plugin/bridge/NsxJavaValue_internal.h"
#include "platform/com/SafeArray.h"
#include "platform/debug/Debug.h"

using namespace platform;
using namespace nsx_java;

namespace {

// One call's conversion: what it has made so far, against its budget. A structure whose
// children are shared unfolds into a tree far larger than itself, so the budget counts what
// is made, not what the machine holds.
struct Conversion {
    explicit Conversion(JRIEnv* machine) : env(machine) {}

    JRIEnv* env;
    std::uint64_t values = 0;
    std::uint64_t bytes = 0;
    bool exceeded = false;
    std::unordered_map<jref, std::string> names;

    // False (and nothing more is made) once the values or bytes would pass the budget.
    bool Take(std::uint64_t moreValues, std::uint64_t moreBytes) {
        if (exceeded) return false;
        values += moreValues;
        bytes += moreBytes;
        if (values > CNsxJavaValue::kMaxValues || bytes > CNsxJavaValue::kMaxBytes) {
            exceeded = true;
        }
        return !exceeded;
    }
    // The object's class name, asked of the machine once per class: each answer is a new
    // string the machine keeps until the call ends.
    const std::string& ClassNameOf(jref object) {
        const jref clazz = env->CallMethodObject(object, java_lang_Object.id(Object_getClass));
        const auto known = names.find(clazz);
        if (known != names.end()) return known->second;
        std::string name;
        if (clazz != 0) {
            JavaStringToAnsi(env, env->CallMethodObject(clazz, java_lang_Class.id(Class_getName)),
                             name);
        }
        return names.emplace(clazz, std::move(name)).first->second;
    }
    // A new array's block and record, for `count` elements of `size` bytes.
    bool TakeArray(jint count, std::uint32_t size) {
        const std::uint64_t n = count > 0 ? static_cast<std::uint64_t>(count) : 0;
        return Take(0, sizeof(SAFEARRAY) + n * size);
    }
};

VARIANT Convert(Conversion& c, jref object, VARTYPE requested, int depth);

VARIANT FromLetter(Conversion& c, jref element, char letter, int depth) {
    if (element == 0) return Missing();
    JRIEnv* env = c.env;
    VARIANT v{};
    switch (letter) {
        case 'C': {
            const jint length = env->GetStringLength(element);
            if (!c.Take(0, 2 * static_cast<std::uint64_t>(length > 0 ? length : 0) + 8)) {
                return Missing();
            }
            return Text(JavaStringToBstr(env, element));
        }
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
            return Convert(c, element, VT_VARIANT, depth + 1);
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
// Java to automation

namespace {

VARIANT Convert(Conversion& c, jref object, VARTYPE requested, int depth) {
    if (!c.Take(1, 0)) return Missing();
    JRIEnv* env = c.env;
    if (object == 0 || depth > CNsxJavaValue::kMaxDepth) return Missing();
    const VARTYPE target = requested & kTypeMask;
    const bool byReference = (requested & VT_BYREF) != 0;
    const std::string name = c.ClassNameOf(object);
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
                    if (!c.TakeArray(length, size)) return Missing();
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
                if (!c.TakeArray(length, 2)) return Missing();
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
                    value =
                        FromLetter(c, env->GetObjectArrayElement(object, 0), elementLetter, depth);
                    ChangeTo(value, target);
                    return value;
                }
                const VARTYPE element = LetterType(elementLetter);
                if (!c.TakeArray(length, SafeArrayElementSize(element))) return Missing();
                SAFEARRAY* array = SafeArrayCreateVector(
                    element, 0, static_cast<std::uint32_t>(length > 0 ? length : 0));
                if (array == nullptr) return Missing();
                for (jint i = 0; i < length; ++i) {
                    // Elements by letter are values of their own; the rest count themselves.
                    if (elementLetter != 'L' && !c.Take(1, 0)) break;
                    VARIANT item =
                        FromLetter(c, env->GetObjectArrayElement(object, i), elementLetter, depth);
                    StoreInArray(array, static_cast<std::uint32_t>(i), item);
                    if (c.exceeded) break;
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
            value = FromLetter(c, object, 'I', depth);
        } else if (rest == "Boolean") {
            value = FromLetter(c, object, 'Z', depth);
        } else if (rest == "String") {
            value = FromLetter(c, object, 'C', depth);
        } else if (rest == "Float") {
            value = FromLetter(c, object, 'F', depth);
        } else if (rest == "Double") {
            value = FromLetter(c, object, 'D', depth);
        } else if (rest == "Long") {
            value = FromLetter(c, object, 'J', depth);
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
            return Convert(c, first, target, depth + 1);
        }
        if (!c.TakeArray(size, sizeof(VARIANT))) return Missing();
        SAFEARRAY* array =
            SafeArrayCreateVector(VT_VARIANT, 0, static_cast<std::uint32_t>(size > 0 ? size : 0));
        if (array == nullptr) return Missing();
        for (jint i = 0; i < size; ++i) {
            const jref item =
                env->CallMethodObject(object, java_util_Vector.id(Vector_elementAt), i);
            static_cast<VARIANT*>(array->pvData)[i] = Convert(c, item, VT_VARIANT, depth + 1);
            if (c.exceeded) break;
        }
        value.vt = VT_ARRAY | VT_VARIANT;
        value.parray = array;
        return value;
    }

    // Anything else crosses as its text.
    const jref text = env->CallMethodObject(object, java_lang_Object.id(Object_toString));
    if (text == 0) return Missing();
    return Convert(c, text, requested, depth + 1);
}

}  // namespace

VARIANT CNsxJavaValue::FromJava(JRIEnv* env, jref object, VARTYPE requested) {
    if (env == nullptr) return Missing();
    Conversion conversion(env);
    VARIANT value = Convert(conversion, object, requested, 0);
    if (!conversion.exceeded) return value;
    // What was made so far goes: the control gets a missing value, which it rejects.
    VariantClear(&value);
    DebugOutput("Java value dropped: more than 1000000 values or 64 MiB\n");
    return Missing();
}
