#pragma once

// For a library that carries its own copy of this layer and is unloaded while the process
// goes on: takes back from Qt what the layer left there (its application-wide filter, tasks
// not yet run, objects whose deletion waits for the event loop), so that no event reaches
// code that is gone. Every Window must have been released first. GUI thread.
namespace platform {

void ReleaseWindowLayer();

}  // namespace platform
