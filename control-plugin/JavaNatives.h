#pragma once

#include <cstdint>

#include "platform/com/Dispatch.h"
#include "platform/jri/Jri.h"

class CNsxActiveXPlugin;

// The module's Java class with its natives: registered with the browser's machine when the
// bridge binds, gone again when it unbinds.
jref register_NPLensObj(JRIEnv* env);
void unregister_NPLensObj(JRIEnv* env);

// The registration strings, name then signature ("GetObject()I"), ending with null; and the
// natives, parallel to them.
const char* const* LensObjNativeNames();
void* const* LensObjNativeFunctions();

// The live instance of this module whose Java peer carries the same peer id as `object`;
// null for none (no id, an instance that is gone, an id of no instance).
CNsxActiveXPlugin* PluginFromJavaObject(JRIEnv* env, jref object);

platform::HRESULT GetDispIdByName(platform::IDispatch* object, const char* name,
                                  platform::DISPID* id);
