#include "platform/gfx/DisplaySettings.h"

#include <mutex>

#include "platform/gfx/VirtualDisplay.h"

namespace gfx {
namespace {

struct Log {
    std::mutex mutex;
    std::vector<DisplaySettingsCall> calls;
};

Log& Calls() {
    static Log log;
    return log;
}

void Record(const DisplaySettingsCall& call) {
    Log& log = Calls();
    std::lock_guard lock(log.mutex);
    log.calls.push_back(call);
}

}  // namespace

long ChangeDisplaySettings(const DevMode* mode, std::uint32_t flags) {
    DisplaySettingsCall call;
    call.flags = flags;
    if (mode == nullptr) {
        call.restore = true;
        display::ClearSwitchedMode();
        call.mode = display::CurrentMode();
        Record(call);
        return DISP_CHANGE_SUCCESSFUL;
    }
    DisplayMode wanted = display::CurrentMode();
    if ((mode->fields & DM_PELSWIDTH) != 0) wanted.width = static_cast<int>(mode->pelsWidth);
    if ((mode->fields & DM_PELSHEIGHT) != 0) wanted.height = static_cast<int>(mode->pelsHeight);
    if ((mode->fields & DM_BITSPERPEL) != 0)
        wanted.bitsPerPixel = static_cast<int>(mode->bitsPerPel);
    call.mode = wanted;
    call.fields = mode->fields;
    const bool depthKnown = wanted.bitsPerPixel == 8 || wanted.bitsPerPixel == 16 ||
                            wanted.bitsPerPixel == 24 || wanted.bitsPerPixel == 32;
    constexpr int kMaxEdge = 16384;
    if (!depthKnown || wanted.width <= 0 || wanted.height <= 0 || wanted.width > kMaxEdge ||
        wanted.height > kMaxEdge) {
        call.result = DISP_CHANGE_BADMODE;
    } else {
        display::SetSwitchedMode(wanted);
    }
    Record(call);
    return call.result;
}

std::vector<DisplaySettingsCall> DisplaySettingsCalls() {
    Log& log = Calls();
    std::lock_guard lock(log.mutex);
    return log.calls;
}

void ClearDisplaySettingsCalls() {
    Log& log = Calls();
    std::lock_guard lock(log.mutex);
    log.calls.clear();
}

}  // namespace gfx
