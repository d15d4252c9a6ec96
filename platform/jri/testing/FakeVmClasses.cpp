// The classes the machine starts with.
#include <charconv>
#include <cmath>
#include <limits>

#include "platform/jri/testing/FakeVm.h"

namespace jri_testing {
namespace {

// Java's text of a float or double: the shortest that reads back, with ".0" for whole ones.
template <class T>
std::string JavaNumberText(T value) {
    if (std::isnan(value)) return "NaN";
    if (std::isinf(value)) return value > 0 ? "Infinity" : "-Infinity";
    char buffer[64];
    const auto end = std::to_chars(buffer, buffer + sizeof buffer, value).ptr;
    std::string text(buffer, end);
    if (text.find_first_of(".e") == std::string::npos) text += ".0";
    return text;
}

const std::string kObject = "Ljava/lang/Object;";
const std::string kString = "Ljava/lang/String;";
const std::string kJSObject = "Lnetscape/javascript/JSObject;";

// A double narrowed as Java narrows it: NaN gives 0, values out of range the nearest end.
template <class Integer>
Integer JavaNarrow(double value) {
    if (std::isnan(value)) return 0;
    if (value <= static_cast<double>(std::numeric_limits<Integer>::min())) {
        return std::numeric_limits<Integer>::min();
    }
    if (value >= static_cast<double>(std::numeric_limits<Integer>::max())) {
        return std::numeric_limits<Integer>::max();
    }
    return static_cast<Integer>(value);
}

}  // namespace

jref FakeVm::Box(const std::string& clazz, char type, jvalue value) {
    auto object = NewObjectOf(Class(clazz));
    object->boxedType = type;
    object->boxed = value;
    return object->local;
}

jref FakeVm::NewInteger(jint value) {
    return Box("java/lang/Integer", 'I', JriValue(value));
}
jref FakeVm::NewFloat(jfloat value) {
    return Box("java/lang/Float", 'F', JriValue(value));
}
jref FakeVm::NewDouble(jdouble value) {
    return Box("java/lang/Double", 'D', JriValue(value));
}
jref FakeVm::NewBoolean(bool value) {
    return Box("java/lang/Boolean", 'Z', JriValue(static_cast<jbool>(value ? 1 : 0)));
}
jref FakeVm::NewLong(jlong value) {
    return Box("java/lang/Long", 'J', JriValue(value));
}

jref FakeVm::NewVector(const std::vector<jref>& elements) {
    auto vector = NewObjectOf(Class("java/util/Vector"));
    for (jref e : elements) vector->elements.push_back(Get(e));
    return vector->local;
}

jref FakeVm::NewPluginObject(jint peer, const std::string& clazz, bool window) {
    ClassInfo* info = Class(clazz);
    if (info == nullptr) return 0;
    auto object = NewObjectOf(info);
    const jref self = object->local;
    const int peerField = FindMember(info, "peer", "I", false, false);
    const int windowField = FindMember(info, "window", kJSObject, false, false);
    if (peerField >= 0) SetField(self, peerField, JriValue(peer));
    if (window && windowField >= 0) {
        SetField(self, windowField,
                 JriValue(NewObjectOf(Class("netscape/javascript/JSObject"))->local));
    }
    return self;
}

std::string FakeVm::Describe(jref ref) {
    auto o = Get(ref);
    if (!o) return "null";
    switch (o->boxedType) {
        case 'I':
            return std::to_string(o->boxed.i);
        case 'F':
            return JavaNumberText(o->boxed.f);
        case 'D':
            return JavaNumberText(o->boxed.d);
        case 'Z':
            return o->boxed.z != 0 ? "true" : "false";
        case 'J':
            return std::to_string(o->boxed.l);
        default:
            break;
    }
    const std::string& name = o->clazz->name;
    if (name == "java/lang/String") return "\"" + o->utf8 + "\"";
    if (name == "java/util/Vector" || (name.size() > 1 && name[0] == '[' && name[1] == 'L')) {
        std::string text = name == "java/util/Vector" ? "Vector[" : "[";
        for (std::size_t i = 0; i < o->elements.size(); ++i) {
            if (i > 0) text += ", ";
            text += Describe(Ref(o->elements[i]));
        }
        return text + "]";
    }
    if (o->elementType != 0) {
        std::string text = "[";
        for (jint i = 0; i < o->length; ++i) {
            if (i > 0) text += ", ";
            const unsigned char* at = o->scalars.data();
            switch (o->elementType) {
                case 'Z':
                    text += at[i] != 0 ? "true" : "false";
                    break;
                case 'B':
                    text += std::to_string(reinterpret_cast<const jbyte*>(at)[i]);
                    break;
                case 'C':
                    text += std::to_string(reinterpret_cast<const jchar*>(at)[i]);
                    break;
                case 'S':
                    text += std::to_string(reinterpret_cast<const jshort*>(at)[i]);
                    break;
                case 'I':
                    text += std::to_string(reinterpret_cast<const jint*>(at)[i]);
                    break;
                case 'J':
                    text += std::to_string(reinterpret_cast<const jlong*>(at)[i]);
                    break;
                case 'F':
                    text += JavaNumberText(reinterpret_cast<const jfloat*>(at)[i]);
                    break;
                case 'D':
                    text += JavaNumberText(reinterpret_cast<const jdouble*>(at)[i]);
                    break;
                default:
                    break;
            }
        }
        return text + "]";
    }
    return name + "@" + std::to_string(o->local);
}

void FakeVm::DefineStandardClasses() {
    DefineClass("java/lang/Object", "");
    DefineClass("java/lang/Class");
    classes_["java/lang/Object"]->classObject->clazz = Class("java/lang/Class");
    classes_["java/lang/Class"]->super = Class("java/lang/Object");

    const auto self = [](jref s) { return JriValue(s); };
    DefineMethod("java/lang/Object", "<init>", "()V",
                 [](FakeVm&, jref, const jvalue*) { return jvalue{}; });
    DefineMethod("java/lang/Object", "getClass", "()Ljava/lang/Class;",
                 [](FakeVm& vm, jref s, const jvalue*) { return JriValue(vm.GetObjectClass(s)); });
    DefineMethod(
        "java/lang/Object", "toString", "()" + kString, [](FakeVm& vm, jref s, const jvalue*) {
            auto o = vm.Get(s);
            std::string text = o->boxedType != 0 ? vm.Describe(s)
                                                 : o->clazz->name + "@" + std::to_string(o->local);
            for (char& c : text) c = c == '/' ? '.' : c;
            return JriValue(vm.NewStringOf(text));
        });
    DefineMethod("java/lang/Class", "getName", "()" + kString,
                 [](FakeVm& vm, jref s, const jvalue*) {
                     std::string name = vm.ClassOf(s) != nullptr ? vm.ClassOf(s)->name : "";
                     for (char& c : name) c = c == '/' ? '.' : c;
                     return JriValue(vm.NewStringOf(name));
                 });

    DefineClass("java/lang/String");
    DefineMethod("java/lang/String", "toString", "()" + kString,
                 [self](FakeVm&, jref s, const jvalue*) { return self(s); });
    DefineMethod("java/lang/String", "length", "()I",
                 [](FakeVm& vm, jref s, const jvalue*) { return JriValue(vm.GetStringLength(s)); });

    // Numbers and their boxes.
    DefineClass("java/lang/Number");
    const auto asDouble = [](const Object& o) -> double {
        switch (o.boxedType) {
            case 'I':
                return o.boxed.i;
            case 'F':
                return o.boxed.f;
            case 'D':
                return o.boxed.d;
            case 'J':
                return static_cast<double>(o.boxed.l);
            case 'Z':
                return o.boxed.z;
            default:
                return 0;
        }
    };
    DefineMethod("java/lang/Number", "intValue", "()I",
                 [asDouble](FakeVm& vm, jref s, const jvalue*) {
                     auto o = vm.Get(s);
                     if (o->boxedType == 'I') return JriValue(o->boxed.i);
                     if (o->boxedType == 'J') return JriValue(static_cast<jint>(o->boxed.l));
                     return JriValue(JavaNarrow<jint>(asDouble(*o)));
                 });
    DefineMethod("java/lang/Number", "longValue", "()J",
                 [asDouble](FakeVm& vm, jref s, const jvalue*) {
                     auto o = vm.Get(s);
                     if (o->boxedType == 'J') return JriValue(o->boxed.l);
                     return JriValue(JavaNarrow<jlong>(asDouble(*o)));
                 });
    DefineMethod("java/lang/Number", "floatValue", "()F",
                 [asDouble](FakeVm& vm, jref s, const jvalue*) {
                     return JriValue(static_cast<jfloat>(asDouble(*vm.Get(s))));
                 });
    DefineMethod(
        "java/lang/Number", "doubleValue", "()D",
        [asDouble](FakeVm& vm, jref s, const jvalue*) { return JriValue(asDouble(*vm.Get(s))); });
    const auto boxClass = [this](const std::string& name, const std::string& super, char type) {
        DefineClass(name, super);
        DefineMethod(name, "<init>", std::string("(") + type + ")V",
                     [type](FakeVm& vm, jref s, const jvalue* args) {
                         auto o = vm.Get(s);
                         o->boxedType = type;
                         o->boxed = args[0];
                         return jvalue{};
                     });
    };
    boxClass("java/lang/Integer", "java/lang/Number", 'I');
    boxClass("java/lang/Float", "java/lang/Number", 'F');
    boxClass("java/lang/Double", "java/lang/Number", 'D');
    boxClass("java/lang/Long", "java/lang/Number", 'J');
    boxClass("java/lang/Boolean", "java/lang/Object", 'Z');
    DefineMethod("java/lang/Boolean", "booleanValue", "()Z",
                 [](FakeVm& vm, jref s, const jvalue*) { return JriValue(vm.Get(s)->boxed.z); });

    // Exceptions, with their messages.
    DefineClass("java/lang/Throwable");
    DefineMethod("java/lang/Throwable", "getMessage", "()" + kString,
                 [](FakeVm& vm, jref s, const jvalue*) {
                     return JriValue(vm.NewStringOf(vm.Get(s)->utf8));
                 });
    DefineClass("java/lang/Exception", "java/lang/Throwable");
    DefineClass("java/lang/Error", "java/lang/Throwable");
    DefineClass("java/lang/RuntimeException", "java/lang/Exception");
    DefineClass("java/lang/ClassNotFoundException", "java/lang/Exception");
    DefineClass("java/lang/NullPointerException", "java/lang/RuntimeException");
    DefineClass("java/lang/ArrayIndexOutOfBoundsException", "java/lang/RuntimeException");
    DefineClass("java/lang/NoSuchFieldError", "java/lang/Error");
    DefineClass("java/lang/NoSuchMethodError", "java/lang/Error");
    DefineClass("java/lang/UnsatisfiedLinkError", "java/lang/Error");

    // A growable list.
    DefineClass("java/util/Vector");
    DefineMethod("java/util/Vector", "<init>", "()V",
                 [](FakeVm&, jref, const jvalue*) { return jvalue{}; });
    DefineMethod("java/util/Vector", "size", "()I", [](FakeVm& vm, jref s, const jvalue*) {
        return JriValue(static_cast<jint>(vm.Get(s)->elements.size()));
    });
    DefineMethod(
        "java/util/Vector", "elementAt", "(I)" + kObject,
        [](FakeVm& vm, jref s, const jvalue* args) {
            auto o = vm.Get(s);
            if (args[0].i < 0 || static_cast<std::size_t>(args[0].i) >= o->elements.size()) {
                vm.Throw("java/lang/ArrayIndexOutOfBoundsException", std::to_string(args[0].i));
                return JriValue(jref{0});
            }
            return JriValue(vm.Ref(o->elements[static_cast<std::size_t>(args[0].i)]));
        });
    DefineMethod(
        "java/util/Vector", "setElementAt", "(" + kObject + "I)V",
        [](FakeVm& vm, jref s, const jvalue* args) {
            auto o = vm.Get(s);
            if (args[1].i < 0 || static_cast<std::size_t>(args[1].i) >= o->elements.size()) {
                vm.Throw("java/lang/ArrayIndexOutOfBoundsException", std::to_string(args[1].i));
            } else {
                o->elements[static_cast<std::size_t>(args[1].i)] = vm.Get(args[0].r);
            }
            return jvalue{};
        });
    DefineMethod("java/util/Vector", "addElement", "(" + kObject + ")V",
                 [](FakeVm& vm, jref s, const jvalue* args) {
                     vm.Get(s)->elements.push_back(vm.Get(args[0].r));
                     return jvalue{};
                 });

    // The browser's page object: calls are recorded with their arguments.
    DefineClass("java/applet/Applet");
    DefineClass("netscape/javascript/JSObject");
    DefineField("netscape/javascript/JSObject", "internal", "I");
    const auto nothing = [](FakeVm&, jref, const jvalue*) { return jvalue{}; };
    const std::string js = "netscape/javascript/JSObject";
    DefineMethod(js, "getMember", "(" + kString + ")" + kObject, nothing);
    DefineMethod(js, "getSlot", "(I)" + kObject, nothing);
    DefineMethod(js, "setMember", "(" + kString + kObject + ")V", nothing);
    DefineMethod(js, "setSlot", "(I" + kObject + ")V", nothing);
    DefineMethod(js, "removeMember", "(" + kString + ")V", nothing);
    DefineMethod(js, "call", "(" + kString + "[" + kObject + ")" + kObject,
                 [](FakeVm& vm, jref, const jvalue* args) {
                     PageCall call;
                     call.function = vm.Utf8(args[0].r);
                     if (auto array = vm.Get(args[1].r)) {
                         for (const auto& e : array->elements) call.args.push_back(vm.Ref(e));
                     }
                     vm.log_.push_back("call " + call.function);
                     vm.pageCalls_.push_back(std::move(call));
                     return jvalue{};
                 });
    DefineMethod(js, "eval", "(" + kString + ")" + kObject, nothing);
    DefineMethod(js, "toString", "()" + kString, [](FakeVm& vm, jref, const jvalue*) {
        return JriValue(vm.NewStringOf("[object Window]"));
    });
    DefineMethod(
        js, "getWindow", "(Ljava/applet/Applet;)" + kJSObject,
        [](FakeVm& vm, jref, const jvalue*) {
            return JriValue(vm.NewObjectOf(vm.Class("netscape/javascript/JSObject"))->local);
        },
        true);
    DefineMethod(js, "finalize", "()V", nothing);
    DefineMethod(js, "<clinit>", "()V", nothing, true);

    // The browser's plug-in object: its peer is the instance's NPP as a number.
    const std::string plugin = "netscape/plugin/Plugin";
    DefineClass(plugin);
    DefineField(plugin, "peer", "I");
    DefineField(plugin, "window", kJSObject);
    DefineMethod(plugin, "<init>", "()V", nothing);
    DefineMethod(plugin, "getPeer", "()I", [](FakeVm& vm, jref s, const jvalue*) {
        return vm.GetField(s, vm.FindMember(vm.Get(s)->clazz, "peer", "I", false, false));
    });
    DefineMethod(plugin, "init", "()V", nothing);
    DefineMethod(plugin, "destroy", "()V", nothing);
    DefineMethod(plugin, "isActive", "()Z", [](FakeVm& vm, jref s, const jvalue*) {
        const int peer = vm.FindMember(vm.Get(s)->clazz, "peer", "I", false, false);
        return JriValue(static_cast<jbool>(vm.GetField(s, peer).i != 0 ? 1 : 0));
    });
    DefineMethod(plugin, "getWindow", "()" + kJSObject, [](FakeVm& vm, jref s, const jvalue*) {
        const int window = vm.FindMember(vm.Get(s)->clazz, "window", kJSObject, false, false);
        return vm.GetField(s, window);
    });

    // The plug-in's own class: its natives, and the Java methods that call them.
    DefineClass("NPLensObj", plugin);
    for (const std::string& native : LensObjNatives()) DefineNative("NPLensObj", native);
    const auto objects = [](int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += kObject;
        return s;
    };
    const auto forward = [this, objects](const std::string& name, const std::string& native,
                                         int count, const std::string& result) {
        const std::string signature = "(I" + kString + objects(count) + ")" + result;
        DefineMethod("NPLensObj", name, signature,
                     [native, signature](FakeVm& vm, jref s, const jvalue* args) {
                         const int id =
                             vm.FindMember(vm.Get(s)->clazz, native, signature, true, false);
                         if (id < 0) return jvalue{};
                         return vm.Invoke(vm.members_[static_cast<std::size_t>(id)], s, args);
                     });
    };
    for (int k = 0; k <= 3; ++k) {
        forward("getObjectProperty", "internalgetObjectProperty" + std::to_string(k), k, kObject);
    }
    for (int k = 0; k <= 3; ++k) {
        forward("setObjectProperty", "internalsetObjectProperty" + std::to_string(k), k + 1, "V");
    }
    for (int k = 0; k <= 6; ++k) {
        forward("invokeObjectMethod", "internalinvokeObjectMethod" + std::to_string(k), k, kObject);
    }
}

}  // namespace jri_testing
