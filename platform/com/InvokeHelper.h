#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <variant>

#include "platform/com/AutomationErrors.h"
#include "platform/com/Dispatch.h"

namespace platform {

// Where a late-bound call's result goes; its type says which type the result is converted
// to. NoResult asks for none.
using NoResult = std::monostate;
using InvokeResult = std::variant<NoResult, std::int16_t*, std::int32_t*, float*, double*, bool*,
                                  std::string*, Variant*, ComPtr<IDispatch>*>;

// Calls member `id` of `object` with `flags` (DISPATCH_METHOD, _PROPERTYGET or _PROPERTYPUT)
// and the arguments in their natural order: each is passed as its own type (Variant::I2,
// ::I4, ::R4, ::R8, ::Bool, ::Text, any VARIANT, Variant::R4Ref for a float the member
// fills). A put passes its last argument as the value. Text results arrive as UTF-8.
// Throws DispatchError or OleError (a null object, a failed call, a result that cannot be
// converted); nothing else.
void InvokeHelper(IDispatch* object, DISPID id, std::uint16_t flags, InvokeResult result,
                  std::initializer_list<Variant> arguments);

}  // namespace platform
