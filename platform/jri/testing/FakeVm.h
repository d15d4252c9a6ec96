#pragma once

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/jri/Jri.h"

namespace jri_testing {

// A Java virtual machine in memory, as far as a plug-in can tell through its environment:
// classes by name with fields and methods by name and signature, objects, strings, arrays,
// references and pending exceptions. It starts with java/lang (Object, Class, Number,
// Integer, Float, Double, Boolean, Long, String, the exceptions), java/util/Vector, the
// browser's netscape/plugin/Plugin and netscape/javascript/JSObject, and the plug-in's own
// class NPLensObj with its natives (bound by RegisterNatives) and its Java methods, which
// call those natives. It records the calls a test asks about: class lookups, global
// references, native registration, thrown exceptions and the page calls JSObject.call made.
// Local references are never given back; global ones are counted. One thread.
class FakeVm final : public JRIEnv {
public:
    // What a Java method does: `self` is the object (the class for a static method).
    using Body = std::function<jvalue(FakeVm& vm, jref self, const jvalue* args)>;

    struct PageCall {
        std::string function;
        std::vector<jref> args;  // the argument array's elements
    };

    FakeVm();
    ~FakeVm();
    FakeVm(const FakeVm&) = delete;
    FakeVm& operator=(const FakeVm&) = delete;

    // JRIEnv
    jref FindClass(const char* name) override;
    jref GetObjectClass(jref object) override;
    jbool IsInstanceOf(jref object, jref clazz) override;
    jbool IsSameObject(jref a, jref b) override;
    jint ThrowNew(jref clazz, const char* message) override;
    jref ExceptionOccurred() override;
    void ExceptionClear() override;
    jref NewGlobalRef(jref object) override;
    void DisposeGlobalRef(jref global) override;
    JRIFieldID GetFieldID(jref clazz, const char* name, const char* signature) override;
    JRIFieldID GetStaticFieldID(jref clazz, const char* name, const char* signature) override;
    JRIMethodID GetMethodID(jref clazz, const char* name, const char* signature) override;
    JRIMethodID GetStaticMethodID(jref clazz, const char* name, const char* signature) override;
    jvalue GetField(jref object, JRIFieldID field) override;
    void SetField(jref object, JRIFieldID field, jvalue value) override;
    jvalue GetStaticField(jref clazz, JRIFieldID field) override;
    jvalue CallMethodA(jref object, JRIMethodID method, const jvalue* args) override;
    jvalue CallStaticMethodA(jref clazz, JRIMethodID method, const jvalue* args) override;
    jref NewObjectA(jref clazz, JRIMethodID constructor, const jvalue* args) override;
    jref NewString(const jchar* chars, jint length) override;
    jint GetStringLength(jref string) override;
    const jchar* GetStringChars(jref string) override;
    jref NewStringUTF(const char* bytes, jint length) override;
    jint GetStringUTFLength(jref string) override;
    const char* GetStringUTFChars(jref string) override;
    jint GetArrayLength(jref array) override;
    jref NewObjectArray(jint length, jref elementClass, jref initial) override;
    jref GetObjectArrayElement(jref array, jint index) override;
    void SetObjectArrayElement(jref array, jint index, jref value) override;
    jref NewScalarArray(jint length, char elementType, const void* initial) override;
    void* GetScalarArrayElements(jref array) override;
    jint RegisterNatives(jref clazz, const char** nameAndSignatures, void** functions) override;
    void UnregisterNatives(jref clazz) override;

    // Classes of the test's own. A native is declared here and bound by RegisterNatives.
    void DefineClass(const std::string& name, const std::string& super = "java/lang/Object");
    void DefineField(const std::string& clazz, const std::string& name,
                     const std::string& signature, bool isStatic = false);
    void DefineMethod(const std::string& clazz, const std::string& name,
                      const std::string& signature, Body body, bool isStatic = false);
    void DefineNative(const std::string& clazz, const std::string& nameAndSignature);
    // A missing class is not found by FindClass until it is back.
    void SetClassMissing(const std::string& name, bool missing = true);

