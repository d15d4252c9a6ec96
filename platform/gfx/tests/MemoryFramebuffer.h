#pragma once

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/gfx/DirectDrawTypes.h"

namespace gfx_test {

// A window's part of the screen kept in memory: where it lies, its pixels and how often it
// was shown.
class MemoryFramebuffer final : public platform::Framebuffer {
public:
    MemoryFramebuffer(Rect screen, platform::PixelFormat format)
        : screen_(screen), format_(format) {
        const auto size = screen.GetSize();
        pitch_ = static_cast<std::ptrdiff_t>(size.x) * (format.rgbBitCount / 8);
        bits_.assign(static_cast<std::size_t>(pitch_ * size.y), 0);
    }

    Rect ScreenRect() const override { return screen_; }
    bool Lock(platform::SurfacePixels& pixels) override {
        const auto size = screen_.GetSize();
        if (size.x <= 0 || size.y <= 0) return false;
        pixels = platform::SurfacePixels{bits_.data(), size.x, size.y, pitch_, format_};
        return true;
    }
    void Unlock() override {}
    void Present() override { ++presents; }

    std::uint32_t Pixel(int x, int y) const {
        std::uint32_t value = 0;
        std::memcpy(&value, bits_.data() + y * pitch_ + x * (format_.rgbBitCount / 8),
                    format_.rgbBitCount / 8);
        return value;
    }

    int presents = 0;

private:
    Rect screen_;
    platform::PixelFormat format_;
    std::ptrdiff_t pitch_ = 0;
    std::vector<std::uint8_t> bits_;
};

}  // namespace gfx_test
