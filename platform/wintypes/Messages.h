#pragma once

#include <cstdint>

// Window messages as records, with the numbers of the original system: code written for
// window procedures keeps its switch statements, and a host and a plug-in that each link
// their own copy of this layer agree on every number.
namespace platform {

using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;

struct Message {
    std::uint32_t id = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Messages.
inline constexpr std::uint32_t WM_DESTROY = 0x0002;
inline constexpr std::uint32_t WM_MOVE = 0x0003;
inline constexpr std::uint32_t WM_SIZE = 0x0005;
inline constexpr std::uint32_t WM_ACTIVATE = 0x0006;
inline constexpr std::uint32_t WM_SETFOCUS = 0x0007;
inline constexpr std::uint32_t WM_KILLFOCUS = 0x0008;
inline constexpr std::uint32_t WM_PAINT = 0x000F;
inline constexpr std::uint32_t WM_CLOSE = 0x0010;
inline constexpr std::uint32_t WM_QUIT = 0x0012;
inline constexpr std::uint32_t WM_DISPLAYCHANGE = 0x007E;
inline constexpr std::uint32_t WM_NCLBUTTONUP = 0x00A2;
inline constexpr std::uint32_t WM_NCRBUTTONUP = 0x00A5;
inline constexpr std::uint32_t WM_KEYDOWN = 0x0100;
inline constexpr std::uint32_t WM_COMMAND = 0x0111;
inline constexpr std::uint32_t WM_MOUSEMOVE = 0x0200;
inline constexpr std::uint32_t WM_LBUTTONDOWN = 0x0201;
inline constexpr std::uint32_t WM_LBUTTONUP = 0x0202;
inline constexpr std::uint32_t WM_RBUTTONDOWN = 0x0204;
inline constexpr std::uint32_t WM_RBUTTONUP = 0x0205;
inline constexpr std::uint32_t WM_USER = 0x0400;
inline constexpr std::uint32_t WM_APP = 0x8000;

// The highest number a message may carry: posted messages travel as the event type
// QEvent::User + id, which ends at QEvent::MaxUser.
inline constexpr std::uint32_t kMaxMessageId = 65535 - 1000;

// Mouse-key flags in wParam of the mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;
inline constexpr WPARAM MK_RBUTTON = 0x0002;
inline constexpr WPARAM MK_SHIFT = 0x0004;
inline constexpr WPARAM MK_CONTROL = 0x0008;
inline constexpr WPARAM MK_MBUTTON = 0x0010;

// Virtual-key codes. Letters and digits are their upper-case character codes.
inline constexpr int VK_LBUTTON = 0x01;
inline constexpr int VK_RBUTTON = 0x02;
inline constexpr int VK_MBUTTON = 0x04;
inline constexpr int VK_SHIFT = 0x10;
inline constexpr int VK_CONTROL = 0x11;
inline constexpr int VK_MENU = 0x12;
inline constexpr int VK_ESCAPE = 0x1B;
inline constexpr int VK_SPACE = 0x20;
inline constexpr int VK_LEFT = 0x25;
inline constexpr int VK_UP = 0x26;
inline constexpr int VK_RIGHT = 0x27;
inline constexpr int VK_DOWN = 0x28;

// WM_ACTIVATE: the low word of wParam; the high word is non-zero while minimised.
inline constexpr WPARAM WA_INACTIVE = 0;
inline constexpr WPARAM WA_ACTIVE = 1;

// WM_SIZE: wParam.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

inline constexpr LPARAM MakeLParam(int low, int high) {
    return static_cast<LPARAM>(
        static_cast<std::uint32_t>(static_cast<std::uint16_t>(low)) |
        (static_cast<std::uint32_t>(static_cast<std::uint16_t>(high)) << 16));
}
inline constexpr WPARAM MakeWParam(int low, int high) {
    return static_cast<WPARAM>(static_cast<std::uint32_t>(MakeLParam(low, high)));
}
inline constexpr int LoWord(std::uintptr_t value) {
    return static_cast<int>(value & 0xFFFF);
}
inline constexpr int HiWord(std::uintptr_t value) {
    return static_cast<int>((value >> 16) & 0xFFFF);
}
// Client coordinates are signed: a captured mouse reports points left of or above the window.
inline constexpr int XFromLParam(LPARAM l) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(l & 0xFFFF));
}
inline constexpr int YFromLParam(LPARAM l) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((l >> 16) & 0xFFFF));
}

}  // namespace platform
