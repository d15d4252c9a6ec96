// The machine tests of the plug-in stand on: what it answers must be what a browser's would.
#include <gtest/gtest.h>

#include "platform/jri/testing/FakeVm.h"

namespace {

using jri_testing::FakeVm;

TEST(FakeVm, ClassNamesValuesAndReferences) {
    FakeVm vm;
    const jref classClass = vm.FindClass("java/lang/Class");
    const JRIMethodID getName = vm.GetMethodID(classClass, "getName", "()Ljava/lang/String;");
    const JRIMethodID getClass =
        vm.GetMethodID(vm.FindClass("java/lang/Object"), "getClass", "()Ljava/lang/Class;");
    ASSERT_GE(getName, 0);
    const auto nameOf = [&](jref object) {
        return vm.Utf8(vm.CallMethodObject(vm.CallMethodObject(object, getClass), getName));
    };
    EXPECT_EQ(nameOf(vm.NewInteger(7)), "java.lang.Integer");
    const jint ints[2] = {1, 2};
    EXPECT_EQ(nameOf(vm.NewScalarArray(2, 'I', ints)), "[I");
    const jref floats = vm.NewObjectArray(1, vm.FindClass("java/lang/Float"), vm.NewFloat(1.5f));
    EXPECT_EQ(nameOf(floats), "[Ljava.lang.Float;");
    EXPECT_EQ(vm.Describe(floats), "[1.5]");

    // Inherited accessors and constructors by signature.
    const jref integer = vm.FindClass("java/lang/Integer");
    const jref boxed = vm.NewObject(integer, vm.GetMethodID(integer, "<init>", "(I)V"), jint{42});
    EXPECT_EQ(vm.CallMethodFloat(boxed, vm.GetMethodID(integer, "floatValue", "()F")), 42.0f);
    EXPECT_TRUE(vm.IsInstanceOf(boxed, vm.FindClass("java/lang/Number")));
    EXPECT_EQ(vm.GetMethodID(integer, "noSuch", "()V"), JRIUninitialized);
    EXPECT_EQ(vm.PendingClass(), "java/lang/NoSuchMethodError");
    vm.ExceptionClear();

    // Global references are counted until disposed; a missing class is not found.
    const int start = vm.GlobalRefCount();
    const jref global = vm.NewGlobalRef(integer);
    EXPECT_TRUE(vm.IsSameObject(global, integer));
    EXPECT_EQ(vm.GlobalRefCount(), start + 1);
    vm.DisposeGlobalRef(global);
    EXPECT_EQ(vm.GlobalRefCount(), start);
    vm.SetClassMissing("java/util/Vector");
    EXPECT_EQ(vm.FindClass("java/util/Vector"), 0u);
    vm.SetClassMissing("java/util/Vector", false);
    EXPECT_NE(vm.FindClass("java/util/Vector"), 0u);

    const jchar text[] = {'h', 0xE9};
    EXPECT_EQ(vm.Utf8(vm.NewString(text, 2)), "h\xC3\xA9");
    EXPECT_EQ(vm.ThrowNew(vm.FindClass("java/lang/Exception"), "bad"), 0);
    EXPECT_EQ(vm.PendingMessage(), "bad");
}

jint nativeSeen = 0;
jref NativeGetObjectProperty1(JRIEnv* env, jref, jint handle, jref name, jref index) {
    nativeSeen = handle;
    auto* vm = static_cast<FakeVm*>(env);
    return vm->NewStringOf(vm->Utf8(name) + "/" + vm->Describe(index));
}
void NativeMoveTo(JRIEnv*, jref, jfloat x, jfloat, jfloat, jint, jint speed) {
    nativeSeen = static_cast<jint>(x) * 100 + speed;
}

TEST(FakeVm, NativesAndPageCalls) {
    FakeVm vm;
    const jref lens = vm.FindClass("NPLensObj");
    const char* names[] = {
        "internalgetObjectProperty1(ILjava/lang/String;Ljava/lang/Object;)Ljava/lang/Object;",
        "MoveTo(FFFII)V", nullptr};
    void* functions[] = {reinterpret_cast<void*>(&NativeGetObjectProperty1),
                         reinterpret_cast<void*>(&NativeMoveTo), nullptr};
    ASSERT_EQ(vm.RegisterNatives(lens, names, functions), 0);
    const jref object = vm.NewPluginObject(1234);

    // The Java method forwards to its native.
    const jvalue result = vm.Call(
        object, "getObjectProperty", "(ILjava/lang/String;Ljava/lang/Object;)Ljava/lang/Object;",
        {JriValue(jint{9}), JriValue(vm.NewStringOf("Fit")), JriValue(vm.NewInteger(3))});
    EXPECT_EQ(vm.Utf8(result.r), "Fit/3");
    EXPECT_EQ(nativeSeen, 9);
    vm.Call(object, "MoveTo", "(FFFII)V",
            {JriValue(2.0f), JriValue(0.0f), JriValue(1.0f), JriValue(jint{0}), JriValue(jint{7})});
    EXPECT_EQ(nativeSeen, 207);
    // A native not registered is a link error; one unregistered is again.
    vm.Call(object, "getPosX", "()F");
    EXPECT_EQ(vm.PendingClass(), "java/lang/UnsatisfiedLinkError");
    vm.ExceptionClear();
    vm.UnregisterNatives(lens);
    EXPECT_FALSE(vm.NativeBound("NPLensObj", "MoveTo(FFFII)V"));

    // The peer and the page's window.
    EXPECT_EQ(vm.Call(object, "getPeer", "()I").i, 1234);
    const jref window = vm.Call(object, "getWindow", "()Lnetscape/javascript/JSObject;").r;
    const jref args = vm.NewObjectArray(2, vm.FindClass("java/lang/Object"), vm.NewFloat(0.25f));
    vm.Call(window, "call", "(Ljava/lang/String;[Ljava/lang/Object;)Ljava/lang/Object;",
            {JriValue(vm.NewStringOf("onMoved")), JriValue(args)});
    ASSERT_EQ(vm.PageCalls().size(), 1u);
    EXPECT_EQ(vm.PageCalls()[0].function, "onMoved");
    EXPECT_EQ(vm.Describe(vm.NewVector(vm.PageCalls()[0].args)), "Vector[0.25, 0.25]");
}

}  // namespace
