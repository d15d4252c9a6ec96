#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "geometry/Geometry.h"
#include "imaging/PictureInfo.h"

class IPTCData;
class PictureConverter;

// A sequential source of bytes, for decoders that read while data arrive.
class SequentialStream {
public:
    virtual ~SequentialStream() = default;
    // Reads up to n bytes; *read receives how many were read. False on an error.
    virtual bool Read(void* buffer, std::uint32_t n, std::uint32_t* read) = 0;
};

// One object decodes one picture from a memory buffer (or a stream): first the header,
// then the rows. No entry throws; failures are false and a debug line.
class ImageDecoder {
public:
    ImageDecoder() = default;
    virtual ~ImageDecoder() = default;
    ImageDecoder(const ImageDecoder&) = delete;
    ImageDecoder& operator=(const ImageDecoder&) = delete;

    // Reads the header and fills the description.
    virtual bool ReadHead() = 0;
    // Decodes every row into destination + i * pitch, top row first; converted when a
    // converter is given, else copied as the decoder's row bytes.
    virtual bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                           const PictureConverter* converter) = 0;

    virtual std::uint8_t ReadByte();
    virtual std::uint16_t ReadWord();
    virtual std::uint32_t ReadDWord();
    virtual std::size_t ReadBytes(void* buffer, std::size_t n);

    // Decodes the next row, unconverted; true while rows remain after this one.
    virtual bool ReadLine(std::uint8_t* destination) = 0;
    // The same row in the converter's destination format, cut into pieces of `pieceWidth`
    // pixels (the last may be shorter): piece i is written at pieces[i], or left out when
    // that is null. Decoders whose own rows are nearer that format than the description's
    // override it and skip a pass.
    virtual bool ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                                   const PictureConverter& converter);
    virtual bool IsProgressive() { return false; }
    virtual bool Restart(std::size_t dataSize, int second);
    // The picture's full size in the source, before any downscaling.
    virtual void GetSize(Vector2<int>& size);

    void SetSource(const std::uint8_t* data, std::size_t size);
    void SetStream(SequentialStream* stream) { stream_ = stream; }
    const PictureInfo& GetInfo() const { return info_; }
    void SetWantedSize(const Vector2<int>& size) { wantedSize_ = size; }
    void SetIPTCTarget(IPTCData* target) { iptcTarget_ = target; }
    bool AtEnd() const { return stream_ == nullptr && data_ != nullptr && position_ >= size_; }

protected:
    std::size_t Remaining() const { return position_ < size_ ? size_ - position_ : 0; }

    IPTCData* iptcTarget_ = nullptr;
    Vector2<int> wantedSize_{0, 0};
    PictureInfo info_;
    SequentialStream* stream_ = nullptr;
    const std::uint8_t* data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t position_ = 0;

private:
    std::vector<std::uint8_t> unconverted_;  // one row for ReadConvertedLine
    std::vector<std::uint8_t> converted_;    // one row, when pieces start inside a byte
};
