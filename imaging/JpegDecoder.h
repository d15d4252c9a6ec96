#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "imaging/ImageDecoder.h"

// JPEG files through libjpeg: baseline and progressive, gray (8 bits with a gray palette),
// colour and CMYK (both as red-green-blue rows of 24 bits). Decodes at 1/2, 1/4 or 1/8 when
// a wanted size allows it, and reads the IPTC block of the APP13 segment into the IPTC
// target. A file cut short decodes to its end, the missing part left to the library.
class JpegDecoder final : public ImageDecoder {
public:
    JpegDecoder();
    ~JpegDecoder() override;

    bool ReadHead() override;
    bool ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                   const PictureConverter* converter) override;
    bool ReadLine(std::uint8_t* destination) override;
    bool ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                           const PictureConverter& converter) override;
    // The size in the file, before any scaling.
    void GetSize(Vector2<int>& size) override;
    // A quiet decoder reports a header or start failure only by its result: the viewer
    // engine's pages are not the place for the library's complaints.
    void SetQuiet(bool quiet) { quiet_ = quiet; }

    // The scale denominator (1, 2, 4 or 8) for a picture of the given size decoded toward
    // a wanted size: the largest that keeps the result at least the wanted size both ways.
    // A wanted size with a zero component means full size.
    static int ChooseScale(unsigned width, unsigned height, const Vector2<int>& wanted);

private:
    struct Library;

    bool ReadRow(std::uint8_t* destination);
    void Finish();
    void Fail(const char* message);
    void FailHead(const char* message);
    void Destroy();

    std::unique_ptr<Library> library_;
    Vector2<int> sourceSize_{0, 0};
    bool quiet_ = false;
    enum class State { Fresh, Rows, Done, Failed } state_ = State::Fresh;
};
