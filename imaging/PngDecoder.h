#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ImageDecoder.h"

struct png_struct_def;
struct png_info_def;

// PNG files through libpng: gray, red-green-blue, palette and red-green-blue-alpha pictures,
// delivered in the file's own layout with 16-bit channels reduced to 8 bits and 2-bit
// samples widened to one byte a pixel. Interlaced files are gathered whole before their
// rows are handed out. Chunks whose stated length could make the library allocate far
// more than the file holds are refused.
class PngDecoder final : public ImageDecoder {
public:
    PngDecoder() = default;
    ~PngDecoder() override;

    bool ReadHead() override;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter) override;
    bool ReadLine(std::uint8_t* destination) override;

private:
    enum class State { Empty, Ready, Rows, Buffered, Done, Failed };

    bool Describe(int bitDepth, int colourType);
    bool BufferPicture();
    void EmitRow(const std::uint8_t* row, std::uint8_t* destination,
                 const PictureConverter* converter) const;
    void DestroyLibrary();
    void Fail();
    static void ReadFromSource(png_struct_def* png, unsigned char* out, std::size_t count);
    // The reason to refuse the chunk whose header these bytes complete, or null.
    const char* WatchChunks(const std::uint8_t* bytes, std::size_t count);

    png_struct_def* png_ = nullptr;
    png_info_def* pngInfo_ = nullptr;
    State state_ = State::Empty;
    bool interlaced_ = false;
    bool complete_ = false;
    std::vector<std::uint8_t> row_;
    std::vector<std::uint8_t> picture_;
    std::vector<std::uint8_t*> rowPointers_;
    int rowsOut_ = 0;
    // Where the bytes handed to the library stand in the file's chunks.
    std::uint64_t readPosition_ = 0;
    std::uint64_t nextChunk_ = 8;  // after the signature
    std::uint8_t chunkHeader_[8] = {};
};
