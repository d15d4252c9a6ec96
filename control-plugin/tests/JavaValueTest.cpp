// Values between the Java machine and automation, the page's text and the handle table,
// with the module's classes bound in a machine of the test's own.
#include <cstring>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "control-plugin/JavaNatives.h"
#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/NsxJavaValue.h"
#include "control-plugin/bridge/ObjectHandles.h"
#include "platform/com/SafeArray.h"
#include "platform/jri/testing/FakeVm.h"
#include "testing/DebugCapture.h"

namespace {

using namespace platform;

// An object that counts its references.
class Counted final : public IDispatch {
public:
    HRESULT QueryInterface(const IID& iid, void** out) override {
        if (iid != IID_IUnknown && iid != IID_IDispatch) return E_NOINTERFACE;
        AddRef();
        *out = static_cast<IDispatch*>(this);
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++refs; }
    std::uint32_t Release() override { return --refs; }
    HRESULT GetTypeInfoCount(std::uint32_t*) override { return E_NOTIMPL; }
    HRESULT GetTypeInfo(std::uint32_t, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT GetIDsOfNames(const IID&, const OLECHAR* const*, std::uint32_t, LCID,
                          DISPID*) override {
        return DISP_E_UNKNOWNNAME;
    }
    HRESULT Invoke(DISPID, const IID&, LCID, std::uint16_t, DISPPARAMS*, VARIANT*, EXCEPINFO*,
                   std::uint32_t*) override {
        return DISP_E_MEMBERNOTFOUND;
    }
    std::uint32_t refs = 1;
};

// Takes over a value the conversion made for its caller.
Variant Own(const VARIANT& made) {
    Variant owner;
    static_cast<VARIANT&>(owner) = made;
    return owner;
}

class JavaValues : public ::testing::Test {
protected:
    void SetUp() override {
        for (auto use : {use_java_lang_Object, use_java_lang_Class, use_java_lang_Number,
                         use_java_lang_Integer, use_java_lang_Float, use_java_lang_Double,
                         use_java_lang_Boolean, use_java_lang_Long, use_java_util_Vector}) {
            ASSERT_NE(use(&vm_), 0u);
        }
    }
    void TearDown() override {
        ReleaseAllObjectHandles();
        for (auto unuse : {unuse_java_lang_Object, unuse_java_lang_Class, unuse_java_lang_Number,
                           unuse_java_lang_Integer, unuse_java_lang_Float, unuse_java_lang_Double,
                           unuse_java_lang_Boolean, unuse_java_lang_Long, unuse_java_util_Vector}) {
            unuse(&vm_);
        }
    }
    std::string Text(jref object) { return vm_.Describe(object); }
    jref FloatArray(std::vector<float> values) {
        return vm_.NewScalarArray(static_cast<jint>(values.size()), 'F', values.data());
    }

