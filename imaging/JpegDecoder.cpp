#include "imaging/JpegDecoder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "imaging/IPTCData.h"
#include "imaging/Jpeg_internal.h"
#include "imaging/PictureConverter.h"
#include "platform/debug/Debug.h"

#include <jerror.h>

namespace {

constexpr std::size_t kStreamBufferBytes = 4096;
// Bounds what the library may allocate for the coefficients of a multi-scan file, so a
// damaged header cannot ask for gigabytes; a larger need ends in the library's error.
constexpr long kLibraryMemoryLimit = 2L << 30;

const char kHeaderError[] = "Error in JPG header\n";
const char kRowsError[] = "Error in JPG image data\n";
const char kFinishError[] = "Error in JPG after image\n";
const char kUnknownError[] = "Unknown error\n";

// The library's source manager, reading from the decoder's stream or memory.
struct SourceManager {
    jpeg_source_mgr pub;
    SequentialStream* stream;
    const std::uint8_t* data;
    std::size_t position;
    std::size_t size;
    JOCTET* buffer;
    boolean startOfFile;
    bool streamFailed;  // the stream threw: reported as an unknown error
};

// Supplied in place of the missing rest of a file cut short.
const JOCTET kEndOfImage[2] = {0xFF, JPEG_EOI};

SourceManager* SourceOf(j_decompress_ptr cinfo) {
    // pub is the first member of SourceManager.
    return reinterpret_cast<SourceManager*>(cinfo->src);
}

std::jmp_buf& JumpOf(j_decompress_ptr cinfo) {
    return reinterpret_cast<jpeg_internal::ErrorManager*>(cinfo->err)->jump;
}

void InitSource(j_decompress_ptr cinfo) {
    SourceOf(cinfo)->startOfFile = TRUE;
}

// Whatever the stream does, nothing is thrown back into the library.
std::size_t ReadStream(SourceManager* source) {
    try {
        std::uint32_t got = 0;
        if (!source->stream->Read(source->buffer, kStreamBufferBytes, &got)) return 0;
        return std::min<std::size_t>(got, kStreamBufferBytes);
    } catch (...) {
        source->streamFailed = true;
        return 0;
    }
}

boolean FillInputBuffer(j_decompress_ptr cinfo) {
    SourceManager* source = SourceOf(cinfo);
    const JOCTET* next = nullptr;
    std::size_t count = 0;
    if (source->stream != nullptr) {
        count = ReadStream(source);
        next = source->buffer;
    } else if (source->position < source->size) {
        // Memory is handed over whole: the library reads the mapped bytes in place.
        next = source->data + source->position;
        count = source->size - source->position;
        source->position = source->size;
    }
    if (source->streamFailed) ERREXIT(cinfo, JERR_FILE_READ);
    if (count == 0) {
        if (source->startOfFile) ERREXIT(cinfo, JERR_INPUT_EMPTY);
        WARNMS(cinfo, JWRN_JPEG_EOF);
        next = kEndOfImage;
        count = sizeof kEndOfImage;
    }
    source->pub.next_input_byte = next;
    source->pub.bytes_in_buffer = count;
    source->startOfFile = FALSE;
    return TRUE;
}

void SkipInputData(j_decompress_ptr cinfo, long n) {
    if (n <= 0) return;
    SourceManager* source = SourceOf(cinfo);
    auto count = static_cast<std::size_t>(n);
    while (count > source->pub.bytes_in_buffer) {
        count -= source->pub.bytes_in_buffer;
        FillInputBuffer(cinfo);
        // Past the end there is nothing to skip: the supplied end marker stays.
        if (source->pub.next_input_byte == kEndOfImage) return;
    }
    source->pub.next_input_byte += count;
    source->pub.bytes_in_buffer -= count;
}

void TermSource(j_decompress_ptr) {}

// The guarded calls. Each holds no C++ object with a destructor (see Jpeg_internal.h) and
// gives false when the library took its error exit.

bool GuardedReadHeader(j_decompress_ptr cinfo, SourceManager* source, bool saveApp13) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_create_decompress(cinfo);
    cinfo->mem->max_memory_to_use = kLibraryMemoryLimit;
    if (source->stream != nullptr) {
        source->buffer = static_cast<JOCTET*>((*cinfo->mem->alloc_small)(
            reinterpret_cast<j_common_ptr>(cinfo), JPOOL_PERMANENT, kStreamBufferBytes));
    }
    source->pub.init_source = InitSource;
    source->pub.fill_input_buffer = FillInputBuffer;
    source->pub.skip_input_data = SkipInputData;
    source->pub.resync_to_restart = jpeg_resync_to_restart;
    source->pub.term_source = TermSource;
    cinfo->src = &source->pub;
    if (saveApp13) jpeg_save_markers(cinfo, JPEG_APP0 + 13, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);
    return true;
}

