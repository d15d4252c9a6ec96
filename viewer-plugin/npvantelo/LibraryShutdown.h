#pragma once

// What NP_Shutdown does before the browser unloads the library: waits for the library's
// threads and takes its objects and waiting events out of the toolkit, so that nothing runs
// code that is no longer mapped. Browser's thread only.
namespace npvantelo {

// The instances alive in the library. A browser that shuts the library down while some are
// still alive gets the release when the last of them is destroyed: until then their
// downloads, threads and display lock go on being used.
void InstanceMade();
void InstanceGone();
// NP_Shutdown's release: now when no instance is alive, else with the last one's end.
void ReleaseLibraryWhenIdle();
// NP_Initialize: a release still waiting for instances is no longer due.
void CancelPendingRelease();

}  // namespace npvantelo
