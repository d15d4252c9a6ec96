#pragma once

// What NP_Shutdown does before the browser unloads the library: waits for the library's
// threads and takes its objects and waiting events out of the toolkit, so that nothing runs
// code that is no longer mapped. Every instance has been destroyed by then.
namespace npvantelo {

void ReleaseLibrary();

}  // namespace npvantelo
