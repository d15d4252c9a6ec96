#include "control-plugin/bridge/JavaClasses.h"

#include <utility>

#include "control-plugin/bridge/LensObjNatives.h"

namespace {

using M = JavaMember;

}  // namespace

JavaClassBinding::JavaClassBinding(const char* name, std::initializer_list<JavaMember> members)
    : name_(name), members_(members), ids_(members.size(), JRIUninitialized) {}

JavaClassBinding::JavaClassBinding(const char* name, std::vector<JavaMember> members)
    : name_(name), members_(std::move(members)), ids_(members_.size(), JRIUninitialized) {}

jref JavaClassBinding::Use(JRIEnv* env) {
    if (class_ != 0) return class_;
    if (env == nullptr) return 0;
    const jref found = env->FindClass(name_);
    if (found == 0) {
        if (const jref missing = env->FindClass("java/lang/ClassNotFoundException")) {
            env->ThrowNew(missing, name_);
        }
        return 0;
    }
    for (std::size_t i = 0; i < members_.size(); ++i) {
        const JavaMember& m = members_[i];
        switch (m.kind) {
            case JavaMember::Field:
                ids_[i] = env->GetFieldID(found, m.name, m.signature);
                break;
            case JavaMember::StaticField:
                ids_[i] = env->GetStaticFieldID(found, m.name, m.signature);
                break;
            case JavaMember::Method:
                ids_[i] = env->GetMethodID(found, m.name, m.signature);
                break;
            case JavaMember::StaticMethod:
                ids_[i] = env->GetStaticMethodID(found, m.name, m.signature);
                break;
        }
    }
    class_ = env->NewGlobalRef(found);
    return class_;
}

void JavaClassBinding::Unuse(JRIEnv* env) {
    if (class_ == 0) return;
    ids_.assign(members_.size(), JRIUninitialized);
    if (env != nullptr) env->DisposeGlobalRef(class_);
    class_ = 0;
}

jint JavaClassBinding::id(std::size_t member) const {
    return member < ids_.size() ? ids_[member] : JRIUninitialized;
}

JavaClassBinding netscape_plugin_Plugin("netscape/plugin/Plugin",
                                        {
                                            {M::Field, "peer", "I"},
                                            {M::Field, "window", "Lnetscape/javascript/JSObject;"},
                                            {M::Method, "getPeer", "()I"},
                                            {M::Method, "init", "()V"},
                                            {M::Method, "destroy", "()V"},
                                            {M::Method, "isActive", "()Z"},
                                            {M::Method, "getWindow",
                                             "()Lnetscape/javascript/JSObject;"},
                                            {M::Method, "<init>", "()V"},
                                        });

JavaClassBinding netscape_javascript_JSObject(
    "netscape/javascript/JSObject",
    {
        {M::Field, "internal", "I"},
        {M::Method, "getMember", "(Ljava/lang/String;)Ljava/lang/Object;"},
        {M::Method, "getSlot", "(I)Ljava/lang/Object;"},
        {M::Method, "setMember", "(Ljava/lang/String;Ljava/lang/Object;)V"},
        {M::Method, "setSlot", "(ILjava/lang/Object;)V"},
        {M::Method, "removeMember", "(Ljava/lang/String;)V"},
        {M::Method, "call", "(Ljava/lang/String;[Ljava/lang/Object;)Ljava/lang/Object;"},
        {M::Method, "eval", "(Ljava/lang/String;)Ljava/lang/Object;"},
        {M::Method, "toString", "()Ljava/lang/String;"},
        {M::StaticMethod, "getWindow", "(Ljava/applet/Applet;)Lnetscape/javascript/JSObject;"},
        {M::Method, "finalize", "()V"},
        {M::StaticMethod, "<clinit>", "()V"},
    });

JavaClassBinding java_lang_Object("java/lang/Object",
                                  {
                                      {M::Method, "<init>", "()V"},
                                      {M::Method, "toString", "()Ljava/lang/String;"},
                                      {M::Method, "getClass", "()Ljava/lang/Class;"},
                                  });

JavaClassBinding java_lang_Class("java/lang/Class",
                                 {{M::Method, "getName", "()Ljava/lang/String;"}});

