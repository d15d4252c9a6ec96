#include <sys/stat.h>
#include <unistd.h>

#include <QLoggingCategory>
#include <cstdlib>
#include <string>
#include <vector>

#include "studio/shell/app/KivoApp.h"
#include "studio/shell/viewer/WebEngineBrowser.h"

namespace {

// A start with a display prints nothing: Qt would warn that the session names no runtime
// folder before making the same one itself, and the web engine reports its set-up and a
// disabled sandbox as information. Warnings and failures still print; QT_LOGGING_RULES
// brings the information back.
void QuietStart() {
    if (std::getenv("XDG_RUNTIME_DIR") == nullptr) {
        const char* temp = std::getenv("TMPDIR");
        const std::string folder = std::string(temp != nullptr && *temp != '\0' ? temp : "/tmp") +
                                   "/runtime-" + std::to_string(::getuid());
        ::mkdir(folder.c_str(), 0700);
        struct stat info {};
        if (::lstat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode) &&
            info.st_uid == ::getuid() && (info.st_mode & 0777) == 0700) {
            ::setenv("XDG_RUNTIME_DIR", folder.c_str(), 1);
        }
    }
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
