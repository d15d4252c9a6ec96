#include "viewer-plugin/npvantelo/ScriptablePeer.h"

#include <cstring>
#include <span>
#include <type_traits>

#include "viewer-plugin/npvantelo/BrowserFuncs.h"
#include "viewer-plugin/npvantelo/PluginInstance.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

using scripting::MemberKind;
using scripting::Value;

nsresult nsScriptablePeer::QueryInterface(const nsIID& iid, void** result) {
    if (result == nullptr) return NS_ERROR_NULL_POINTER;
    if (iid == NS_IVANTELO_IID || iid == NS_ISUPPORTS_IID) {
        *result = static_cast<nsIVantelo*>(this);
    } else if (iid == NS_ICLASSINFO_IID) {
        *result = static_cast<nsIClassInfo*>(this);
    } else {
        *result = nullptr;
        return NS_NOINTERFACE;
    }
    AddRef();
    return NS_OK;
}

nsrefcnt nsScriptablePeer::AddRef() {
    return ++refs_;
}

nsrefcnt nsScriptablePeer::Release() {
    const nsrefcnt left = --refs_;
    if (left == 0) delete this;
    return left;
}

CVanteloPlugin* nsScriptablePeer::Viewer() const {
    return instance_ != nullptr ? &instance_->GetViewer() : nullptr;
}

nsresult nsScriptablePeer::Call(int dispid, MemberKind kind,
                                std::initializer_list<Value> arguments) {
    if (CVanteloPlugin* viewer = Viewer()) {
        scripting::Invoke(*viewer, dispid, kind,
                          std::span<const Value>(arguments.begin(), arguments.size()));
    }
    return NS_OK;
}

template <class T>
nsresult nsScriptablePeer::Get(int dispid, T* value) {
    CVanteloPlugin* viewer = Viewer();
    if (viewer == nullptr || value == nullptr) return NS_OK;
    Value result;
    if (scripting::Invoke(*viewer, dispid, MemberKind::Get, {}, &result) ==
        scripting::CallResult::Ok) {
        if constexpr (std::is_same_v<T, float>) {
            *value = result.AsFloat();
        } else {
            *value = result.AsInt();
        }
    }
    return NS_OK;
}

nsresult nsScriptablePeer::SetFilename(const char* value) {
    return Call(scripting::kDispFilename, MemberKind::Put,
                {Value::String(value != nullptr ? value : "")});
}

nsresult nsScriptablePeer::GetFilename(char** value) {
    CVanteloPlugin* viewer = Viewer();
    if (viewer == nullptr || value == nullptr) return NS_OK;
    const std::string name = viewer->get_Filename();
    // The browser frees the copy with its own allocator.
    auto* copy = static_cast<char*>(NPN_MemAlloc(static_cast<std::uint32_t>(name.size() + 1)));
    if (copy == nullptr) return NS_OK;
    std::memcpy(copy, name.c_str(), name.size() + 1);
    *value = copy;
    return NS_OK;
}

nsresult nsScriptablePeer::SetPosition(float x, float y, float z) {
    return Call(scripting::kDispSetPosition, MemberKind::Method,
                {Value::Float(x), Value::Float(y), Value::Float(z)});
}

nsresult nsScriptablePeer::GetPosition(float* x, float* y, float* z) {
    return Call(scripting::kDispGetPosition, MemberKind::Method,
                {Value::FloatOut(x), Value::FloatOut(y), Value::FloatOut(z)});
}

nsresult nsScriptablePeer::MoveTo(float x, float y, float z, std::int32_t timeMs,
                                  std::int32_t method) {
    return Call(scripting::kDispMoveTo, MemberKind::Method,
                {Value::Float(x), Value::Float(y), Value::Float(z), Value::Int(timeMs),
                 Value::Int(method)});
}

nsresult nsScriptablePeer::ReSizeCanvas(std::int32_t width, std::int32_t height) {
    return Call(scripting::kDispReSizeCanvas, MemberKind::Method,
                {Value::Int(width), Value::Int(height)});
}

nsresult nsScriptablePeer::RedrawCanvas() {
    return Call(scripting::kDispRedrawCanvas, MemberKind::Method, {});
}

nsresult nsScriptablePeer::ZoomLock(std::int32_t xPos, std::int32_t yPos) {
    return Call(scripting::kDispZoomLock, MemberKind::Method, {Value::Int(xPos), Value::Int(yPos)});
}

nsresult nsScriptablePeer::ZoomUnlock() {
    return Call(scripting::kDispZoomUnlock, MemberKind::Method, {});
}

// The int the scripting interface leaves unnamed has no dispatch id.
nsresult nsScriptablePeer::SetFilterRequest(std::int32_t value) {
    if (CVanteloPlugin* viewer = Viewer()) viewer->put_FilterRequest(value);
    return NS_OK;
}

nsresult nsScriptablePeer::GetFilterRequest(std::int32_t* value) {
    CVanteloPlugin* viewer = Viewer();
    if (viewer != nullptr && value != nullptr) *value = viewer->get_FilterRequest();
    return NS_OK;
}

// The properties: a put with one value, a get through the out pointer.
#define VANTELO_PEER_PROPERTY(Name, Type, Make)                                     \
    nsresult nsScriptablePeer::Set##Name(Type value) {                              \
        return Call(scripting::kDisp##Name, MemberKind::Put, {Value::Make(value)}); \
    }                                                                               \
    nsresult nsScriptablePeer::Get##Name(Type* value) {                             \
        return Get(scripting::kDisp##Name, value);                                  \
    }

VANTELO_PEER_PROPERTY(UserInterfaceLock, std::int32_t, Int)
VANTELO_PEER_PROPERTY(Version, float, Float)
VANTELO_PEER_PROPERTY(BgColor, std::int32_t, Int)
VANTELO_PEER_PROPERTY(CanvasColor, std::int32_t, Int)
VANTELO_PEER_PROPERTY(CanvasWidth, std::int32_t, Int)
VANTELO_PEER_PROPERTY(CanvasHeight, std::int32_t, Int)
VANTELO_PEER_PROPERTY(MaxZoom, float, Float)
VANTELO_PEER_PROPERTY(MinZoom, float, Float)
VANTELO_PEER_PROPERTY(ZoomSpeed, float, Float)
VANTELO_PEER_PROPERTY(PanSpeed, float, Float)
VANTELO_PEER_PROPERTY(BorderColor, std::int32_t, Int)
VANTELO_PEER_PROPERTY(BorderWidth, std::int32_t, Int)
VANTELO_PEER_PROPERTY(BorderHeight, std::int32_t, Int)
VANTELO_PEER_PROPERTY(Fit, std::int32_t, Int)
VANTELO_PEER_PROPERTY(PosX, float, Float)
VANTELO_PEER_PROPERTY(PosY, float, Float)
VANTELO_PEER_PROPERTY(PosZ, float, Float)
VANTELO_PEER_PROPERTY(ShowLogo, std::int32_t, Int)
VANTELO_PEER_PROPERTY(Fullscreen, std::int32_t, Int)

#undef VANTELO_PEER_PROPERTY
