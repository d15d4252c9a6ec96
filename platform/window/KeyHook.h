#pragma once

#include <cstdint>
#include <thread>

#include "platform/window/WindowCalls.h"

// A thread's message hook: the function sees each key message of the thread's windows
// before the window does, may rewrite it, and turns it into WM_NULL to keep it from the
// window. Hooks live on the application object, so a host and a plug-in that each carry a
// copy of this layer see each other's. Also the window activation a click brings and the
// control-colour requests. GUI thread.
namespace platform {

inline constexpr std::uint32_t WM_NULL = 0x0000;
inline constexpr std::uint32_t WM_MOUSEACTIVATE = 0x0021;
inline constexpr std::uint32_t WM_KEYUP = 0x0101;
inline constexpr std::uint32_t WM_CHAR = 0x0102;
inline constexpr std::uint32_t WM_SYSKEYDOWN = 0x0104;
inline constexpr std::uint32_t WM_SYSKEYUP = 0x0105;
inline constexpr std::uint32_t WM_KEYLAST = 0x0108;
// The control-colour requests a child sends its parent: wParam the device context, lParam
// the child; the answer is a brush.
inline constexpr std::uint32_t WM_CTLCOLORMSGBOX = 0x0132;
inline constexpr std::uint32_t WM_CTLCOLOREDIT = 0x0133;
inline constexpr std::uint32_t WM_CTLCOLORLISTBOX = 0x0134;
inline constexpr std::uint32_t WM_CTLCOLORBTN = 0x0135;
inline constexpr std::uint32_t WM_CTLCOLORDLG = 0x0136;
inline constexpr std::uint32_t WM_CTLCOLORSCROLLBAR = 0x0137;

// WM_MOUSEACTIVATE answers.
inline constexpr LRESULT MA_ACTIVATE = 1;
inline constexpr LRESULT MA_ACTIVATEANDEAT = 2;
inline constexpr LRESULT MA_NOACTIVATE = 3;
inline constexpr int HTCLIENT = 1;

// The hook's removal flag: the message leaves the queue.
inline constexpr WPARAM PM_NOREMOVE = 0;
inline constexpr WPARAM PM_REMOVE = 1;

// The message as the hook sees it, with its window.
struct MSG {
    HWND hwnd = nullptr;
    std::uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

using HHOOK = void*;
// code (non-negative: the hook may act), removal flag, the MSG (as its address).
using GetMessageHookProc = LRESULT (*)(int code, WPARAM removal, LPARAM message);

// Hooks the key messages of `thread`'s windows (key presses become WM_KEYDOWN, or
// WM_SYSKEYDOWN with Alt held; releases WM_KEYUP or WM_SYSKEYUP), each handed over as
// removed from the queue. A click on a window of that thread also sends WM_MOUSEACTIVATE
// (wParam the top-level window, lParam HTCLIENT and the button message) to the window and
// then its parents, until one answers non-zero. Null when there is no application.
HHOOK SetGetMessageHook(GetMessageHookProc proc, std::thread::id thread);
// False for a hook that is not installed.
bool UnhookWindowsHookEx(HHOOK hook);
// What a hook returns to let the message go on to the hooks installed before it and then
// to the window.
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM removal, LPARAM message);
// Hooks installed now by every copy of this layer, for tests.
int InstalledHookCount();

// Places a child window in its parent's client area (a top-level one on the screen);
// `repaint` redraws it at once. False for a dead window.
bool MoveWindow(HWND window, const Rect& rect, bool repaint);

// Activates the widget's top-level window; returns the window that was active.
HWND SetActiveWindow(HWND window);
HWND GetActiveWindow();

}  // namespace platform
