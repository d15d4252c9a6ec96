#include "imaging/LwfDecoder.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <limits>
#include <new>
#include <string>

#include "imaging/PictureConverter.h"
#include "platform/debug/Debug.h"
#include "platform/text/Text.h"

namespace {

constexpr std::int32_t kFullResolution = 1024;
constexpr std::int32_t kReducedResolution = 512;

// The library's sizes are taken on trust only up to here; a larger request is treated
// like a failed allocation rather than handed to the allocator.
constexpr std::size_t kMaxBuffer = std::size_t{1} << 30;

std::unique_ptr<std::uint8_t[]> AllocateZeroed(std::size_t size) {
    if (size > kMaxBuffer) return nullptr;
    return std::unique_ptr<std::uint8_t[]>(new (std::nothrow) std::uint8_t[size]());
}

void OutOfMemory() {
    platform::DebugOutput("Sorry, insufficient memory.\n");
}

}  // namespace

LwfDecoder::~LwfDecoder() {
    ReleaseBuffers();
}

const char* LwfDecoder::ErrorText(platform::LwfStatus status) const {
    const char* text = codec_->getErrorText(status);
    return text != nullptr ? text : "";
}

// Every failure of the library ends the operation: its text is written and nothing more
// is decoded with this object.
bool LwfDecoder::Failed(platform::LwfStatus status) {
    platform::DebugOutput(std::string(ErrorText(status)) + "\n");
    ReleaseBuffers();
    return false;
}

void LwfDecoder::ReleaseBuffers() {
    ready_ = false;
    header_.reset();
    for (auto& buffer : work_) buffer.reset();
    rowStorage_.reset();
    row_ = nullptr;
    memory_.header = nullptr;
    for (auto& pointer : memory_.work) pointer = nullptr;
    output_.rowBuffer = nullptr;
}

std::uint64_t LwfDecoder::DataLength() const {
    // A stream of unknown length is read until it ends.
    if (stream_ != nullptr && size_ == 0) return platform::kLwfUnknownLength;
    return size_;
}

std::uint32_t LwfDecoder::ReadSource(void* context, void* buffer, std::uint32_t count) {
    auto* self = static_cast<LwfDecoder*>(context);
    if (self->stream_ == nullptr) {
        return static_cast<std::uint32_t>(self->ReadBytes(buffer, count));
    }
    // Stream bytes are kept as they are read, so that a seek back finds them again.
    std::vector<std::uint8_t>& bytes = self->streamBytes_;
    const std::size_t wanted = std::min(self->position_ + count, kMaxBuffer);
    while (bytes.size() < wanted) {
        const std::size_t had = bytes.size();
        const auto chunk = static_cast<std::uint32_t>(std::max<std::size_t>(wanted - had, 65536));
        try {
            bytes.resize(had + chunk);
        } catch (const std::bad_alloc&) {
            bytes.resize(had);
            break;
        }
        std::uint32_t got = 0;
        const bool ok = self->stream_->Read(bytes.data() + had, chunk, &got);
        bytes.resize(had + (ok ? std::min(got, chunk) : 0));
        if (!ok || got == 0) break;
    }
    const std::size_t available =
        bytes.size() > self->position_ ? bytes.size() - self->position_ : 0;
    const auto n = static_cast<std::uint32_t>(std::min<std::size_t>(count, available));
    if (n > 0) std::memcpy(buffer, bytes.data() + self->position_, n);
    self->position_ += n;
    return n;
}

std::uint16_t LwfDecoder::SeekSource(void* context, std::uint64_t position) {
    auto* self = static_cast<LwfDecoder*>(context);
    // In memory the position stops at the end of the data, where the next read finds nothing.
    std::uint64_t reached = position;
    if (self->stream_ == nullptr) reached = std::min<std::uint64_t>(position, self->size_);
    self->position_ = static_cast<std::size_t>(
        std::min<std::uint64_t>(reached, std::numeric_limits<std::size_t>::max()));
    return static_cast<std::uint16_t>(reached & 0xFFFF);
}

void LwfDecoder::Downscale() {
    int factor = 1;
    resolution_ = kFullResolution;
    if (wantedSize_.x != 0 && wantedSize_.y != 0) {
        const int r = std::min(info_.width / wantedSize_.x, info_.height / wantedSize_.y);
        if (r >= 8) {
            factor = 8;
            resolution_ = kReducedResolution;
        } else if (r >= 4) {
            factor = 4;
            resolution_ = kReducedResolution;
        } else if (r >= 2) {
            factor = 2;
        }
    }
    info_.width /= factor;
    info_.height /= factor;
}

