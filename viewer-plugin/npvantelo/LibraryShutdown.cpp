#include "viewer-plugin/npvantelo/LibraryShutdown.h"

#include "platform/window/LayerRelease.h"
#include "viewer-plugin/DeviceSection.h"

namespace npvantelo {
namespace {

// Threads that outlive the instances end here: the update check's fetch thread
// (UpdateCheck::WaitForUpdateCheck) is the one the viewer may leave running.
void JoinBackgroundThreads() {}

}  // namespace

void ReleaseLibrary() {
    JoinBackgroundThreads();
    platform::ReleaseWindowLayer();
    // Every display window went with its instance.
    ReleaseDeviceSection();
}

}  // namespace npvantelo
