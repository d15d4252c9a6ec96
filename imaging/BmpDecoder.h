#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/ImageDecoder.h"

// Windows and OS/2 bitmap files: 1, 4, 8, 16 and 24 bits per pixel, plain or run-length
// encoded (4 and 8 bits). Whatever the file's depth, rows come out as red-green-blue bytes
// of 24 bits, top row first.
class BmpDecoder final : public ImageDecoder {
public:
    bool ReadHead() override;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter) override;
    bool ReadLine(std::uint8_t* destination) override;

private:
    enum class Routine { Bits1, Bits4, Bits8, Bits16, Bits24, Rle4, Rle8 };
    enum class State { Empty, Ready, Done, Buffered, Failed };

    bool ReadCoreHeader(std::uint32_t headerSize, int& bits);
    bool ReadInfoHeader(std::uint32_t headerSize, int& bits, std::uint32_t& compression,
                        std::uint32_t& imageSize, std::uint32_t& coloursUsed);
    bool AcceptSize(std::int64_t width, std::int64_t rows);
    bool ChooseRoutine(int bits, std::uint32_t compression);
    bool ReadPalette(std::uint32_t count, int entryBytes);
    bool SkipTo(std::uint64_t offset);
    bool AllocateRows();

    void DecodeRow(std::uint8_t* rgb);
    const std::uint8_t* NextSourceRow();
    void DecodeRleRow();
    bool NextRlePair(std::uint8_t& first, std::uint8_t& second);
    void Skip(std::uint64_t n);
    std::size_t TrackedRead(void* buffer, std::size_t n);
    std::uint8_t* RowAt(std::uint8_t* top, std::ptrdiff_t pitch, int fileRow) const;
    bool DecodeAll();
    void FreeRows();
    void Fail();

    Routine routine_ = Routine::Bits24;
    State state_ = State::Empty;
    bool topDown_ = false;
    bool exhausted_ = false;
    std::uint64_t consumed_ = 0;                // bytes taken from the source so far
    std::array<std::uint32_t, 256> palette_{};  // red, green, blue, 0
    std::uint64_t sourceRowSize_ = 0;
    std::size_t sourceRowNeeded_ = 0;  // bytes of a row that carry pixels
    std::array<std::uint32_t, 3> masks_{};
    std::array<int, 3> shifts_{};  // positive: right, negative: left
    std::vector<std::uint8_t> sourceRow_;
    std::vector<std::uint8_t> rgbRow_;
    std::vector<std::uint8_t> indices_;  // one palette index a pixel, for the encoded rows
    // Encoded rows: blank rows owed by a delta, the column the next row starts at, and
    // whether the end of the bitmap has been met.
    int rleBlankRows_ = 0;
    int rleStartX_ = 0;
    bool rleEnded_ = false;
    std::vector<std::uint8_t> picture_;
    int rowsOut_ = 0;
};
