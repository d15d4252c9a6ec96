#pragma once

#include <string>
#include <vector>

#include "geometry/Geometry.h"
#include "platform/sync/CriticalSection.h"
#include "platform/window/Window.h"
#include "viewer-plugin/services/ViewerOptions.h"

// What the options dialog ("About Vantelo") shows and changes. Free of Qt, so the engine
// asks for the dialog without touching widgets.
struct AboutDialogRequest {
    platform::HWND owner = nullptr;
    std::string aboutText;
    std::string advancedText;
    std::vector<Vector2<int>> modes;  // the display's modes at its current depth
    Vector2<int> desktop;
    // Written at once as the user chooses, under the section.
    ViewerOptions* options = nullptr;
    platform::CriticalSection* section = nullptr;
};

// Runs the dialog modally. Its "Advanced info" tab shows only when Shift is down as it
// opens.
void RunAboutDialog(const AboutDialogRequest& request);

// The full-screen sizes offered, as the list shows them: modes of at least 640 x 400 as
// "WxH" (640 x 480 recommended), each put above the ones before; the desktop's own size
// only when it is also the stored one.
std::vector<std::string> DisplayModeEntries(const std::vector<Vector2<int>>& modes,
                                            Vector2<int> desktop, Vector2<int> stored);
