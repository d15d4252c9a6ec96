#pragma once

#include <functional>

class QApplication;

namespace testing_support {

// The one QApplication of a test program, made at first use (tests run offscreen) and kept
// until the program ends.
QApplication& TestApplication();

// Serves events until `done` holds; false after thirty seconds.
bool ServeEventsUntil(const std::function<bool()>& done);

}  // namespace testing_support
