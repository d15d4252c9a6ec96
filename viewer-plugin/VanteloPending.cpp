// Full screen and the update check are not part of the viewer yet: the members that scripts
// reach answer as a viewer that never leaves its window.
#include "viewer-plugin/VanteloPlugin.h"

void CVanteloPlugin::SetFullscreen(int) {}

int CVanteloPlugin::GetFullscreen() const {
    return 0;
}

void CVanteloPlugin::StartUpdateCheck() {}
