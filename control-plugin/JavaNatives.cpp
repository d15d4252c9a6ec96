#include "control-plugin/JavaNatives.h"

#include <bit>
#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/LensObjNatives.h"
#include "control-plugin/bridge/NsxJavaValue.h"
#include "control-plugin/bridge/ObjectHandles.h"
#include "control-plugin/framework/NsxActiveXPlugin.h"
#include "control-plugin/framework/NsxApp.h"
#include "control-plugin/framework/NsxPlugin.h"
#include "platform/window/InputState.h"
#include "viewer-plugin/viewer/DispatchTable.h"

using platform::DISPID;
using platform::Variant;
using platform::VARIANT;

namespace {

// The viewer's members go by the ids of its one dispatch table, which every host shares.
jint GetInt(JRIEnv* env, jref self, DISPID id) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0;
    std::int32_t value = 0;
    plugin->InvokeHelper(id, platform::DISPATCH_PROPERTYGET, &value, {});
    return value;
}

void SetInt(JRIEnv* env, jref self, DISPID id, jint value) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    plugin->InvokeHelper(id, platform::DISPATCH_PROPERTYPUT, platform::NoResult{},
                         {Variant::I4(value)});
}

jfloat GetFloat(JRIEnv* env, jref self, DISPID id) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0.0f;
    float value = 0.0f;
    plugin->InvokeHelper(id, platform::DISPATCH_PROPERTYGET, &value, {});
    return value;
}

void SetFloat(JRIEnv* env, jref self, DISPID id, jfloat value) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    plugin->InvokeHelper(id, platform::DISPATCH_PROPERTYPUT, platform::NoResult{},
                         {Variant::R8(static_cast<double>(value))});
}

void Method(JRIEnv* env, jref self, DISPID id, std::initializer_list<Variant> arguments) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    plugin->InvokeHelper(id, platform::DISPATCH_METHOD, platform::NoResult{}, arguments);
}

// Handles belong to the instance object itself, whichever layer names it.
HandleOwner OwnerOf(const CNsxPlugin* plugin) {
    return plugin;
}

// A member reached by name on a page script's handle; null (nothing) for any failure, which
// reaches no error function. The handle must be one the calling instance received, and
// objects in the result become handles of that instance.
jref ByName(JRIEnv* env, jref self, jint handle, jref name, std::uint16_t flags,
            std::initializer_list<jref> objects) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0;
    const HandleOwnerScope owner(OwnerOf(plugin));
    platform::IUnknown* object = ObjectFromHandle(OwnerOf(plugin), handle);
    if (env == nullptr || object == nullptr) return 0;
    platform::ComPtr<platform::IDispatch> dispatch;
    if (platform::Failed(object->QueryInterface(platform::IID_IDispatch, dispatch.Out())) ||
        !dispatch) {
        return 0;
    }
    std::string member;
    if (!JavaStringToAnsi(env, name, member)) return 0;
    DISPID id = 0;
    if (platform::Failed(GetDispIdByName(dispatch.get(), member.c_str(), &id))) return 0;

    std::vector<std::unique_ptr<CNsxJavaValue>> values;
    for (jref argument : objects) {
        values.push_back(std::make_unique<CNsxJavaValue>(env, argument, platform::VT_VARIANT));
    }
    // The callee reads its arguments last first.
    std::vector<VARIANT> arguments;
    for (auto it = values.rbegin(); it != values.rend(); ++it) {
        arguments.push_back(*(*it)->GetVariant());
    }
    DISPID put = platform::DISPID_PROPERTYPUT;
    platform::DISPPARAMS params;
    params.rgvarg = arguments.empty() ? nullptr : arguments.data();
    params.cArgs = static_cast<std::uint32_t>(arguments.size());
    if (flags == platform::DISPATCH_PROPERTYPUT) {
        params.rgdispidNamedArgs = &put;
        params.cNamedArgs = 1;
    }
    Variant result;
    platform::EXCEPINFO exception;
    std::uint32_t argError = 0;
    const platform::HRESULT hr = dispatch->Invoke(
        id, platform::IID_NULL, platform::LOCALE_SYSTEM_DEFAULT, flags, &params,
        flags == platform::DISPATCH_PROPERTYPUT ? nullptr : &result, &exception, &argError);
    platform::ClearExcepInfo(&exception);
    if (platform::Failed(hr) || flags == platform::DISPATCH_PROPERTYPUT) return 0;
    return CNsxJavaValue::ToJava(env, result);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The natives

