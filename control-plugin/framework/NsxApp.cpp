#include "control-plugin/framework/NsxApp.h"

#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "control-plugin/bridge/JavaClasses.h"
#include "control-plugin/bridge/ObjectHandles.h"
#include "control-plugin/framework/NsxPlugin.h"
#include "control-plugin/framework/NsxPluginFactory.h"
#include "platform/npapi/EntryGuard.h"
#include "platform/window/LayerRelease.h"

namespace {

CNsxApp* moduleApp = nullptr;

CNsxPlugin* InstanceOf(NPP npp) {
    return npp != nullptr ? static_cast<CNsxPlugin*>(npp->pdata) : nullptr;
}

// The browser's entries the bridge calls, when its table reaches them.
bool TableReaches(const NPNetscapeFuncs& funcs, std::size_t end) {
    return funcs.size >= end;
}

using npapi::Guarded;

// The forwarders the plug-in table holds: each reaches the module's object and calls its
// operation. No exception leaves them.
NPError ForwardNew(NPMIMEType mimeType, NPP instance, std::uint16_t mode, std::int16_t argc,
                   char** argn, char** argv, NPSavedData* saved) {
    return Guarded<NPError>(NPERR_GENERIC_ERROR, [&] {
        return GetPluginApp()->New(mimeType, instance, mode, argc, argn, argv, saved);
    });
}

NPError ForwardDestroy(NPP instance, NPSavedData** save) {
    return Guarded<NPError>(NPERR_GENERIC_ERROR,
                            [&] { return GetPluginApp()->Destroy(instance, save); });
}

NPError ForwardSetWindow(NPP instance, NPWindow* window) {
    return Guarded<NPError>(NPERR_GENERIC_ERROR,
                            [&] { return GetPluginApp()->SetWindow(instance, window); });
}

NPError ForwardNewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                         std::uint16_t* stype) {
    return Guarded<NPError>(NPERR_GENERIC_ERROR, [&] {
        return GetPluginApp()->NewStream(instance, type, stream, seekable, stype);
    });
}

NPError ForwardDestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    return Guarded<NPError>(NPERR_GENERIC_ERROR, [&] {
        return GetPluginApp()->DestroyStream(instance, stream, reason);
    });
}

void ForwardStreamAsFile(NPP instance, NPStream* stream, const char* fname) {
    Guarded<int>(0, [&] {
        GetPluginApp()->StreamAsFile(instance, stream, fname);
        return 0;
    });
}

std::int32_t ForwardWriteReady(NPP instance, NPStream* stream) {
    return Guarded<std::int32_t>(0, [&] { return GetPluginApp()->WriteReady(instance, stream); });
}

std::int32_t ForwardWrite(NPP instance, NPStream* stream, std::int32_t offset, std::int32_t len,
                          void* buffer) {
    return Guarded<std::int32_t>(
        -1, [&] { return GetPluginApp()->Write(instance, stream, offset, len, buffer); });
}

void ForwardPrint(NPP instance, NPPrint* print) {
    Guarded<int>(0, [&] {
        GetPluginApp()->Print(instance, print);
        return 0;
    });
}

void ForwardURLNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
    Guarded<int>(0, [&] {
        GetPluginApp()->URLNotify(instance, url, reason, notifyData);
        return 0;
    });
}

}  // namespace

CNsxApp::CNsxApp() : loadingThread_(std::this_thread::get_id()) {
    moduleApp = this;
}

CNsxApp::~CNsxApp() {
    if (moduleApp == this) moduleApp = nullptr;
}

bool CNsxApp::InitInstance() {
    return true;
}