bool GuardedOutputSize(j_decompress_ptr cinfo, bool savedApp13) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    if (savedApp13) jpeg_save_markers(cinfo, JPEG_APP0 + 13, 0);
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

bool GuardedStart(j_decompress_ptr cinfo, JSAMPARRAY* row, JDIMENSION rowBytes) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_start_decompress(cinfo);
    *row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE, rowBytes,
                                       1);
    return true;
}

bool GuardedReadRow(j_decompress_ptr cinfo, JSAMPARRAY row) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    return jpeg_read_scanlines(cinfo, row, 1) == 1;
}

bool GuardedFinish(j_decompress_ptr cinfo) {
    if (setjmp(JumpOf(cinfo)) != 0) return false;
    jpeg_finish_decompress(cinfo);
    return true;
}

// Four-component rows to red, green, blue. Files with an Adobe marker store the inks
// inverted (0 = full ink), as the programs that write CMYK JPEGs do.
void CmykToRgb(const std::uint8_t* cmyk, std::uint8_t* rgb, std::size_t count, bool inverted) {
    for (std::size_t i = 0; i < count; ++i, cmyk += 4, rgb += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        rgb[0] = static_cast<std::uint8_t>((c * k + 127) / 255);
        rgb[1] = static_cast<std::uint8_t>((m * k + 127) / 255);
        rgb[2] = static_cast<std::uint8_t>((y * k + 127) / 255);
    }
}

}  // namespace

struct JpegDecoder::Library {
    jpeg_decompress_struct cinfo;
    jpeg_internal::ErrorManager errors;
    SourceManager source;
    JSAMPARRAY row;                 // the library's output row
    std::vector<std::uint8_t> rgb;  // a CMYK row as red, green, blue
    std::size_t rowBytes;           // bytes of one delivered row, before padding
    bool created;
    bool cmyk;
    bool inverted;
    bool bgr;  // colour rows come from the library as blue, green, red
};

JpegDecoder::JpegDecoder() = default;

JpegDecoder::~JpegDecoder() {
    Destroy();
}

int JpegDecoder::ChooseScale(unsigned width, unsigned height, const Vector2<int>& wanted) {
    if (wanted.x <= 0 || wanted.y <= 0) return 1;
    const unsigned r =
        std::min(width / static_cast<unsigned>(wanted.x), height / static_cast<unsigned>(wanted.y));
    if (r >= 8) return 8;
    if (r >= 4) return 4;
    if (r >= 2) return 2;
    return 1;
}

void JpegDecoder::FailHead(const char* message) {
    if (!quiet_) {
        Fail(message);
        return;
    }
    Destroy();
    state_ = State::Failed;
}

void JpegDecoder::Destroy() {
    if (library_ && library_->created) jpeg_destroy_decompress(&library_->cinfo);
    library_.reset();
}

void JpegDecoder::Fail(const char* message) {
    if (library_ && library_->source.streamFailed) message = kUnknownError;
    platform::DebugOutput(message);
    Destroy();
    state_ = State::Failed;
}

