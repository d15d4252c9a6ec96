#pragma once

// What the fake control server and its tests share.
#include "platform/com/Dispatch.h"

namespace fake_control {

constexpr platform::GUID kPlainClass{
    0x5E1F0001, 0x2A2A, 0x4B4B, {0x8C, 0x8C, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};
// Offers quick activation.
constexpr platform::GUID kQuickClass{
    0x5E1F0002, 0x2A2A, 0x4B4B, {0x8C, 0x8C, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};
// Refuses in-place activation after taking its site and its sinks.
constexpr platform::GUID kFailingVerbClass{
    0x5E1F0003, 0x2A2A, 0x4B4B, {0x8C, 0x8C, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};

constexpr platform::IID kEventsIid{
    0x5E1F0100, 0x2A2A, 0x4B4B, {0x8C, 0x8C, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};
constexpr platform::IID kFakeControlIid{
    0x5E1F0101, 0x2A2A, 0x4B4B, {0x8C, 0x8C, 0x10, 0x20, 0x30, 0x40, 0x50, 0x60}};

// Members.
constexpr platform::DISPID kValue = 1;        // I4 property
constexpr platform::DISPID kRatio = 2;        // R4 property
constexpr platform::DISPID kLabel = 3;        // text property
constexpr platform::DISPID kGetPosition = 4;  // method (R4 out, R4 out, R4 out)
constexpr platform::DISPID kFail = 5;         // method raising an automation exception
constexpr platform::DISPID kFailPlain = 6;    // method failing with E_FAIL
constexpr platform::DISPID kFireFloats = 7;
constexpr platform::DISPID kFireShorts = 8;
constexpr platform::DISPID kUserMode = 9;  // BOOL get: the container's ambient user mode
constexpr platform::DISPID kLocale = 10;   // I4 get: the container's ambient locale

// Events.
constexpr platform::DISPID kFloatsEvent = 1;  // (R4, R4, R4)
constexpr platform::DISPID kShortsEvent = 2;  // (I2, I2, I2)

// The dual interface: its own members beside IDispatch's.
class IFakeControl : public platform::IDispatch {
public:
    // Fires kFloatsEvent with (1.5, 2.0, 0.25).
    virtual platform::HRESULT FireFloats() = 0;
    // Fires kShortsEvent with 4-byte integers (3, -4, 500), which sinks read as shorts.
    virtual platform::HRESULT FireShorts() = 0;
};

// Exported by the server library, for the tests.
using CountFunction = int (*)();
constexpr const char* kLiveObjects = "FakeControlLiveObjects";
// Sinks that were still advised when a control went, since the library was loaded.
constexpr const char* kAdvisedSinks = "FakeControlAdvisedSinks";
constexpr const char* kLastAmbientFlags = "FakeControlLastAmbientFlags";
// The last quick activation's font as "name size-in-ten-thousandths", "" for none.
using TextFunction = const char* (*)();
constexpr const char* kLastAmbientFont = "FakeControlLastAmbientFont";

}  // namespace fake_control
