#include "control-plugin/NPLensObjPlugin.h"

#include "control-plugin/bridge/NsxJavaValue.h"
#include "control-plugin/framework/NsxApp.h"
#include "control-plugin/framework/NsxPluginFactory.h"

using namespace platform;

namespace {

// The module's one plug-in class, for every type the browser routes here.
CNsxPluginFactory lensObjFactory(&CreateNsxPlugin<CNPLensObjPlugin>, "");

enum LensObjEvent : int {
    ChangedPos,
    ZoomedToGoal,
    OnLoad,
    OnTime,
    OnChangeMode,
    OnCursor,
};

}  // namespace

const platform::CLSID* CNPLensObjPlugin::GetControlClsid() {
    return &CLSID_LensObj;
}

const char* const* CNPLensObjPlugin::GetEventNames() {
    static const char* const names[] = {"ChangedPos",   "ZoomedToGoal", "OnLoad", "OnTime",
                                        "OnChangeMode", "OnCursor",     nullptr};
    return names;
}

std::vector<EventSinkEntry> CNPLensObjPlugin::GetEventSinkMap() {
    // Event dispids follow the names: index + 1.
    return {
        {kControlId,
         ChangedPos + 1,
         {VT_R4, VT_R4, VT_R4},
         [this](const std::vector<Variant>& a) {
             OnChangedPos(a[0].fltVal, a[1].fltVal, a[2].fltVal);
         }},
        {kControlId,
         ZoomedToGoal + 1,
         {},
         [this](const std::vector<Variant>&) { OnZoomedToGoal(); }},
        {kControlId, OnLoad + 1, {}, [this](const std::vector<Variant>&) { OnOnLoad(); }},
        {kControlId, OnTime + 1, {}, [this](const std::vector<Variant>&) { OnOnTime(); }},
        {kControlId,
         OnChangeMode + 1,
         {VT_I2, VT_I2, VT_I2},
         [this](const std::vector<Variant>& a) {
             OnOnChangeMode(a[0].iVal, a[1].iVal, a[2].iVal);
         }},
        {kControlId,
         OnCursor + 1,
         {VT_I2, VT_I2, VT_I2},
         [this](const std::vector<Variant>& a) { OnOnCursor(a[0].iVal, a[1].iVal, a[2].iVal); }},
    };
}

bool CNPLensObjPlugin::CallWithoutArguments(int index) {
    const char* handler = GetEventHandler(index);
    if (handler == nullptr || GetJavaEnv() == nullptr) return true;
    CallPageFunction(handler, 0, nullptr);
    return true;
}

template <class T>
bool CNPLensObjPlugin::CallWithThree(int index, T a, T b, T c, VARTYPE type) {
    const char* handler = GetEventHandler(index);
    if (handler == nullptr) return true;
    JRIEnv* env = GetJavaEnv();
    if (env == nullptr) return true;
    // Made last first, handed over in the event's order.
    CNsxJavaValue third(env, c, type);
    CNsxJavaValue second(env, b, type);
    CNsxJavaValue first(env, a, type);
    CNsxJavaValue* const values[3] = {&first, &second, &third};
    CallPageFunction(handler, 3, values);
    return true;
}

bool CNPLensObjPlugin::OnChangedPos(float x, float y, float z) {
    return CallWithThree(ChangedPos, x, y, z, VT_R4);
}

bool CNPLensObjPlugin::OnZoomedToGoal() {
    return CallWithoutArguments(ZoomedToGoal);
}

bool CNPLensObjPlugin::OnOnLoad() {
    return CallWithoutArguments(OnLoad);
}

bool CNPLensObjPlugin::OnOnTime() {
    return CallWithoutArguments(OnTime);
}

bool CNPLensObjPlugin::OnOnChangeMode(std::int16_t mode, std::int16_t width, std::int16_t height) {
    return CallWithThree(OnChangeMode, mode, width, height, VT_I2);
}

bool CNPLensObjPlugin::OnOnCursor(std::int16_t button, std::int16_t x, std::int16_t y) {
    return CallWithThree(OnCursor, button, x, y, VT_I2);
}
