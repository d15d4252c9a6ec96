#pragma once

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include <jpeglib.h>

// JPEG files made and read by the library itself, and IPTC blocks put together by hand, for
// the tests of the decoder, the writer and the IPTC record.
namespace jpeg_fixtures {

using Bytes = std::vector<std::uint8_t>;

// TwoComponents: a colour space without a name, which the decoder must refuse.
enum class Colour { Rgb, Gray, Cmyk, Ycck, TwoComponents };

struct Options {
    int width = 40;
    int height = 23;
    Colour colour = Colour::Rgb;
    bool progressive = false;
    bool scanPerComponent = false;  // sequential, but each component in a scan of its own
    int quality = 90;
};

inline int Components(Colour colour) {
    switch (colour) {
        case Colour::Gray:
            return 1;
        case Colour::TwoComponents:
            return 2;
        case Colour::Rgb:
            return 3;
        default:
            return 4;
    }
}

// Smooth, varied content: components bytes a pixel.
inline Bytes Pattern(int width, int height, int components) {
    Bytes pixels;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < components; ++c)
                pixels.push_back(
                    static_cast<std::uint8_t>((x * (3 + c) + y * (5 - c) + c * 60) % 256));
        }
    }
    return pixels;
}

// Encodes pixels (3 bytes a pixel, 1 for gray, 4 for CMYK and YCCK), by default the pattern.
inline Bytes Encode(const Options& options, Bytes pixels = {}) {
    const int components = Components(options.colour);
    if (pixels.empty()) pixels = Pattern(options.width, options.height, components);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(options.width);
    cinfo.image_height = static_cast<JDIMENSION>(options.height);
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1   ? JCS_GRAYSCALE
                           : components == 2 ? JCS_UNKNOWN
                           : components == 3 ? JCS_RGB
                                             : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    if (options.colour == Colour::Ycck) jpeg_set_colorspace(&cinfo, JCS_YCCK);
    jpeg_set_quality(&cinfo, options.quality, TRUE);
    if (options.progressive) jpeg_simple_progression(&cinfo);
    jpeg_scan_info scans[4]{};
    if (options.scanPerComponent) {
        for (int c = 0; c < components; ++c) {
            scans[c].comps_in_scan = 1;
            scans[c].component_index[0] = c;
            scans[c].Se = 63;
        }
        cinfo.scan_info = scans;
        cinfo.num_scans = components;
    }
    jpeg_start_compress(&cinfo, TRUE);
    const auto stride = static_cast<std::size_t>(options.width * components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = pixels.data() + cinfo.next_scanline * stride;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    Bytes out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Decodes into packed rows (red, green, blue or gray).
// A picture of one colour (0xRRGGBB), kept close to it by a high quality.
inline Bytes Solid(int width, int height, std::uint32_t rgb) {
    Bytes pixels;
    for (int i = 0; i < width * height; ++i) {
        pixels.push_back(static_cast<std::uint8_t>(rgb >> 16));
        pixels.push_back(static_cast<std::uint8_t>(rgb >> 8));
        pixels.push_back(static_cast<std::uint8_t>(rgb));
    }
    return Encode({.width = width, .height = height, .quality = 95}, pixels);
}

inline Bytes Decode(const Bytes& jpeg, int scaleDenominator = 1) {
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    cinfo.scale_denom = static_cast<unsigned>(scaleDenominator);
    jpeg_start_decompress(&cinfo);
    const std::size_t stride =
        cinfo.output_width * static_cast<std::size_t>(cinfo.output_components);
    Bytes out(stride * cinfo.output_height);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = out.data() + cinfo.output_scanline * stride;
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return out;
}

inline std::string AsString(const Bytes& bytes) {
    return {bytes.begin(), bytes.end()};
}
inline Bytes AsBytes(const std::string& text) {
    return {text.begin(), text.end()};
}

// The data of an APP13 segment holding the given image resources, each (id, data).
inline Bytes Photoshop(const std::vector<std::pair<int, Bytes>>& resources) {
    Bytes out = AsBytes(std::string("Photoshop 3.0", 14));
    for (const auto& [id, data] : resources) {
        const auto size = static_cast<std::uint32_t>(data.size());
        out.insert(out.end(), {'8', 'B', 'I', 'M', std::uint8_t(id >> 8), std::uint8_t(id), 0, 0,
                               std::uint8_t(size >> 24), std::uint8_t(size >> 16),
                               std::uint8_t(size >> 8), std::uint8_t(size)});
        out.insert(out.end(), data.begin(), data.end());
        if (size & 1u) out.push_back(0);
    }
    return out;
}

// One dataset of the given record.
inline Bytes DataSet(int number, const std::string& text, int record = 2) {
    return AsBytes(std::string{'\x1C', static_cast<char>(record), static_cast<char>(number),
                               static_cast<char>(text.size() >> 8),
                               static_cast<char>(text.size())} +
                   text);
}

}  // namespace jpeg_fixtures
