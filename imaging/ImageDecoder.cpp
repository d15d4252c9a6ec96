#include "imaging/ImageDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/PictureConverter.h"

std::uint8_t ImageDecoder::ReadByte() {
    std::uint8_t b = 0;
    return ReadBytes(&b, 1) == 1 ? b : 0;
}

std::uint16_t ImageDecoder::ReadWord() {
    std::uint8_t b[2];
    if (ReadBytes(b, 2) != 2) return 0;
    return static_cast<std::uint16_t>(b[0] | b[1] << 8);
}

std::uint32_t ImageDecoder::ReadDWord() {
    std::uint8_t b[4];
    if (ReadBytes(b, 4) != 4) return 0;
    return static_cast<std::uint32_t>(b[0]) | static_cast<std::uint32_t>(b[1]) << 8 |
           static_cast<std::uint32_t>(b[2]) << 16 | static_cast<std::uint32_t>(b[3]) << 24;
}

std::size_t ImageDecoder::ReadBytes(void* buffer, std::size_t n) {
    if (stream_ != nullptr) {
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::size_t total = 0;
        while (total < n) {
            const auto chunk = static_cast<std::uint32_t>(
                std::min<std::size_t>(n - total, std::numeric_limits<std::uint32_t>::max()));
            std::uint32_t got = 0;
            if (!stream_->Read(out + total, chunk, &got) || got == 0) break;
            total += std::min<std::size_t>(got, chunk);
        }
        return total;
    }
    const std::size_t count = std::min(n, Remaining());
    if (count > 0) {
        std::memcpy(buffer, data_ + position_, count);
        position_ += count;
    }
    return count;
}

bool ImageDecoder::ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                                     const PictureConverter& converter) {
    if (pieces == nullptr || pieceWidth <= 0) return false;
    const int width = info_.width;
    const int sourceBits = info_.bitsPerPixel;
    // Pieces starting inside a source byte are cut from one converted row instead.
    const bool whole = (static_cast<std::int64_t>(pieceWidth) * sourceBits) % 8 != 0;
    const std::size_t bytes = static_cast<std::size_t>(std::max(info_.rowBytes, 0)) + 16;
    const std::size_t convertedBytes = whole ? static_cast<std::size_t>(std::max(width, 0)) * 4 : 0;
    try {
        // Room past the row: some decoders write whole groups of bytes.
        if (unconverted_.size() < bytes) unconverted_.assign(bytes, 0);
        if (converted_.size() < convertedBytes) converted_.assign(convertedBytes, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const bool more = ReadLine(unconverted_.data());
    const int destinationBytes = converter.bitsPerPixel / 8;
    if (whole) converter.Convert(unconverted_.data(), converted_.data(), info_, width);
    for (int first = 0, i = 0; first < width; first += pieceWidth, ++i) {
        if (pieces[i] == nullptr) continue;
        const int count = std::min(pieceWidth, width - first);
        if (whole) {
            std::memcpy(pieces[i],
                        converted_.data() + static_cast<std::size_t>(first) * destinationBytes,
                        static_cast<std::size_t>(count) * destinationBytes);
        } else {
            const std::size_t offset = static_cast<std::size_t>(first) * sourceBits / 8;
            converter.Convert(unconverted_.data() + offset, pieces[i], info_, count);
        }
    }
    return more;
}

bool ImageDecoder::Restart(std::size_t, int) {
    return false;
}

void ImageDecoder::GetSize(Vector2<int>& size) {
    size = Vector2<int>(info_.width, info_.height);
}

void ImageDecoder::SetSource(const std::uint8_t* data, std::size_t size) {
    data_ = data;
    size_ = data != nullptr ? size : 0;
    position_ = 0;
    stream_ = nullptr;
}
