// The library's face towards the browser: its three exports and the NPP calls, each a gate
// that checks its arguments before the instance sees them. No exception leaves here.
#include <memory>
#include <new>

#include "platform/npapi/EntryGuard.h"
#include "platform/npapi/Npapi.h"
#include "viewer-plugin/npvantelo/BrowserFuncs.h"
#include "viewer-plugin/npvantelo/LibraryShutdown.h"
#include "viewer-plugin/npvantelo/PluginInstance.h"

#define NP_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

nsPluginInstance* InstanceOf(NPP npp) {
    return static_cast<nsPluginInstance*>(npp->pdata);
}

using npapi::Guarded;

// The MIME type, the mode and saved data change nothing: there is one kind of viewer.
NPError NPP_New(NPMIMEType, NPP npp, std::uint16_t, std::int16_t argc, char** argn, char** argv,
                NPSavedData*) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    return Guarded<NPError>(NPERR_OUT_OF_MEMORY_ERROR, [&] {
        std::unique_ptr<nsPluginInstance> instance(new (std::nothrow) nsPluginInstance(npp));
        if (!instance) return NPERR_OUT_OF_MEMORY_ERROR;
        instance->ReadAttributes(argc, argn, argv);
        npp->pdata = instance.release();
        npvantelo::InstanceMade();
        return NPERR_NO_ERROR;
    });
}

NPError NPP_Destroy(NPP npp, NPSavedData**) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr) return NPERR_NO_ERROR;
    npp->pdata = nullptr;
    Guarded<int>(0, [&] {
        instance->Shut();
        delete instance;
        npvantelo::InstanceGone();
        return 0;
    });
    return NPERR_NO_ERROR;
}

NPError NPP_SetWindow(NPP npp, NPWindow* window) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr || window == nullptr) return NPERR_GENERIC_ERROR;
    return Guarded<NPError>(NPERR_GENERIC_ERROR, [&] {
        if (!instance->IsInitialized() && window->window != nullptr) {
            if (!instance->Init(window)) {
                npp->pdata = nullptr;
                instance->Shut();
                delete instance;
                npvantelo::InstanceGone();
                return NPERR_MODULE_LOAD_FAILED_ERROR;
            }
        }
        // Later windows, another handle among them, change nothing: the first one stays
        // until the instance is shut.
        return instance->SetWindow(window);
    });
}

NPError NPP_NewStream(NPP npp, NPMIMEType type, NPStream* stream, NPBool seekable,
                      std::uint16_t* stype) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr) return NPERR_GENERIC_ERROR;
    return instance->NewStream(type, stream, seekable, stype);
}

NPError NPP_DestroyStream(NPP npp, NPStream* stream, NPReason reason) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr) return NPERR_GENERIC_ERROR;
    return instance->DestroyStream(stream, reason);
}

void NPP_StreamAsFile(NPP npp, NPStream* stream, const char* fname) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return;
    InstanceOf(npp)->StreamAsFile(stream, fname);
}

std::int32_t NPP_WriteReady(NPP npp, NPStream* stream) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return nsPluginInstance::kWriteReady;
    return InstanceOf(npp)->WriteReady(stream);
}

std::int32_t NPP_Write(NPP npp, NPStream* stream, std::int32_t offset, std::int32_t len,
                       void* buffer) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return len;
    return InstanceOf(npp)->Write(stream, offset, len, buffer);
}

void NPP_Print(NPP npp, NPPrint* print) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return;
    InstanceOf(npp)->Print(print);
}

std::int16_t NPP_HandleEvent(NPP npp, void* event) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return 0;
    return InstanceOf(npp)->HandleEvent(event);
}

void NPP_URLNotify(NPP npp, const char* url, NPReason reason, void* notifyData) {
    if (npp == nullptr || InstanceOf(npp) == nullptr) return;
    InstanceOf(npp)->URLNotify(url, reason, notifyData);
}

NPError NPP_GetValue(NPP npp, NPPVariable variable, void* value) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr) return NPERR_GENERIC_ERROR;
    return Guarded<NPError>(NPERR_OUT_OF_MEMORY_ERROR,
                            [&] { return instance->GetValue(variable, value); });
}

NPError NPP_SetValue(NPP npp, NPNVariable variable, void* value) {
    if (npp == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    nsPluginInstance* instance = InstanceOf(npp);
    if (instance == nullptr) return NPERR_GENERIC_ERROR;
    return instance->SetValue(variable, value);
}

}  // namespace

NP_EXPORT NPError NP_GetEntryPoints(NPPluginFuncs* funcs) {
    if (funcs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    // The browser's size and Java class stay as it set them.
    funcs->version = (NP_VERSION_MAJOR << 8) | NP_VERSION_MINOR;
    funcs->newp = NPP_New;
    funcs->destroy = NPP_Destroy;
    funcs->setwindow = NPP_SetWindow;
    funcs->newstream = NPP_NewStream;
    funcs->destroystream = NPP_DestroyStream;
    funcs->asfile = NPP_StreamAsFile;
    funcs->writeready = NPP_WriteReady;
    funcs->write = NPP_Write;
    funcs->print = NPP_Print;
    funcs->event = NPP_HandleEvent;
    funcs->urlnotify = NPP_URLNotify;
    funcs->getvalue = NPP_GetValue;
    funcs->setvalue = NPP_SetValue;
    return NPERR_NO_ERROR;
}

NP_EXPORT NPError NP_Initialize(NPNetscapeFuncs* funcs) {
    if (funcs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    if ((funcs->version >> 8) != NP_VERSION_MAJOR) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    if (funcs->size < kNetscapeFuncsThroughForceRedraw) return NPERR_INVALID_FUNCTABLE_ERROR;
    npvantelo::CancelPendingRelease();
    npvantelo::KeepBrowserFuncs(*funcs);
    return NPERR_NO_ERROR;
}

NP_EXPORT NPError NP_Shutdown() {
    Guarded<int>(0, [] {
        npvantelo::ReleaseLibraryWhenIdle();
        return 0;
    });
    npvantelo::ForgetBrowserFuncs();
    return NPERR_NO_ERROR;
}
