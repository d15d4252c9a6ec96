#include "imaging/PngDecoder.h"

#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "imaging/PictureConverter.h"
#include "platform/debug/Debug.h"

namespace {

// libpng reports errors through this callback, which must not return: the message goes to
// the debug sink and control jumps back to the guard that started the library call.
[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    char line[256];
    const std::size_t length =
        message != nullptr ? std::min(std::strlen(message), sizeof line - 2) : 0;
    if (length > 0) std::memcpy(line, message, length);
    line[length] = '\n';
    platform::DebugOutput(std::string_view(line, length + 1));
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {
    platform::DebugOutput("png read warning\n");
}

// Runs a piece of library work. A library error jumps back here and gives false, so the
// work must hold nothing that needs destroying (plain values and pointers only).
template <typename Work>
bool Guarded(png_structp png, Work&& work) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    work();
    return true;
}

// Ancillary chunks are read whole into memory by the library; none of any use comes near
// this size.
constexpr std::uint32_t kMaxAncillaryChunk = 8u << 20;

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

}  // namespace

// A short read must stop the library: left alone it would go on parsing whatever the
// buffer held before.
void PngDecoder::ReadFromSource(png_struct_def* png, unsigned char* out, std::size_t count) {
    auto* decoder = static_cast<PngDecoder*>(png_get_io_ptr(png));
    if (decoder->ReadBytes(out, count) != count)
        png_error(png, "Error reading data for png picture");
    if (const char* refusal = decoder->WatchChunks(out, count)) png_error(png, refusal);
}

// The library allocates and clears a buffer of an ancillary chunk's stated length before it
// reads the chunk, and only warns about a length past its own limit; a few bytes stating
// gigabytes would cost that much memory. So the bytes handed to the library are followed
// chunk by chunk here, and a chunk is refused as soon as its header has gone by.
const char* PngDecoder::WatchChunks(const std::uint8_t* bytes, std::size_t count) {
    const std::uint64_t end = readPosition_ + count;
    while (nextChunk_ < end) {
        const std::uint64_t from = std::max(readPosition_, nextChunk_);
        const std::uint64_t to = std::min(end, nextChunk_ + sizeof chunkHeader_);
        std::memcpy(chunkHeader_ + (from - nextChunk_), bytes + (from - readPosition_),
                    static_cast<std::size_t>(to - from));
        if (to < nextChunk_ + sizeof chunkHeader_) break;  // the rest comes with the next read
        const std::uint32_t length = Be32(chunkHeader_);
        const bool ancillary = (chunkHeader_[4] & 0x20) != 0;
        const bool imageData = std::memcmp(chunkHeader_ + 4, "IDAT", 4) == 0;
        // Image data cut short still gives the rows before the cut.
        if (stream_ == nullptr && !imageData && length > (end - to) + Remaining())
            return "PNG chunk longer than the rest of the file";
        if (ancillary && length > kMaxAncillaryChunk) return "PNG ancillary chunk too large";
        nextChunk_ += 12 + static_cast<std::uint64_t>(length);  // length, type, data, CRC
    }
    readPosition_ = end;
    return nullptr;
}

PngDecoder::~PngDecoder() {
    DestroyLibrary();
}

void PngDecoder::DestroyLibrary() {
    if (png_ != nullptr)
        png_destroy_read_struct(&png_, pngInfo_ != nullptr ? &pngInfo_ : nullptr, nullptr);
    png_ = nullptr;
    pngInfo_ = nullptr;
}

void PngDecoder::Fail() {
    DestroyLibrary();
    state_ = State::Failed;
    std::vector<std::uint8_t>().swap(row_);
    std::vector<std::uint8_t>().swap(picture_);
    std::vector<std::uint8_t*>().swap(rowPointers_);
}

