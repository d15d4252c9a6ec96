#include "imaging/BmpDecoder.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "imaging/PictureConverter.h"
#include "platform/debug/Debug.h"

namespace {

constexpr std::uint32_t kRgb = 0;
constexpr std::uint32_t kRle8 = 1;
constexpr std::uint32_t kRle4 = 2;
constexpr std::uint32_t kBitFields = 3;

std::uint16_t Le16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

// Brings a channel's top bit to bit 7: a right shift for wide channels, a left shift
// (negative) for narrow ones near the bottom of the pixel.
int ShiftFor(std::uint32_t mask) {
    if (mask == 0) return 0;
    const int highest = 31 - std::countl_zero(mask);
    return highest - 7;
}

std::uint8_t Channel(std::uint32_t v, std::uint32_t mask, int shift) {
    const std::uint32_t bits = v & mask;
    return static_cast<std::uint8_t>(shift >= 0 ? bits >> shift : bits << -shift);
}

// The file's blue, green, red pixels as red, green, blue. Four pixels at a time are
// rearranged as three 32-bit words: far fewer loads and stores than byte moves on the
// long rows of large pictures.
void SwapBlueRed(const std::uint8_t* __restrict in, std::uint8_t* __restrict out, int count) {
    int x = 0;
    if constexpr (std::endian::native == std::endian::little) {
        for (; x + 4 <= count; x += 4, in += 12, out += 12) {
            // in:  b0 g0 r0 b1 | g1 r1 b2 g2 | r2 b3 g3 r3
            // out: r0 g0 b0 r1 | g1 b1 r2 g2 | b2 r3 g3 b3
            std::uint32_t w0;
            std::uint32_t w1;
            std::uint32_t w2;
            std::memcpy(&w0, in, 4);
            std::memcpy(&w1, in + 4, 4);
            std::memcpy(&w2, in + 8, 4);
            const std::uint32_t o0 = ((w0 >> 16) & 0xFFu) | (w0 & 0xFF00u) | ((w0 & 0xFFu) << 16) |
                                     ((w1 & 0xFF00u) << 16);
            const std::uint32_t o1 =
                (w1 & 0xFFu) | ((w0 >> 24) << 8) | ((w2 & 0xFFu) << 16) | (w1 & 0xFF000000u);
            const std::uint32_t o2 = ((w1 >> 16) & 0xFFu) | ((w2 >> 24) << 8) | (w2 & 0xFF0000u) |
                                     ((w2 & 0xFF00u) << 16);
            // One store a word: storing them together through a small array would go
            // through the stack and stall on the reload.
            std::memcpy(out, &o0, 4);
            std::memcpy(out + 4, &o1, 4);
            std::memcpy(out + 8, &o2, 4);
        }
    }
    for (; x < count; ++x, in += 3, out += 3) {
        const std::uint8_t b = in[0];
        const std::uint8_t g = in[1];
        const std::uint8_t r = in[2];
        out[0] = r;
        out[1] = g;
        out[2] = b;
    }
}

template <typename T>
void Release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

}  // namespace

std::size_t BmpDecoder::TrackedRead(void* buffer, std::size_t n) {
    const std::size_t got = ReadBytes(buffer, n);
    consumed_ += got;
    return got;
}

