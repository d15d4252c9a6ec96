// Calling a registered native through a pointer of its own type: the machine knows the
// shapes of NPLensObj's natives (what each argument and the result are as C types).
#include <map>
#include <string>
#include <utility>

#include "platform/jri/testing/FakeVm.h"

namespace jri_testing {
namespace {

template <class T>
T Arg(const jvalue& v);
template <>
jint Arg<jint>(const jvalue& v) {
    return v.i;
}
template <>
jfloat Arg<jfloat>(const jvalue& v) {
    return v.f;
}
template <>
jref Arg<jref>(const jvalue& v) {
    return v.r;
}

template <class T>
constexpr char kLetter = 'V';
template <>
constexpr char kLetter<jint> = 'I';
template <>
constexpr char kLetter<jfloat> = 'F';
template <>
constexpr char kLetter<jref> = 'L';

using Invoker = jvalue (*)(void*, JRIEnv*, jref, const jvalue*);

template <class R, class... A, std::size_t... I>
jvalue InvokeAs(void* function, JRIEnv* env, jref self, const jvalue* args,
                std::index_sequence<I...>) {
    auto typed = reinterpret_cast<R (*)(JRIEnv*, jref, A...)>(function);
    if constexpr (std::is_void_v<R>) {
        typed(env, self, Arg<A>(args[I])...);
        return jvalue{};
    } else {
        return JriValue(typed(env, self, Arg<A>(args[I])...));
    }
}

template <class R, class... A>
jvalue Invoke(void* function, JRIEnv* env, jref self, const jvalue* args) {
    return InvokeAs<R, A...>(function, env, self, args, std::index_sequence_for<A...>{});
}

template <class R, class... A>
void Add(std::map<std::string, Invoker>& shapes) {
    std::string key = "(";
    ((key += kLetter<A>), ...);
    key += ')';
    key += kLetter<R>;
    shapes[key] = &Invoke<R, A...>;
}

template <std::size_t, class T>
using Same = T;

// (handle, name, objects...) with K objects.
template <class R, std::size_t... I>
void AddByName(std::map<std::string, Invoker>& shapes, std::index_sequence<I...>) {
    Add<R, jint, jref, Same<I, jref>...>(shapes);
}

const std::map<std::string, Invoker>& Shapes() {
    static const std::map<std::string, Invoker> shapes = [] {
        std::map<std::string, Invoker> s;
        Add<void>(s);
        Add<jint>(s);
        Add<jfloat>(s);
        Add<jref>(s);
        Add<void, jint>(s);
        Add<void, jfloat>(s);
        Add<void, jref>(s);
        Add<void, jint, jint>(s);
        Add<void, jfloat, jfloat, jfloat>(s);
        Add<void, jref, jref, jref>(s);
        Add<void, jfloat, jfloat, jfloat, jint, jint>(s);
        AddByName<jref>(s, std::make_index_sequence<0>{});
        AddByName<jref>(s, std::make_index_sequence<1>{});
        AddByName<jref>(s, std::make_index_sequence<2>{});
        AddByName<jref>(s, std::make_index_sequence<3>{});
        AddByName<jref>(s, std::make_index_sequence<4>{});
        AddByName<jref>(s, std::make_index_sequence<5>{});
        AddByName<jref>(s, std::make_index_sequence<6>{});
        AddByName<void>(s, std::make_index_sequence<1>{});
        AddByName<void>(s, std::make_index_sequence<2>{});
        AddByName<void>(s, std::make_index_sequence<3>{});
        AddByName<void>(s, std::make_index_sequence<4>{});
        return s;
    }();
    return shapes;
}

// "(ILjava/lang/String;[I)V" becomes "(ILL)V": references and arrays are all L.
std::string ShapeOf(const std::string& signature) {
    std::string shape;
    for (std::size_t i = 0; i < signature.size(); ++i) {
        const char c = signature[i];
        if (c == '[') {
            while (i < signature.size() && signature[i] == '[') ++i;
            if (i < signature.size() && signature[i] == 'L') i = signature.find(';', i);
            shape += 'L';
            if (i == std::string::npos) return {};
        } else if (c == 'L') {
            i = signature.find(';', i);
            shape += 'L';
            if (i == std::string::npos) return {};
        } else {
            shape += c;
        }
    }
    return shape;
}

std::vector<std::string> MakeLensObjNatives() {
    const std::string object = "Ljava/lang/Object;";
    const std::string string = "Ljava/lang/String;";
    std::vector<std::string> n = {"GetObject()I", "ReleaseObject(I)V", "SetFocus()V",
                                  "getErrorHandler()" + string, "setErrorHandler(" + string + ")V"};
    const auto objects = [&](int count) {
        std::string s;
        for (int i = 0; i < count; ++i) s += object;
        return s;
    };
    for (int k = 0; k <= 3; ++k) {
        n.push_back("internalgetObjectProperty" + std::to_string(k) + "(I" + string + objects(k) +
                    ")" + object);
    }
    for (int k = 0; k <= 3; ++k) {
        n.push_back("internalsetObjectProperty" + std::to_string(k) + "(I" + string +
                    objects(k + 1) + ")V");
    }
    for (int k = 0; k <= 6; ++k) {
        n.push_back("internalinvokeObjectMethod" + std::to_string(k) + "(I" + string + objects(k) +
                    ")" + object);
    }
    n.push_back("AboutBox()V");
    const auto property = [&](const std::string& name, const std::string& type) {
        n.push_back("get" + name + "()" + type);
        n.push_back("set" + name + "(" + type + ")V");
    };
    property("BackColor", "I");
    property("Filename", string);
    n.push_back("SetPosition(FFF)V");
    n.push_back("GetPosition(" + objects(3) + ")V");
    n.push_back("MoveTo(FFFII)V");
    property("UserInterfaceLock", "I");
    property("Version", "F");
    property("BgColor", "I");
    property("CanvasColor", "I");
    property("CanvasWidth", "I");
    property("CanvasHeight", "I");
    n.push_back("ReSizeCanvas(II)V");
    property("MaxZoom", "F");
    property("MinZoom", "F");
    property("ZoomSpeed", "F");
    property("PanSpeed", "F");
    property("BorderColor", "I");
    property("BorderWidth", "I");
    property("BorderHeight", "I");
    property("Fit", "I");
    property("PosX", "F");
    property("PosY", "F");
    property("PosZ", "F");
    n.push_back("RedrawCanvas()V");
    property("ShowLogo", "I");
    property("Fullscreen", "I");
    n.push_back("ZoomLock(II)V");
    n.push_back("ZoomUnlock()V");
    return n;
}

}  // namespace

const std::vector<std::string>& LensObjNatives() {
    static const std::vector<std::string> natives = MakeLensObjNatives();
    return natives;
}

bool CallNative(void* function, const std::string& signature, JRIEnv* env, jref self,
                const jvalue* args, jvalue* result) {
    const auto it = Shapes().find(ShapeOf(signature));
    if (it == Shapes().end() || function == nullptr) return false;
    *result = it->second(function, env, self, args);
    return true;
}

}  // namespace jri_testing
