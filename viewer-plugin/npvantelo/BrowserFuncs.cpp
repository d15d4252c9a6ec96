#include "viewer-plugin/npvantelo/BrowserFuncs.h"

namespace npvantelo {
namespace {

// The entries the plug-in keeps of the browser's table. The Java entries are not kept.
struct BrowserFuncs {
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
    NPN_GetURLNotifyProcPtr geturlnotify = nullptr;
    NPN_PostURLNotifyProcPtr posturlnotify = nullptr;
    NPN_GetValueProcPtr getvalue = nullptr;
    NPN_SetValueProcPtr setvalue = nullptr;
    NPN_InvalidateRectProcPtr invalidaterect = nullptr;
    NPN_InvalidateRegionProcPtr invalidateregion = nullptr;
    NPN_ForceRedrawProcPtr forceredraw = nullptr;
};

BrowserFuncs browser;

}  // namespace

void KeepBrowserFuncs(const NPNetscapeFuncs& funcs) {
    browser.size = funcs.size;
    browser.version = funcs.version;
    browser.geturl = funcs.geturl;
    browser.posturl = funcs.posturl;
    browser.requestread = funcs.requestread;
    browser.newstream = funcs.newstream;
    browser.write = funcs.write;
    browser.destroystream = funcs.destroystream;
    browser.status = funcs.status;
    browser.uagent = funcs.uagent;
    browser.memalloc = funcs.memalloc;
    browser.memfree = funcs.memfree;
    browser.memflush = funcs.memflush;
    browser.reloadplugins = funcs.reloadplugins;
    browser.geturlnotify = funcs.geturlnotify;
    browser.posturlnotify = funcs.posturlnotify;
    browser.getvalue = funcs.getvalue;
    browser.setvalue = funcs.setvalue;
    browser.invalidaterect = funcs.invalidaterect;
    browser.invalidateregion = funcs.invalidateregion;
    browser.forceredraw = funcs.forceredraw;
}

void ForgetBrowserFuncs() {
    browser = BrowserFuncs{};
}

}  // namespace npvantelo

NPError NPN_GetURL(NPP instance, const char* url, const char* target) {
    if (npvantelo::browser.geturl == nullptr) return NPERR_GENERIC_ERROR;
    return npvantelo::browser.geturl(instance, url, target);
}

void* NPN_MemAlloc(std::uint32_t size) {
    if (npvantelo::browser.memalloc == nullptr) return nullptr;
    return npvantelo::browser.memalloc(size);
}
