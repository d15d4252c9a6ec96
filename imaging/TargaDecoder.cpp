#include "imaging/TargaDecoder.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/PictureConverter.h"
#include "platform/debug/Debug.h"

namespace {

// 5-bit channel values spread over 0-255, rounded to nearest.
constexpr std::array<std::uint8_t, 32> kFive = [] {
    std::array<std::uint8_t, 32> t{};
    for (int i = 0; i < 32; ++i)
        t[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>((i * 255 + 15) / 31);
    return t;
}();

void Unpack16(unsigned v, std::uint8_t* rgb) {
    rgb[0] = kFive[(v >> 10) & 0x1F];
    rgb[1] = kFive[(v >> 5) & 0x1F];
    rgb[2] = kFive[v & 0x1F];
}

}  // namespace

bool TargaDecoder::ReadHead() {
    std::uint8_t h[18];
    if (ReadBytes(h, sizeof h) != sizeof h) return false;
    const int idLength = h[0];
    const int mapType = h[1];
    const int imageType = h[2];
    const int mapFirst = h[3] | h[4] << 8;
    const int mapLength = h[5] | h[6] << 8;
    const int mapEntryBits = h[7];
    const int width = h[12] | h[13] << 8;
    const int height = h[14] | h[15] << 8;
    int depth = h[16];
    const int descriptor = h[17];
    if (depth == 15) depth = 16;

    bottomUp_ = (descriptor & 0x20) == 0;
    rightToLeft_ = (descriptor & 0x10) != 0;
    if (mapType > 1 || depth < 8 || depth > 39 || depth % 8 != 0 || descriptor > 63) return false;

    encoded_ = imageType >= 9;
    const int baseType = encoded_ ? imageType - 8 : imageType;
    bytesPerPixel_ = depth / 8;
    switch (baseType) {
        case 1:
            if (bytesPerPixel_ != 1 || mapType != 1) return false;
            reader_ = Reader::ColourMap;
            break;
        case 2:
            if (bytesPerPixel_ == 2) {
                reader_ = Reader::Rgb16;
            } else if (bytesPerPixel_ == 3 || bytesPerPixel_ == 4) {
                reader_ = Reader::TrueColour;
            } else {
                return false;
            }
            break;
        case 3:
            if (bytesPerPixel_ != 1) return false;
            reader_ = Reader::Gray;
            break;
        default:
            return false;
    }

    std::uint8_t id[255];
    if (ReadBytes(id, static_cast<std::size_t>(idLength)) != static_cast<std::size_t>(idLength)) {
        return false;
    }

    if (mapLength != 0) {
        if (mapLength > 256 || mapFirst != 0) return false;
        if (!ReadColourMap(mapLength, mapEntryBits)) return false;
    } else if (mapType == 1) {
        return false;
    }

    if (bytesPerPixel_ < 1 || bytesPerPixel_ > 4) {
        platform::DebugOutput("TgaDecoder::ReadHead  Unsupported source bitdepth.\n");
        return false;
    }

    // Refuse sizes the rest of the file cannot hold: every packet byte and pixel covers at
    // most 128 pixels, plain files need every pixel. This keeps a tiny file from asking for
    // gigabytes.
    const auto pixels = static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height);
    const std::uint64_t needed =
        encoded_ ? (pixels + 127) / 128 * static_cast<std::uint64_t>(1 + bytesPerPixel_)
                 : pixels * static_cast<std::uint64_t>(bytesPerPixel_);
    if (stream_ == nullptr && needed > Remaining()) return false;
    if (pixels * 3 > std::numeric_limits<std::int32_t>::max()) return false;

    info_.SetRgb24(width, height);
    return true;
}

bool TargaDecoder::ReadColourMap(int length, int entryBits) {
    const int entryBytes = (entryBits + 7) / 8;
    const auto mapBytes = static_cast<std::size_t>(length) * static_cast<std::size_t>(entryBytes);
    std::vector<std::uint8_t> map(mapBytes);
    if (ReadBytes(map.data(), mapBytes) != mapBytes) return false;
    const std::uint8_t* p = map.data();
    if (entryBits == 24 || entryBits == 32) {
        for (int i = 0; i < length; ++i, p += entryBytes) {
            blue_[static_cast<std::size_t>(i)] = p[0];
            green_[static_cast<std::size_t>(i)] = p[1];
            red_[static_cast<std::size_t>(i)] = p[2];
        }
    } else if (entryBits == 15 || entryBits == 16) {
        for (int i = 0; i < length; ++i, p += entryBytes) {
            std::uint8_t rgb[3];
            Unpack16(static_cast<unsigned>(p[0] | p[1] << 8), rgb);
            red_[static_cast<std::size_t>(i)] = rgb[0];
            green_[static_cast<std::size_t>(i)] = rgb[1];
            blue_[static_cast<std::size_t>(i)] = rgb[2];
        }
    } else {
        platform::DebugOutput("Error in targa colormap format\n");
    }
    // Whatever the entry size, the pixels start after the whole map, which is read above.
    return true;
}