bool BmpDecoder::ReadHead() {
    if (state_ != State::Empty) return false;
    state_ = State::Failed;  // until the whole header has been accepted

    std::uint8_t fileHeader[14];
    if (TrackedRead(fileHeader, sizeof fileHeader) != sizeof fileHeader) return false;
    if (fileHeader[0] != 'B' || fileHeader[1] != 'M') return false;
    const std::uint32_t pixelOffset = Le32(fileHeader + 10);
    if (stream_ == nullptr && pixelOffset > size_) return false;

    std::uint8_t sizeBytes[4];
    if (TrackedRead(sizeBytes, 4) != 4) return false;
    const std::uint32_t headerSize = Le32(sizeBytes);
    if (headerSize < 12 || headerSize > 64) return false;

    int bits = 0;
    std::uint32_t compression = kRgb;
    std::uint32_t imageSize = 0;
    std::uint32_t coloursUsed = 0;
    int entryBytes = 4;
    if (headerSize == 12) {
        if (!ReadCoreHeader(headerSize, bits)) return false;
        entryBytes = 3;
    } else if (!ReadInfoHeader(headerSize, bits, compression, imageSize, coloursUsed)) {
        return false;
    }

    const int height = info_.height;
    const auto rowBits = static_cast<std::uint64_t>(info_.width) * static_cast<std::uint64_t>(bits);
    sourceRowNeeded_ = static_cast<std::size_t>((rowBits + 7) / 8);
    const std::uint64_t padded = (sourceRowNeeded_ + 3) & ~std::uint64_t{3};
    // The image size is only a hint: a value too small for the pixels would make rows
    // overlap, so the padded row is used instead.
    sourceRowSize_ = imageSize != 0 ? imageSize / static_cast<std::uint32_t>(height) : padded;
    if (sourceRowSize_ < sourceRowNeeded_) sourceRowSize_ = padded;

    if (!ChooseRoutine(bits, compression)) return false;

    if (bits <= 8) {
        const std::uint32_t count = coloursUsed < 1 ? 1u << bits : coloursUsed;
        if (count > 256) return false;
        if (!ReadPalette(count, entryBytes)) return false;
    }
    if (bits == 16) {
        masks_ = {0x7C00, 0x03E0, 0x001F};
        if (compression == kBitFields) {
            std::uint8_t m[12];
            if (TrackedRead(m, sizeof m) != sizeof m) return false;
            masks_ = {Le32(m), Le32(m + 4), Le32(m + 8)};
        }
        for (std::size_t c = 0; c < 3; ++c) shifts_[c] = ShiftFor(masks_[c]);
    }
    if (!SkipTo(pixelOffset)) return false;

    state_ = State::Ready;
    return true;
}

bool BmpDecoder::ReadCoreHeader(std::uint32_t headerSize, int& bits) {
    std::uint8_t h[8];
    if (TrackedRead(h, headerSize - 4) != headerSize - 4) return false;
    const int width = Le16(h);
    const int height = Le16(h + 2);
    const int planes = Le16(h + 4);
    bits = Le16(h + 6);
    if (bits == 1 || bits == 4 || bits == 8) {
        platform::DebugOutput("JTRC_BMP_OS2_MAPPED\n");
    } else if (bits == 24) {
        platform::DebugOutput("JTRC_BMP_OS2");
    } else {
        return false;
    }
    if (planes != 1) return false;
    topDown_ = false;
    return AcceptSize(width, height);
}

bool BmpDecoder::ReadInfoHeader(std::uint32_t headerSize, int& bits, std::uint32_t& compression,
                                std::uint32_t& imageSize, std::uint32_t& coloursUsed) {
    std::uint8_t h[60];
    if (TrackedRead(h, headerSize - 4) != headerSize - 4) return false;
    if (headerSize != 40 && headerSize != 64) return false;
    const auto width = static_cast<std::int32_t>(Le32(h));
    const auto height = static_cast<std::int32_t>(Le32(h + 4));
    const int planes = Le16(h + 8);
    bits = Le16(h + 10);
    compression = Le32(h + 12);
    imageSize = Le32(h + 16);
    coloursUsed = Le32(h + 28);
    if (bits == 1 || bits == 4 || bits == 8) {
        platform::DebugOutput("JTRC_BMP_MAPPED\n");
    } else if (bits == 16 || bits == 24) {
        platform::DebugOutput("JTRC_BMP\n");
    } else {
        platform::DebugOutput("JTRC_BMP_MAPPED\n");
        return false;
    }
    if (planes != 1) return false;
    // A negative height marks a file stored top row first.
    if (height == std::numeric_limits<std::int32_t>::min()) return false;
    topDown_ = height < 0;
    return AcceptSize(width, topDown_ ? -height : height);
}

