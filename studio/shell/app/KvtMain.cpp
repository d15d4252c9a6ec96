#include <string>
#include <vector>

#include "studio/shell/app/KivoApp.h"
#include "studio/shell/viewer/WebEngineBrowser.h"

int main(int argc, char** argv) {
    SetWebEngineEnvironment();
    std::vector<std::string> arguments(argv + (argc > 0 ? 1 : 0), argv + argc);
    CKivoApp app(std::move(arguments));
    return app.Run(argc, argv);
}
