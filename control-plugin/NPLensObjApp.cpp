#include "control-plugin/NPLensObjApp.h"

#include "control-plugin/JavaNatives.h"
#include "control-plugin/bridge/ObjectHandles.h"

namespace {

CNPLensObjApp theApp;

// The application's start runs once the library is loaded, as for any module of the
// framework.
[[maybe_unused]] const bool started = theApp.InitInstance();

}  // namespace

bool CNPLensObjApp::InitInstance() {
    return CNsxApp::InitInstance() ? true : false;
}

jref CNPLensObjApp::RegisterJavaClass() {
    return BindJavaClasses(&register_NPLensObj);
}

void CNPLensObjApp::UnregisterJavaClass() {
    UnbindJavaClasses(&unregister_NPLensObj);
}

NPError CNPLensObjApp::Shutdown() {
    // What page scripts still hold goes before the controls' windows can.
    ReleaseAllObjectHandles();
    return CNsxApp::Shutdown();
}