bool LwfDecoder::ReadHead() {
    ReleaseBuffers();
    memory_ = {};
    imageInfo_ = {};
    output_ = {};
    params_ = {};
    library_ = {};
    streamBytes_.clear();
    position_ = 0;
    progressive_ = false;

    codec_ = platform::LwfCodec();
    if (codec_ == nullptr) {
        platform::DebugOutput(
            "The LuraWave codec library is not available: LuraWave pictures cannot be decoded\n");
        return false;
    }

    platform::LwfStatus status = codec_->getDecoHeaderMemoryRequirements(&memory_);
    if (status != 0) {
        platform::DebugOutput(platform::FormatC(
            "Error %d in LwfGetDecoHeaderMemoryRequirements():\n%s\n", status, ErrorText(status)));
        return false;
    }
    if (memory_.headerSize > 0) {
        header_ = AllocateZeroed(memory_.headerSize);
        if (!header_) {
            OutOfMemory();
            return false;
        }
        memory_.header = header_.get();
    }

    if (stream_ != nullptr) {
        params_.read = &LwfDecoder::ReadSource;
        params_.seek = &LwfDecoder::SeekSource;
        params_.context = this;
    } else {
        params_.data = data_;
    }
    params_.length = DataLength();
    params_.resolution = kFullResolution;
    params_.library = &library_;

    status = codec_->getImageInfo(&imageInfo_, &params_, &memory_);
    if (status != 0) {
        platform::DebugOutput(
            platform::FormatC("Error %d in LwfGetImageInfo():\n%s\ns", status, ErrorText(status)));
        ReleaseBuffers();
        return false;
    }
    int components = 0;
    switch (imageInfo_.colourSpace) {
        case platform::kLwfGray:
            components = 1;
            break;
        case platform::kLwfColour:
            components = 3;
            break;
        case platform::kLwfGray16:
            platform::DebugOutput("Unsupported source colourmode\n");
            ReleaseBuffers();
            return false;
        default:
            platform::DebugOutput(platform::FormatC("Can not handle this Colorspace (%d).\n",
                                                    imageInfo_.colourSpace));
            ReleaseBuffers();
            return false;
    }
    // The sizes come from the file through the library: rows must stay addressable by int.
    if (imageInfo_.width <= 0 || imageInfo_.height <= 0 ||
        imageInfo_.width > (INT_MAX - 16) / components) {
        platform::DebugOutput(platform::FormatC("Can not handle this picture size (%d x %d).\n",
                                                imageInfo_.width, imageInfo_.height));
        ReleaseBuffers();
        return false;
    }
    info_ = PictureInfo{};
    if (components == 1) {
        info_.width = imageInfo_.width;
        info_.height = imageInfo_.height;
        info_.bitsPerPixel = 8;
        info_.SetGrayPalette();
    } else {
        info_.SetRgb24(imageInfo_.width, imageInfo_.height);
    }

    fullSize_ = Vector2<int>(imageInfo_.width, imageInfo_.height);
    Downscale();
    info_.rowBytes = info_.width * components;
    params_.resolution = resolution_;

    // One row, 8-byte aligned, with room to spare.
    const auto rowBytes = static_cast<std::size_t>(info_.rowBytes);
    rowStorage_ = AllocateZeroed((rowBytes & ~std::size_t{7}) + 16);
    if (!rowStorage_) {
        OutOfMemory();
        ReleaseBuffers();
        return false;
    }
    const auto address = reinterpret_cast<std::uintptr_t>(rowStorage_.get());
    row_ = rowStorage_.get() + ((8 - address % 8) % 8);

    output_.rows = info_.height;
    output_.width = info_.width;
    output_.rowBuffer = row_;
    output_.rowBytes = info_.rowBytes;

    params_.firstRow = 0;
    params_.endRow = 0;
    params_.rowMode = platform::kLwfFirstRows;
    status = codec_->decodeBegin(&output_, &params_, &memory_);
    if (status != 0) return Failed(status);
    if (!AllocateBuffers()) {
        OutOfMemory();
        ReleaseBuffers();
        return false;
    }
    rowCounter_ = 0;
    progressive_ = imageInfo_.progressive == 0;
    ready_ = true;
    return true;
}

bool LwfDecoder::AllocateBuffers() {
    for (int i = 0; i < 4; ++i) {
        if (memory_.workSizes[i] == 0) continue;
        work_[i] = AllocateZeroed(memory_.workSizes[i]);
        if (!work_[i]) return false;
        memory_.work[i] = work_[i].get();
    }
    return true;
}

// The library writes the rows of a call from the row buffer on, so pointing the buffer at
// the target puts the one row there.
bool LwfDecoder::DecodeRow(int row, std::uint8_t* target) {
    params_.firstRow = row;
    params_.endRow = row + 1;
    output_.rowBuffer = target;
    const platform::LwfStatus status = codec_->decodeRows(&output_, &params_, &memory_);
    output_.rowBuffer = row_;
    if (status != 0) return Failed(status);
    params_.rowMode = row + 2 == output_.rows ? platform::kLwfLastRows : platform::kLwfMiddleRows;
    return true;
}

bool LwfDecoder::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                           const PictureConverter* converter) {
    if (!ready_) return false;
    params_.rowMode = platform::kLwfFirstRows;
    for (int i = 0; i < output_.rows; ++i, destination += pitch) {
        if (!DecodeRow(i, row_)) return false;
        if (converter != nullptr) {
            converter->Convert(row_, destination, info_, info_.width);
        } else {
            std::memcpy(destination, row_, static_cast<std::size_t>(info_.rowBytes));
        }
    }
    ReleaseBuffers();
    return true;
}

bool LwfDecoder::ReadLine(std::uint8_t* destination) {
    if (!ready_ || rowCounter_ >= output_.rows) return false;
    if (!DecodeRow(rowCounter_, destination)) return false;
    ++rowCounter_;
    return rowCounter_ < output_.rows;
}

bool LwfDecoder::Restart(std::size_t dataSize, int) {
    // Once the buffers are gone there is nothing to decode again with.
    if (!ready_) return false;
    rowCounter_ = 0;
    size_ = dataSize;
    // The bytes may have moved to a larger block since the last pass.
    if (stream_ == nullptr) params_.data = data_;
    params_.length = DataLength();
    params_.resolution = resolution_;
    params_.rowMode = platform::kLwfFirstRows;
    return true;
}
