// NPLensObj's Java value conversion: the bytes build a few Java objects (numbers, texts,
// scalar arrays, object arrays and Vectors whose elements are earlier objects, so children
// are shared and containers may hold themselves), then the last one crosses to automation
// as the first byte asks, by value or by reference, and the result crosses back to Java.
// Whatever comes, the conversion stays within its budget and nesting bound, and what it
// made frees cleanly.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/NsxJavaValue.h"
#include "control-plugin/bridge/ObjectHandles.h"
#include "platform/com/SafeArray.h"
#include "platform/debug/Debug.h"
#include "platform/jri/testing/FakeVm.h"

namespace {

using namespace platform;

class Bytes {
public:
    Bytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool empty() const { return at_ >= size_; }
    std::uint8_t Next() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() {
        std::uint32_t word = 0;
        for (int i = 0; i < 4; ++i) word = word << 8 | Next();
        return word;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

// The types a caller asks for: the natives ask for VT_VARIANT, VT_BYREF | VT_R4 and the
// typed members' types; the rest are what a control's write-back asks.
constexpr VARTYPE kRequested[] = {
    VT_VARIANT,
    VT_BYREF | VT_VARIANT,
    VT_BYREF | VT_R4,
    VT_I4,
    VT_R4,
    VT_R8,
    VT_BSTR,
    VT_BOOL,
    VT_I2,
    VT_UI1,
    VT_BYREF | VT_I4,
    VT_BYREF | VT_BSTR,
    VT_DATE,
    VT_CY,
    VT_EMPTY,
};

constexpr const char* kArrayClasses[] = {
    "java/lang/Object", "java/lang/Integer", "java/lang/String", "java/lang/Float",
    "java/lang/Double", "java/lang/Boolean", "java/lang/Long",   "java/util/Vector",
};

constexpr char kScalarLetters[] = {'B', 'Z', 'D', 'F', 'I', 'S', 'J', 'C'};

constexpr std::size_t kMaxObjects = 64;
constexpr int kMaxChildren = 12;

// The VARIANTs in a converted value, arrays of VARIANTs counted through: never more than
// the conversion counted against its budget.
std::uint64_t CountValues(const VARIANT& value, int depth) {
    if (depth > CNsxJavaValue::kMaxDepth + 2) std::abort();
    std::uint64_t count = 1;
    if ((value.vt & VT_ARRAY) == 0 || value.parray == nullptr) return count;
    const SAFEARRAY* array = value.parray;
    const std::uint64_t elements = SafeArrayElementCount(array);
    if ((value.vt & 0x0FFF) != VT_VARIANT) return count;
    for (std::uint64_t i = 0; i < elements; ++i) {
        count += CountValues(static_cast<const VARIANT*>(array->pvData)[i], depth + 1);
    }
    return count;
}

struct Machine {
    jri_testing::FakeVm vm;
    std::vector<jref> objects;
    std::vector<jref> containers;  // object arrays and Vectors, to be emptied at the end

    jref Pick(Bytes& in) {
        const std::uint8_t at = in.Next();
        // Now and then a null, as a page may pass.
        if (objects.empty() || at == 0xFF) return 0;
        return objects[at % objects.size()];
    }

    void Build(Bytes& in) {
        while (!in.empty() && objects.size() < kMaxObjects) {
            const std::uint8_t op = in.Next() % 11;
            jref made = 0;
            switch (op) {
                case 0:
                    made = vm.NewInteger(static_cast<jint>(in.Word()));
                    break;
                case 1: {
                    const std::uint32_t bits = in.Word();
                    float f;
                    std::memcpy(&f, &bits, sizeof f);
                    made = vm.NewFloat(f);
                    break;
                }
                case 2: {
                    const std::uint64_t bits = std::uint64_t{in.Word()} << 32 | in.Word();
                    double d;
                    std::memcpy(&d, &bits, sizeof d);
                    made = (bits & 1) != 0 ? vm.NewLong(static_cast<jlong>(bits)) : vm.NewDouble(d);
                    break;
                }
                case 3:
                    made = vm.NewBoolean((in.Next() & 1) != 0);
                    break;
                case 4: {
                    std::string text(in.Next() % 24, '\0');
                    for (char& c : text) c = static_cast<char>(in.Next());
                    made = vm.NewStringOf(text);
                    break;
                }
                case 5: {
                    const char letter = kScalarLetters[in.Next() % sizeof kScalarLetters];
                    const jint length = in.Next() % 16;
                    const std::size_t size = letter == 'D' || letter == 'J'   ? 8
                                             : letter == 'F' || letter == 'I' ? 4
                                             : letter == 'S' || letter == 'C' ? 2
                                                                              : 1;
                    std::vector<std::uint8_t> data(static_cast<std::size_t>(length) * size);
                    for (std::uint8_t& b : data) b = in.Next();
                    made = vm.NewScalarArray(length, letter, data.empty() ? nullptr : data.data());
                    break;
                }
                case 6: {
                    const jref clazz =
                        vm.FindClass(kArrayClasses[in.Next() % std::size(kArrayClasses)]);
                    const jint length = in.Next() % kMaxChildren;
                    made = vm.NewObjectArray(length, clazz, 0);
                    for (jint i = 0; i < length; ++i) vm.SetObjectArrayElement(made, i, Pick(in));
                    containers.push_back(made);
                    break;
                }
                case 7: {
                    std::vector<jref> elements(in.Next() % kMaxChildren);
                    for (jref& element : elements) element = Pick(in);
                    made = vm.NewVector(elements);
                    containers.push_back(made);
                    break;
                }
                case 8:
                    made = vm.NewObject(java_lang_Object.clazz(), java_lang_Object.id(Object_new));
                    break;
                case 9: {
                    // A container takes a later object, itself included.
                    if (containers.empty()) break;
                    const jref container = containers[in.Next() % containers.size()];
                    const jint length = Length(container);
                    if (length > 0) Set(container, in.Next() % length, Pick(in));
                    break;
                }
                default:
                    // Shares an earlier object once more as the newest.
                    made = Pick(in);
                    break;
            }
            if (made != 0) objects.push_back(made);
        }
    }

    bool IsVector(jref object) { return vm.ClassNameOf(object) == "java/util/Vector"; }
    jint Length(jref container) {
        return IsVector(container) ? vm.Call(container, "size", "()I").i
                                   : vm.GetArrayLength(container);
    }
    void Set(jref container, jint index, jref value) {
        if (IsVector(container)) {
            vm.Call(container, "setElementAt", "(Ljava/lang/Object;I)V",
                    {JriValue(value), JriValue(index)});
        } else {
            vm.SetObjectArrayElement(container, index, value);
        }
    }
    // The machine's objects go when it does: every link is cut first, cycles included.
    void Empty() {
        for (jref container : containers) {
            const jint length = Length(container);
            for (jint i = 0; i < length; ++i) Set(container, i, 0);
        }
    }
};

using Use = jref (*)(JRIEnv*);
using Unuse = void (*)(JRIEnv*);
constexpr Use kUses[] = {use_java_lang_Object,  use_java_lang_Class, use_java_lang_Number,
                         use_java_lang_Integer, use_java_lang_Float, use_java_lang_Double,
                         use_java_lang_Boolean, use_java_lang_Long,  use_java_util_Vector};
constexpr Unuse kUnuses[] = {
    unuse_java_lang_Object,  unuse_java_lang_Class, unuse_java_lang_Number,
    unuse_java_lang_Integer, unuse_java_lang_Float, unuse_java_lang_Double,
    unuse_java_lang_Boolean, unuse_java_lang_Long,  unuse_java_util_Vector};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    if (size == 0) return 0;
    Bytes in(data, size);
    const VARTYPE requested = kRequested[in.Next() % std::size(kRequested)];
    Machine machine;
    JRIEnv* env = &machine.vm;
    for (Use use : kUses) {
        if (use(env) == 0) std::abort();
    }
    machine.Build(in);
    const jref root = machine.objects.empty() ? 0 : machine.objects.back();
    {
        // Objects in results become handles of this caller.
        const int caller = 0;
        const HandleOwnerScope owner(&caller);

        VARIANT value = CNsxJavaValue::FromJava(env, root, requested);
        if (CountValues(value, 0) > CNsxJavaValue::kMaxValues) std::abort();
        const jref back = CNsxJavaValue::ToJava(env, value);
        (void)back;
        VariantClear(&value);

        // By reference, written back into the Java object when the value goes.
        {
            CNsxJavaValue crossing(env, root, requested);
            if (CountValues(*crossing.GetVariant(), 0) > CNsxJavaValue::kMaxValues) std::abort();
            if ((requested & VT_BYREF) != 0 && (requested & 0x0FFF) == VT_R4) {
                *static_cast<float*>(crossing.GetData()) = 1.5f;
            }
        }
        ReleaseObjectHandles(&caller);
    }
    machine.Empty();
    for (Unuse unuse : kUnuses) unuse(env);
    return 0;
}