NPError CNsxApp::GetEntryPoints(NPPluginFuncs* funcs) {
    if (funcs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    // The size, the URL notification, the Java class and the value entries are the
    // browser's or Initialize's.
    funcs->version = 9;
    funcs->newp = ForwardNew;
    funcs->destroy = ForwardDestroy;
    funcs->setwindow = ForwardSetWindow;
    funcs->newstream = ForwardNewStream;
    funcs->destroystream = ForwardDestroyStream;
    funcs->asfile = ForwardStreamAsFile;
    funcs->writeready = ForwardWriteReady;
    funcs->write = ForwardWrite;
    funcs->print = ForwardPrint;
    funcs->event = nullptr;
    pluginFuncs_ = funcs;
    return NPERR_NO_ERROR;
}

NPError CNsxApp::Initialize(NPNetscapeFuncs* funcs) {
    if (funcs == nullptr) return NPERR_INVALID_FUNCTABLE_ERROR;
    browserFuncs_ = funcs;
    shutDown_ = false;
    if ((funcs->version >> 8) > 0) return NPERR_INCOMPATIBLE_VERSION_ERROR;
    if ((funcs->version & 0xFF) >= 9) {
        // A browser that has not asked for the entry points yet has no table to extend; the
        // bridge is decided all the same.
        if (pluginFuncs_ != nullptr) pluginFuncs_->urlnotify = ForwardURLNotify;
        liveConnect_ = 1;
        char path[4096] = {};
        const ssize_t length = ::readlink("/proc/self/exe", path, sizeof path - 1);
        if (length > 0 && IsBridgelessHost(path)) liveConnect_ = 0;
    }
    if (liveConnect_ != 0 && pluginFuncs_ != nullptr) {
        pluginFuncs_->javaClass = nullptr;
        const jref clazz = Guarded<jref>(0, [this] { return RegisterJavaClass(); });
        JRIEnv* env = GetJavaEnv();
        if (clazz != 0 && env != nullptr)
            pluginFuncs_->javaClass = JavaClassSlot(env->NewGlobalRef(clazz));
    }
    return NPERR_NO_ERROR;
}

NPError CNsxApp::Shutdown() {
    if (liveConnect_ != 0) {
        Guarded<int>(0, [this] {
            UnregisterJavaClass();
            return 0;
        });
    }
    browserFuncs_ = nullptr;
    shutDown_ = true;
    // This module's windows leave the toolkit before the library goes: now, or when the
    // last instance does.
    if (liveInstances_ == 0) platform::ReleaseWindowLayer();
    return NPERR_NO_ERROR;
}

void CNsxApp::InstanceGone() {
    if (liveInstances_ > 0) --liveInstances_;
    if (liveInstances_ == 0 && shutDown_) platform::ReleaseWindowLayer();
}

NPError CNsxApp::New(NPMIMEType mimeType, NPP instance, std::uint16_t mode, std::int16_t argc,
                     char** argn, char** argv, NPSavedData* saved) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    CNsxPlugin* plugin =
        Guarded<CNsxPlugin*>(nullptr, [&] { return CreatePluginInstance(mimeType, instance); });
    if (plugin == nullptr) return NPERR_OUT_OF_MEMORY_ERROR;
    instance->pdata = plugin;
    ++liveInstances_;
    const NPError result = Guarded<NPError>(
        NPERR_GENERIC_ERROR, [&] { return plugin->New(mimeType, mode, argc, argn, argv, saved); });
    if (result != NPERR_NO_ERROR) {
        delete plugin;
        instance->pdata = nullptr;
        InstanceGone();
        return result;
    }
    return NPERR_NO_ERROR;
}

