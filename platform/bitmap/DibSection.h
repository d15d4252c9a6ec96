#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>

namespace platform {

// The 40-byte header of a device-independent bitmap, laid out as it is stored in files
// and clipboard blocks.
#pragma pack(push, 1)
struct BitmapInfoHeader {
    std::uint32_t size = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // negative: rows are stored top row first
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 0;
    std::uint32_t compression = 0;  // 0 = uncompressed RGB
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};
#pragma pack(pop)
static_assert(sizeof(BitmapInfoHeader) == 40);

// A display surface's pixel layout: bits per pixel and the mask of each channel.
struct PixelFormat {
    std::uint32_t rgbBitCount = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
    std::uint32_t alphaMask = 0;
};

// A bitmap whose pixels the program writes directly: zero-filled, each row padded to a
// multiple of 4 bytes (or to a larger pitch the caller asks for), top-down or bottom-up,
// with a 256-entry colour table of blue, green, red, 0 entries for palette depths.
class DibSection {
public:
    // Depths 1, 4, 8, 16, 24 and 32 only. A pitch of 0 means the natural stride. Returns
    // null for a zero or negative width, a zero height, another depth, a pitch smaller
    // than a row, or a size that does not fit in memory.
    static std::unique_ptr<DibSection> Create(std::int32_t width, std::int32_t height, int bitCount,
                                              std::size_t pitch = 0);

    static std::size_t MinimumStride(std::int32_t width, int bitCount);

    int width() const { return header_.width; }
    int height() const { return header_.height < 0 ? -header_.height : header_.height; }
    bool topDown() const { return header_.height < 0; }
    int bitCount() const { return header_.bitCount; }
    std::size_t stride() const { return stride_; }
    const BitmapInfoHeader& header() const { return header_; }

    // The bytes in memory order (the bottom row first for a bottom-up bitmap).
    std::uint8_t* bits() { return bits_.get(); }
    const std::uint8_t* bits() const { return bits_.get(); }
    std::size_t byteSize() const { return stride_ * static_cast<std::size_t>(height()); }

    // Row y as seen on screen: 0 is the top row whatever the storage order.
    std::uint8_t* Row(int y);
    const std::uint8_t* Row(int y) const;

    std::array<std::uint32_t, 256>& colours() { return colours_; }
    const std::array<std::uint32_t, 256>& colours() const { return colours_; }

private:
    DibSection() = default;

    BitmapInfoHeader header_;
    std::size_t stride_ = 0;
    std::unique_ptr<std::uint8_t[]> bits_;
    std::array<std::uint32_t, 256> colours_{};
};

}  // namespace platform
