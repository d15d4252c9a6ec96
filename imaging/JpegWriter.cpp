#include "imaging/JpegWriter.h"

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "imaging/Jpeg_internal.h"
#include "imaging/PictureConverter.h"
#include "platform/bitmap/DibSection.h"
#include "platform/debug/Debug.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/text/Text.h"

namespace {

struct Compressor {
    jpeg_compress_struct cinfo;
    jpeg_internal::ErrorManager errors;
    bool created;

    ~Compressor() {
        if (created) jpeg_destroy_compress(&cinfo);
    }
};

std::jmp_buf& JumpOf(j_compress_ptr cinfo) {
    return reinterpret_cast<jpeg_internal::ErrorManager*>(cinfo->err)->jump;
}

// The guarded calls: each holds no C++ object with a destructor (see Jpeg_internal.h) and
// gives false when the library took its error exit.

bool GuardedCreate(j_compress_ptr cinfo) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_create_compress(cinfo);
    return true;
}

bool GuardedStart(j_compress_ptr cinfo, std::FILE* file, int width, int height, J_COLOR_SPACE order,
                  int quality) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_stdio_dest(cinfo, file);
    cinfo->image_width = static_cast<JDIMENSION>(width);
    cinfo->image_height = static_cast<JDIMENSION>(height);
    cinfo->input_components = 3;
    cinfo->in_color_space = order;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    return true;
}

bool GuardedWriteRow(j_compress_ptr cinfo, JSAMPARRAY row) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    return jpeg_write_scanlines(cinfo, row, 1) == 1;
}

bool GuardedFinish(j_compress_ptr cinfo) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_finish_compress(cinfo);
    return true;
}

bool IsUsable(const PictureInfo& picture) {
    const int bits = picture.bitsPerPixel;
    if (bits != 16 && bits != 24 && bits != 32) return false;
    if (picture.pixels == nullptr || picture.width <= 0 || picture.height <= 0) return false;
    const auto row = static_cast<long long>(picture.width) * (bits / 8);
    return std::llabs(picture.rowBytes) >= row;
}

}  // namespace

bool SaveJPG(const PictureInfo& picture, const std::string& path, int quality) {
    // Checked before anything is opened, so an existing file is never touched for nothing.
    if (!IsUsable(picture)) {
        platform::DebugOutput("Unsupported input format to SaveJPG()\n");
        return false;
    }
    std::unique_ptr<Compressor> compressor;
    std::vector<std::uint8_t> buffer;
    try {
        compressor = std::make_unique<Compressor>();
        buffer.resize(static_cast<std::size_t>(picture.width) * 3);
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Failed to write image file\n");
        return false;
    }
    j_compress_ptr cinfo = &compressor->cinfo;
    cinfo->err = jpeg_internal::InstallErrorManager(compressor->errors);
    compressor->created = true;
    if (!GuardedCreate(cinfo)) {
        platform::DebugOutput("Failed to write image file\n");
        return false;
    }

    platform::ReplacingWriter out;
    if (out.Open(path) != platform::FileError::None || out.Stream() == nullptr) {
        platform::DebugOutput(platform::FormatC("can't open %s\n", path.c_str()));
        return false;
    }

    // Rows reach the library as three bytes a pixel. The converter reverses the bytes of
    // 24- and 32-bit pixels (a blue-green-red bitmap gives red, green, blue) but writes
    // unpacked 16-bit pixels in a 24-bit destination's own blue-green-red order.
    const J_COLOR_SPACE order = picture.bitsPerPixel == 16 ? JCS_EXT_BGR : JCS_RGB;
    PictureConverter converter;
    platform::PixelFormat rgb;
    rgb.rgbBitCount = 24;
    rgb.redMask = 0xFF0000;
    rgb.greenMask = 0xFF00;
    rgb.blueMask = 0xFF;
    converter.SetPixelFormat(rgb);

    bool ok = GuardedStart(cinfo, out.Stream(), picture.width, picture.height, order, quality);
    JSAMPROW row[1] = {buffer.data()};
    for (int i = 0; ok && i < picture.height; ++i) {
        const std::uint8_t* source =
            picture.pixels + static_cast<std::ptrdiff_t>(i) * picture.rowBytes;
        converter.Convert(source, buffer.data(), picture, picture.width);
        ok = GuardedWriteRow(cinfo, row);
    }
    ok = ok && GuardedFinish(cinfo);
    compressor.reset();
    ok = ok && out.Commit() == platform::FileError::None;
    if (!ok) {
        platform::DebugOutput("Failed to write image file\n");
        return false;
    }
    return true;
}