namespace lensobj {

jint GetObject(JRIEnv* env, jref self) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0;
    return AddObjectHandle(OwnerOf(plugin), plugin->GetControlDispatch());
}

void ReleaseObject(JRIEnv* env, jref self, jint handle) {
    if (handle == 0) return;
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin != nullptr) ReleaseObjectHandle(OwnerOf(plugin), handle);
}

void SetFocus(JRIEnv* env, jref self) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    platform::SetFocus(plugin != nullptr ? plugin->GetSafeHwnd() : nullptr);
}

jref getErrorHandler(JRIEnv* env, jref self) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0;
    return AnsiToJavaString(env, plugin->GetErrorHandler(), -1);
}

void setErrorHandler(JRIEnv* env, jref self, jref name) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    std::string text;
    JavaStringToAnsi(env, name, text);
    plugin->SetErrorHandler(text.c_str());
}

jref internalgetObjectProperty0(JRIEnv* env, jref self, jint h, jref n) {
    return ByName(env, self, h, n, platform::DISPATCH_PROPERTYGET, {});
}
jref internalgetObjectProperty1(JRIEnv* env, jref self, jint h, jref n, jref a) {
    return ByName(env, self, h, n, platform::DISPATCH_PROPERTYGET, {a});
}
jref internalgetObjectProperty2(JRIEnv* env, jref self, jint h, jref n, jref a, jref b) {
    return ByName(env, self, h, n, platform::DISPATCH_PROPERTYGET, {a, b});
}
jref internalgetObjectProperty3(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c) {
    return ByName(env, self, h, n, platform::DISPATCH_PROPERTYGET, {a, b, c});
}
void internalsetObjectProperty0(JRIEnv* env, jref self, jint h, jref n, jref v) {
    ByName(env, self, h, n, platform::DISPATCH_PROPERTYPUT, {v});
}
void internalsetObjectProperty1(JRIEnv* env, jref self, jint h, jref n, jref a, jref v) {
    ByName(env, self, h, n, platform::DISPATCH_PROPERTYPUT, {a, v});
}
void internalsetObjectProperty2(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref v) {
    ByName(env, self, h, n, platform::DISPATCH_PROPERTYPUT, {a, b, v});
}
void internalsetObjectProperty3(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c,
                                jref v) {
    ByName(env, self, h, n, platform::DISPATCH_PROPERTYPUT, {a, b, c, v});
}
jref internalinvokeObjectMethod0(JRIEnv* env, jref self, jint h, jref n) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {});
}
jref internalinvokeObjectMethod1(JRIEnv* env, jref self, jint h, jref n, jref a) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a});
}
jref internalinvokeObjectMethod2(JRIEnv* env, jref self, jint h, jref n, jref a, jref b) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a, b});
}
jref internalinvokeObjectMethod3(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a, b, c});
}
jref internalinvokeObjectMethod4(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c,
                                 jref d) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a, b, c, d});
}
jref internalinvokeObjectMethod5(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c,
                                 jref d, jref e) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a, b, c, d, e});
}
jref internalinvokeObjectMethod6(JRIEnv* env, jref self, jint h, jref n, jref a, jref b, jref c,
                                 jref d, jref e, jref f) {
    return ByName(env, self, h, n, platform::DISPATCH_METHOD, {a, b, c, d, e, f});
}

#define LENSOBJ_INT_PROPERTY(Name)                        \
    jint get##Name(JRIEnv* env, jref self) {              \
        return GetInt(env, self, scripting::kDisp##Name); \
    }                                                     \
    void set##Name(JRIEnv* env, jref self, jint value) {  \
        SetInt(env, self, scripting::kDisp##Name, value); \
    }
#define LENSOBJ_FLOAT_PROPERTY(Name)                        \
    jfloat get##Name(JRIEnv* env, jref self) {              \
        return GetFloat(env, self, scripting::kDisp##Name); \
    }                                                       \
    void set##Name(JRIEnv* env, jref self, jfloat value) {  \
        SetFloat(env, self, scripting::kDisp##Name, value); \
    }

void AboutBox(JRIEnv* env, jref self) {
    Method(env, self, scripting::kDispAboutBox, {});
}

LENSOBJ_INT_PROPERTY(BackColor)

