#pragma once

#include "platform/sync/CriticalSection.h"

// The process's lock over everything its viewer windows share for drawing: the display
// objects, the devices, the back buffers. The first display window creates it and it lives
// as long as the process, so a hold taken before the last window goes is never left on a
// lock that is gone. Before the first window there is nothing to guard and holds do nothing.

// Makes the section when there is none yet.
void CreateDeviceSection();

// For a library unloaded while the process goes on: deletes the section. No display window
// may be left, and no thread may hold it.
void ReleaseDeviceSection();

// Holds the section, when it exists, until Leave or the end of the scope.
class DeviceSectionHold : public platform::SectionHold {
public:
    DeviceSectionHold();
};

// Enters the section for the caller's scope: `auto section = EnterDeviceSection();`, left by
// `section.Leave()` (LeaveDeviceSection) or at the end of the scope.
[[nodiscard]] inline DeviceSectionHold EnterDeviceSection() {
    return DeviceSectionHold();
}
