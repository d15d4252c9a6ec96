#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ImageDecoder.h"
#include "imaging/PictureConverter.h"
#include "imaging/tests/ChunkStream.h"
#include "platform/bitmap/DibSection.h"

namespace test_pictures {

// A few bytes may honestly describe a huge picture. Where this helper would hold the whole
// picture itself (the bitmap routes), pictures above kMaxPixels are read only up to their
// header: that would measure the helper's memory, not the decoder's. Line by line the
// decoder's own memory is the point, so those run up to kMaxLinePixels, a bound that only
// keeps each run short.
constexpr std::size_t kMaxPixels = std::size_t{1} << 18;
constexpr std::size_t kMaxLinePixels = std::size_t{1} << 22;

// Runs one decoder over a file's bytes by one route: options bits 0-1 choose the way rows
// are taken (0 into a bitmap as the picture loader does, 1 converted to 16 bits, 2
// converted to 32 bits, 3 line by line), bit 2 a stream source instead of memory, bits 3-7
// the stream's chunk size. For robustness tests and fuzzing: it checks nothing itself, the
// sanitizers watch it.
template <typename Decoder>
void ExerciseDecoder(const std::vector<std::uint8_t>& bytes, std::uint8_t options) {
    ChunkStream stream(bytes, (options >> 3) + 1u);
    Decoder decoder;
    if (options & 4) {
        decoder.SetStream(&stream);
    } else {
        decoder.SetSource(bytes.data(), bytes.size());
    }
    if (!decoder.ReadHead()) return;
    const PictureInfo& info = decoder.GetInfo();
    if (info.width <= 0 || info.height <= 0 || info.rowBytes <= 0) return;
    const auto width = static_cast<std::size_t>(info.width);
    const auto height = static_cast<std::size_t>(info.height);
    if (width * height > ((options & 3) == 3 ? kMaxLinePixels : kMaxPixels)) return;

    switch (options & 3) {
        case 0: {
            const std::size_t natural =
                platform::DibSection::MinimumStride(info.width, info.bitsPerPixel);
            const std::size_t pitch =
                (static_cast<std::size_t>(info.rowBytes) + 3) & ~std::size_t{3};
            auto dib = platform::DibSection::Create(info.width, -info.height, info.bitsPerPixel,
                                                    std::max(pitch, natural));
            if (!dib) return;
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
}

}  // namespace test_pictures
