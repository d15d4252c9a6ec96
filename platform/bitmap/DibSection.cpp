#include "platform/bitmap/DibSection.h"

#include <limits>
#include <new>

namespace platform {

std::size_t DibSection::MinimumStride(std::int32_t width, int bitCount) {
    const auto bits = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bitCount);
    return static_cast<std::size_t>((bits + 31) / 32 * 4);
}

std::unique_ptr<DibSection> DibSection::Create(std::int32_t width, std::int32_t height,
                                               int bitCount, std::size_t pitch) {
    switch (bitCount) {
        case 1:
        case 4:
        case 8:
        case 16:
        case 24:
        case 32:
            break;
        default:
            return nullptr;
    }
    if (width <= 0 || height == 0 || height == std::numeric_limits<std::int32_t>::min()) {
        return nullptr;
    }
    const std::size_t minimum = MinimumStride(width, bitCount);
    if (pitch == 0) pitch = minimum;
    if (pitch < minimum || pitch % 4 != 0) return nullptr;
    const auto rows = static_cast<std::size_t>(height < 0 ? -height : height);
    // Keep the total within what the header's 32-bit image size can describe.
    if (pitch > std::numeric_limits<std::uint32_t>::max() / rows) return nullptr;

    std::unique_ptr<DibSection> dib(new DibSection);
    dib->bits_.reset(new (std::nothrow) std::uint8_t[pitch * rows]());
    if (!dib->bits_) return nullptr;
    dib->stride_ = pitch;
    dib->header_.width = width;
    dib->header_.height = height;
    dib->header_.bitCount = static_cast<std::uint16_t>(bitCount);
    dib->header_.sizeImage = static_cast<std::uint32_t>(pitch * rows);
    return dib;
}

std::uint8_t* DibSection::Row(int y) {
    const int stored = topDown() ? y : height() - 1 - y;
    return bits_.get() + static_cast<std::size_t>(stored) * stride_;
}

const std::uint8_t* DibSection::Row(int y) const {
    return const_cast<DibSection*>(this)->Row(y);
}

}  // namespace platform
