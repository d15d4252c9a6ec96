#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include "viewer-plugin/display/DDSurface.h"

namespace display_test {

// The surface's pixel at (x, y), as its layout holds it.
inline std::uint32_t PixelAt(DDSurface& surface, int x, int y) {
    EXPECT_TRUE(surface.Lock());
    std::uint8_t* bits = nullptr;
    std::ptrdiff_t pitch = 0;
    const platform::PixelFormat* format = nullptr;
    EXPECT_TRUE(surface.GetLockInfo(&bits, &pitch, &format));
    std::uint32_t value = 0;
    const std::uint32_t bytes = format->rgbBitCount / 8;
    for (std::uint32_t b = 0; b < bytes; ++b) {
        value |= std::uint32_t{bits[y * pitch + x * static_cast<int>(bytes) + b]} << (8 * b);
    }
    surface.Unlock();
    return value;
}

}  // namespace display_test
