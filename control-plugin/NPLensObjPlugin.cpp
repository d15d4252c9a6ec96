#include "control-plugin/NPLensObjPlugin.h"

#include "control-plugin/NsxPluginFactory.h"

namespace {

// The module's one plug-in class, for every type the browser routes here.
CNsxPluginFactory lensObjFactory(&CreateNsxPlugin<CNPLensObjPlugin>, "");

}  // namespace

const platform::CLSID* CNPLensObjPlugin::GetControlClsid() {
    return &CLSID_LensObj;
}

const char* const* CNPLensObjPlugin::GetEventNames() {
    static const char* const names[] = {"ChangedPos",   "ZoomedToGoal", "OnLoad", "OnTime",
                                        "OnChangeMode", "OnCursor",     nullptr};
    return names;
}
