#pragma once

class QApplication;

namespace testing_support {

// The one QApplication of a test program, made at first use (tests run offscreen) and kept
// until the program ends.
QApplication& TestApplication();

}  // namespace testing_support
