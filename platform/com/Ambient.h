#pragma once

#include "platform/com/MemberTable.h"

namespace platform {

// The ambient properties every container answers unless it says otherwise: a running
// (user-mode) container that draws no design aids, clips its controls and speaks US English.
// Each is a get-only member, so a control may also reach them by name.
const MemberTable& AmbientMembers();
// The default of one; false for an ambient property with none (the control then keeps
// its own).
bool DefaultAmbientProperty(DISPID id, VARIANT* value);

}  // namespace platform
