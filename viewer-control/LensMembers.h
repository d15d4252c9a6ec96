#pragma once

#include "platform/com/MemberTable.h"
#include "viewer-plugin/DispatchTable.h"

// ILensObj as automation sees it: the viewer's scripting members with their VARIANT types,
// plus the two members only the control has, AboutBox and BackColor.
const platform::MemberTable& LensMembers();

// The VARIANT type that carries a value of the scripting table.
platform::VARTYPE VariantTypeOf(scripting::ValueType type);
