#pragma once

namespace platform {

// True when the process can reach a display (or was told which Qt platform to use). Qt ends
// the process when it cannot reach the X server it is given, so a program asks first.
bool HasDisplay();

}  // namespace platform
