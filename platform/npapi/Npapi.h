#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/jri/Jri.h"

// The browser plug-in interface: what a browser and a plug-in library hand each other. The
// plug-in exports three entry points; the browser passes its own function table in and
// receives the plug-in's. Field orders are fixed: browsers and plug-ins built apart agree
// on them.
using NPError = std::int16_t;
using NPReason = std::int16_t;
using NPBool = unsigned char;
using NPMIMEType = char*;

inline constexpr NPError NPERR_NO_ERROR = 0;
inline constexpr NPError NPERR_GENERIC_ERROR = 1;
inline constexpr NPError NPERR_INVALID_INSTANCE_ERROR = 2;
inline constexpr NPError NPERR_INVALID_FUNCTABLE_ERROR = 3;
inline constexpr NPError NPERR_MODULE_LOAD_FAILED_ERROR = 4;
inline constexpr NPError NPERR_OUT_OF_MEMORY_ERROR = 5;
inline constexpr NPError NPERR_INCOMPATIBLE_VERSION_ERROR = 8;
inline constexpr NPError NPERR_INVALID_PARAM = 9;

// Why a stream ended.
inline constexpr NPReason NPRES_DONE = 0;
inline constexpr NPReason NPRES_NETWORK_ERR = 1;
inline constexpr NPReason NPRES_USER_BREAK = 2;

// The table versions: the major in the high byte, the minor in the low one.
inline constexpr std::uint16_t NP_VERSION_MAJOR = 0;
inline constexpr std::uint16_t NP_VERSION_MINOR = 13;

// Embedding modes of NPP_New.
inline constexpr std::uint16_t NP_EMBED = 1;
inline constexpr std::uint16_t NP_FULL = 2;

// Stream types of NPP_NewStream.
inline constexpr std::uint16_t NP_NORMAL = 1;

enum NPPVariable : int {
    NPPVpluginNameString = 1,
    NPPVpluginDescriptionString = 2,
    NPPVpluginScriptableInstance = 10,
    NPPVpluginScriptableIID = 11,
};

enum NPNVariable : int {
    NPNVxDisplay = 1,
};

// One embedded object: the plug-in's data and the browser's.
struct NPP_t {
    void* pdata = nullptr;
    void* ndata = nullptr;
};
using NPP = NPP_t*;

struct NPRect {
    std::uint16_t top = 0;
    std::uint16_t left = 0;
    std::uint16_t bottom = 0;
    std::uint16_t right = 0;
};

// Handle-sized, so that a print record's words after the clip rectangle are all handles.
enum NPWindowType : std::intptr_t { NPWindowTypeWindow = 1, NPWindowTypeDrawable = 2 };

// The plug-in's part of the page. `window` is the window handle (here the widget).
struct NPWindow {
    void* window = nullptr;
    std::int32_t x = 0;
    std::int32_t y = 0;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    NPRect clipRect;
    NPWindowType type = NPWindowTypeWindow;
};

struct NPStream {
    void* pdata = nullptr;
    void* ndata = nullptr;
    const char* url = nullptr;
    std::uint32_t end = 0;
    std::uint32_t lastmodified = 0;
    void* notifyData = nullptr;
};

struct NPSavedData {
    std::int32_t len = 0;
    void* buf = nullptr;
};

// Printing an embedded object: its place on the page and the printer. A browser whose window
// record has no type word puts the printer's device context right after the clip rectangle;
// one with it, after the type word (`platformPrint`).
struct NPEmbedPrint {
    NPWindow window;
    void* platformPrint = nullptr;
};
static_assert(offsetof(NPEmbedPrint, platformPrint) ==
              offsetof(NPWindow, clipRect) + sizeof(NPRect) + sizeof(void*));

// Printing a full-page object: the plug-in says whether it printed.
struct NPFullPrint {
    NPBool pluginPrinted;
    NPBool printOne;
    void* platformPrint;
};

union NPPrintData {
    NPFullPrint fullPrint;
    NPEmbedPrint embedPrint{};
};

struct NPPrint {
    std::uint16_t mode = NP_EMBED;
    NPPrintData print;
};

// A window message handed to a windowless plug-in.
struct NPEvent {
    std::uint16_t event = 0;
    std::uintptr_t wParam = 0;
    std::intptr_t lParam = 0;
};

// The plug-in's side.
using NPP_NewProcPtr = NPError (*)(NPMIMEType, NPP, std::uint16_t, std::int16_t, char**, char**,
                                   NPSavedData*);
using NPP_DestroyProcPtr = NPError (*)(NPP, NPSavedData**);
using NPP_SetWindowProcPtr = NPError (*)(NPP, NPWindow*);
using NPP_NewStreamProcPtr = NPError (*)(NPP, NPMIMEType, NPStream*, NPBool, std::uint16_t*);
using NPP_DestroyStreamProcPtr = NPError (*)(NPP, NPStream*, NPReason);
using NPP_StreamAsFileProcPtr = void (*)(NPP, NPStream*, const char*);
using NPP_WriteReadyProcPtr = std::int32_t (*)(NPP, NPStream*);
using NPP_WriteProcPtr = std::int32_t (*)(NPP, NPStream*, std::int32_t, std::int32_t, void*);
using NPP_PrintProcPtr = void (*)(NPP, NPPrint*);
using NPP_HandleEventProcPtr = std::int16_t (*)(NPP, void*);
using NPP_URLNotifyProcPtr = void (*)(NPP, const char*, NPReason, void*);
using NPP_GetValueProcPtr = NPError (*)(NPP, NPPVariable, void*);
using NPP_SetValueProcPtr = NPError (*)(NPP, NPNVariable, void*);

