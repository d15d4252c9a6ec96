#pragma once

#include <cstdint>

#include "control-plugin/framework/NsxLiveOcxPlugin.h"

// The instance object of NPLensObj: it hosts the viewer control, names its events and hands
// them to the page functions the embed names.
class CNPLensObjPlugin : public CNsxLiveOcxPlugin {
public:
    const platform::CLSID* GetControlClsid() override;
    const char* const* GetEventNames() override;
    std::vector<platform::EventSinkEntry> GetEventSinkMap() override;

    // The viewer's events, as the control fires them.
    bool OnChangedPos(float x, float y, float z);
    bool OnZoomedToGoal();
    bool OnOnLoad();
    bool OnOnTime();
    bool OnOnChangeMode(std::int16_t mode, std::int16_t width, std::int16_t height);
    bool OnOnCursor(std::int16_t button, std::int16_t x, std::int16_t y);

private:
    bool CallWithoutArguments(int index);
    template <class T>
    bool CallWithThree(int index, T a, T b, T c, platform::VARTYPE type);
};

// The viewer control's class id.
inline constexpr platform::CLSID CLSID_LensObj{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
