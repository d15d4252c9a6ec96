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

// The library's entries, as the tests reach them with dlsym.
using SetSwitchesFunction = void (*)(std::uint32_t switches);
// The calls so far, one a line; reading clears them.
using TakeLogFunction = const char* (*)();
using CountFunction = int (*)();

}  // namespace switch_control
