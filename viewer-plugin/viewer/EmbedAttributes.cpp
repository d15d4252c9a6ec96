#include "viewer-plugin/viewer/EmbedAttributes.h"

#include <algorithm>
#include <string_view>

#include "platform/text/Ascii.h"
#include "viewer-plugin/viewer/DispatchTable.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace {

using scripting::Event;

// Numbers in attributes read as the C library's atoi and atof read them, whatever the
// process locale, as the member table reads a number sent as text.
int ReadInt(const char* text) {
    return scripting::Value::String(text).AsInt();
}

float ReadFloat(const char* text) {
    return scripting::Value::String(text).AsFloat();
}

struct IntAttribute {
    std::string_view name;
    void (CVanteloPlugin::*put)(int);
};

struct FloatAttribute {
    std::string_view name;
    void (CVanteloPlugin::*put)(float);
};

struct EventAttribute {
    std::string_view name;
    Event event;
};

constexpr IntAttribute kIntAttributes[] = {
    {"param_userinterfacelock", &CVanteloPlugin::put_UserInterfaceLock},
    {"param_fullscreen", &CVanteloPlugin::put_Fullscreen},
    {"param_showlogo", &CVanteloPlugin::put_ShowLogo},
    {"param_fit", &CVanteloPlugin::put_Fit},
    {"param_borderheight", &CVanteloPlugin::put_BorderHeight},
    {"param_borderwidth", &CVanteloPlugin::put_BorderWidth},
    {"param_bordercolor", &CVanteloPlugin::put_BorderColor},
    {"param_bgcolor", &CVanteloPlugin::put_BgColor},
};

constexpr FloatAttribute kFloatAttributes[] = {
    {"param_posx", &CVanteloPlugin::put_PosX},
    {"param_posy", &CVanteloPlugin::put_PosY},
    {"param_posz", &CVanteloPlugin::put_PosZ},
    {"param_panspeed", &CVanteloPlugin::put_PanSpeed},
    {"param_zoomspeed", &CVanteloPlugin::put_ZoomSpeed},
    {"param_minzoom", &CVanteloPlugin::put_MinZoom},
    {"param_maxzoom", &CVanteloPlugin::put_MaxZoom},
};

// clang-format off
constexpr EventAttribute kEventAttributes[] = {
    {"event_ChangedPos", Event::ChangedPos},
    {"event_OnChangeMode", Event::OnChangeMode},
    {"event_OnCursor", Event::OnCursor},
    {"event_OnLoad", Event::OnLoad},
    {"event_Load", Event::OnLoad},
    {"event_OnTime", Event::OnTime},
    {"event_Time", Event::OnTime},
    {"event_ZoomedToGoal", Event::ZoomedToGoal},
};
// clang-format on

void ApplyOne(CVanteloPlugin& viewer, std::string_view name, const char* value,
              EventNameMap& eventNames) {
    if (platform::EqualsNoCase(name, "param_filename")) {
        viewer.StoreFilename(value);
        return;
    }
    for (const IntAttribute& a : kIntAttributes) {
        if (platform::EqualsNoCase(name, a.name)) {
            (viewer.*a.put)(ReadInt(value));
            return;
        }
    }
    for (const FloatAttribute& a : kFloatAttributes) {
        if (platform::EqualsNoCase(name, a.name)) {
            (viewer.*a.put)(ReadFloat(value));
            return;
        }
    }
    for (const EventAttribute& a : kEventAttributes) {
        if (platform::EqualsNoCase(name, a.name)) {
            if (const auto id = scripting::HostId(a.event)) eventNames[*id] = value;
            return;
        }
    }
}

}  // namespace

void ApplyEmbedAttributes(CVanteloPlugin& viewer, std::span<const char* const> names,
                          std::span<const char* const> values, EventNameMap& eventNames) {
    const std::size_t count = std::min(names.size(), values.size());
    for (std::size_t i = 0; i < count; ++i) {
        if (names[i] == nullptr || values[i] == nullptr) continue;
        ApplyOne(viewer, names[i], values[i], eventNames);
    }
}