struct NPPluginFuncs {
    std::uint16_t size = 0;
    std::uint16_t version = 0;
    NPP_NewProcPtr newp = nullptr;
    NPP_DestroyProcPtr destroy = nullptr;
    NPP_SetWindowProcPtr setwindow = nullptr;
    NPP_NewStreamProcPtr newstream = nullptr;
    NPP_DestroyStreamProcPtr destroystream = nullptr;
    NPP_StreamAsFileProcPtr asfile = nullptr;
    NPP_WriteReadyProcPtr writeready = nullptr;
    NPP_WriteProcPtr write = nullptr;
    NPP_PrintProcPtr print = nullptr;
    NPP_HandleEventProcPtr event = nullptr;
    NPP_URLNotifyProcPtr urlnotify = nullptr;
    void* javaClass = nullptr;
    NPP_GetValueProcPtr getvalue = nullptr;
    NPP_SetValueProcPtr setvalue = nullptr;
};

// The browser's side.
struct NPByteRange {
    std::int32_t offset = 0;
    std::uint32_t length = 0;
    NPByteRange* next = nullptr;
};
using NPRegion = void*;

using NPN_GetURLProcPtr = NPError (*)(NPP, const char*, const char*);
using NPN_PostURLProcPtr = NPError (*)(NPP, const char*, const char*, std::uint32_t, const char*,
                                       NPBool);
using NPN_RequestReadProcPtr = NPError (*)(NPStream*, NPByteRange*);
using NPN_NewStreamProcPtr = NPError (*)(NPP, NPMIMEType, const char*, NPStream**);
using NPN_WriteProcPtr = std::int32_t (*)(NPP, NPStream*, std::int32_t, void*);
using NPN_DestroyStreamProcPtr = NPError (*)(NPP, NPStream*, NPReason);
using NPN_StatusProcPtr = void (*)(NPP, const char*);
using NPN_UserAgentProcPtr = const char* (*)(NPP);
using NPN_MemAllocProcPtr = void* (*)(std::uint32_t);
using NPN_MemFreeProcPtr = void (*)(void*);
using NPN_MemFlushProcPtr = std::uint32_t (*)(std::uint32_t);
using NPN_ReloadPluginsProcPtr = void (*)(NPBool);
using NPN_GetJavaEnvProcPtr = JRIEnv* (*)();
using NPN_GetJavaPeerProcPtr = jref (*)(NPP);
using NPN_GetURLNotifyProcPtr = NPError (*)(NPP, const char*, const char*, void*);
using NPN_PostURLNotifyProcPtr = NPError (*)(NPP, const char*, const char*, std::uint32_t,
                                             const char*, NPBool, void*);
using NPN_GetValueProcPtr = NPError (*)(NPP, NPNVariable, void*);
using NPN_SetValueProcPtr = NPError (*)(NPP, NPPVariable, void*);
using NPN_InvalidateRectProcPtr = void (*)(NPP, NPRect*);
using NPN_InvalidateRegionProcPtr = void (*)(NPP, NPRegion);
using NPN_ForceRedrawProcPtr = void (*)(NPP);

struct NPNetscapeFuncs {
    std::uint16_t size = 0;
    std::uint16_t version = 0;
    NPN_GetURLProcPtr geturl = nullptr;
    NPN_PostURLProcPtr posturl = nullptr;
    NPN_RequestReadProcPtr requestread = nullptr;
    NPN_NewStreamProcPtr newstream = nullptr;
    NPN_WriteProcPtr write = nullptr;
    NPN_DestroyStreamProcPtr destroystream = nullptr;
    NPN_StatusProcPtr status = nullptr;
    NPN_UserAgentProcPtr uagent = nullptr;
    NPN_MemAllocProcPtr memalloc = nullptr;
    NPN_MemFreeProcPtr memfree = nullptr;
    NPN_MemFlushProcPtr memflush = nullptr;
    NPN_ReloadPluginsProcPtr reloadplugins = nullptr;
    NPN_GetJavaEnvProcPtr getJavaEnv = nullptr;
    NPN_GetJavaPeerProcPtr getJavaPeer = nullptr;
    NPN_GetURLNotifyProcPtr geturlnotify = nullptr;
    NPN_PostURLNotifyProcPtr posturlnotify = nullptr;
    NPN_GetValueProcPtr getvalue = nullptr;
    NPN_SetValueProcPtr setvalue = nullptr;
    NPN_InvalidateRectProcPtr invalidaterect = nullptr;
    NPN_InvalidateRegionProcPtr invalidateregion = nullptr;
    NPN_ForceRedrawProcPtr forceredraw = nullptr;
};

// The smallest browser table that reaches `forceredraw`, the last entry a plug-in of this
// version reads (88 bytes where pointers have 4).
inline constexpr std::size_t kNetscapeFuncsThroughForceRedraw =
    offsetof(NPNetscapeFuncs, forceredraw) + sizeof(NPN_ForceRedrawProcPtr);

// The Java class of NPPluginFuncs, a global reference of the browser's Java machine, travels
// in a pointer-sized slot.
inline void* JavaClassSlot(jref clazz) {
    return reinterpret_cast<void*>(static_cast<std::uintptr_t>(clazz));
}
inline jref JavaClassOf(const NPPluginFuncs& funcs) {
    return static_cast<jref>(reinterpret_cast<std::uintptr_t>(funcs.javaClass));
}

// The three exports, by name.
using NP_GetEntryPointsFunc = NPError (*)(NPPluginFuncs*);
using NP_InitializeFunc = NPError (*)(NPNetscapeFuncs*);
using NP_ShutdownFunc = NPError (*)();