bool PngDecoder::ReadHead() {
    if (state_ != State::Empty) return false;
    state_ = State::Failed;  // until the header has been accepted
    if (stream_ == nullptr && data_ == nullptr) return false;

    png_ = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png_ == nullptr) return false;
    pngInfo_ = png_create_info_struct(png_);
    if (pngInfo_ == nullptr) {
        Fail();
        return false;
    }
    png_set_read_fn(png_, this, ReadFromSource);
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
    // Checksums would stop nearly every mutated input at the first chunk.
    png_set_crc_action(png_, PNG_CRC_QUIET_USE, PNG_CRC_QUIET_USE);
    png_set_option(png_, PNG_IGNORE_ADLER32, PNG_OPTION_ON);
#endif

    int bitDepth = 0;
    int colourType = 0;
    const bool read = Guarded(png_, [&] {
        png_read_info(png_, pngInfo_);
        bitDepth = png_get_bit_depth(png_, pngInfo_);
        colourType = png_get_color_type(png_, pngInfo_);
    });
    if (!read) {
        Fail();
        return false;
    }
    if (colourType != PNG_COLOR_TYPE_GRAY && colourType != PNG_COLOR_TYPE_RGB &&
        colourType != PNG_COLOR_TYPE_PALETTE && colourType != PNG_COLOR_TYPE_RGB_ALPHA) {
        platform::DebugOutput("Unsupported source bitdepth\n");
        Fail();
        return false;
    }

    const bool updated = Guarded(png_, [&] {
        png_set_strip_16(png_);
        // No bitmap has 2 bits a pixel: such samples are widened to a byte each.
        if (bitDepth == 2) png_set_packing(png_);
        interlaced_ = png_set_interlace_handling(png_) > 1;
        png_read_update_info(png_, pngInfo_);
    });
    if (!updated || !Describe(bitDepth, colourType)) {
        Fail();
        return false;
    }
    state_ = State::Ready;
    return true;
}

bool PngDecoder::Describe(int bitDepth, int colourType) {
    const png_uint_32 width = png_get_image_width(png_, pngInfo_);
    const png_uint_32 height = png_get_image_height(png_, pngInfo_);
    const std::size_t rowBytes = png_get_rowbytes(png_, pngInfo_);
    // The whole picture must fit in the description's 32-bit sizes.
    constexpr auto kMax = static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max());
    if (width == 0 || height == 0 || rowBytes == 0 ||
        static_cast<std::uint64_t>(rowBytes) > kMax / height) {
        return false;
    }
    info_ = PictureInfo{};
    info_.width = static_cast<int>(width);
    info_.height = static_cast<int>(height);
    info_.rowBytes = static_cast<int>(rowBytes);
    const int sampleBits = bitDepth == 16 || bitDepth == 2 ? 8 : bitDepth;
    switch (colourType) {
        case PNG_COLOR_TYPE_GRAY: {
            info_.bitsPerPixel = sampleBits;
            // Spread the gray levels over the full range so that the brightest level of a
            // 1-, 2- or 4-bit picture is white.
            const std::uint32_t top = (1u << std::min(bitDepth, 8)) - 1;
            info_.palette.assign(256, 0);
            for (std::uint32_t i = 0; i <= top; ++i) info_.palette[i] = (i * 255 / top) * 0x010101u;
            break;
        }
        case PNG_COLOR_TYPE_PALETTE: {
            info_.bitsPerPixel = sampleBits;
            info_.palette.assign(256, 0);
            png_colorp entries = nullptr;
            int count = 0;
            if (png_get_PLTE(png_, pngInfo_, &entries, &count) != 0 && entries != nullptr) {
                for (int i = 0; i < std::min(count, 256); ++i) {
                    const png_color& c = entries[i];
                    info_.palette[static_cast<std::size_t>(i)] =
                        static_cast<std::uint32_t>(c.red) |
                        static_cast<std::uint32_t>(c.green) << 8 |
                        static_cast<std::uint32_t>(c.blue) << 16;
                }
            }
            break;
        }
        case PNG_COLOR_TYPE_RGB_ALPHA:
            info_.bitsPerPixel = 32;
            info_.alphaShift = 24;
            info_.alphaBits = 8;
            [[fallthrough]];
        default:  // red, green, blue
            if (colourType == PNG_COLOR_TYPE_RGB) info_.bitsPerPixel = 24;
            info_.redShift = 16;
            info_.greenShift = 8;
            info_.blueShift = 0;
            info_.redBits = info_.greenBits = info_.blueBits = 8;
            break;
    }
    // A row must hold the pixels the description promises, or the converter would read
    // past it.
    const auto needed =
        (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(info_.bitsPerPixel) + 7) /
        8;
    return rowBytes >= needed;
}

