#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "imaging/ImageDecoder.h"
#include "platform/lwf/Lwf.h"

// LuraWave pictures, decoded by the codec library (platform/lwf). Delivers 8-bit gray rows
// with a gray palette or red-green-blue rows of 24 bits, downscaled by 2, 4 or 8 towards
// the wanted size. The same data can be decoded again after more of it has arrived
// (Restart), each pass with more detail.
class LwfDecoder final : public ImageDecoder {
public:
    LwfDecoder() = default;
    ~LwfDecoder() override;

    bool ReadHead() override;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter) override;
    bool ReadLine(std::uint8_t* destination) override;
    bool IsProgressive() override { return progressive_; }
    // Starts a new pass over the first dataSize bytes; the second value is not used.
    bool Restart(std::size_t dataSize, int second) override;
    void GetSize(Vector2<int>& size) override { size = fullSize_; }

private:
    void Downscale();
    bool AllocateBuffers();
    bool DecodeRow(int row, std::uint8_t* target);
    void ReleaseBuffers();
    bool Failed(platform::LwfStatus status);
    const char* ErrorText(platform::LwfStatus status) const;
    std::uint64_t DataLength() const;

    static std::uint32_t ReadSource(void* context, void* buffer, std::uint32_t count);
    static std::uint16_t SeekSource(void* context, std::uint64_t position);

    const platform::LwfFunctions* codec_ = nullptr;
    platform::LwfMemoryBlock memory_{};
    platform::LwfImageInfo imageInfo_{};
    platform::LwfOutputBlock output_{};
    platform::LwfDecodeParams params_{};
    platform::LwfLibraryBlock library_{};

    Vector2<int> fullSize_{0, 0};
    bool progressive_ = false;
    int resolution_ = 1024;
    int rowCounter_ = 0;
    // True from a successful ReadHead until the buffers are released.
    bool ready_ = false;

    std::unique_ptr<std::uint8_t[]> rowStorage_;
    std::uint8_t* row_ = nullptr;  // rowStorage_ raised to a multiple of 8
    std::unique_ptr<std::uint8_t[]> header_;
    std::unique_ptr<std::uint8_t[]> work_[4];
    // What has been read from a stream source, so that the library can seek back.
    std::vector<std::uint8_t> streamBytes_;
};
