#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "platform/gfx/DirectDrawTypes.h"
#include "platform/gfx/Pixels.h"

namespace {

using gfx::PixelCodec;
using gfx::Rgba;

struct FormatCase {
    const char* name;
    gfx::PixelFormatDesc format;
    Rgba colour;
    std::vector<std::uint8_t> bytes;  // the pixel in memory
    Rgba readBack;
};

TEST(Pixels, EachLayoutWritesTheReferenceBytes) {
    const FormatCase cases[] = {
        {"565 white", gfx::Format565(), {255, 255, 255}, {0xFF, 0xFF}, {255, 255, 255}},
        {"565 red", gfx::Format565(), {255, 0, 0}, {0x00, 0xF8}, {255, 0, 0}},
        {"565 green", gfx::Format565(), {0, 255, 0}, {0xE0, 0x07}, {0, 255, 0}},
        {"565 grey", gfx::Format565(), {0x84, 0x82, 0x84}, {0x10, 0x84}, {0x84, 0x82, 0x84}},
        {"555 blue", gfx::Format555(), {0, 0, 255}, {0x1F, 0x00}, {0, 0, 255}},
        {"555 green", gfx::Format555(), {0, 255, 0}, {0xE0, 0x03}, {0, 255, 0}},
        {"555 low bits dropped",
         gfx::Format555(),
         {0x0F, 0x07, 0x08},
         {0x01, 0x04},
         {0x08, 0, 0x08}},
        {"888 mix", gfx::Format888(), {0x12, 0x34, 0x56}, {0x56, 0x34, 0x12}, {0x12, 0x34, 0x56}},
        {"x888 mix",
         gfx::FormatX888(),
         {0xAB, 0xCD, 0xEF},
         {0xEF, 0xCD, 0xAB, 0x00},
         {0xAB, 0xCD, 0xEF}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const PixelCodec codec(c.format.rgb);
        ASSERT_TRUE(codec.Supported());
        std::uint8_t pixel[4] = {0xAA, 0xAA, 0xAA, 0xAA};
        codec.Write(pixel, codec.Pack(c.colour));
        EXPECT_EQ(std::vector<std::uint8_t>(pixel, pixel + c.bytes.size()), c.bytes);
        EXPECT_EQ(codec.Unpack(codec.Read(pixel)), c.readBack);
    }
    EXPECT_FALSE(PixelCodec(platform::PixelFormat{8, 0, 0, 0, 0}).Supported());
    EXPECT_FALSE(PixelCodec(platform::PixelFormat{16, 0xFF0000, 0xFF00, 0xFF, 0}).Supported());
}

platform::SurfacePixels Over(std::vector<std::uint32_t>& pixels, int width, int height) {
    return platform::SurfacePixels{reinterpret_cast<std::uint8_t*>(pixels.data()), width, height,
                                   width * 4, gfx::FormatX888().rgb};
}

TEST(Pixels, HalvingAveragesEachBlockAndEqualSizeCopies) {
    std::vector<std::uint32_t> source(4 * 4);
    for (int i = 0; i < 16; ++i)
        source[i] = static_cast<std::uint32_t>(i * 13 % 251) * 0x010203u % 0x1000000u;
    std::vector<std::uint32_t> half(2 * 2, 0);
    const auto sourcePixels = Over(source, 4, 4);
    gfx::BlitRequest request;
    request.source = &sourcePixels;
    request.sourceRect = Rect{0, 0, 4, 4};
    request.destRect = Rect{0, 0, 2, 2};
    request.destClip = request.destRect;
    ASSERT_TRUE(gfx::Blit(Over(half, 2, 2), request));
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            for (int shift : {0, 8, 16}) {
                std::uint32_t sum = 2;
                for (int dy = 0; dy < 2; ++dy) {
                    for (int dx = 0; dx < 2; ++dx) {
                        sum += (source[(2 * y + dy) * 4 + 2 * x + dx] >> shift) & 0xFF;
                    }
                }
                EXPECT_EQ((half[y * 2 + x] >> shift) & 0xFF, sum / 4) << x << "," << y;
            }
        }
    }
    // Drawn at its own size, a picture comes through unchanged in another layout too.
    std::vector<std::uint16_t> wide(4 * 4, 0);
    const platform::SurfacePixels target{reinterpret_cast<std::uint8_t*>(wide.data()), 4, 4, 8,
                                         gfx::Format565().rgb};
    request.destRect = Rect{0, 0, 4, 4};
    request.destClip = request.destRect;
    ASSERT_TRUE(gfx::Blit(target, request));
    const PixelCodec from(gfx::FormatX888().rgb);
    const PixelCodec to(gfx::Format565().rgb);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(wide[i], to.Pack(from.Unpack(source[i]))) << i;
}

}  // namespace
