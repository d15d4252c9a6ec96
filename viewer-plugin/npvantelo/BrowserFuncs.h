#pragma once

#include <cstdint>

#include "platform/npapi/Npapi.h"

// The browser's functions as NP_Initialize found them. The plug-in calls only two of them;
// until a browser has handed its table over, both do nothing.
namespace npvantelo {

// Copies the entries the plug-in keeps; the caller has checked the table's size.
void KeepBrowserFuncs(const NPNetscapeFuncs& funcs);
void ForgetBrowserFuncs();

}  // namespace npvantelo

NPError NPN_GetURL(NPP instance, const char* url, const char* target);
void* NPN_MemAlloc(std::uint32_t size);