    jri_testing::FakeVm vm_;
};

TEST_F(JavaValues, JavaObjectsBecomeTheRequestedAutomationValues) {
    Variant seven = Own(CNsxJavaValue::FromJava(&vm_, vm_.NewInteger(7), VT_BSTR));
    ASSERT_EQ(seven.vt, VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(seven.bstrVal), "7");

    // A missing argument, for the control to treat as an omitted optional one.
    const VARIANT missing = CNsxJavaValue::FromJava(&vm_, 0, VT_VARIANT);
    EXPECT_EQ(missing.vt, VT_ERROR);
    EXPECT_EQ(missing.scode, DISP_E_PARAMNOTFOUND);

    // Longs as doubles by sign and magnitude, the most negative one exactly.
    const jlong longs[] = {-3, 5, std::numeric_limits<jlong>::min()};
    Variant array =
        Own(CNsxJavaValue::FromJava(&vm_, vm_.NewScalarArray(3, 'J', longs), VT_VARIANT));
    ASSERT_EQ(array.vt, VT_ARRAY | VT_R8);
    ASSERT_EQ(SafeArrayElementCount(array.parray), 3u);
    const auto* doubles = static_cast<const double*>(array.parray->pvData);
    EXPECT_EQ(doubles[0], -3.0);
    EXPECT_EQ(doubles[1], 5.0);
    EXPECT_EQ(doubles[2], -9223372036854775808.0);
    Variant oneLong = Own(CNsxJavaValue::FromJava(&vm_, vm_.NewLong(longs[2]), VT_R8));
    EXPECT_EQ(oneLong.dblVal, -9223372036854775808.0);

    // Element 0 of an empty array is not there: a missing argument.
    const VARIANT empty = CNsxJavaValue::FromJava(&vm_, FloatArray({}), VT_R4);
    EXPECT_EQ(empty.scode, DISP_E_PARAMNOTFOUND);
    Variant first = Own(CNsxJavaValue::FromJava(&vm_, FloatArray({2.5f, 1.0f}), VT_BSTR));
    EXPECT_EQ(Utf8FromBstr(first.bstrVal), "2.5");

    // Object arrays by their element class; a Vector of anything as VARIANTs.
    const jref strings = vm_.NewObjectArray(2, vm_.FindClass("java/lang/String"), 0);
    vm_.SetObjectArrayElement(strings, 0, vm_.NewStringOf("a"));
    vm_.SetObjectArrayElement(strings, 1, vm_.NewStringOf("b"));
    Variant texts = Own(CNsxJavaValue::FromJava(&vm_, strings, VT_VARIANT));
    ASSERT_EQ(texts.vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(Utf8FromBstr(static_cast<BSTR*>(texts.parray->pvData)[1]), "b");
    Variant mixed = Own(CNsxJavaValue::FromJava(
        &vm_, vm_.NewVector({vm_.NewBoolean(true), vm_.NewDouble(0.5), 0}), VT_VARIANT));
    ASSERT_EQ(mixed.vt, VT_ARRAY | VT_VARIANT);
    const auto* items = static_cast<const VARIANT*>(mixed.parray->pvData);
    EXPECT_EQ(items[0].vt, VT_BOOL);
    EXPECT_EQ(items[1].dblVal, 0.5);
    EXPECT_EQ(items[2].scode, DISP_E_PARAMNOTFOUND);

    // Anything else as its text.
    Variant other = Own(CNsxJavaValue::FromJava(
        &vm_, vm_.NewObject(java_lang_Object.clazz(), java_lang_Object.id(Object_new)),
        VT_VARIANT));
    EXPECT_EQ(other.vt, VT_BSTR);
}

TEST_F(JavaValues, AContainerHoldingItselfEndsAtTheNestingBound) {
    const jref vector = vm_.NewVector({});
    vm_.Call(vector, "addElement", "(Ljava/lang/Object;)V", {JriValue(vector)});
    Variant value = Own(CNsxJavaValue::FromJava(&vm_, vector, VT_VARIANT));
    int depth = 0;
    const VARIANT* at = &value;
    while (at->vt == (VT_ARRAY | VT_VARIANT)) {
        ASSERT_EQ(SafeArrayElementCount(at->parray), 1u);
        at = static_cast<const VARIANT*>(at->parray->pvData);
        ++depth;
    }
    EXPECT_EQ(at->vt, VT_ERROR);
    EXPECT_EQ(depth, CNsxJavaValue::kMaxDepth + 1);

    const jref objects = vm_.NewObjectArray(1, java_lang_Object.clazz(), 0);
    vm_.SetObjectArrayElement(objects, 0, objects);
    Variant same = Own(CNsxJavaValue::FromJava(&vm_, objects, VT_VARIANT));
    EXPECT_EQ(same.vt, VT_ARRAY | VT_VARIANT);

    // The machine's objects go when the test does: the cycles are broken first.
    vm_.Call(vector, "setElementAt", "(Ljava/lang/Object;I)V", {JriValue(jref{0}), JriValue(0)});
    vm_.SetObjectArrayElement(objects, 0, 0);
}

// Each Vector of the chain holds the one before it twice: 23 objects that unfold into some
// eight million values.
TEST_F(JavaValues, AStructureThatUnfoldsPastTheBudgetCrossesAsAMissingValue) {
    auto chain = [&](int links) {
        jref at = vm_.NewInteger(1);
        for (int i = 0; i < links; ++i) at = vm_.NewVector({at, at});
        return at;
    };
    testing_support::DebugCapture debug;
    // Within the budget the shared children are converted each time they are met.
    Variant small = Own(CNsxJavaValue::FromJava(&vm_, chain(3), VT_VARIANT));
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, small)), "[[[1, 1], [1, 1]], [[1, 1], [1, 1]]]");
    EXPECT_TRUE(debug.lines().empty());

