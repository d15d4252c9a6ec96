#pragma once

#include <functional>
#include <string_view>

namespace platform {

// The one sink for diagnostic lines. Silent by default; VANTELO_DEBUG=1 sends lines to
// stderr. Every line the system writes ends in '\n' and is passed on exactly as given.
void DebugOutput(std::string_view text);

// Tests install a hook that receives every line (and nothing goes to stderr meanwhile);
// an empty function removes it. Returns the previous hook.
using DebugHook = std::function<void(std::string_view)>;
DebugHook SetDebugHook(DebugHook hook);

// The plug-in's copy of the image library writes no diagnostics at all.
void SetDebugSilent(bool silent);

}  // namespace platform