bool BmpDecoder::AcceptSize(std::int64_t width, std::int64_t rows) {
    // The whole decoded picture must fit in the description's 32-bit sizes.
    constexpr std::int64_t kMaxBytes = std::numeric_limits<std::int32_t>::max();
    if (width <= 0 || rows <= 0 || width > kMaxBytes / 3 / rows) {
        return false;
    }
    info_.SetRgb24(static_cast<int>(width), static_cast<int>(rows));
    return true;
}

bool BmpDecoder::ChooseRoutine(int bits, std::uint32_t compression) {
    // A compression the depth cannot carry (or one not read here, such as embedded JPEG
    // data) would decode as noise: such files are refused.
    switch (bits) {
        case 1:
            routine_ = Routine::Bits1;
            return compression == kRgb;
        case 4:
            routine_ = compression == kRle4 ? Routine::Rle4 : Routine::Bits4;
            return compression == kRgb || compression == kRle4;
        case 8:
            routine_ = compression == kRle8 ? Routine::Rle8 : Routine::Bits8;
            return compression == kRgb || compression == kRle8;
        case 16:
            if (compression == kBitFields) {
                platform::DebugOutput("16 bit Bitmap with bitfield format\n");
            }
            routine_ = Routine::Bits16;
            return compression == kRgb || compression == kBitFields;
        case 24:
            routine_ = Routine::Bits24;
            return compression == kRgb;
        default:
            platform::DebugOutput("Unsupported bitdepth of the bmp image\n");
            return false;
    }
}

bool BmpDecoder::ReadPalette(std::uint32_t count, int entryBytes) {
    std::uint8_t entries[256 * 4];
    const std::size_t n = count * static_cast<std::size_t>(entryBytes);
    if (TrackedRead(entries, n) != n) return false;
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::uint8_t* e = entries + i * static_cast<std::uint32_t>(entryBytes);
        palette_[i] = static_cast<std::uint32_t>(e[2]) | static_cast<std::uint32_t>(e[1]) << 8 |
                      static_cast<std::uint32_t>(e[0]) << 16;
    }
    return true;
}

bool BmpDecoder::SkipTo(std::uint64_t offset) {
    if (offset < consumed_) return false;
    std::uint64_t left = offset - consumed_;
    if (stream_ == nullptr) {
        if (left > Remaining()) return false;
        position_ += static_cast<std::size_t>(left);
        consumed_ = offset;
        return true;
    }
    std::uint8_t scratch[4096];
    while (left > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(left, sizeof scratch));
        if (TrackedRead(scratch, chunk) != chunk) return false;
        left -= chunk;
    }
    return true;
}

void BmpDecoder::Skip(std::uint64_t n) {
    if (stream_ == nullptr) {
        position_ += static_cast<std::size_t>(std::min<std::uint64_t>(n, Remaining()));
        return;
    }
    std::uint8_t scratch[4096];
    while (n > 0) {
        const auto chunk = static_cast<std::size_t>(std::min<std::uint64_t>(n, sizeof scratch));
        if (ReadBytes(scratch, chunk) != chunk) return;
        n -= chunk;
    }
}

