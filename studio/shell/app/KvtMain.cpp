#include <QLoggingCategory>
#include <string>
#include <vector>

#include "studio/shell/app/KivoApp.h"
#include "studio/shell/viewer/WebEngineBrowser.h"

namespace {

// A start with a display prints nothing: the web engine reports its set-up and a disabled
// sandbox as information. Warnings and failures still print; QT_LOGGING_RULES brings the
// information back.
void QuietStart() {
    QLoggingCategory::setFilterRules("default.info=false\nqt.webenginecontext.info=false");
}

}  // namespace

int main(int argc, char** argv) {
    QuietStart();
    SetWebEngineEnvironment();
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CKivoApp app(std::move(arguments));
    return app.Run(argc, argv);
}
