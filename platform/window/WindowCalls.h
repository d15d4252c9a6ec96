#pragma once

#include <cstdint>
#include <memory>

#include "platform/window/DrawContext.h"
#include "platform/window/Window.h"
#include "platform/wintypes/Handles.h"

// The calls a plug-in makes on windows it does not own: the style word, the live-window
// check, the parent, redrawing and messages sent and answered. They work on the widget
// itself (its properties and Qt events), so a host and a plug-in that each carry a copy of
// this layer see the same window. GUI thread.
namespace platform {

using LRESULT = std::intptr_t;

inline constexpr std::uint32_t WM_ERASEBKGND = 0x0014;      // wParam: the HDC
inline constexpr std::uint32_t WM_CTLCOLORSTATIC = 0x0138;  // wParam: HDC, lParam: HWND

// Style bits.
inline constexpr std::uint32_t WS_TABSTOP = 0x00010000;
inline constexpr std::uint32_t WS_GROUP = 0x00020000;
inline constexpr std::uint32_t WS_BORDER = 0x00800000;
inline constexpr std::uint32_t WS_CLIPCHILDREN = 0x02000000;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000;
inline constexpr std::uint32_t WS_CHILD = 0x40000000;

// RedrawWindow flags.
inline constexpr unsigned RDW_INVALIDATE = 0x0001;
inline constexpr unsigned RDW_ERASE = 0x0004;
inline constexpr unsigned RDW_ALLCHILDREN = 0x0080;
inline constexpr unsigned RDW_UPDATENOW = 0x0100;
inline constexpr unsigned RDW_FRAME = 0x0400;

// Whether the handle is a window that exists now (never dereferences it).
bool IsWindow(HWND window);
HWND GetParent(HWND window);

// The style word: WS_VISIBLE and WS_DISABLED follow the widget, WS_CHILD is whether it has
// a parent, the other bits are kept on it. Setting shows, hides, enables or disables the
// widget as the word says; the previous word is returned (0 for a dead window).
std::uint32_t GetWindowStyle(HWND window);
std::uint32_t SetWindowStyle(HWND window, std::uint32_t style);

// RDW_INVALIDATE asks for a paint, RDW_ERASE has the paint erase first (the window's
// WM_ERASEBKGND), RDW_UPDATENOW paints before returning. False for a dead window.
bool RedrawWindow(HWND window, unsigned flags);
// Redraws so far, for tests: how many times each window was asked, and the last flags.
int RedrawCount(HWND window);
unsigned LastRedrawFlags(HWND window);

// Runs the handlers of every copy of this layer that holds the window now, newest first,
// as a window procedure is called; the answer is what a handler set with SetMessageResult
// (0 when none did). 0 for a dead window.
LRESULT SendMessage(HWND window, std::uint32_t id, WPARAM wParam = 0, LPARAM lParam = 0);
// From a handler of a sent message: the value the sender receives.
void SetMessageResult(HWND window, LRESULT result);

// A paint that first erases when a redraw asked for it: the window's handlers get
// WM_ERASEBKGND with the paint's context. Null when the window has no pixels.
std::unique_ptr<DrawContext> BeginPaintErasing(Window& window);

}  // namespace platform
