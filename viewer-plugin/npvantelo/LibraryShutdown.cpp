#include "viewer-plugin/npvantelo/LibraryShutdown.h"

#include "platform/window/LayerRelease.h"
#include "viewer-plugin/display/DeviceSection.h"
#include "viewer-plugin/viewer/VanteloPlugin.h"

namespace npvantelo {
namespace {

// Threads that outlive the instances end here: the update check's fetch thread is the one
// the viewer may leave running, and its code goes away with the library.
void JoinBackgroundThreads() {
    CVanteloPlugin::WaitForUpdateCheck();
}

void ReleaseLibrary() {
    JoinBackgroundThreads();
    platform::ReleaseWindowLayer();
    // Every display window went with its instance.
    ReleaseDeviceSection();
}

int liveInstances = 0;
bool releaseDue = false;

}  // namespace

void InstanceMade() {
    ++liveInstances;
}

void InstanceGone() {
    if (liveInstances > 0) --liveInstances;
    if (liveInstances == 0 && releaseDue) {
        releaseDue = false;
        ReleaseLibrary();
    }
}

void ReleaseLibraryWhenIdle() {
    if (liveInstances > 0) {
        releaseDue = true;
        return;
    }
    releaseDue = false;
    ReleaseLibrary();
}

void CancelPendingRelease() {
    releaseDue = false;
}

}  // namespace npvantelo
