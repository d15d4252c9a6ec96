#include "viewer-plugin/npvantelo/LibraryShutdown.h"

#include "platform/window/LayerRelease.h"
#include "viewer-plugin/DeviceSection.h"
#include "viewer-plugin/VanteloPlugin.h"

namespace npvantelo {
namespace {

// Threads that outlive the instances end here: the update check's fetch thread is the one
// the viewer may leave running, and its code goes away with the library.
void JoinBackgroundThreads() {
    CVanteloPlugin::WaitForUpdateCheck();
}

}  // namespace

void ReleaseLibrary() {
    JoinBackgroundThreads();
    platform::ReleaseWindowLayer();
    // Every display window went with its instance.
    ReleaseDeviceSection();
}

}  // namespace npvantelo
