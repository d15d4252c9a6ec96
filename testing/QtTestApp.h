#pragma once

#include <functional>

class QApplication;

namespace testing_support {

// The one QApplication of a test program, made at first use (tests run offscreen) and kept
// until the program ends.
QApplication& TestApplication();

// Serves events until `done` holds; false after thirty seconds.
bool ServeEventsUntil(const std::function<bool()>& done);

// Serves events until `done` holds, sleeping while none comes (benchmarks: a loop that polls
// would take a core from the threads being measured); looks at `done` at least every 20 ms.
// False after `seconds`.
bool WaitOnEventsUntil(const std::function<bool()>& done, double seconds);

}  // namespace testing_support
