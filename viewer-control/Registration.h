#pragma once

#include <string>

#include "platform/com/Com.h"

// The control's entries under HKEY_CLASSES_ROOT: its class with the library at
// `libraryPath`, its program id and its type library's version. Writing them twice leaves
// what writing them once does.
platform::HRESULT RegisterLensObj(const std::string& libraryPath);
// Removes exactly those entries; a type library key that still holds another version stays.
platform::HRESULT UnregisterLensObj();
