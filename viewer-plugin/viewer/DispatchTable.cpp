#include "viewer-plugin/viewer/DispatchTable.h"

#include <cmath>
#include <limits>

#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace scripting {

int Value::AsInt() const {
    switch (Type()) {
        case ValueType::Int:
            return std::get<int>(data_);
        case ValueType::Float: {
            const double v = std::nearbyint(static_cast<double>(std::get<float>(data_)));
            if (std::isnan(v)) return 0;
            if (v <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
            if (v >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
            return static_cast<int>(v);
        }
        case ValueType::String:
            return platform::ClampToInt(platform::AtoI(std::get<std::string>(data_)));
        default:
            return 0;
    }
}

float Value::AsFloat() const {
    switch (Type()) {
        case ValueType::Int:
            return static_cast<float>(std::get<int>(data_));
        case ValueType::Float:
            return std::get<float>(data_);
        case ValueType::String: {
            // Past float's range is no number a float holds: an infinity, which no
            // setting takes.
            const double v = platform::AtoF(std::get<std::string>(data_));
            if (std::isfinite(v) && std::fabs(v) > std::numeric_limits<float>::max()) {
                const float infinity = std::numeric_limits<float>::infinity();
                return v > 0 ? infinity : -infinity;
            }
            return static_cast<float>(v);
        }
        default:
            return 0;
    }
}

std::string Value::AsString() const {
    switch (Type()) {
        case ValueType::Int:
            return platform::FormatC("%d", std::get<int>(data_));
        case ValueType::Float:
            return platform::FormatC("%g", static_cast<double>(std::get<float>(data_)));
        case ValueType::String:
            return std::get<std::string>(data_);
        default:
            return {};
    }
}

float* Value::OutTarget() const {
    return Type() == ValueType::FloatOut ? std::get<float*>(data_) : nullptr;
}

namespace {

using V = ValueType;

constexpr Entry Put(int id, std::string_view name, V type, std::string_view help) {
    return Entry{id, name, MemberKind::Put, {type}, 1, V::None, help};
}
constexpr Entry Get(int id, std::string_view name, V type, std::string_view help) {
    return Entry{id, name, MemberKind::Get, {}, 0, type, help};
}

// A property is a put and a get, in that order, as the page plug-in's peer lists them.
#define VANTELO_PROPERTY(id, name, type) \
    Put(id, #name, type, "property " #name), Get(id, #name, type, "property " #name)

// clang-format off
constexpr Entry kEntries[] = {
    VANTELO_PROPERTY(kDispFilename, Filename, V::String),
    {kDispSetPosition, "SetPosition", MemberKind::Method, {V::Float, V::Float, V::Float}, 3,
     V::None, "method SetPosition"},
    {kDispGetPosition, "GetPosition", MemberKind::Method,
     {V::FloatOut, V::FloatOut, V::FloatOut}, 3, V::None, "method GetPosition"},
    {kDispMoveTo, "MoveTo", MemberKind::Method, {V::Float, V::Float, V::Float, V::Int, V::Int},
     5, V::None, "method MoveTo"},
    VANTELO_PROPERTY(kDispUserInterfaceLock, UserInterfaceLock, V::Int),
    VANTELO_PROPERTY(kDispVersion, Version, V::Float),
    VANTELO_PROPERTY(kDispBgColor, BgColor, V::Int),
    VANTELO_PROPERTY(kDispCanvasColor, CanvasColor, V::Int),
    VANTELO_PROPERTY(kDispCanvasWidth, CanvasWidth, V::Int),
    VANTELO_PROPERTY(kDispCanvasHeight, CanvasHeight, V::Int),
    {kDispReSizeCanvas, "ReSizeCanvas", MemberKind::Method, {V::Int, V::Int}, 2, V::None,
     "method ReSizeCanvas"},
    VANTELO_PROPERTY(kDispMaxZoom, MaxZoom, V::Float),
    VANTELO_PROPERTY(kDispMinZoom, MinZoom, V::Float),
    VANTELO_PROPERTY(kDispZoomSpeed, ZoomSpeed, V::Float),
    VANTELO_PROPERTY(kDispPanSpeed, PanSpeed, V::Float),
    VANTELO_PROPERTY(kDispBorderColor, BorderColor, V::Int),
    VANTELO_PROPERTY(kDispBorderWidth, BorderWidth, V::Int),
    VANTELO_PROPERTY(kDispBorderHeight, BorderHeight, V::Int),
    VANTELO_PROPERTY(kDispFit, Fit, V::Int),
    VANTELO_PROPERTY(kDispPosX, PosX, V::Float),
    VANTELO_PROPERTY(kDispPosY, PosY, V::Float),
    VANTELO_PROPERTY(kDispPosZ, PosZ, V::Float),
    {kDispRedrawCanvas, "RedrawCanvas", MemberKind::Method, {}, 0, V::None,
     "method RedrawCanvas"},
    VANTELO_PROPERTY(kDispShowLogo, ShowLogo, V::Int),
    VANTELO_PROPERTY(kDispFullscreen, Fullscreen, V::Int),
    {kDispZoomLock, "ZoomLock", MemberKind::Method, {V::Int, V::Int}, 2, V::None,
     "method ZoomLock"},
    {kDispZoomUnlock, "ZoomUnlock", MemberKind::Method, {}, 0, V::None, "method ZoomUnlock"},
};
// clang-format on

#undef VANTELO_PROPERTY

// The property members by dispatch id: one setter and one getter each.
struct PropertyAccess {
    int dispid;
    void (*put)(CVanteloPlugin&, const Value&);
    Value (*get)(const CVanteloPlugin&);
};

#define VANTELO_INT_PROPERTY(id, name)                                          \
    PropertyAccess {                                                            \
        id, [](CVanteloPlugin& v, const Value& a) { v.put_##name(a.AsInt()); }, \
            [](const CVanteloPlugin& v) { return Value::Int(v.get_##name()); }  \
    }
#define VANTELO_FLOAT_PROPERTY(id, name)                                          \
    PropertyAccess {                                                              \
        id, [](CVanteloPlugin& v, const Value& a) { v.put_##name(a.AsFloat()); }, \
            [](const CVanteloPlugin& v) { return Value::Float(v.get_##name()); }  \
    }

const PropertyAccess kProperties[] = {
    {kDispFilename, [](CVanteloPlugin& v, const Value& a) { v.put_Filename(a.AsString()); },
     [](const CVanteloPlugin& v) { return Value::String(v.get_Filename()); }},
    VANTELO_INT_PROPERTY(kDispUserInterfaceLock, UserInterfaceLock),
    VANTELO_FLOAT_PROPERTY(kDispVersion, Version),
    VANTELO_INT_PROPERTY(kDispBgColor, BgColor),
    VANTELO_INT_PROPERTY(kDispCanvasColor, CanvasColor),
    VANTELO_INT_PROPERTY(kDispCanvasWidth, CanvasWidth),
    VANTELO_INT_PROPERTY(kDispCanvasHeight, CanvasHeight),
    VANTELO_FLOAT_PROPERTY(kDispMaxZoom, MaxZoom),
    VANTELO_FLOAT_PROPERTY(kDispMinZoom, MinZoom),
    VANTELO_FLOAT_PROPERTY(kDispZoomSpeed, ZoomSpeed),
    VANTELO_FLOAT_PROPERTY(kDispPanSpeed, PanSpeed),
    VANTELO_INT_PROPERTY(kDispBorderColor, BorderColor),
    VANTELO_INT_PROPERTY(kDispBorderWidth, BorderWidth),
    VANTELO_INT_PROPERTY(kDispBorderHeight, BorderHeight),
    VANTELO_INT_PROPERTY(kDispFit, Fit),
    VANTELO_FLOAT_PROPERTY(kDispPosX, PosX),
    VANTELO_FLOAT_PROPERTY(kDispPosY, PosY),
    VANTELO_FLOAT_PROPERTY(kDispPosZ, PosZ),
    VANTELO_INT_PROPERTY(kDispShowLogo, ShowLogo),
    VANTELO_INT_PROPERTY(kDispFullscreen, Fullscreen),
};

#undef VANTELO_INT_PROPERTY
#undef VANTELO_FLOAT_PROPERTY

const PropertyAccess* FindProperty(int dispid) {
    for (const PropertyAccess& p : kProperties) {
        if (p.dispid == dispid) return &p;
    }
    return nullptr;
}

void CallMethod(CVanteloPlugin& viewer, int dispid, std::span<const Value> a) {
    switch (dispid) {
        case kDispSetPosition:
            viewer.SetPosition(a[0].AsFloat(), a[1].AsFloat(), a[2].AsFloat());
            break;
        case kDispGetPosition:
            viewer.GetPosition(a[0].OutTarget(), a[1].OutTarget(), a[2].OutTarget());
            break;
        case kDispMoveTo:
            viewer.MoveTo(a[0].AsFloat(), a[1].AsFloat(), a[2].AsFloat(), a[3].AsInt(),
                          a[4].AsInt());
            break;
        case kDispReSizeCanvas:
            viewer.ReSizeCanvas(a[0].AsInt(), a[1].AsInt());
            break;
        case kDispRedrawCanvas:
            viewer.RedrawCanvas();
            break;
        case kDispZoomLock:
            viewer.ZoomLock(a[0].AsInt(), a[1].AsInt());
            break;
        case kDispZoomUnlock:
            viewer.ZoomUnlock();
            break;
        default:
            break;
    }
}

template <std::size_t N>
std::optional<int> NumberOf(const std::array<EventNumber, N>& table, Event event) {
    for (const EventNumber& row : table) {
        if (row.event == event) return row.number;
    }
    return std::nullopt;
}

template <std::size_t N>
std::optional<Event> EventOf(const std::array<EventNumber, N>& table, int number) {
    for (const EventNumber& row : table) {
        if (row.number == number) return row.event;
    }
    return std::nullopt;
}

// clang-format off
constexpr EventInfo kEventInfo[] = {
    {Event::ChangedPos, "ChangedPos", {V::Float, V::Float, V::Float}, 3, {"x", "y", "z"}},
    {Event::ZoomedToGoal, "ZoomedToGoal", {}, 0, {}},
    {Event::OnLoad, "OnLoad", {}, 0, {}},
    {Event::OnTime, "OnTime", {}, 0, {}},
    {Event::OnChangeMode, "OnChangeMode", {V::Int, V::Int, V::Int}, 3,
     {"Mode", "Width", "Heigth"}},
    {Event::OnCursor, "OnCursor", {V::Int, V::Int, V::Int}, 3, {"Button", "PosX", "PosY"}},
};
// clang-format on

}  // namespace

std::span<const Entry> Entries() {
    return kEntries;
}

const Entry* Find(int dispid, MemberKind kind) {
    for (const Entry& e : kEntries) {
        if (e.dispid == dispid && e.kind == kind) return &e;
    }
    return nullptr;
}

const Entry* FindByName(std::string_view name, MemberKind kind) {
    for (const Entry& e : kEntries) {
        if (e.kind == kind && platform::EqualsNoCase(e.name, name)) return &e;
    }
    return nullptr;
}

std::optional<int> IdOfName(std::string_view name) {
    for (const Entry& e : kEntries) {
        if (platform::EqualsNoCase(e.name, name)) return e.dispid;
    }
    return std::nullopt;
}

CallResult Invoke(CVanteloPlugin& viewer, const Entry& entry, std::span<const Value> arguments,
                  Value* result) {
    if (arguments.size() != entry.parameterCount) return CallResult::BadParamCount;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const bool wantsOut = entry.parameterTypes[i] == ValueType::FloatOut;
        if (wantsOut != (arguments[i].Type() == ValueType::FloatOut)) {
            return CallResult::TypeMismatch;
        }
    }
    if (entry.kind == MemberKind::Method) {
        CallMethod(viewer, entry.dispid, arguments);
        if (result != nullptr) *result = Value();
        return CallResult::Ok;
    }
    const PropertyAccess* property = FindProperty(entry.dispid);
    if (property == nullptr) return CallResult::MemberNotFound;
    if (entry.kind == MemberKind::Put) {
        property->put(viewer, arguments[0]);
        if (result != nullptr) *result = Value();
    } else if (result != nullptr) {
        *result = property->get(viewer);
    }
    return CallResult::Ok;
}

CallResult Invoke(CVanteloPlugin& viewer, int dispid, MemberKind kind,
                  std::span<const Value> arguments, Value* result) {
    const Entry* entry = Find(dispid, kind);
    if (entry == nullptr) return CallResult::MemberNotFound;
    return Invoke(viewer, *entry, arguments, result);
}

std::span<const EventInfo> Events() {
    return kEventInfo;
}

const EventInfo& Describe(Event event) {
    for (const EventInfo& info : kEventInfo) {
        if (info.event == event) return info;
    }
    return kEventInfo[0];
}

std::optional<int> EventDispid(Event event) {
    return NumberOf(kEventDispids, event);
}
std::optional<Event> EventOfDispid(int dispid) {
    return EventOf(kEventDispids, dispid);
}
std::optional<int> FiringKind(Event event) {
    return NumberOf(kEventFiringKinds, event);
}
std::optional<Event> EventOfFiringKind(int kind) {
    return EventOf(kEventFiringKinds, kind);
}
std::optional<int> HostId(Event event) {
    return NumberOf(kEventHostIds, event);
}
std::optional<Event> EventOfHostId(int id) {
    return EventOf(kEventHostIds, id);
}

}  // namespace scripting
