#pragma once

#include <cstdint>

#include <gtest/gtest.h>

#include "platform/gfx/DirectDraw.h"
#include "platform/gfx/VirtualDisplay.h"

namespace gfx_test {

// A DirectDraw object on a freshly set display, every object checked back in at the end.
class GfxTest : public ::testing::Test {
protected:
    void SetUp() override {
        gfx::display::Reset();
        live_ = gfx::display::LiveObjects();
        ASSERT_EQ(gfx::DirectDrawCreate(nullptr, &dd_), gfx::DD_OK);
    }
    void TearDown() override {
        if (dd_ != nullptr) dd_->Release();
        EXPECT_EQ(gfx::display::LiveObjects(), live_);
        gfx::display::Reset();
    }

    gfx::Surface* Make(int width, int height, const gfx::PixelFormatDesc& format,
                       std::uint32_t caps = gfx::DDSCAPS_OFFSCREENPLAIN) {
        gfx::SurfaceDesc desc;
        desc.flags = gfx::DDSD_CAPS | gfx::DDSD_WIDTH | gfx::DDSD_HEIGHT | gfx::DDSD_PIXELFORMAT;
        desc.width = width;
        desc.height = height;
        desc.caps = caps;
        desc.pixelFormat = format;
        gfx::Surface* surface = nullptr;
        EXPECT_EQ(dd_->CreateSurface(desc, &surface), gfx::DD_OK);
        return surface;
    }

    static std::uint32_t Get(gfx::Surface* surface, int x, int y) {
        platform::SurfacePixels pixels;
        const Rect one{x, y, x + 1, y + 1};
        EXPECT_EQ(surface->Lock(&one, pixels, gfx::DDLOCK_WAIT), gfx::DD_OK);
        std::uint32_t value = 0;
        for (std::uint32_t b = 0; b < pixels.format.rgbBitCount / 8; ++b) {
            value |= std::uint32_t{pixels.bits[b]} << (8 * b);
        }
        surface->Unlock();
        return value;
    }

    // Each pixel of a 32-bit surface gets a value naming its place.
    static void Number(gfx::Surface* surface) {
        platform::SurfacePixels pixels;
        ASSERT_EQ(surface->Lock(nullptr, pixels, gfx::DDLOCK_WAIT), gfx::DD_OK);
        for (int y = 0; y < pixels.height; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(pixels.bits + y * pixels.pitch);
            for (int x = 0; x < pixels.width; ++x) row[x] = Tag(x, y);
        }
        surface->Unlock();
    }
    static std::uint32_t Tag(int x, int y) {
        return static_cast<std::uint32_t>(0x100000 + y * 0x100 + x);
    }

    gfx::DirectDraw* dd_ = nullptr;
    int live_ = 0;
};

}  // namespace gfx_test
