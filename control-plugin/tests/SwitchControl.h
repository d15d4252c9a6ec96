#pragma once

// A control for the site tests whose interfaces and status bits are switched by the test;
// it logs what the site calls on it.
#include <cstdint>

#include "platform/com/Com.h"

namespace switch_control {

constexpr platform::CLSID kClass{
    0x3C0FFEE1, 0x5A17, 0x4C21, {0x91, 0x0B, 0x6E, 0x2D, 0x44, 0x10, 0x7A, 0x01}};
constexpr platform::IID kEventsIid{
    0x3C0FFEE2, 0x5A17, 0x4C21, {0x91, 0x0B, 0x6E, 0x2D, 0x44, 0x10, 0x7A, 0x01}};

// Switches.
constexpr std::uint32_t kQuickActivate = 0x01;
constexpr std::uint32_t kPersistStream = 0x02;
constexpr std::uint32_t kPersistBag = 0x04;
constexpr std::uint32_t kClassInfo = 0x08;
constexpr std::uint32_t kSetClientSiteFirst = 0x10;
constexpr std::uint32_t kInvisibleAtRuntime = 0x20;
constexpr std::uint32_t kFailInitNew = 0x40;
constexpr std::uint32_t kFailDoVerb = 0x80;
// Every automation call raises an exception (kRefusal, code kRefusalCode, source
// "SwitchControl", help "switch.hlp" 42), or fails plainly with kCallFailure.
constexpr std::uint32_t kFailAutomation = 0x100;
constexpr std::uint32_t kFailCalls = 0x200;
constexpr const char* kRefusal = "The switch control refuses";
constexpr std::uint16_t kRefusalCode = 7;
constexpr platform::HRESULT kCallFailure = static_cast<platform::HRESULT>(0x80070005u);

// The library also serves under the viewer control's class id, so that a test can stand it
// in for the viewer where it needs a control that fails.
constexpr platform::CLSID kStandInClass{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};

// The library's entries, as the tests reach them with dlsym.
using SetSwitchesFunction = void (*)(std::uint32_t switches);
// The calls so far, one a line; reading clears them.
using TakeLogFunction = const char* (*)();
using CountFunction = int (*)();

}  // namespace switch_control