    // What the test asks about.
    int GlobalRefCount() const { return static_cast<int>(globals_.size()); }
    const std::vector<std::string>& Log() const { return log_; }
    void ClearLog() { log_.clear(); }
    // Entries of the log that begin with `prefix`, without it.
    std::vector<std::string> LogOf(const std::string& prefix) const;
    const std::vector<PageCall>& PageCalls() const { return pageCalls_; }
    // The pending exception's class name and message; empty when none is pending.
    std::string PendingClass();
    std::string PendingMessage();
    bool NativeBound(const std::string& clazz, const std::string& nameAndSignature) const;

    // Objects for tests.
    jref NewInteger(jint value);
    jref NewFloat(jfloat value);
    jref NewDouble(jdouble value);
    jref NewBoolean(bool value);
    jref NewLong(jlong value);
    jref NewStringOf(const std::string& utf8);
    jref NewVector(const std::vector<jref>& elements);
    // An object of a netscape/plugin/Plugin class whose peer is `peer`, with a window
    // object of its own (0 for none).
    jref NewPluginObject(jint peer, const std::string& clazz = "NPLensObj", bool window = true);
    std::string Utf8(jref string);
    std::string ClassNameOf(jref object);  // slashes, as FindClass takes it
    // Calls a method by name and signature on an object (a class for a static one).
    jvalue Call(jref object, const std::string& name, const std::string& signature,
                const std::vector<jvalue>& args = {});
    // A readable form of a value object: 7, 1.5, true, "text", null, [1, 2], Vector[...].
    std::string Describe(jref object);

private:
    struct ClassInfo;
    struct Object;
    struct Member {
        ClassInfo* owner = nullptr;
        std::string name;
        std::string signature;
        bool isStatic = false;
        Body body;
        bool isNative = false;
        void* native = nullptr;
    };
    struct ClassInfo {
        std::string name;
        ClassInfo* super = nullptr;
        std::vector<int> fields;   // ids
        std::vector<int> methods;  // ids
        std::shared_ptr<Object> classObject;
        std::map<int, jvalue> statics;
    };
    struct Object {
        ClassInfo* clazz = nullptr;
        jref local = 0;
        std::map<int, jvalue> fields;
        ClassInfo* represents = nullptr;  // a java/lang/Class object
        std::u16string chars;             // a String
        std::string utf8;
        jvalue boxed{};  // an Integer, Float, Double, Boolean or Long
        char boxedType = 0;
        std::vector<std::shared_ptr<Object>> elements;  // an object array or a Vector
        std::vector<unsigned char> scalars;             // a scalar array
        char elementType = 0;
        jint length = 0;
    };

    void DefineStandardClasses();
    ClassInfo* Class(const std::string& name);
    ClassInfo* ArrayClass(const std::string& name);
    ClassInfo* ClassOf(jref clazz);
    std::shared_ptr<Object> Get(jref ref) const;
    jref Ref(const std::shared_ptr<Object>& object);
    std::shared_ptr<Object> NewObjectOf(ClassInfo* clazz);
    int FindMember(ClassInfo* clazz, const std::string& name, const std::string& signature,
                   bool method, bool isStatic) const;
    jvalue Invoke(const Member& member, jref self, const jvalue* args);
    void Throw(const std::string& clazz, const std::string& message);
    jref Box(const std::string& clazz, char type, jvalue value);
    std::string Describe(const Member& member) const;
    static bool IsSubclass(const ClassInfo* clazz, const ClassInfo* of);

    std::map<std::string, std::unique_ptr<ClassInfo>> classes_;
    std::set<std::string> missing_;
    std::vector<Member> members_;  // index = id
    std::unordered_map<jref, std::shared_ptr<Object>> locals_;
    std::unordered_map<jref, std::shared_ptr<Object>> globals_;
    jref nextRef_ = 1;
    std::shared_ptr<Object> pending_;
    std::vector<std::string> log_;
    std::vector<PageCall> pageCalls_;
};

// The natives of NPLensObj, name and signature as RegisterNatives takes them, in order.
const std::vector<std::string>& LensObjNatives();

// Calls a native through a pointer of its own signature; false for a signature of a shape
// this machine does not know.
bool CallNative(void* function, const std::string& signature, JRIEnv* env, jref self,
                const jvalue* args, jvalue* result);

}  // namespace jri_testing
