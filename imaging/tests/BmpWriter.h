#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace test_pictures {

// A bitmap file put together field by field, so tests can write valid files and bend any
// field of them.
struct BmpPicture {
    std::uint32_t headerSize = 40;  // 12 writes the 16-bit core header
    std::int32_t width = 1;
    std::int32_t height = 1;  // negative: stored top row first
    int planes = 1;
    int bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;               // 0: the palette's size when it has entries
    std::vector<std::uint32_t> palette{};        // red, green, blue as 0xBBGGRR
    std::vector<std::uint32_t> masks{};          // written after the header when given
    std::vector<std::uint8_t> gap{};             // bytes between the tables and the pixels
    std::optional<std::uint32_t> pixelOffset{};  // else where the pixels really start
    std::vector<std::uint8_t> pixels{};          // stored as the file holds them

    std::vector<std::uint8_t> Build() const {
        std::vector<std::uint8_t> out;
        auto u16 = [&](std::uint32_t v) {
            out.push_back(static_cast<std::uint8_t>(v));
            out.push_back(static_cast<std::uint8_t>(v >> 8));
        };
        auto u32 = [&](std::uint32_t v) {
            u16(v & 0xFFFF);
            u16(v >> 16);
        };
        const std::size_t entryBytes = headerSize == 12 ? 3 : 4;
        const auto tables =
            14 + headerSize + palette.size() * entryBytes + masks.size() * 4 + gap.size();
        out.push_back('B');
        out.push_back('M');
        u32(static_cast<std::uint32_t>(tables + pixels.size()));
        u32(0);
        u32(pixelOffset.value_or(static_cast<std::uint32_t>(tables)));
        u32(headerSize);
        if (headerSize == 12) {
            u16(static_cast<std::uint32_t>(width));
            u16(static_cast<std::uint32_t>(height));
            u16(static_cast<std::uint32_t>(planes));
            u16(static_cast<std::uint32_t>(bits));
        } else {
            u32(static_cast<std::uint32_t>(width));
            u32(static_cast<std::uint32_t>(height));
            u16(static_cast<std::uint32_t>(planes));
            u16(static_cast<std::uint32_t>(bits));
            u32(compression);
            u32(imageSize);
            u32(2835);
            u32(2835);
            u32(coloursUsed != 0 ? coloursUsed : static_cast<std::uint32_t>(palette.size()));
            u32(0);
            out.resize(14 + headerSize, 0);
        }
        for (std::uint32_t c : palette) {
            out.push_back(static_cast<std::uint8_t>(c >> 16));
            out.push_back(static_cast<std::uint8_t>(c >> 8));
            out.push_back(static_cast<std::uint8_t>(c));
            if (entryBytes == 4) out.push_back(0);
        }
        for (std::uint32_t m : masks) u32(m);
        out.insert(out.end(), gap.begin(), gap.end());
        out.insert(out.end(), pixels.begin(), pixels.end());
        return out;
    }
};

}  // namespace test_pictures
