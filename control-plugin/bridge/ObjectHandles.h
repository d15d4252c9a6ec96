#pragma once

#include <cstdint>

#include "platform/com/Com.h"

// Page scripts hold automation objects as numbers, never as pointers. A number is good only
// for the instance it was handed to: pages of different sites share the module, so a
// number another instance received, one never handed out, one given back, or one of an
// instance that has ended finds nothing. Browser's thread only.

// The instance a handle belongs to (its instance object; only compared, never followed).
using HandleOwner = const void*;

// At most this many live handles per instance; past them an object gives 0, as none does.
inline constexpr int kMaxObjectHandles = 65536;

// While it lives, conversions make their handles for `owner` (a native call of that
// instance). Scopes nest; without one, objects give 0.
class HandleOwnerScope {
public:
    explicit HandleOwnerScope(HandleOwner owner);
    ~HandleOwnerScope();
    HandleOwnerScope(const HandleOwnerScope&) = delete;
    HandleOwnerScope& operator=(const HandleOwnerScope&) = delete;

private:
    HandleOwner previous_;
};
HandleOwner CurrentHandleOwner();

// A new handle of `owner` holding one reference of its own to `object`; 0 for a null object
// or owner, or when the owner holds kMaxObjectHandles already.
std::int32_t AddObjectHandle(HandleOwner owner, platform::IUnknown* object);
// The object (no reference added), or null when `handle` is not a live one of `owner`.
platform::IUnknown* ObjectFromHandle(HandleOwner owner, std::int32_t handle);
// Gives the handle's reference back; a handle that is not the owner's changes nothing.
void ReleaseObjectHandle(HandleOwner owner, std::int32_t handle);
// Gives back every handle of `owner` (its instance ends).
void ReleaseObjectHandles(HandleOwner owner);
// Gives back every handle left (the module's shutdown).
void ReleaseAllObjectHandles();
int ObjectHandleCount();
int ObjectHandleCount(HandleOwner owner);