jref getFilename(JRIEnv* env, jref self) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return 0;
    std::string text;
    plugin->InvokeHelper(scripting::kDispFilename, platform::DISPATCH_PROPERTYGET, &text, {});
    return AnsiToJavaString(env, text.data(), static_cast<int>(text.size()));
}

void setFilename(JRIEnv* env, jref self, jref name) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    std::string text;
    JavaStringToAnsi(env, name, text);
    plugin->InvokeHelper(scripting::kDispFilename, platform::DISPATCH_PROPERTYPUT,
                         platform::NoResult{}, {Variant::Text(text)});
}

void SetPosition(JRIEnv* env, jref self, jfloat x, jfloat y, jfloat z) {
    Method(env, self, scripting::kDispSetPosition,
           {Variant::R4(x), Variant::R4(y), Variant::R4(z)});
}

void GetPosition(JRIEnv* env, jref self, jref x, jref y, jref z) {
    CNsxActiveXPlugin* plugin = PluginFromJavaObject(env, self);
    if (plugin == nullptr) return;
    constexpr platform::VARTYPE kFloatOut = platform::VT_BYREF | platform::VT_R4;
    // The values write the floats back into the Java objects when they go.
    CNsxJavaValue vx(env, x, kFloatOut);
    CNsxJavaValue vy(env, y, kFloatOut);
    CNsxJavaValue vz(env, z, kFloatOut);
    plugin->InvokeHelper(scripting::kDispGetPosition, platform::DISPATCH_METHOD,
                         platform::NoResult{},
                         {Variant::R4Ref(static_cast<float*>(vx.GetData())),
                          Variant::R4Ref(static_cast<float*>(vy.GetData())),
                          Variant::R4Ref(static_cast<float*>(vz.GetData()))});
}

void MoveTo(JRIEnv* env, jref self, jfloat x, jfloat y, jfloat z, jint a, jint b) {
    Method(env, self, scripting::kDispMoveTo,
           {Variant::R4(x), Variant::R4(y), Variant::R4(z), Variant::I4(a), Variant::I4(b)});
}

LENSOBJ_INT_PROPERTY(UserInterfaceLock)
LENSOBJ_FLOAT_PROPERTY(Version)
LENSOBJ_INT_PROPERTY(BgColor)
LENSOBJ_INT_PROPERTY(CanvasColor)
LENSOBJ_INT_PROPERTY(CanvasWidth)
LENSOBJ_INT_PROPERTY(CanvasHeight)

void ReSizeCanvas(JRIEnv* env, jref self, jint width, jint height) {
    Method(env, self, scripting::kDispReSizeCanvas, {Variant::I4(width), Variant::I4(height)});
}

LENSOBJ_FLOAT_PROPERTY(MaxZoom)
LENSOBJ_FLOAT_PROPERTY(MinZoom)
LENSOBJ_FLOAT_PROPERTY(ZoomSpeed)
LENSOBJ_FLOAT_PROPERTY(PanSpeed)
LENSOBJ_INT_PROPERTY(BorderColor)
LENSOBJ_INT_PROPERTY(BorderWidth)
LENSOBJ_INT_PROPERTY(BorderHeight)
LENSOBJ_INT_PROPERTY(Fit)
LENSOBJ_FLOAT_PROPERTY(PosX)
LENSOBJ_FLOAT_PROPERTY(PosY)
LENSOBJ_FLOAT_PROPERTY(PosZ)

void RedrawCanvas(JRIEnv* env, jref self) {
    Method(env, self, scripting::kDispRedrawCanvas, {});
}

LENSOBJ_INT_PROPERTY(ShowLogo)
LENSOBJ_INT_PROPERTY(Fullscreen)

void ZoomLock(JRIEnv* env, jref self, jint a, jint b) {
    Method(env, self, scripting::kDispZoomLock, {Variant::I4(a), Variant::I4(b)});
}

void ZoomUnlock(JRIEnv* env, jref self) {
    Method(env, self, scripting::kDispZoomUnlock, {});
}

#undef LENSOBJ_INT_PROPERTY
#undef LENSOBJ_FLOAT_PROPERTY

}  // namespace lensobj

// ---------------------------------------------------------------------------------------
// Registration

const char* const* LensObjNativeNames() {
#define LENSOBJ_NAME(name, signature) #name signature,
    static const char* const names[] = {LENSOBJ_NATIVES(LENSOBJ_NAME) nullptr};
#undef LENSOBJ_NAME
    return names;
}

