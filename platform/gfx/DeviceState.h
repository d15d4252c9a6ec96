#pragma once

#include <cstdint>
#include <memory>

#include "platform/gfx/DirectDrawTypes.h"

namespace gfx {

// What a DirectDraw object shares with the surfaces it made; they may outlive it.
struct DeviceState {
    std::weak_ptr<platform::Framebuffer> window;  // the cooperative level's window
    std::uint32_t level = 0;                      // DDSCL_*; 0 until set
    bool primaryExists = false;
};

}  // namespace gfx
