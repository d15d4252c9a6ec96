#include "control-plugin/NPLensObjApp.h"

#include "control-plugin/JavaClasses.h"

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
    return BindJavaClasses(&use_NPLensObj);
}

void CNPLensObjApp::UnregisterJavaClass() {
    UnbindJavaClasses(&unuse_NPLensObj);
}