void PngDecoder::EmitRow(const std::uint8_t* row, std::uint8_t* destination,
                         const PictureConverter* converter) const {
    if (converter != nullptr) {
        converter->Convert(row, destination, info_, info_.width);
    } else {
        std::memcpy(destination, row, static_cast<std::size_t>(info_.rowBytes));
    }
}

// Interlaced rows are complete only after the last pass, so the whole picture is read
// before any row is handed out.
bool PngDecoder::BufferPicture() {
    const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
    try {
        picture_.assign(rowBytes * static_cast<std::size_t>(info_.height), 0);
        rowPointers_.resize(static_cast<std::size_t>(info_.height));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::size_t i = 0; i < rowPointers_.size(); ++i)
        rowPointers_[i] = picture_.data() + i * rowBytes;
    complete_ = Guarded(png_, [&] {
        png_read_image(png_, rowPointers_.data());
        png_read_end(png_, nullptr);
    });
    if (!complete_) platform::DebugOutput("Serious png error\n");
    DestroyLibrary();
    std::vector<std::uint8_t*>().swap(rowPointers_);
    state_ = State::Buffered;
    return true;
}

bool PngDecoder::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                           const PictureConverter* converter) {
    if (state_ == State::Ready && interlaced_ && !BufferPicture()) {
        Fail();
        return false;
    }
    if (state_ == State::Buffered) {
        const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
        for (int i = 0; i < info_.height; ++i, destination += pitch) {
            EmitRow(picture_.data() + static_cast<std::size_t>(i) * rowBytes, destination,
                    converter);
        }
        return complete_;
    }
    if (state_ != State::Ready) {
        Fail();
        return false;
    }
    if (converter != nullptr) {
        try {
            row_.assign(static_cast<std::size_t>(info_.rowBytes), 0);
        } catch (const std::bad_alloc&) {
            Fail();
            return false;
        }
    }
    // Without a converter the library writes each row straight into the destination.
    const bool complete = Guarded(png_, [&] {
        for (; rowsOut_ < info_.height; ++rowsOut_) {
            std::uint8_t* out = destination + static_cast<std::ptrdiff_t>(rowsOut_) * pitch;
            if (converter != nullptr) {
                png_read_row(png_, row_.data(), nullptr);
                EmitRow(row_.data(), out, converter);
            } else {
                png_read_row(png_, out, nullptr);
            }
        }
        png_read_end(png_, nullptr);
    });
    if (!complete) platform::DebugOutput("Serious png error\n");
    DestroyLibrary();
    std::vector<std::uint8_t>().swap(row_);
    state_ = State::Done;
    return complete;
}

bool PngDecoder::ReadLine(std::uint8_t* destination) {
    if (state_ == State::Ready) {
        if (interlaced_) {
            if (!BufferPicture()) {
                Fail();
                return false;
            }
        } else {
            state_ = State::Rows;
        }
    }
    if (state_ == State::Buffered) {
        if (rowsOut_ >= info_.height) return false;
        const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
        std::memcpy(destination, picture_.data() + static_cast<std::size_t>(rowsOut_) * rowBytes,
                    rowBytes);
        ++rowsOut_;
        return rowsOut_ < info_.height;
    }
    if (state_ != State::Rows) return false;
    if (!Guarded(png_, [&] { png_read_row(png_, destination, nullptr); })) {
        Fail();
        return false;
    }
    ++rowsOut_;
    if (rowsOut_ < info_.height) return true;
    Guarded(png_, [&] { png_read_end(png_, nullptr); });
    DestroyLibrary();
    state_ = State::Done;
    return false;
}
