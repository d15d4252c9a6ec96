#pragma once

#include "platform/sync/CriticalSection.h"

// The viewers' full-screen options, shared by every viewer of the process and read from the
// current user's registry by the first one. Read and written under OptionsSection().
struct ViewerOptions {
    int allow = 2;  // 0 refuse full screen, 1 ask, 2 allow silently
    int desktop = 1;
    int width = 640;
    int height = 480;
    bool operator==(const ViewerOptions&) const = default;
};

ViewerOptions& Options();
platform::CriticalSection& OptionsSection();

// The defaults, then what the registry holds; the Debug key's DX3 forces the old display
// interface. Keys or values that are missing keep the defaults.
void LoadOptions();
// Writes the four full-screen values (never DX3) as they stand; a registry that refuses
// keeps the old values.
void SaveOptions();
