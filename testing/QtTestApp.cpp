#include "testing/QtTestApp.h"

#include "testing/TempDir.h"

#include <cstdlib>

#include <QApplication>

namespace testing_support {

QApplication& TestApplication() {
    static int argc = 1;
    static char name[] = "vantelo-test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
        UsePrivateRuntimeFolder();
        return new QApplication(argc, argv);
    }();
    return *app;
}

}  // namespace testing_support
