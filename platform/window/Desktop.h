#pragma once

#include "geometry/Geometry.h"
#include "platform/bitmap/DibSection.h"

namespace platform {

// The primary screen, (0, 0) at its top-left corner, and the part of it that windows may
// cover (without panels and task bars).
Rect GetDesktopRect();
Rect GetWorkArea();

// The display's depth: 32 until a mode switch changes it. Framebuffers take its format:
// 32 bits blue, green, red, unused in memory; 24 bits blue, green, red; 16 bits 5-6-5;
// 8 bits a grey palette.
int GetDisplayBitsPerPixel();
PixelFormat DisplayPixelFormat();
// Switches the depth (8, 16, 24 or 32; others are refused) and posts WM_DISPLAYCHANGE
// (wParam the depth, lParam the desktop width and height) to every window of this layer.
// GUI thread.
bool SetDisplayBitsPerPixel(int bits);

}  // namespace platform
