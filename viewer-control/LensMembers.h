#pragma once

#include "platform/com/MemberTable.h"
#include "viewer-plugin/viewer/DispatchTable.h"

// ILensObj as automation sees it: the viewer's scripting members with their VARIANT types,
// plus the members only the control has: AboutBox, BackColor and the get-only ReadyState.
const platform::MemberTable& LensMembers();

// The control's stock ReadyState: how far its picture is. A container asks it after OnLoad,
// which also follows a load that failed.
inline constexpr platform::DISPID kDispReadyState = -525;
inline constexpr int kReadyStateNone = 0;         // no picture: none named, or it failed
inline constexpr int kReadyStateLoading = 1;      // downloading, nothing to show yet
inline constexpr int kReadyStateInteractive = 3;  // showing what has arrived of it
inline constexpr int kReadyStateComplete = 4;     // showing the whole picture

// The VARIANT type that carries a value of the scripting table.
platform::VARTYPE VariantTypeOf(scripting::ValueType type);
