#pragma once

#include <cstdint>

// The Java runtime interface a browser hands its plug-ins: class and member lookup, calls,
// strings, arrays, global references, exceptions and native registration. A reference is a
// 32-bit id (0 is null), so it fits a 32-bit operand slot of the virtual machine; member ids
// are 32-bit too, -1 when unknown. The environment is an interface with fixed slots: a
// browser and a plug-in built apart call it by slot. It belongs to the browser and is never
// deleted by a plug-in.
using jint = std::int32_t;
using jlong = std::int64_t;
using jshort = std::int16_t;
using jbyte = std::int8_t;
using jchar = std::uint16_t;
using jbool = std::uint8_t;
using jfloat = float;
using jdouble = double;
using jref = std::uint32_t;
using JRIFieldID = jint;
using JRIMethodID = jint;

inline constexpr jint JRIUninitialized = -1;

// One argument or result of a call; which member counts follows the member's signature.
union jvalue {
    jbool z;
    jbyte b;
    jchar c;
    jshort s;
    jint i;
    jlong l;
    jfloat f;
    jdouble d;
    jref r;
};

inline jvalue JriValue(jbool v) {
    jvalue x{};
    x.z = v;
    return x;
}
inline jvalue JriValue(jbyte v) {
    jvalue x{};
    x.b = v;
    return x;
}
inline jvalue JriValue(jchar v) {
    jvalue x{};
    x.c = v;
    return x;
}
inline jvalue JriValue(jshort v) {
    jvalue x{};
    x.s = v;
    return x;
}
inline jvalue JriValue(jint v) {
    jvalue x{};
    x.i = v;
    return x;
}
inline jvalue JriValue(jlong v) {
    jvalue x{};
    x.l = v;
    return x;
}
inline jvalue JriValue(jfloat v) {
    jvalue x{};
    x.f = v;
    return x;
}
inline jvalue JriValue(jdouble v) {
    jvalue x{};
    x.d = v;
    return x;
}
inline jvalue JriValue(jref v) {
    jvalue x{};
    x.r = v;
    return x;
}

class JRIEnv {
public:
    // Classes by their slash-separated names ("java/lang/Integer"); null and a pending
    // NoClassDefFoundError when there is none.
    virtual jref FindClass(const char* name) = 0;
    virtual jref GetObjectClass(jref object) = 0;
    virtual jbool IsInstanceOf(jref object, jref clazz) = 0;
    virtual jbool IsSameObject(jref a, jref b) = 0;

    // A new exception of that class with that message becomes pending; 0 when it did.
    virtual jint ThrowNew(jref clazz, const char* message) = 0;
    virtual jref ExceptionOccurred() = 0;
    virtual void ExceptionClear() = 0;

    // A reference that lives until it is disposed, whatever the calling native does.
    virtual jref NewGlobalRef(jref object) = 0;
    virtual void DisposeGlobalRef(jref global) = 0;

    // Members by name and signature ("(I)V", "Ljava/lang/String;"), inherited ones too.
    virtual JRIFieldID GetFieldID(jref clazz, const char* name, const char* signature) = 0;
    virtual JRIFieldID GetStaticFieldID(jref clazz, const char* name, const char* signature) = 0;
    virtual JRIMethodID GetMethodID(jref clazz, const char* name, const char* signature) = 0;
    virtual JRIMethodID GetStaticMethodID(jref clazz, const char* name, const char* signature) = 0;

    virtual jvalue GetField(jref object, JRIFieldID field) = 0;
    virtual void SetField(jref object, JRIFieldID field, jvalue value) = 0;
    virtual jvalue GetStaticField(jref clazz, JRIFieldID field) = 0;
    // `args` holds as many values as the signature names.
    virtual jvalue CallMethodA(jref object, JRIMethodID method, const jvalue* args) = 0;
    virtual jvalue CallStaticMethodA(jref clazz, JRIMethodID method, const jvalue* args) = 0;
    virtual jref NewObjectA(jref clazz, JRIMethodID constructor, const jvalue* args) = 0;

    // Strings as UTF-16 units or as UTF-8; the characters stay valid while the string lives.
    virtual jref NewString(const jchar* chars, jint length) = 0;
    virtual jint GetStringLength(jref string) = 0;
    virtual const jchar* GetStringChars(jref string) = 0;
    virtual jref NewStringUTF(const char* bytes, jint length) = 0;
    virtual jint GetStringUTFLength(jref string) = 0;
    virtual const char* GetStringUTFChars(jref string) = 0;

    // Arrays. A scalar array's element type is one signature letter (Z B C S I J F D); its
    // elements are one block the caller may write.
    virtual jint GetArrayLength(jref array) = 0;
    virtual jref NewObjectArray(jint length, jref elementClass, jref initial) = 0;
    virtual jref GetObjectArrayElement(jref array, jint index) = 0;
    virtual void SetObjectArrayElement(jref array, jint index, jref value) = 0;
    virtual jref NewScalarArray(jint length, char elementType, const void* initial) = 0;
    virtual void* GetScalarArrayElements(jref array) = 0;

    // `nameAndSignatures` ends with a null entry; each is the native's name followed by its
    // signature ("GetObject()I"); `functions` is parallel to it. 0 when all were bound.
    virtual jint RegisterNatives(jref clazz, const char** nameAndSignatures, void** functions) = 0;
    virtual void UnregisterNatives(jref clazz) = 0;

    // Typed calls over CallMethodA.
    template <class... Args>
    jvalue CallMethod(jref object, JRIMethodID method, Args... args) {
        const jvalue values[sizeof...(Args) + 1] = {JriValue(args)..., jvalue{}};
        return CallMethodA(object, method, values);
    }
    template <class... Args>
    jref CallMethodObject(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).r;
    }
    template <class... Args>
    jint CallMethodInt(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).i;
    }
    template <class... Args>
    jfloat CallMethodFloat(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).f;
    }
    template <class... Args>
    jdouble CallMethodDouble(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).d;
    }
    template <class... Args>
    jbool CallMethodBoolean(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).z;
    }
    template <class... Args>
    jlong CallMethodLong(jref object, JRIMethodID method, Args... args) {
        return CallMethod(object, method, args...).l;
    }
    template <class... Args>
    jref CallStaticMethodObject(jref clazz, JRIMethodID method, Args... args) {
        const jvalue values[sizeof...(Args) + 1] = {JriValue(args)..., jvalue{}};
        return CallStaticMethodA(clazz, method, values).r;
    }
    template <class... Args>
    jref NewObject(jref clazz, JRIMethodID constructor, Args... args) {
        const jvalue values[sizeof...(Args) + 1] = {JriValue(args)..., jvalue{}};
        return NewObjectA(clazz, constructor, values);
    }

protected:
    ~JRIEnv() = default;
};
