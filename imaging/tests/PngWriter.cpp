#include "imaging/tests/PngWriter.h"

#include <png.h>

#include <csetjmp>

namespace test_pictures {

namespace {

void Append(png_structp png, png_bytep data, std::size_t length) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + length);
}

void Flush(png_structp) {}

[[noreturn]] void OnError(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

// Kept apart from WritePng so that no object with a destructor lives in the frame that
// setjmp returns to.
bool Write(png_structp png, png_infop info, const PngPicture& p, png_bytepp rows,
           std::vector<std::uint8_t>* out) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_set_write_fn(png, out, Append, Flush);
    png_set_compression_level(png, p.compressionLevel);
    png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height),
                 p.bitDepth, p.colourType, p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (!p.palette.empty()) {
        for (std::size_t i = 0; i < p.palette.size() && i < 256; ++i) {
            palette[i] = {p.palette[i][0], p.palette[i][1], p.palette[i][2]};
        }
        png_set_PLTE(png, info, palette, static_cast<int>(p.palette.size()));
    }
    png_set_rows(png, info, rows);
    png_write_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    return true;
}

}  // namespace

std::vector<std::uint8_t> WritePng(const PngPicture& picture) {
    std::vector<std::uint8_t> out;
    std::vector<std::vector<std::uint8_t>> rows = picture.rows;
    std::vector<png_bytep> pointers;
    for (auto& row : rows) pointers.push_back(row.data());
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, OnError, OnWarning);
    if (png == nullptr) return out;
    png_infop info = png_create_info_struct(png);
    const bool ok = info != nullptr && Write(png, info, picture, pointers.data(), &out);
    png_destroy_write_struct(&png, &info);
    if (!ok) out.clear();
    return out;
}

}  // namespace test_pictures
