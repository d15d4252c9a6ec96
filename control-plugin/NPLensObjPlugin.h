#pragma once

#include "control-plugin/NsxOcxPlugin.h"

// The instance object of NPLensObj: it hosts the viewer control and names its events.
class CNPLensObjPlugin : public CNsxOcxPlugin {
public:
    const platform::CLSID* GetControlClsid() override;
    const char* const* GetEventNames() override;
};

// The viewer control's class id.
inline constexpr platform::CLSID CLSID_LensObj{
    0x7A3E51C2, 0x9B40, 0x4D6E, {0xA8, 0x15, 0x2F, 0x6C, 0x0B, 0x9D, 0x4E, 0x73}};