bool TargaDecoder::ReadPixel(std::uint8_t* rgb) {
    std::uint8_t b[4];
    const auto n = static_cast<std::size_t>(bytesPerPixel_);
    if (ReadBytes(b, n) != n) return false;
    switch (reader_) {
        case Reader::ColourMap:
            rgb[0] = red_[b[0]];
            rgb[1] = green_[b[0]];
            rgb[2] = blue_[b[0]];
            break;
        case Reader::Rgb16:
            Unpack16(static_cast<unsigned>(b[0] | b[1] << 8), rgb);
            break;
        case Reader::TrueColour:
            rgb[0] = b[2];
            rgb[1] = b[1];
            rgb[2] = b[0];
            break;
        case Reader::Gray:
            rgb[0] = rgb[1] = rgb[2] = b[0];
            break;
    }
    return true;
}

bool TargaDecoder::NextPixel(std::uint8_t* rgb) {
    if (!encoded_) return ReadPixel(rgb);
    if (repeatLeft_ == 0 && rawLeft_ == 0) {
        std::uint8_t packet = 0;
        if (ReadBytes(&packet, 1) != 1) return false;
        const int count = (packet & 0x7F) + 1;
        if (packet & 0x80) {
            if (!ReadPixel(current_.data())) return false;
            repeatLeft_ = count;
        } else {
            rawLeft_ = count;
        }
    }
    if (repeatLeft_ > 0) {
        --repeatLeft_;
        std::memcpy(rgb, current_.data(), 3);
        return true;
    }
    --rawLeft_;
    return ReadPixel(rgb);
}

bool TargaDecoder::DecodeAll() {
    if (state_ == State::Decoded) return complete_;
    if (state_ == State::Failed) return false;
    const auto total =
        static_cast<std::size_t>(info_.width) * static_cast<std::size_t>(info_.height) * 3;
    try {
        picture_.assign(total, 0);
    } catch (const std::bad_alloc&) {
        state_ = State::Failed;
        return false;
    }
    // Runs may cross row ends, so the picture is read as one sequence of pixels; a file
    // that ends early leaves the rest of the picture black.
    complete_ = true;
    for (std::size_t offset = 0; offset < total; offset += 3) {
        if (!NextPixel(picture_.data() + offset)) {
            complete_ = false;
            break;
        }
    }
    if (rightToLeft_) MirrorRows();
    state_ = State::Decoded;
    return complete_;
}

void TargaDecoder::MirrorRows() {
    const auto width = static_cast<std::size_t>(info_.width);
    if (width < 2) return;
    for (int y = 0; y < info_.height; ++y) {
        std::uint8_t* row = picture_.data() + static_cast<std::size_t>(y) * width * 3;
        for (std::size_t left = 0, right = width - 1; left < right; ++left, --right) {
            std::swap_ranges(row + left * 3, row + left * 3 + 3, row + right * 3);
        }
    }
}

const std::uint8_t* TargaDecoder::OutputRow(int i) const {
    const int fileRow = bottomUp_ ? info_.height - 1 - i : i;
    return picture_.data() +
           static_cast<std::size_t>(fileRow) * static_cast<std::size_t>(info_.rowBytes);
}

bool TargaDecoder::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                             const PictureConverter* converter) {
    const bool complete = DecodeAll();
    if (state_ != State::Decoded || info_.width == 0) return false;
    for (int i = 0; i < info_.height; ++i, destination += pitch) {
        if (converter != nullptr) {
            converter->Convert(OutputRow(i), destination, info_, info_.width);
        } else {
            std::memcpy(destination, OutputRow(i), static_cast<std::size_t>(info_.rowBytes));
        }
    }
    return complete;
}

bool TargaDecoder::ReadLine(std::uint8_t* destination) {
    if (!DecodeAll() || rowsOut_ >= info_.height || info_.width == 0) return false;
    std::memcpy(destination, OutputRow(rowsOut_), static_cast<std::size_t>(info_.rowBytes));
    ++rowsOut_;
    return rowsOut_ < info_.height;
}
