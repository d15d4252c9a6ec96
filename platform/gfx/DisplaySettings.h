#pragma once

#include <cstdint>
#include <vector>

#include "platform/gfx/DirectDrawTypes.h"

// Switching the display's mode without DirectDraw, as the old interface's programs do. Every
// call is logged so that tests can see which way a switch went.
namespace gfx {

// Fields of a mode description that count.
constexpr std::uint32_t DM_BITSPERPEL = 0x40000;
constexpr std::uint32_t DM_PELSWIDTH = 0x80000;
constexpr std::uint32_t DM_PELSHEIGHT = 0x100000;

struct DevMode {
    std::uint16_t size = 156;
    std::uint32_t fields = 0;
    std::uint32_t bitsPerPel = 0;
    std::uint32_t pelsWidth = 0;
    std::uint32_t pelsHeight = 0;
};

constexpr long DISP_CHANGE_SUCCESSFUL = 0;
constexpr long DISP_CHANGE_BADMODE = -2;

// Switches to the fields of `mode` given (the others stay as they are); a null mode goes
// back to the desktop's own mode.
long ChangeDisplaySettings(const DevMode* mode, std::uint32_t flags);

struct DisplaySettingsCall {
    bool restore = false;  // a null mode
    DisplayMode mode;      // the mode asked for
    std::uint32_t fields = 0;
    std::uint32_t flags = 0;
    long result = DISP_CHANGE_SUCCESSFUL;
};
std::vector<DisplaySettingsCall> DisplaySettingsCalls();
void ClearDisplaySettingsCalls();

}  // namespace gfx
