#include "viewer-plugin/npvantelo/BrowserFuncs.h"

namespace npvantelo {
namespace {

// The browser's table as NP_Initialize found it, without the Java entries, which the
// plug-in never calls.
NPNetscapeFuncs browser;

}  // namespace

void KeepBrowserFuncs(const NPNetscapeFuncs& funcs) {
    browser = funcs;
    browser.getJavaEnv = nullptr;
    browser.getJavaPeer = nullptr;
}

void ForgetBrowserFuncs() {
    browser = NPNetscapeFuncs{};
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
