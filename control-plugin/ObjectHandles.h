#pragma once

#include <cstdint>

#include "platform/com/Com.h"

// Page scripts hold automation objects as numbers from this module-wide table, never as
// pointers: a number that was never handed out, or was given back, finds nothing.
// Browser's thread only.
// A new handle holding one reference of its own to `object`; 0 for null.
std::int32_t AddObjectHandle(platform::IUnknown* object);
// The object (no reference added), or null.
platform::IUnknown* ObjectFromHandle(std::int32_t handle);
// Gives the handle's reference back; an unknown handle changes nothing.
void ReleaseObjectHandle(std::int32_t handle);
// Gives back every handle left (the module's shutdown).
void ReleaseAllObjectHandles();
int ObjectHandleCount();