JavaClassBinding java_lang_Number("java/lang/Number", {
                                                          {M::Method, "intValue", "()I"},
                                                          {M::Method, "longValue", "()J"},
                                                          {M::Method, "floatValue", "()F"},
                                                          {M::Method, "doubleValue", "()D"},
                                                      });

JavaClassBinding java_lang_Integer("java/lang/Integer", {
                                                            {M::Method, "<init>", "(I)V"},
                                                            {M::Method, "intValue", "()I"},
                                                        });

JavaClassBinding java_lang_Float("java/lang/Float", {
                                                        {M::Method, "<init>", "(F)V"},
                                                        {M::Method, "floatValue", "()F"},
                                                    });

JavaClassBinding java_lang_Double("java/lang/Double", {
                                                          {M::Method, "<init>", "(D)V"},
                                                          {M::Method, "doubleValue", "()D"},
                                                      });

JavaClassBinding java_lang_Boolean("java/lang/Boolean", {
                                                            {M::Method, "<init>", "(Z)V"},
                                                            {M::Method, "booleanValue", "()Z"},
                                                        });

JavaClassBinding java_lang_Long("java/lang/Long", {
                                                      {M::Method, "<init>", "(J)V"},
                                                      {M::Method, "longValue", "()J"},
                                                      {M::Method, "doubleValue", "()D"},
                                                  });

JavaClassBinding java_util_Vector("java/util/Vector",
                                  {
                                      {M::Method, "<init>", "()V"},
                                      {M::Method, "size", "()I"},
                                      {M::Method, "elementAt", "(I)Ljava/lang/Object;"},
                                      {M::Method, "setElementAt", "(Ljava/lang/Object;I)V"},
                                      {M::Method, "addElement", "(Ljava/lang/Object;)V"},
                                  });

#define NPLENSOBJ_BY_NAME(objects) "(ILjava/lang/String;" objects ")"
#define NPLENSOBJ_O "Ljava/lang/Object;"
// The Java methods that reach the control by name, then every native.
std::vector<JavaMember> LensObjMembers() {
    std::vector<JavaMember> members = {
        {M::Method, "getObjectProperty", NPLENSOBJ_BY_NAME("") NPLENSOBJ_O},
        {M::Method, "getObjectProperty", NPLENSOBJ_BY_NAME(NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "getObjectProperty", NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "getObjectProperty",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "setObjectProperty", NPLENSOBJ_BY_NAME(NPLENSOBJ_O) "V"},
        {M::Method, "setObjectProperty", NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O) "V"},
        {M::Method, "setObjectProperty",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O) "V"},
        {M::Method, "setObjectProperty",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O) "V"},
        {M::Method, "invokeObjectMethod", NPLENSOBJ_BY_NAME("") NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod", NPLENSOBJ_BY_NAME(NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod", NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O) NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O)
             NPLENSOBJ_O},
        {M::Method, "invokeObjectMethod",
         NPLENSOBJ_BY_NAME(NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O NPLENSOBJ_O)
             NPLENSOBJ_O},
    };
#define LENSOBJ_MEMBER(name, signature) members.push_back({M::Method, #name, signature});
    LENSOBJ_NATIVES(LENSOBJ_MEMBER)
#undef LENSOBJ_MEMBER
    return members;
}

JavaClassBinding NPLensObj("NPLensObj", LensObjMembers());
#undef NPLENSOBJ_O
#undef NPLENSOBJ_BY_NAME

#define JAVA_CLASS_USE(binding)         \
    jref use_##binding(JRIEnv* env) {   \
        return binding.Use(env);        \
    }                                   \
    void unuse_##binding(JRIEnv* env) { \
        binding.Unuse(env);             \
    }
JAVA_CLASS_USE(netscape_plugin_Plugin)
JAVA_CLASS_USE(netscape_javascript_JSObject)
JAVA_CLASS_USE(java_lang_Object)
JAVA_CLASS_USE(java_lang_Class)
JAVA_CLASS_USE(java_lang_Number)
JAVA_CLASS_USE(java_lang_Integer)
JAVA_CLASS_USE(java_lang_Float)
JAVA_CLASS_USE(java_lang_Double)
JAVA_CLASS_USE(java_lang_Boolean)
JAVA_CLASS_USE(java_lang_Long)
JAVA_CLASS_USE(java_util_Vector)
JAVA_CLASS_USE(NPLensObj)
#undef JAVA_CLASS_USE