void* const* LensObjNativeFunctions() {
#define LENSOBJ_FUNCTION(name, signature) reinterpret_cast<void*>(&lensobj::name),
    static void* const functions[] = {LENSOBJ_NATIVES(LENSOBJ_FUNCTION) nullptr};
#undef LENSOBJ_FUNCTION
    return functions;
}

jref register_NPLensObj(JRIEnv* env) {
    if (env == nullptr) return 0;
    const jref clazz = env->FindClass("NPLensObj");
    if (clazz == 0) {
        // The lookup's own error gives way to the one the bridge reports.
        env->ExceptionClear();
        return use_NPLensObj(env);
    }
    env->RegisterNatives(clazz, const_cast<const char**>(LensObjNativeNames()),
                         const_cast<void**>(LensObjNativeFunctions()));
    return use_NPLensObj(env);
}

void unregister_NPLensObj(JRIEnv* env) {
    if (env != nullptr && NPLensObj.clazz() != 0) env->UnregisterNatives(NPLensObj.clazz());
    unuse_NPLensObj(env);
}

CNsxActiveXPlugin* PluginFromJavaObject(JRIEnv* env, jref object) {
    if (env == nullptr || object == 0) return nullptr;
    const JRIMethodID getPeer = netscape_plugin_Plugin.id(Plugin_getPeer);
    if (getPeer == JRIUninitialized) return nullptr;
    const jint peer = env->CallMethodInt(object, getPeer);
    if (peer == 0) return nullptr;
    // The id names an instance only through that instance's own Java peer: it is never
    // taken for an address.
    for (CNsxPlugin* plugin : LiveNsxPlugins()) {
        if (plugin == nullptr || plugin->npp() == nullptr) continue;
        const jref own = plugin->GetJavaPeer();
        if (own == 0 || env->CallMethodInt(own, getPeer) != peer) continue;
        return dynamic_cast<CNsxActiveXPlugin*>(plugin);
    }
    return nullptr;
}

platform::HRESULT GetDispIdByName(platform::IDispatch* object, const char* name,
                                  platform::DISPID* id) {
    if (object == nullptr || name == nullptr || id == nullptr) return platform::E_POINTER;
    platform::BSTR text = AnsiToBstr(name, -1);
    if (text == nullptr) return platform::E_OUTOFMEMORY;
    const platform::OLECHAR* names[] = {text};
    const platform::HRESULT hr =
        object->GetIDsOfNames(platform::IID_NULL, names, 1, platform::LOCALE_SYSTEM_DEFAULT, id);
    platform::SysFreeString(text);
    return hr;
}

// ---------------------------------------------------------------------------------------
// Entry points for machines that find natives by symbol: the operand block holds 32-bit
// slots, the object then the arguments (a float as its bit pattern); a result goes into the
// first slot and the block comes back one slot on.

namespace {

template <class T>
T FromSlot(jint slot) {
    if constexpr (std::is_same_v<T, jfloat>) {
        return std::bit_cast<jfloat>(slot);
    } else {
        return static_cast<T>(slot);
    }
}

template <class T>
jint ToSlot(T value) {
    if constexpr (std::is_same_v<T, jfloat>) {
        return std::bit_cast<jint>(value);
    } else {
        return static_cast<jint>(value);
    }
}

template <auto F>
struct Stub;

template <class R, class... A, R (*F)(JRIEnv*, jref, A...)>
struct Stub<F> {
    static jint* Call(jint* block, JRIEnv* env) {
        if (block == nullptr) return block;
        return CallWith(block, env, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static jint* CallWith(jint* block, JRIEnv* env, std::index_sequence<I...>) {
        const jref self = static_cast<jref>(block[0]);
        if constexpr (std::is_void_v<R>) {
            F(env, self, FromSlot<A>(block[1 + I])...);
            return block;
        } else {
            block[0] = ToSlot(F(env, self, FromSlot<A>(block[1 + I])...));
            return block + 1;
        }
    }
};

}  // namespace

#define LENSOBJ_STUB(name, signature)                              \
    extern "C" __attribute__((visibility("default")))              \
    jint* Java_NPLensObj_##name##_stub(jint* block, JRIEnv* env) { \
        return Stub<&lensobj::name>::Call(block, env);             \
    }
LENSOBJ_NATIVES(LENSOBJ_STUB)
#undef LENSOBJ_STUB
