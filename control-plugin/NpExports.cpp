// The library's three exports: each reaches the module's object. No exception leaves here.
#include "control-plugin/framework/NsxApp.h"
#include "platform/npapi/Npapi.h"

#define NP_EXPORT extern "C" __attribute__((visibility("default")))

NP_EXPORT NPError NP_GetEntryPoints(NPPluginFuncs* funcs) {
    try {
        return GetPluginApp()->GetEntryPoints(funcs);
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

NP_EXPORT NPError NP_Initialize(NPNetscapeFuncs* funcs) {
    try {
        return GetPluginApp()->Initialize(funcs);
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}

NP_EXPORT NPError NP_Shutdown() {
    try {
        return GetPluginApp()->Shutdown();
    } catch (...) {
        return NPERR_GENERIC_ERROR;
    }
}
