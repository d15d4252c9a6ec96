#pragma once

class QWidget;

// The handles code written for window procedures passes around. A window handle is the
// widget itself, so it crosses module boundaries as it is; a layer that only hands handles
// on (a control and its container) needs nothing of the toolkit for them.
namespace platform {

class DrawContext;

using HWND = QWidget*;
// What a window draws with: the context of its framebuffer.
using HDC = DrawContext*;

}  // namespace platform
