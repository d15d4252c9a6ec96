#pragma once

#include <cstdint>
#include <optional>

#include "geometry/Geometry.h"
#include "platform/window/Window.h"

// The input state the system's code asks for directly: keys and buttons, the cursor, focus
// and capture. Keys, buttons and the cursor position are tracked from the events Qt
// delivers to this process; tests set them too. Focus and capture belong to the GUI thread.
namespace platform {

// 0x8000 while the key is down, plus 0x0001 when it went down since the last question.
// Tracked: Shift, Control, Alt, Escape, Space, the arrows, letters, and the mouse buttons
// (VK_LBUTTON, VK_RBUTTON, VK_MBUTTON). Any thread.
std::int16_t GetAsyncKeyState(int vk);
void SetAsyncKeyState(int vk, bool down);

// The last cursor position seen, in screen coordinates. Any thread.
Vector2<int> GetCursorPos();
void SetCursorPos(Vector2<int> point);

// Counts shows and hides: the cursor is hidden over the application while the count is
// below 0. Returns the new count.
int ShowCursor(bool show);
// Confines the cursor to a rectangle (null: anywhere). The rectangle is only recorded: a
// drag that clips the cursor to one point reads the motion from the mouse, not the cursor.
void ClipCursor(const Rect* rect);
std::optional<Rect> GetClipCursor();

// The widget with the keyboard focus in this application, or null.
HWND GetFocus();
// Activates the widget's window and focuses the widget; returns the widget that had it.
HWND SetFocus(HWND widget);
// The widget that receives the mouse whatever lies under it; returns the previous one.
HWND SetCapture(HWND widget);
HWND GetCapture();
bool ReleaseCapture();

// Starts tracking keys, buttons and the cursor in this process (Windows do at creation).
void EnsureInputTracking();

}  // namespace platform
