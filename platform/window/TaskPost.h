#pragma once

#include <functional>

namespace platform {

// Runs `task` on the GUI thread once control returns to its event loop; callable from any
// thread, the GUI thread included (the task then runs later, never inside the caller).
// Without an application there is no GUI thread: the task runs at once.
void PostTask(std::function<void()> task);

}  // namespace platform