bool JpegDecoder::ReadHead() {
    Destroy();
    state_ = State::Failed;
    sourceSize_ = Vector2<int>(0, 0);
    if (stream_ == nullptr && data_ == nullptr) return false;
    try {
        library_ = std::make_unique<Library>();
    } catch (const std::bad_alloc&) {
        if (!quiet_) platform::DebugOutput(kUnknownError);
        return false;
    }
    Library& lib = *library_;
    lib.cinfo.err = jpeg_internal::InstallErrorManager(lib.errors);
    lib.source.stream = stream_;
    lib.source.data = data_;
    lib.source.size = size_;
    lib.created = true;
    const bool saveApp13 = iptcTarget_ != nullptr;
    if (!GuardedReadHeader(&lib.cinfo, &lib.source, saveApp13)) {
        FailHead(kHeaderError);
        return false;
    }
    sourceSize_ = Vector2<int>(static_cast<int>(lib.cinfo.image_width),
                               static_cast<int>(lib.cinfo.image_height));

    if (saveApp13) {
        for (jpeg_saved_marker_ptr m = lib.cinfo.marker_list; m != nullptr; m = m->next) {
            if (m->marker != JPEG_APP0 + 13) continue;
            try {
                iptcTarget_->ReadFromApp13(m->data, m->data_length);
            } catch (...) {
                FailHead(kUnknownError);
                return false;
            }
            break;
        }
    }

    lib.cinfo.scale_num = 1;
    lib.cinfo.scale_denom = static_cast<unsigned>(
        ChooseScale(lib.cinfo.image_width, lib.cinfo.image_height, wantedSize_));
    if (lib.cinfo.jpeg_color_space == JCS_YCCK) {
        FailHead("PictureLoader::ReadJPG()  YCCK is an unsupported color format.\n");
        return false;
    }
    if (lib.cinfo.jpeg_color_space == JCS_CMYK) {
        lib.cinfo.out_color_space = JCS_CMYK;
        lib.cmyk = true;
        lib.inverted = lib.cinfo.saw_Adobe_marker != FALSE;
    }
    if (!GuardedOutputSize(&lib.cinfo, saveApp13)) {
        FailHead(kHeaderError);
        return false;
    }
    const int components = lib.cinfo.output_components;
    if (components != 1 && components != 3 && !lib.cmyk) {
        FailHead("PictureLoader::ReadJPG()  Unsupported format of jpeg file.\n");
        return false;
    }
    // Colour pictures nearly always end in a 24-bit bitmap, whose blue-green-red order the
    // library can write itself; the output order has to be fixed before decompression
    // starts, and a file of several scans is decoded whole when it starts. Callers asking
    // for the description's red-green-blue rows get them swapped back.
    if (components == 3 && lib.cinfo.out_color_space == JCS_RGB) {
        lib.cinfo.out_color_space = JCS_EXT_BGR;
        lib.bgr = true;
    }

    // Rows and whole pictures are measured in ints everywhere after this.
    const std::uint64_t width = lib.cinfo.output_width;
    const std::uint64_t height = lib.cinfo.output_height;
    const std::uint64_t delivered = width * (components == 1 ? 1 : 3);
    const std::uint64_t padded = (delivered + 3) & ~std::uint64_t{3};
    if (width == 0 || height == 0 ||
        padded * height > static_cast<std::uint64_t>(std::numeric_limits<std::int32_t>::max())) {
        FailHead(kHeaderError);
        return false;
    }
    try {
        if (lib.cmyk || lib.bgr) lib.rgb.resize(delivered);
        info_ = PictureInfo{};
        if (components == 1) {
            info_.width = static_cast<int>(width);
            info_.height = static_cast<int>(height);
            info_.bitsPerPixel = 8;
            info_.SetGrayPalette();
        } else {
            info_.SetRgb24(static_cast<int>(width), static_cast<int>(height));
        }
    } catch (const std::bad_alloc&) {
        FailHead(kUnknownError);
        return false;
    }
    info_.rowBytes = static_cast<int>(padded);
    lib.rowBytes = static_cast<std::size_t>(delivered);

    const auto libraryRow = static_cast<JDIMENSION>(width * static_cast<unsigned>(components));
    if (!GuardedStart(&lib.cinfo, &lib.row, libraryRow)) {
        FailHead(kHeaderError);
        return false;
    }
    state_ = State::Rows;
    return true;
}