    const VARIANT large = CNsxJavaValue::FromJava(&vm_, chain(22), VT_VARIANT);
    EXPECT_EQ(large.vt, VT_ERROR);
    EXPECT_EQ(large.scode, DISP_E_PARAMNOTFOUND);
    EXPECT_EQ(debug.lines(),
              std::vector<std::string>{"Java value dropped: more than 1000000 values or 64 MiB\n"});

    // Few values, many bytes: one long text met forty times.
    const std::vector<jchar> letters(1 << 20, u'x');
    const jref text = vm_.NewString(letters.data(), static_cast<jint>(letters.size()));
    const jref texts = vm_.NewObjectArray(40, vm_.FindClass("java/lang/String"), text);
    const VARIANT heavy = CNsxJavaValue::FromJava(&vm_, texts, VT_VARIANT);
    EXPECT_EQ(heavy.vt, VT_ERROR);
    Variant light = Own(CNsxJavaValue::FromJava(
        &vm_, vm_.NewObjectArray(20, vm_.FindClass("java/lang/String"), text), VT_VARIANT));
    EXPECT_EQ(light.vt, VT_ARRAY | VT_BSTR);
    EXPECT_EQ(debug.lines().size(), 2u);
}

TEST_F(JavaValues, AutomationValuesBecomeJavaObjectsAndObjectsBecomeHandles) {
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, Variant::Bool(true))), "true");
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, Variant::I2(-2))), "-2");
    Variant money;
    money.vt = VT_CY;
    money.cyVal.int64 = 15000;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, money)), "1.5");
    Variant byte;
    byte.vt = VT_UI1;
    byte.bVal = 200;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, byte)), "200");

    // An object is a number of the calling instance holding its own reference, never its
    // address; outside an instance's call it is no object.
    Counted object;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, Variant::Dispatch(&object))), "0");
    EXPECT_EQ(object.refs, 1u);
    const int page = 0;
    const HandleOwnerScope owner(&page);
    const jref handle = CNsxJavaValue::ToJava(&vm_, Variant::Dispatch(&object));
    EXPECT_EQ(object.refs, 2u);
    const jint number = vm_.Call(handle, "intValue", "()I").i;
    EXPECT_EQ(ObjectFromHandle(&page, number), &object);
    const int otherPage = 0;
    EXPECT_EQ(ObjectFromHandle(&otherPage, number), nullptr);
    ReleaseObjectHandle(&otherPage, number);
    EXPECT_EQ(object.refs, 2u);
    ReleaseObjectHandle(&page, number);
    ReleaseObjectHandle(&page, number);
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(ObjectFromHandle(&page, number), nullptr);

    // Arrays: numbers as one block, objects as handles, VARIANTs each converted.
    SAFEARRAY* objects = SafeArrayCreateVector(VT_DISPATCH, 0, 2);
    const std::int32_t at[] = {1};
    ASSERT_EQ(SafeArrayPutElement(objects, at, static_cast<IDispatch*>(&object)), S_OK);
    Variant array;
    array.vt = VT_ARRAY | VT_DISPATCH;
    array.parray = objects;
    const jref handles = CNsxJavaValue::ToJava(&vm_, array);
    ASSERT_EQ(vm_.GetArrayLength(handles), 2);
    const jint* numbers = static_cast<const jint*>(vm_.GetScalarArrayElements(handles));
    EXPECT_EQ(numbers[0], 0);
    EXPECT_EQ(ObjectFromHandle(&page, numbers[1]), &object);
    SAFEARRAY* variants = SafeArrayCreateVector(VT_VARIANT, 0, 2);
    static_cast<VARIANT*>(variants->pvData)[0] = Variant::R4(1.5f).Detach();
    static_cast<VARIANT*>(variants->pvData)[1] = Variant::Text("x").Detach();
    Variant list;
    list.vt = VT_ARRAY | VT_VARIANT;
    list.parray = variants;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, list)), "[1.5, \"x\"]");
    Variant bytes;
    bytes.vt = VT_ARRAY | VT_I1;
    bytes.parray = SafeArrayCreateVector(VT_I1, 0, 1);
    EXPECT_EQ(CNsxJavaValue::ToJava(&vm_, bytes), 0u);

    // By reference: one-element arrays of the pointed value.
    float f = 0.25f;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, Variant::R4Ref(&f))), "[0.25]");
    // Shutting down gives back what the page still holds: the array's own reference is left.
    ReleaseAllObjectHandles();
    EXPECT_EQ(object.refs, 2u);
}

