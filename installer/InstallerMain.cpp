// installer [-nook]: installs the browser components from the folder it is started in.
#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <string>

#include "installer/Installer.h"
#include "installer/QtCollaborators.h"
#include "installer/SystemCollaborators.h"
#include "platform/prompts/QtPrompts.h"
#include "platform/registry/Registry.h"
#include "platform/window/DisplayReach.h"

int main(int argc, char** argv) {
    // Its questions and its last dialog need a screen; Qt would end the process without one.
    if (!platform::HasDisplay()) {
        std::fprintf(stderr,
                     "installer needs a graphical display: DISPLAY or WAYLAND_DISPLAY names none "
                     "that can be reached\n");
        return 0;
    }
    QApplication application(argc, argv);
    platform::QtPrompts prompts;
    platform::SetPrompts(&prompts);

    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) commandLine.push_back(' ');
        commandLine += argv[i];
    }
    std::error_code error;
    const std::string here = std::filesystem::current_path(error).string();

    installer::ScreenDisplay display;
    installer::GfxDirectXSteps directX;
    installer::SystemFiles files;
    installer::QtFinalDialog finalDialog;
    installer::Collaborators collaborators{display,
                                           installer::OsProfile{},
                                           directX,
                                           files,
                                           platform::Registry::Default(),
                                           finalDialog,
                                           here.empty() ? std::string(".") : here,
                                           installer::DefaultProgramFiles()};
    const int exitCode = installer::RunInstaller(commandLine, collaborators);
    platform::SetPrompts(nullptr);
    return exitCode;
}