NPError CNsxApp::Destroy(NPP instance, NPSavedData** save) {
    if (instance == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    if (CNsxPlugin* plugin = InstanceOf(instance)) {
        // What the page holds of the instance goes before its control does.
        ReleaseObjectHandles(plugin);
        Guarded<NPError>(NPERR_NO_ERROR, [&] { return plugin->Destroy(save); });
        delete plugin;
        instance->pdata = nullptr;
        InstanceGone();
    }
    return NPERR_NO_ERROR;
}

NPError CNsxApp::SetWindow(NPP instance, NPWindow* window) {
    CNsxPlugin* plugin = InstanceOf(instance);
    if (plugin == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    return plugin->SetWindow(window);
}

NPError CNsxApp::NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                           std::uint16_t* stype) {
    CNsxPlugin* plugin = InstanceOf(instance);
    if (plugin == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    return plugin->NewStream(type, stream, seekable, stype);
}

std::int32_t CNsxApp::WriteReady(NPP instance, NPStream* stream) {
    CNsxPlugin* plugin = InstanceOf(instance);
    return plugin != nullptr ? plugin->WriteReady(stream) : 0;
}

std::int32_t CNsxApp::Write(NPP instance, NPStream* stream, std::int32_t offset, std::int32_t len,
                            void* buffer) {
    CNsxPlugin* plugin = InstanceOf(instance);
    if (plugin == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    return plugin->Write(stream, offset, len, buffer);
}

NPError CNsxApp::DestroyStream(NPP instance, NPStream* stream, NPReason reason) {
    CNsxPlugin* plugin = InstanceOf(instance);
    if (plugin == nullptr) return NPERR_INVALID_INSTANCE_ERROR;
    return plugin->DestroyStream(stream, reason);
}

void CNsxApp::StreamAsFile(NPP instance, NPStream* stream, const char* fname) {
    if (CNsxPlugin* plugin = InstanceOf(instance)) plugin->StreamAsFile(stream, fname);
}

void CNsxApp::Print(NPP instance, NPPrint* platformPrint) {
    if (CNsxPlugin* plugin = InstanceOf(instance)) plugin->Print(platformPrint);
}

void CNsxApp::URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData) {
    if (CNsxPlugin* plugin = InstanceOf(instance)) plugin->URLNotify(url, reason, notifyData);
}

std::int16_t CNsxApp::HandleEvent(NPP instance, void* event) {
    CNsxPlugin* plugin = InstanceOf(instance);
    return plugin != nullptr ? plugin->HandleEvent(event) : 0;
}

CNsxPlugin* CNsxApp::CreatePluginInstance(NPMIMEType mimeType, NPP instance) {
    return CNsxPluginFactory::CreateForMimeType(mimeType, instance);
}

jref CNsxApp::RegisterJavaClass() {
    return 0;
}

void CNsxApp::UnregisterJavaClass() {}

CNsxApp* GetPluginApp() {
    return moduleApp;
}

JRIEnv* GetJavaEnv() {
    const CNsxApp* app = GetPluginApp();
    if (app == nullptr || !app->LiveConnect()) return nullptr;
    // After NP_Shutdown the browser's table is no longer ours to call through.
    const NPNetscapeFuncs* funcs = app->BrowserFuncs();
    if (funcs == nullptr || funcs->getJavaEnv == nullptr ||
        !TableReaches(*funcs, offsetof(NPNetscapeFuncs, getJavaEnv) + sizeof(funcs->getJavaEnv))) {
        return nullptr;
    }
    return funcs->getJavaEnv();
}

jref GetJavaPeer(NPP npp) {
    const CNsxApp* app = GetPluginApp();
    if (app == nullptr || !app->LiveConnect()) return 0;
    const NPNetscapeFuncs* funcs = app->BrowserFuncs();
    if (funcs == nullptr || funcs->getJavaPeer == nullptr ||
        !TableReaches(*funcs,
                      offsetof(NPNetscapeFuncs, getJavaPeer) + sizeof(funcs->getJavaPeer))) {
        return 0;
    }
    const jref peer = funcs->getJavaPeer(npp);
    return peer == static_cast<jref>(-1) ? 0 : peer;
}

bool IsBridgelessHost(const char* path) {
    if (path == nullptr) return false;
    const std::size_t length = std::strlen(path);
    if (length < 12) return false;
    const char* tail = path + length - 12;
    return ::strncasecmp(tail, "IEXPLORE.EXE", 12) == 0 ||
           ::strncasecmp(tail, "EXPLORER.EXE", 12) == 0;
}

jref BindJavaClasses(JavaBindFunction bind) {
    JRIEnv* env = GetJavaEnv();
    if (env == nullptr) return 0;
    use_netscape_plugin_Plugin(env);
    use_netscape_javascript_JSObject(env);
    // The value classes the conversions use.
    use_netscape_javascript_JSObject(env);
    use_java_util_Vector(env);
    use_java_lang_Object(env);
    use_java_lang_Number(env);
    use_java_lang_Class(env);
    use_java_lang_Integer(env);
    use_java_lang_Float(env);
    use_java_lang_Double(env);
    use_java_lang_Boolean(env);
    use_java_lang_Long(env);
    return bind != nullptr ? bind(env) : 0;
}

void UnbindJavaClasses(JavaUnbindFunction unbind) {
    JRIEnv* env = GetJavaEnv();
    if (env == nullptr) return;
    if (unbind != nullptr) unbind(env);
    unuse_netscape_javascript_JSObject(env);
    unuse_java_lang_Object(env);
    unuse_java_lang_Number(env);
    unuse_java_lang_Class(env);
    unuse_java_lang_Integer(env);
    unuse_java_lang_Float(env);
    unuse_java_lang_Double(env);
    unuse_java_lang_Boolean(env);
    unuse_java_lang_Long(env);
    unuse_java_util_Vector(env);
    unuse_netscape_javascript_JSObject(env);
    unuse_netscape_plugin_Plugin(env);
}