TEST_F(JavaValues, ObjectsPastTheInstancesHandleLimitBecomeZero) {
    Counted object;
    const int page = 0;
    const HandleOwnerScope owner(&page);
    for (int i = 0; i < kMaxObjectHandles; ++i) ASSERT_NE(AddObjectHandle(&page, &object), 0);
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, Variant::Dispatch(&object))), "0");
    EXPECT_EQ(object.refs, 1u + kMaxObjectHandles);
    EXPECT_EQ(ObjectHandleCount(&page), kMaxObjectHandles);
    ReleaseObjectHandles(&page);
    EXPECT_EQ(object.refs, 1u);
    EXPECT_EQ(ObjectHandleCount(), 0);
    EXPECT_NE(
        vm_.Call(CNsxJavaValue::ToJava(&vm_, Variant::Dispatch(&object)), "intValue", "()I").i, 0);
    ReleaseObjectHandles(&page);
}

TEST_F(JavaValues, FloatOutputsAreWrittenBackOnlyIntoTargetsThatHoldAFloat) {
    constexpr VARTYPE kOut = VT_BYREF | VT_R4;
    const jref vector = vm_.NewVector({vm_.NewFloat(0.0f)});
    const jref floats = FloatArray({0.0f});
    const jref none = FloatArray({});
    const jref emptyVector = vm_.NewVector({});
    const jref text = vm_.NewStringOf("abc");
    const jref objects = vm_.NewObjectArray(1, vm_.FindClass("java/lang/Float"), 0);
    vm_.SetObjectArrayElement(objects, 0, vm_.NewFloat(0.0f));
    {
        std::vector<std::unique_ptr<CNsxJavaValue>> values;
        for (jref target : {vector, floats, none, emptyVector, text, jref{0}, objects}) {
            values.push_back(std::make_unique<CNsxJavaValue>(&vm_, target, kOut));
            // What the control does with each of its float pointers.
            *static_cast<float*>(values.back()->GetData()) = 1.25f;
        }
        // The text's own data was not overwritten by the float.
        EXPECT_EQ(values[4]->GetVariant()->vt, VT_BSTR);
        EXPECT_EQ(Utf8FromBstr(values[4]->GetVariant()->bstrVal), "abc");
    }
    EXPECT_EQ(Text(vector), "Vector[1.25]");
    EXPECT_EQ(Text(floats), "[1.25]");
    EXPECT_EQ(Text(none), "[]");
    EXPECT_EQ(Text(emptyVector), "Vector[]");
    EXPECT_EQ(Text(text), "\"abc\"");
    EXPECT_EQ(Text(objects), "[1.25]");

    // A VARIANT by reference reaches Java as a one-element array of its value.
    double number = 1.0;
    VARIANT pointer{};
    pointer.vt = VT_BYREF | VT_R8;
    pointer.pdblVal = &number;
    {
        CNsxJavaValue value(&vm_, &pointer);
        ASSERT_NE(value.GetJavaObject(), 0u);
        EXPECT_EQ(Text(value.GetJavaObject()), "[1.0]");
    }
}

