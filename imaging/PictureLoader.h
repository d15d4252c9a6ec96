#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "geometry/Geometry.h"
#include "imaging/ImageDecoder.h"
#include "imaging/PictureInfo.h"

namespace platform {
class DibSection;
class MappedFile;
}  // namespace platform

// Picks a decoder by the file name's extension (the bytes are never sniffed) and owns it.
class PictureLoader {
public:
    enum Type { kJpeg = 0, kPng = 1, kLwf = 2, kBmp = 3, kTarga = 4 };

    PictureLoader() = default;
    PictureLoader(const PictureLoader&) = delete;
    PictureLoader& operator=(const PictureLoader&) = delete;

    // Chooses the decoder for the name, hands it the data and reads the header.
    bool Open(std::string_view name, const std::uint8_t* data, std::size_t size);

    // What the first `size` bytes of a file still arriving say of it: its header read (with
    // the picture's size), bytes that cannot begin a picture of the type its name gives, or
    // not enough bytes yet. A type without a signature is never found wrong this way.
    enum class Head { kNeedMore, kWrongType, kRead };
    static Head ReadHeadSoFar(std::string_view name, const std::uint8_t* data, std::size_t size,
                              Vector2<int>& pictureSize);
    void SetTypeFromName(std::string_view name);
    int type() const { return type_; }

    int GetWidth() const { return decoder_ ? decoder_->GetInfo().width : 0; }
    int GetHeight() const { return decoder_ ? decoder_->GetInfo().height : 0; }
    const PictureInfo& GetInfo() const;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter);
    void GetSize(Vector2<int>& size);
    void SetWantedSize(const Vector2<int>& size) { wantedSize_ = size; }
    void SetIPTCTarget(IPTCData* target) { iptcTarget_ = target; }
    // JPEG header failures are then reported by the result alone (the viewer's decoding).
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    // For progressive loading in the viewer.
    bool ReadLine(std::uint8_t* destination);
    bool ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                           const PictureConverter& converter);
    bool IsProgressive();
    bool Restart(std::size_t dataSize, int second);
    // Points the decoder at the same bytes moved to a new block (a growing download buffer);
    // the next Restart reads from there.
    void SetSource(const std::uint8_t* data, std::size_t size);

private:
    std::unique_ptr<ImageDecoder> decoder_;
    Vector2<int> wantedSize_{0, 0};
    IPTCData* iptcTarget_ = nullptr;
    bool quiet_ = false;
    int type_ = kJpeg;
};

// Decodes a file into a new top-down bitmap. size, when given, is the wanted size on entry
// and the picture's full source size on return; iptc, when given, receives the file's IPTC
// record (an empty one when the file has none). Null on failure, with a debug line.
std::unique_ptr<platform::DibSection> LoadPictureAsDIB(const std::string& fileName,
                                                       PictureInfo* info, Vector2<int>* size,
                                                       IPTCData* iptc);

// Maps a picture file for a loader, with a debug line when mapping fails.
bool MapPictureFile(const std::string& fileName, platform::MappedFile& file);

// Reads only the header of a file and copies its description.
bool ReadPictureInfo(const std::string& fileName, PictureInfo* info);
