#pragma once

#include <cstddef>
#include <cstdint>

// The LuraWave codec library: the blocks exchanged at each call and the five calls. The
// library is a shared library outside the program, loaded on first use; both the program
// and every build of the library are compiled from this header. Every block is zeroed by
// the caller before its first use.
namespace platform {

// 0 is success; the library has a text for every other value.
using LwfStatus = std::uint16_t;

// Colour spaces the library reports for a picture.
inline constexpr std::uint16_t kLwfGray = 1;
inline constexpr std::uint16_t kLwfColour = 2;
inline constexpr std::uint16_t kLwfColourWide = 6;  // colour the program cannot take
inline constexpr std::uint16_t kLwfGray16 = 17;

// Row modes of the decode parameters: the first call of a pass, those in between, the last.
inline constexpr std::int32_t kLwfMiddleRows = 0;
inline constexpr std::int32_t kLwfFirstRows = 1;
inline constexpr std::int32_t kLwfLastRows = 2;

// The data length of a source that is read until it ends.
inline constexpr std::uint64_t kLwfUnknownLength = 0x7FFFFFFFFFFFFFFFull;

// Sizes are set by the library; the caller allocates each buffer zero-filled (a size of 0
// needs none) and keeps it until it stops decoding.
struct LwfMemoryBlock {
    std::size_t headerSize;
    std::size_t workSizes[4];
    void* header;
    void* work[4];
};

struct LwfImageInfo {
    std::int32_t width;
    std::int32_t height;
    std::uint16_t colourSpace;
    std::uint16_t progressive;  // 0: the data may be decoded again as more of it arrives
    std::int32_t components;
    std::int32_t bitsPerSample;
    std::int32_t reserved[4];
};

// The picture as it is to be delivered (possibly downscaled). Row r of a decode call is
// written at rowBuffer + (r - first row) * rowBytes.
struct LwfOutputBlock {
    std::int32_t rows;
    std::int32_t width;
    std::uint8_t* rowBuffer;
    std::int32_t rowBytes;
};

// Source callbacks for data that are not in memory. Read copies up to count bytes from the
// current position and returns how many; seek moves to a position from the start and
// returns the low 16 bits of the position reached.
using LwfReadCallback = std::uint32_t (*)(void* context, void* buffer, std::uint32_t count);
using LwfSeekCallback = std::uint16_t (*)(void* context, std::uint64_t position);

// Kept by the caller between calls for the library's own notes; the caller never reads it.
struct LwfLibraryBlock {
    std::uint32_t words[9];
};

struct LwfDecodeParams {
    std::int32_t firstRow;
    std::int32_t endRow;       // one past the last row wanted
    const std::uint8_t* data;  // the data in memory, or null when the callbacks are used
    LwfReadCallback read;
    LwfSeekCallback seek;
    void* context;
    std::uint64_t length;     // bytes of data available so far, or kLwfUnknownLength
    std::int32_t resolution;  // 1024, or 512 when the output is downscaled by 4 or 8
    std::int32_t rowMode;
    LwfLibraryBlock* library;
};

struct LwfFunctions {
    LwfStatus (*getDecoHeaderMemoryRequirements)(LwfMemoryBlock* memory);
    LwfStatus (*getImageInfo)(LwfImageInfo* info, LwfDecodeParams* params, LwfMemoryBlock* memory);
    LwfStatus (*decodeBegin)(LwfOutputBlock* output, LwfDecodeParams* params,
                             LwfMemoryBlock* memory);
    LwfStatus (*decodeRows)(LwfOutputBlock* output, LwfDecodeParams* params,
                            LwfMemoryBlock* memory);
    const char* (*getErrorText)(LwfStatus status);
};

// The library's file name beside the program or on the library path.
inline constexpr const char* kLwfLibraryName = "lwf215p.so";

// The codec's calls, loaded once per process: from the file VANTELO_LWF_CODEC names when
// that is set (and from nowhere else), else beside the program, else from the library path.
// Null when no library could be loaded; a debug line says why, once.
const LwfFunctions* LwfCodec();
bool LwfCodecAvailable();

}  // namespace platform

// What each build of the library exports (libraries are built with hidden visibility).
#define LWF_EXPORT __attribute__((visibility("default")))
extern "C" {
LWF_EXPORT platform::LwfStatus LwfGetDecoHeaderMemoryRequirements(platform::LwfMemoryBlock* memory);
LWF_EXPORT platform::LwfStatus LwfGetImageInfo(platform::LwfImageInfo* info,
                                               platform::LwfDecodeParams* params,
                                               platform::LwfMemoryBlock* memory);
LWF_EXPORT platform::LwfStatus LwfDecodeBegin(platform::LwfOutputBlock* output,
                                              platform::LwfDecodeParams* params,
                                              platform::LwfMemoryBlock* memory);
LWF_EXPORT platform::LwfStatus LwfDecodeRows(platform::LwfOutputBlock* output,
                                             platform::LwfDecodeParams* params,
                                             platform::LwfMemoryBlock* memory);
LWF_EXPORT const char* LwfGetErrorText(platform::LwfStatus status);
}
