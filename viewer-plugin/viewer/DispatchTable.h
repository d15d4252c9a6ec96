#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

#include "platform/com/Com.h"

class CVanteloPlugin;

// The scripting interface of the viewer, once for every host: the page plug-in's peer, the
// viewer control and the studio reach the members through this table by dispatch id or by
// name, and call them through Invoke.
namespace scripting {

// The interface, its events, its class and its library. There is no type library file here;
// hosts that describe the interface read these instead.
inline constexpr platform::IID IID_ILensObj{
    0x7A3E51D4, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
inline constexpr platform::IID DIID__ILensObjEvents{
    0x7A3E51D5, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
inline constexpr platform::CLSID CLSID_LensObj{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
inline constexpr platform::GUID LIBID_LENSLib{
    0x7A3E51C3, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
inline constexpr platform::IID IID_nsIVantelo{
    0xE41B7C09, 0x2D6A, 0x4C83, {0xB5, 0xF1, 0x7D, 0x08, 0xA9, 0x2C, 0x3E, 0x66}};

inline constexpr std::string_view kInterfaceName = "ILensObj";
inline constexpr std::string_view kInterfaceHelp = "ILensObj Interface";
inline constexpr std::uint16_t kInterfaceFlags = 0x1140;
inline constexpr std::string_view kEventsName = "_ILensObjEvents";
inline constexpr std::string_view kEventsHelp = "_ILensObjEvents Interface";
inline constexpr std::string_view kClassName = "LensObj";
inline constexpr std::string_view kClassHelp = "LensObj Class";
inline constexpr std::string_view kLibraryName = "LENSLib";
inline constexpr std::string_view kLibraryHelp = "Lens 1.5 Type Library";
inline constexpr std::uint16_t kLibraryMajor = 1;
inline constexpr std::uint16_t kLibraryMinor = 5;
inline constexpr std::uint32_t kLibraryLcid = 1033;

// Dispatch ids of the members.
inline constexpr int kDispAboutBox = -552;   // the viewer control's own
inline constexpr int kDispBackColor = -501;  // the viewer control's own
inline constexpr int kDispFilename = 1;
inline constexpr int kDispSetPosition = 2;
inline constexpr int kDispGetPosition = 3;
inline constexpr int kDispMoveTo = 4;
inline constexpr int kDispUserInterfaceLock = 6;
inline constexpr int kDispVersion = 7;
inline constexpr int kDispBgColor = 8;
inline constexpr int kDispCanvasColor = 9;
inline constexpr int kDispCanvasWidth = 10;
inline constexpr int kDispCanvasHeight = 11;
inline constexpr int kDispReSizeCanvas = 12;
inline constexpr int kDispMaxZoom = 13;
inline constexpr int kDispMinZoom = 14;
inline constexpr int kDispZoomSpeed = 15;
inline constexpr int kDispPanSpeed = 16;
inline constexpr int kDispBorderColor = 17;
inline constexpr int kDispBorderWidth = 18;
inline constexpr int kDispBorderHeight = 19;
inline constexpr int kDispFit = 20;
inline constexpr int kDispPosX = 21;
inline constexpr int kDispPosY = 22;
inline constexpr int kDispPosZ = 23;
inline constexpr int kDispRedrawCanvas = 24;
inline constexpr int kDispShowLogo = 25;
inline constexpr int kDispFullscreen = 27;
inline constexpr int kDispZoomLock = 28;
inline constexpr int kDispZoomUnlock = 29;

enum class MemberKind : std::uint8_t { Get, Put, Method };

// What a parameter or a result carries. FloatOut is a parameter the member writes to.
enum class ValueType : std::uint8_t { None, Int, Float, String, FloatOut };

// One value crossing the table. Conversions between int, float and string read and write
// numbers in the C locale; a FloatOut holds where the member writes (null: nowhere).
class Value {
public:
    Value() = default;
    static Value Int(int value) { return Value(std::in_place_index<1>, value); }
    static Value Float(float value) { return Value(std::in_place_index<2>, value); }
    static Value String(std::string value) {
        return Value(std::in_place_index<3>, std::move(value));
    }
    static Value FloatOut(float* target) { return Value(std::in_place_index<4>, target); }

    ValueType Type() const { return static_cast<ValueType>(data_.index()); }
    // A float is rounded to the nearest int and held inside int's range (not a number: 0); a
    // string is read as atoi reads it. None and FloatOut give 0.
    int AsInt() const;
    // A string is read as atof reads it. None and FloatOut give 0.
    float AsFloat() const;
    // Numbers as "%d" and "%g" write them; None and FloatOut give "".
    std::string AsString() const;
    float* OutTarget() const;

    bool operator==(const Value&) const = default;

private:
    template <std::size_t I, class T>
    Value(std::in_place_index_t<I> index, T&& value) : data_(index, std::forward<T>(value)) {}
    std::variant<std::monostate, int, float, std::string, float*> data_;
};

inline constexpr std::size_t kMaxParameters = 5;

// One way to call a member. A property has two entries with one id and name: its put (its
// type as the one parameter) first, then its get (its type as the result).
struct Entry {
    int dispid = 0;
    std::string_view name;
    MemberKind kind = MemberKind::Method;
    std::array<ValueType, kMaxParameters> parameterTypes{};
    std::uint8_t parameterCount = 0;
    ValueType result = ValueType::None;
    std::string_view help;  // "property Filename", "method SetPosition"

    std::span<const ValueType> Parameters() const {
        return std::span<const ValueType>(parameterTypes.data(), parameterCount);
    }
};

// Every entry, in the interface's order (dispatch ids 1 to 29, with no 5 and no 26).
std::span<const Entry> Entries();
const Entry* Find(int dispid, MemberKind kind);
// Without regard to ASCII case, as automation names are matched.
const Entry* FindByName(std::string_view name, MemberKind kind);
std::optional<int> IdOfName(std::string_view name);

enum class CallResult : std::uint8_t {
    Ok,
    MemberNotFound,  // no such id, or not of that kind
    BadParamCount,   // not the entry's count of arguments
    TypeMismatch,    // a FloatOut where a value goes, or a value where a FloatOut goes
};

// Calls the member on `viewer` with `arguments` in declared order (converted to the declared
// types); a get's value goes to `result` when given.
CallResult Invoke(CVanteloPlugin& viewer, const Entry& entry, std::span<const Value> arguments,
                  Value* result = nullptr);
CallResult Invoke(CVanteloPlugin& viewer, int dispid, MemberKind kind,
                  std::span<const Value> arguments, Value* result = nullptr);

// The six script events, and the three ways they are numbered: the dispatch ids of the event
// interface, the kinds the viewer fires and queues (OnChangeMode goes to the host directly and
// has none), and the ids of the page plug-in's map from events to page functions. Each
// numbering is its own table: none follows from another.
enum class Event : std::uint8_t {
    ChangedPos,
    ZoomedToGoal,
    OnLoad,
    OnTime,
    OnChangeMode,
    OnCursor
};

struct EventNumber {
    Event event;
    int number;
};

inline constexpr std::array<EventNumber, 6> kEventDispids{{
    {Event::ChangedPos, 1},
    {Event::ZoomedToGoal, 2},
    {Event::OnLoad, 3},
    {Event::OnTime, 4},
    {Event::OnChangeMode, 5},
    {Event::OnCursor, 6},
}};

inline constexpr std::array<EventNumber, 5> kEventFiringKinds{{
    {Event::ChangedPos, 0},
    {Event::ZoomedToGoal, 1},
    {Event::OnLoad, 2},
    {Event::OnTime, 3},
    {Event::OnCursor, 4},
}};

inline constexpr std::array<EventNumber, 6> kEventHostIds{{
    {Event::ChangedPos, 0},
    {Event::OnChangeMode, 1},
    {Event::OnCursor, 2},
    {Event::OnLoad, 3},
    {Event::OnTime, 4},
    {Event::ZoomedToGoal, 5},
}};

// An event's name and parameters as the event interface declares them. The parameters of
// OnChangeMode and OnCursor are shorts, carried as Int.
struct EventInfo {
    Event event;
    std::string_view name;
    std::array<ValueType, 3> parameterTypes{};
    std::uint8_t parameterCount = 0;
    std::array<std::string_view, 3> parameterNames{};
};
std::span<const EventInfo> Events();
const EventInfo& Describe(Event event);

std::optional<int> EventDispid(Event event);
std::optional<Event> EventOfDispid(int dispid);
std::optional<int> FiringKind(Event event);
std::optional<Event> EventOfFiringKind(int kind);
std::optional<int> HostId(Event event);
std::optional<Event> EventOfHostId(int id);

}  // namespace scripting
