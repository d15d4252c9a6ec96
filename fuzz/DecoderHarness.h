#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ImageDecoder.h"
#include "imaging/PictureConverter.h"
#include "platform/bitmap/DibSection.h"

namespace fuzz {

// Serves the input a few bytes at a time, as a download would.
class ChunkStream : public SequentialStream {
public:
    ChunkStream(const std::vector<std::uint8_t>& bytes, std::size_t chunk)
        : bytes_(bytes), chunk_(chunk) {}
    bool Read(void* buffer, std::uint32_t n, std::uint32_t* read) override {
        const std::size_t count = std::min<std::size_t>({n, chunk_, bytes_.size() - position_});
        std::copy_n(bytes_.data() + position_, count, static_cast<std::uint8_t*>(buffer));
        position_ += count;
        *read = static_cast<std::uint32_t>(count);
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t chunk_;
    std::size_t position_ = 0;
};

// Pictures above this many pixels are only read up to their header: a few bytes may
// honestly describe a huge picture, and decoding it would measure memory, not safety.
constexpr std::size_t kMaxPixels = std::size_t{1} << 18;

// Runs one decoder over one input. The input's last byte chooses the route: bits 0-1 the
// way rows are taken (0 into a bitmap as the picture loader does, 1 converted to 16 bits,
// 2 converted to 32 bits, 3 line by line), bit 2 a stream source instead of memory, bits
// 3-7 the stream's chunk size.
template <typename Decoder>
int RunDecoder(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    const std::uint8_t options = data[size - 1];
    // A copy of exactly the picture's bytes, so that a read past them shows.
    const std::vector<std::uint8_t> bytes(data, data + size - 1);
    ChunkStream stream(bytes, (options >> 3) + 1u);
    Decoder decoder;
    if (options & 4) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(bytes.data(), bytes.size());
    }
    if (!decoder.ReadHead()) return 0;
    const PictureInfo& info = decoder.GetInfo();
    if (info.width <= 0 || info.height <= 0 || info.rowBytes <= 0) return 0;
    const auto width = static_cast<std::size_t>(info.width);
    const auto height = static_cast<std::size_t>(info.height);
    if (width * height > kMaxPixels) return 0;

    switch (options & 3) {
        case 0: {
            const std::size_t natural =
                platform::DibSection::MinimumStride(info.width, info.bitsPerPixel);
            const std::size_t pitch =
                (static_cast<std::size_t>(info.rowBytes) + 3) & ~std::size_t{3};
            auto dib = platform::DibSection::Create(info.width, -info.height, info.bitsPerPixel,
                                                    std::max(pitch, natural));
            if (!dib) return 0;
            const auto stride = static_cast<std::ptrdiff_t>(dib->stride());
            if (info.bitsPerPixel > 8) {
                PictureConverter converter;
                converter.SetPictureFormat(info);
                decoder.ReadImage(dib->bits(), stride, &converter);
            } else {
                decoder.ReadImage(dib->bits(), stride, nullptr);
            }
            break;
        }
        case 1:
        case 2: {
            PictureConverter converter;
            converter.bitsPerPixel = (options & 3) == 1 ? 16 : 32;
            converter.greenBits = 6;
            const std::size_t pitch = width * 4;
            std::vector<std::uint8_t> rows(pitch * height);
            decoder.ReadImage(rows.data(), static_cast<std::ptrdiff_t>(pitch), &converter);
            break;
        }
        default: {
            std::vector<std::uint8_t> row(static_cast<std::size_t>(info.rowBytes));
            while (decoder.ReadLine(row.data())) {
            }
            break;
        }
    }
    return 0;
}

}  // namespace fuzz
