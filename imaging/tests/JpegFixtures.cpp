#include "imaging/tests/JpegFixtures.h"

#include <cstdio>

#include <jpeglib.h>

namespace jpeg_fixtures {

Bytes Pattern(int width, int height, int components) {
    Bytes pixels;
    pixels.reserve(static_cast<std::size_t>(width * height * components));
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c) {
                pixels.push_back(
                    static_cast<std::uint8_t>((x * (3 + c) + y * (5 - c) + c * 60) % 256));
            }
        }
    }
    return pixels;
}

Bytes Encode(const Options& options) {
    const int components = options.colour == Colour::Gray  ? 1
                           : options.colour == Colour::Rgb ? 3
                                                           : 4;
    return Encode(options, Pattern(options.width, options.height, components));
}

Bytes Encode(const Options& options, const Bytes& pixels) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(options.width);
    cinfo.image_height = static_cast<JDIMENSION>(options.height);
    switch (options.colour) {
        case Colour::Rgb:
            cinfo.input_components = 3;
            cinfo.in_color_space = JCS_RGB;
            break;
        case Colour::Gray:
            cinfo.input_components = 1;
            cinfo.in_color_space = JCS_GRAYSCALE;
            break;
        case Colour::Cmyk:
        case Colour::Ycck:
            cinfo.input_components = 4;
            cinfo.in_color_space = JCS_CMYK;
            break;
    }
    jpeg_set_defaults(&cinfo);
    if (options.colour == Colour::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    for (const auto& [marker, data] : options.markers) {
        jpeg_write_marker(&cinfo, marker, data.data(), static_cast<unsigned>(data.size()));
    }
    const auto stride = static_cast<std::size_t>(options.width * cinfo.input_components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(pixels.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

Bytes Decode(const Bytes& jpeg, int scaleDenominator, int* width, int* height) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_num = 1;
    cinfo.scale_denom = static_cast<unsigned>(scaleDenominator);
    jpeg_start_decompress(&cinfo);
    const auto stride = static_cast<std::size_t>(cinfo.output_width) *
                        static_cast<std::size_t>(cinfo.output_components);
    Bytes out(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    if (width != nullptr) *width = static_cast<int>(cinfo.output_width);
    if (height != nullptr) *height = static_cast<int>(cinfo.output_height);
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

Bytes Photoshop(const std::vector<std::pair<int, Bytes>>& resources) {
    Bytes out = AsBytes(std::string("Photoshop 3.0", 14));
    for (const auto& [id, data] : resources) {
        const auto size = static_cast<std::uint32_t>(data.size());
        out.insert(
            out.end(),
            {'8', 'B', 'I', 'M', static_cast<std::uint8_t>(id >> 8), static_cast<std::uint8_t>(id),
             0, 0, static_cast<std::uint8_t>(size >> 24), static_cast<std::uint8_t>(size >> 16),
             static_cast<std::uint8_t>(size >> 8), static_cast<std::uint8_t>(size)});
        out.insert(out.end(), data.begin(), data.end());
        if (size & 1u) out.push_back(0);
    }
    return out;
}

Bytes DataSet(int number, const std::string& text, int record) {
    std::string out{'\x1C', static_cast<char>(record), static_cast<char>(number),
                    static_cast<char>(text.size() >> 8), static_cast<char>(text.size())};
    return AsBytes(out + text);
}

std::string AsString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}

Bytes AsBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

}  // namespace jpeg_fixtures