// The control may answer with arrays of any shape: a page sees the first dimension, never
// more than the array holds.
TEST_F(JavaValues, ArraysWithAnEmptyDimensionReadAsEmpty) {
    auto array = [](VARTYPE type, std::uint32_t first, std::uint32_t second) {
        const SAFEARRAYBOUND bounds[] = {{first, 0}, {second, 0}};
        Variant made;
        made.vt = VT_ARRAY | type;
        made.parray = SafeArrayCreate(type, 2, bounds);
        return made;
    };
    for (VARTYPE type : {VT_BSTR, VT_R4, VT_VARIANT, VT_DISPATCH, VT_BOOL}) {
        Variant empty = array(type, 5, 0);
        ASSERT_NE(empty.parray, nullptr) << type;
        EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, empty)), "[]") << type;
    }
    Variant grid = array(VT_I4, 2, 3);
    static_cast<std::int32_t*>(grid.parray->pvData)[1] = 7;
    EXPECT_EQ(Text(CNsxJavaValue::ToJava(&vm_, grid)), "[0, 7]");

    // Written back into a Vector, a float array and a Float array after the call.
    const jref vector = vm_.NewVector({vm_.NewInteger(1), vm_.NewInteger(2)});
    const jref floats = FloatArray({1.0f, 2.0f, 3.0f});
    const jref objects =
        vm_.NewObjectArray(2, vm_.FindClass("java/lang/Float"), vm_.NewFloat(4.0f));
    {
        std::vector<std::unique_ptr<CNsxJavaValue>> values;
        for (jref target : {vector, floats, objects}) {
            values.push_back(std::make_unique<CNsxJavaValue>(&vm_, target, VT_BYREF | VT_VARIANT));
            // What the control puts into its VARIANT output.
            VARIANT* out = values.back()->GetVariant();
            VariantClear(out);
            *out = array(target == vector ? VT_VARIANT : VT_R4, 5, 0).Detach();
        }
    }
    EXPECT_EQ(Text(vector), "Vector[1, 2]");
    EXPECT_EQ(Text(floats), "[1.0, 2.0, 3.0]");
    EXPECT_EQ(Text(objects), "[4.0, 4.0]");
}

TEST_F(JavaValues, PageTextRoundTripsEveryCharacter) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "\xC3\xA9\xE2\x82\xAC";  // é€
    text += "\xF0\x9F\x98\x80";                                     // beyond the basic plane
    const jref string = AnsiToJavaString(&vm_, text.c_str(), -1);
    EXPECT_EQ(JavaStringAnsiLength(&vm_, string), static_cast<int>(text.size()));
    std::string back;
    ASSERT_TRUE(JavaStringToAnsi(&vm_, string, back));
    EXPECT_EQ(back, text);
    Variant bstr = Own(CNsxJavaValue::FromJava(&vm_, string, VT_BSTR));
    EXPECT_EQ(vm_.Utf8(CNsxJavaValue::ToJava(&vm_, bstr)), text);
    EXPECT_FALSE(JavaStringToAnsi(&vm_, 0, back));
    EXPECT_EQ(AnsiToBstr(nullptr, -1), nullptr);
}

TEST_F(JavaValues, TheRegistrationStringsAreTheClassNativesInOrder) {
    const char* const* names = LensObjNativeNames();
    std::vector<std::string> registered;
    for (; *names != nullptr; ++names) registered.emplace_back(*names);
    EXPECT_EQ(registered, jri_testing::LensObjNatives());
    for (std::size_t i = 0; i < registered.size(); ++i) {
        EXPECT_NE(LensObjNativeFunctions()[i], nullptr) << registered[i];
    }
    EXPECT_EQ(LensObjNativeFunctions()[registered.size()], nullptr);

    // Unregistering forgets every id and lets go of the class.
    use_netscape_plugin_Plugin(&vm_);
    const int refs = vm_.GlobalRefCount();
    ASSERT_NE(register_NPLensObj(&vm_), 0u);
    EXPECT_TRUE(vm_.NativeBound("NPLensObj", "GetObject()I"));
    EXPECT_NE(NPLensObj.id(NPLensObj_firstNative), JRIUninitialized);
    unregister_NPLensObj(&vm_);
    EXPECT_FALSE(vm_.NativeBound("NPLensObj", "GetObject()I"));
    EXPECT_EQ(NPLensObj.id(NPLensObj_firstNative), JRIUninitialized);
    EXPECT_EQ(NPLensObj.id(NPLensObj_getObjectProperty0), JRIUninitialized);
    EXPECT_EQ(NPLensObj.clazz(), 0u);
    EXPECT_EQ(vm_.GlobalRefCount(), refs);

    // A missing class leaves ClassNotFoundException pending and nothing bound.
    vm_.SetClassMissing("NPLensObj");
    EXPECT_EQ(register_NPLensObj(&vm_), 0u);
    EXPECT_EQ(vm_.PendingClass(), "java/lang/ClassNotFoundException");
    EXPECT_EQ(vm_.PendingMessage(), "NPLensObj");
    EXPECT_EQ(vm_.GlobalRefCount(), refs);
    vm_.ExceptionClear();
    unuse_netscape_plugin_Plugin(&vm_);
}

}  // namespace
