#pragma once

#include <cstdint>
#include <thread>

#include "platform/jri/Jri.h"
#include "platform/npapi/Npapi.h"

class CNsxPlugin;

// The module object of a plug-in library built on this framework: it keeps the browser's
// and the plug-in's function tables, turns the Java and script bridge on or off, and hands
// every NPP call to the instance object the browser's `pdata` points to. Every browser entry
// is a virtual operation, so a concrete plug-in overrides only what it needs. One object per
// module, made when the library loads; everything runs on the browser's thread.
class CNsxApp {
public:
    CNsxApp();
    virtual ~CNsxApp();
    CNsxApp(const CNsxApp&) = delete;
    CNsxApp& operator=(const CNsxApp&) = delete;

    // The application's own start, once the library is loaded.
    virtual bool InitInstance();

    virtual NPError GetEntryPoints(NPPluginFuncs* funcs);
    virtual NPError Initialize(NPNetscapeFuncs* funcs);
    virtual NPError Shutdown();
    virtual NPError New(NPMIMEType mimeType, NPP instance, std::uint16_t mode, std::int16_t argc,
                        char** argn, char** argv, NPSavedData* saved);
    virtual NPError Destroy(NPP instance, NPSavedData** save);
    virtual NPError SetWindow(NPP instance, NPWindow* window);
    virtual NPError NewStream(NPP instance, NPMIMEType type, NPStream* stream, NPBool seekable,
                              std::uint16_t* stype);
    virtual std::int32_t WriteReady(NPP instance, NPStream* stream);
    virtual std::int32_t Write(NPP instance, NPStream* stream, std::int32_t offset,
                               std::int32_t len, void* buffer);
    virtual NPError DestroyStream(NPP instance, NPStream* stream, NPReason reason);
    virtual void StreamAsFile(NPP instance, NPStream* stream, const char* fname);
    virtual void Print(NPP instance, NPPrint* platformPrint);
    virtual void URLNotify(NPP instance, const char* url, NPReason reason, void* notifyData);
    virtual std::int16_t HandleEvent(NPP instance, void* event);
    // A new instance object for the MIME type, or null.
    virtual CNsxPlugin* CreatePluginInstance(NPMIMEType mimeType, NPP instance);
    // The script bridge's Java class, or null; its counterpart at shutdown.
    virtual jref RegisterJavaClass();
    virtual void UnregisterJavaClass();

    NPNetscapeFuncs* BrowserFuncs() const { return browserFuncs_; }
    bool LiveConnect() const { return liveConnect_ != 0; }
    NPPluginFuncs* PluginFuncs() const { return pluginFuncs_; }
    // The thread that loaded the module: the browser's plug-in thread.
    std::thread::id LoadingThread() const { return loadingThread_; }

private:
    void InstanceGone();

    NPNetscapeFuncs* browserFuncs_ = nullptr;
    std::int32_t liveConnect_ = 0;
    NPPluginFuncs* pluginFuncs_ = nullptr;
    std::thread::id loadingThread_;
    int liveInstances_ = 0;
    bool shutDown_ = false;
};

// The module's application object.
CNsxApp* GetPluginApp();
// The browser's Java environment while the bridge is on and the browser's table is kept;
// else null.
JRIEnv* GetJavaEnv();
// The browser's Java object for the instance (the browser's "none", -1, is null), under the
// same terms.
jref GetJavaPeer(NPP npp);

// Whether a host program of this path turns the bridge off: the two shell programs of the
// other browser family, whose Java is not ours to reach.
bool IsBridgelessHost(const char* path);

// Binds the Java classes the bridge uses, then calls `bind`, whose class it returns; null
// without a Java environment. Unbinding calls `unbind` first and lets go of the classes.
using JavaBindFunction = jref (*)(JRIEnv* env);
using JavaUnbindFunction = void (*)(JRIEnv* env);
jref BindJavaClasses(JavaBindFunction bind);
void UnbindJavaClasses(JavaUnbindFunction unbind);