bool BmpDecoder::AllocateRows() {
    try {
        const auto width = static_cast<std::size_t>(info_.width);
        rgbRow_.assign(width * 3 + 64, 0);
        if (routine_ == Routine::Rle4 || routine_ == Routine::Rle8) {
            indices_.assign(width, 0);
        } else {
            sourceRow_.assign(sourceRowNeeded_, 0);
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The next plain row's pixel bytes: straight from memory when the whole row is there,
// else copied with the missing bytes as zeros.
const std::uint8_t* BmpDecoder::NextSourceRow() {
    if (stream_ == nullptr && data_ != nullptr && Remaining() >= sourceRowNeeded_) {
        const std::uint8_t* row = data_ + position_;
        Skip(sourceRowSize_);
        return row;
    }
    const std::size_t got = ReadBytes(sourceRow_.data(), sourceRowNeeded_);
    if (got < sourceRowNeeded_) {
        std::memset(sourceRow_.data() + got, 0, sourceRowNeeded_ - got);
        exhausted_ = true;
    }
    Skip(sourceRowSize_ - sourceRowNeeded_);
    return sourceRow_.data();
}

void BmpDecoder::DecodeRow(std::uint8_t* rgb) {
    const int width = info_.width;
    auto put = [this](std::uint8_t* out, unsigned index) {
        const std::uint32_t e = palette_[index];
        out[0] = static_cast<std::uint8_t>(e);
        out[1] = static_cast<std::uint8_t>(e >> 8);
        out[2] = static_cast<std::uint8_t>(e >> 16);
    };
    switch (routine_) {
        case Routine::Bits24:
            SwapBlueRed(NextSourceRow(), rgb, width);
            break;
        case Routine::Bits16: {
            const std::uint8_t* in = NextSourceRow();
            for (int x = 0; x < width; ++x, in += 2, rgb += 3) {
                const std::uint32_t v = Le16(in);
                rgb[0] = Channel(v, masks_[0], shifts_[0]);
                rgb[1] = Channel(v, masks_[1], shifts_[1]);
                rgb[2] = Channel(v, masks_[2], shifts_[2]);
            }
            break;
        }
        case Routine::Bits8: {
            const std::uint8_t* in = NextSourceRow();
            for (int x = 0; x < width; ++x, rgb += 3) put(rgb, in[x]);
            break;
        }
        case Routine::Bits4: {
            const std::uint8_t* in = NextSourceRow();
            for (int x = 0; x < width; ++x, rgb += 3) {
                put(rgb, (in[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu);
            }
            break;
        }
        case Routine::Bits1: {
            const std::uint8_t* in = NextSourceRow();
            for (int x = 0; x < width; ++x, rgb += 3) put(rgb, (in[x >> 3] >> (7 - (x & 7))) & 1u);
            break;
        }
        case Routine::Rle4:
        case Routine::Rle8:
            DecodeRleRow();
            for (int x = 0; x < width; ++x, rgb += 3)
                put(rgb, indices_[static_cast<std::size_t>(x)]);
            break;
    }
}

bool BmpDecoder::NextRlePair(std::uint8_t& first, std::uint8_t& second) {
    std::uint8_t pair[2];
    if (ReadBytes(pair, 2) != 2) {
        rleEnded_ = true;
        exhausted_ = true;
        return false;
    }
    first = pair[0];
    second = pair[1];
    return true;
}

// Decodes one row of an encoded file into palette indices. Every run is clipped to the
// row; pixels the encoding leaves unset keep index 0.
void BmpDecoder::DecodeRleRow() {
    std::fill(indices_.begin(), indices_.end(), std::uint8_t{0});
    if (rleEnded_) return;
    if (rleBlankRows_ > 0) {
        --rleBlankRows_;
        return;
    }
    const bool four = routine_ == Routine::Rle4;
    const int width = info_.width;
    int x = rleStartX_;
    rleStartX_ = 0;
    auto set = [&](unsigned index) {
        if (x < width) indices_[static_cast<std::size_t>(x++)] = static_cast<std::uint8_t>(index);
    };
    for (;;) {
        std::uint8_t count = 0;
        std::uint8_t value = 0;
        if (!NextRlePair(count, value)) return;
        if (count > 0) {
            // An encoded run; for 4 bits the two nibbles alternate.
            for (int i = 0; i < count && x < width; ++i) {
                set(four ? ((i & 1) ? value & 0xFu : value >> 4u) : value);
            }
            continue;
        }
        switch (value) {
            case 0:  // end of line
                return;
            case 1:  // end of bitmap: the rest of the picture stays at index 0
                rleEnded_ = true;
                return;
            case 2: {  // delta: move right by dx and down by dy rows
                std::uint8_t dx = 0;
                std::uint8_t dy = 0;
                if (!NextRlePair(dx, dy)) return;
                x = std::min(x + dx, width);
                if (dy > 0) {
                    rleBlankRows_ = dy - 1;
                    rleStartX_ = x;
                    return;
                }
                break;
            }
            default: {  // an absolute run of value indices, padded to a 16-bit boundary
                std::size_t bytes = four ? (value + 1u) / 2u : value;
                bytes += bytes & 1u;
                std::uint8_t run[256];
                const std::size_t got = ReadBytes(run, bytes);
                if (got < bytes) {
                    std::memset(run + got, 0, bytes - got);
                    rleEnded_ = true;
                    exhausted_ = true;
                }
                for (unsigned i = 0; i < value && x < width; ++i) {
                    set(four ? (run[i >> 1] >> ((i & 1) ? 0u : 4u)) & 0xFu : run[i]);
                }
                if (rleEnded_) return;
                break;
            }
        }
    }
}

std::uint8_t* BmpDecoder::RowAt(std::uint8_t* top, std::ptrdiff_t pitch, int fileRow) const {
    const int row = topDown_ ? fileRow : info_.height - 1 - fileRow;
    return top + static_cast<std::ptrdiff_t>(row) * pitch;
}

void BmpDecoder::FreeRows() {
    Release(sourceRow_);
    Release(rgbRow_);
    Release(indices_);
}

void BmpDecoder::Fail() {
    state_ = State::Failed;
    FreeRows();
    Release(picture_);
}

bool BmpDecoder::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                           const PictureConverter* converter) {
    const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
    if (state_ == State::Buffered) {
        for (int i = 0; i < info_.height; ++i, destination += pitch) {
            const std::uint8_t* row = picture_.data() + static_cast<std::size_t>(i) * rowBytes;
            if (converter != nullptr) {
                converter->Convert(row, destination, info_, info_.width);
            } else {
                std::memcpy(destination, row, rowBytes);
            }
        }
        return !exhausted_;
    }
    if (state_ != State::Ready || !AllocateRows()) {
        Fail();
        return false;
    }
    // The rows come in file order; each goes straight to its place in the destination.
    for (int i = 0; i < info_.height; ++i) {
        DecodeRow(rgbRow_.data());
        std::uint8_t* out = RowAt(destination, pitch, i);
        if (converter != nullptr) {
            converter->Convert(rgbRow_.data(), out, info_, info_.width);
        } else {
            std::memcpy(out, rgbRow_.data(), rowBytes);
        }
    }
    FreeRows();
    state_ = State::Done;  // every row has been handed out
    return !exhausted_;
}

bool BmpDecoder::DecodeAll() {
    if (state_ == State::Buffered) return true;
    if (state_ != State::Ready || !AllocateRows()) {
        Fail();
        return false;
    }
    const auto rowBytes = static_cast<std::ptrdiff_t>(info_.rowBytes);
    try {
        picture_.assign(static_cast<std::size_t>(rowBytes) * static_cast<std::size_t>(info_.height),
                        0);
    } catch (const std::bad_alloc&) {
        Fail();
        return false;
    }
    for (int i = 0; i < info_.height; ++i) {
        DecodeRow(RowAt(picture_.data(), rowBytes, i));
    }
    FreeRows();
    state_ = State::Buffered;
    return true;
}

bool BmpDecoder::ReadLine(std::uint8_t* destination) {
    if (!DecodeAll() || rowsOut_ >= info_.height) return false;
    const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
    std::memcpy(destination, picture_.data() + static_cast<std::size_t>(rowsOut_) * rowBytes,
                rowBytes);
    ++rowsOut_;
    return rowsOut_ < info_.height;
}
