#pragma once

#include <cstddef>
#include <initializer_list>
#include <vector>

#include "platform/jri/Jri.h"

// The Java classes the module uses, each bound once: a global reference to the class and the
// ids of its members, resolved by name and signature. Unbinding sets every id to -1 and lets
// go of the class. Browser's thread only.
struct JavaMember {
    enum Kind { Field, StaticField, Method, StaticMethod };
    Kind kind;
    const char* name;
    const char* signature;
};

class JavaClassBinding {
public:
    JavaClassBinding(const char* name, std::initializer_list<JavaMember> members);
    JavaClassBinding(const char* name, std::vector<JavaMember> members);

    // The class; when it is not bound yet, it is looked up, and a missing one throws
    // ClassNotFoundException with its name into the machine and gives null.
    jref Use(JRIEnv* env);
    void Unuse(JRIEnv* env);

    const char* name() const { return name_; }
    jref clazz() const { return class_; }
    // The id of the member at that place of the list; -1 while unbound.
    jint id(std::size_t member) const;

private:
    const char* name_;
    std::vector<JavaMember> members_;
    std::vector<jint> ids_;
    jref class_ = 0;
};

// Members, in the order of each class's list.
enum PluginMember : std::size_t {
    Plugin_peer,
    Plugin_window,
    Plugin_getPeer,
    Plugin_init,
    Plugin_destroy,
    Plugin_isActive,
    Plugin_getWindow,
    Plugin_new,
};
enum JSObjectMember : std::size_t {
    JSObject_internal,
    JSObject_getMember,
    JSObject_getSlot,
    JSObject_setMember,
    JSObject_setSlot,
    JSObject_removeMember,
    JSObject_call,
    JSObject_eval,
    JSObject_toString,
    JSObject_getWindow,
    JSObject_finalize,
    JSObject_clinit,
};
enum ObjectMember : std::size_t { Object_new, Object_toString, Object_getClass };
enum ClassMember : std::size_t { Class_getName };
enum NumberMember : std::size_t {
    Number_intValue,
    Number_longValue,
    Number_floatValue,
    Number_doubleValue,
};
enum IntegerMember : std::size_t { Integer_new, Integer_intValue };
enum FloatMember : std::size_t { Float_new, Float_floatValue };
enum DoubleMember : std::size_t { Double_new, Double_doubleValue };
enum BooleanMember : std::size_t { Boolean_new, Boolean_booleanValue };
enum LongMember : std::size_t { Long_new, Long_longValue, Long_doubleValue };
enum VectorMember : std::size_t {
    Vector_new,
    Vector_size,
    Vector_elementAt,
    Vector_setElementAt,
    Vector_addElement,
};
// getObjectProperty with 0 to 3 objects, setObjectProperty with 1 to 4, invokeObjectMethod
// with 0 to 6.
enum NPLensObjMember : std::size_t {
    NPLensObj_getObjectProperty0,
    NPLensObj_setObjectProperty0 = NPLensObj_getObjectProperty0 + 4,
    NPLensObj_invokeObjectMethod0 = NPLensObj_setObjectProperty0 + 4,
    // The natives follow, in their registration order.
    NPLensObj_firstNative = NPLensObj_invokeObjectMethod0 + 7,
};

extern JavaClassBinding netscape_plugin_Plugin;
extern JavaClassBinding netscape_javascript_JSObject;
extern JavaClassBinding java_lang_Object;
extern JavaClassBinding java_lang_Class;
extern JavaClassBinding java_lang_Number;
extern JavaClassBinding java_lang_Integer;
extern JavaClassBinding java_lang_Float;
extern JavaClassBinding java_lang_Double;
extern JavaClassBinding java_lang_Boolean;
extern JavaClassBinding java_lang_Long;
extern JavaClassBinding java_util_Vector;
extern JavaClassBinding NPLensObj;

jref use_netscape_plugin_Plugin(JRIEnv* env);
void unuse_netscape_plugin_Plugin(JRIEnv* env);
jref use_netscape_javascript_JSObject(JRIEnv* env);
void unuse_netscape_javascript_JSObject(JRIEnv* env);
jref use_java_lang_Object(JRIEnv* env);
void unuse_java_lang_Object(JRIEnv* env);
jref use_java_lang_Class(JRIEnv* env);
void unuse_java_lang_Class(JRIEnv* env);
jref use_java_lang_Number(JRIEnv* env);
void unuse_java_lang_Number(JRIEnv* env);
jref use_java_lang_Integer(JRIEnv* env);
void unuse_java_lang_Integer(JRIEnv* env);
jref use_java_lang_Float(JRIEnv* env);
void unuse_java_lang_Float(JRIEnv* env);
jref use_java_lang_Double(JRIEnv* env);
void unuse_java_lang_Double(JRIEnv* env);
jref use_java_lang_Boolean(JRIEnv* env);
void unuse_java_lang_Boolean(JRIEnv* env);
jref use_java_lang_Long(JRIEnv* env);
void unuse_java_lang_Long(JRIEnv* env);
jref use_java_util_Vector(JRIEnv* env);
void unuse_java_util_Vector(JRIEnv* env);
// The module's own class, with the Java methods that reach the control by name.
jref use_NPLensObj(JRIEnv* env);
void unuse_NPLensObj(JRIEnv* env);