bool JpegDecoder::ReadRow(std::uint8_t* destination) {
    Library& lib = *library_;
    if (lib.cmyk) {
        if (!GuardedReadRow(&lib.cinfo, lib.row)) return false;
        CmykToRgb(lib.row[0], destination, lib.cinfo.output_width, lib.inverted);
        return true;
    }
    if (lib.bgr) {
        if (!GuardedReadRow(&lib.cinfo, lib.row)) return false;
        // Swapping red and blue is its own inverse: the 24-bit conversion does it.
        PictureConverter swap;
        swap.bitsPerPixel = 24;
        swap.Convert(lib.row[0], destination, info_, info_.width);
        return true;
    }
    JSAMPROW row[1] = {destination};
    return GuardedReadRow(&lib.cinfo, row);
}

void JpegDecoder::Finish() {
    if (!GuardedFinish(&library_->cinfo)) {
        Fail(kFinishError);
    } else {
        Destroy();
    }
    state_ = State::Done;
}

bool JpegDecoder::ReadImage(std::uint8_t* destination, std::ptrdiff_t pitch,
                            const PictureConverter* converter) {
    if (state_ != State::Rows || destination == nullptr) return false;
    Library& lib = *library_;
    // Rows the library gives in the bitmap's order, and unconverted gray and colour rows,
    // go straight to the destination; the rest pass through one row of our own.
    const bool native = lib.bgr && converter != nullptr && converter->bitsPerPixel == 24;
    if (native) converter = nullptr;
    std::uint8_t* own = lib.cmyk || lib.bgr ? lib.rgb.data() : lib.row[0];
    const bool direct = converter == nullptr && !lib.cmyk;
    while (lib.cinfo.output_scanline < lib.cinfo.output_height) {
        std::uint8_t* out =
            destination + static_cast<std::ptrdiff_t>(lib.cinfo.output_scanline) * pitch;
        bool read;
        if (native) {
            JSAMPROW row[1] = {out};
            read = GuardedReadRow(&lib.cinfo, row);
        } else {
            read = ReadRow(direct ? out : own);
        }
        if (!read) {
            Fail(kRowsError);
            return false;
        }
        if (converter != nullptr) {
            converter->Convert(own, out, info_, info_.width);
        } else if (!direct) {
            std::memcpy(out, own, lib.rowBytes);
        }
    }
    Finish();
    return true;
}

bool JpegDecoder::ReadLine(std::uint8_t* destination) {
    if (state_ != State::Rows || destination == nullptr) return false;
    if (!ReadRow(destination)) {
        Fail(kRowsError);
        return false;
    }
    if (library_->cinfo.output_scanline < library_->cinfo.output_height) return true;
    Finish();
    return false;
}

bool JpegDecoder::ReadConvertedLine(std::uint8_t* const* pieces, int pieceWidth,
                                    const PictureConverter& converter) {
    if (state_ != State::Rows || !library_->bgr) {
        return ImageDecoder::ReadConvertedLine(pieces, pieceWidth, converter);
    }
    if (pieces == nullptr || pieceWidth <= 0) return false;
    // The library's blue-green-red row goes to the converter as it is, without the swap
    // to the description's order and back.
    Library& lib = *library_;
    if (!GuardedReadRow(&lib.cinfo, lib.row)) {
        Fail(kRowsError);
        return false;
    }
    const int width = info_.width;
    for (int first = 0, i = 0; first < width; first += pieceWidth, ++i) {
        if (pieces[i] == nullptr) continue;
        converter.ConvertBgr24(lib.row[0] + static_cast<std::size_t>(first) * 3, pieces[i],
                               std::min(pieceWidth, width - first));
    }
    if (lib.cinfo.output_scanline < lib.cinfo.output_height) return true;
    Finish();
    return false;
}

void JpegDecoder::GetSize(Vector2<int>& size) {
    size = sourceSize_;
}
