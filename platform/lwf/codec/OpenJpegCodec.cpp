// The codec library built on OpenJPEG: it decodes JPEG 2000 codestreams (raw J2K or the JP2
// file format) through the five calls of platform/lwf/Lwf.h. Everything it keeps between
// calls lives in the buffers and blocks the caller owns, so the calls are reentrant and
// nothing is left behind when the caller frees its buffers.
//
// OpenJPEG cannot decode a second time with the same codec object, and a row band cannot be
// decoded without decoding its whole tile, so the picture is decoded once per data length
// into the first work buffer and rows are served from there.

#include <openjpeg.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <limits>

#include "platform/lwf/Lwf.h"

namespace {

using platform::LwfDecodeParams;
using platform::LwfImageInfo;
using platform::LwfMemoryBlock;
using platform::LwfOutputBlock;
using platform::LwfStatus;

enum : LwfStatus {
    kOk = 0,
    kMissingBlock,
    kNoHeaderBuffer,
    kNotJpeg2000,
    kBadHeader,
    kUnsupportedLayout,
    kTooLarge,
    kNoImageInfo,
    kUnsupportedColourSpace,
    kBadOutput,
    kNoWorkBuffers,
    kBadRows,
    kDecodeFailed,
    kPictureChanged,
};

constexpr const char* kTexts[] = {
    "No error",
    "A block passed to the codec is missing",
    "The header buffer is missing or too small",
    "The data are not a JPEG 2000 codestream",
    "The picture header cannot be read",
    "The picture has components of different sizes",
    "The picture is too large",
    "The picture information has not been read",
    "The codec cannot deliver rows of this colour space",
    "The output block does not fit the picture",
    "The work buffers are missing or too small",
    "The rows asked for are outside the picture",
    "The picture data cannot be decoded",
    "The decoded picture does not match its header",
};

// Pictures beyond these are refused before anything is allocated for them.
constexpr std::int64_t kMaxSide = 1 << 20;
constexpr std::int64_t kMaxPixels = std::int64_t{1} << 28;

constexpr std::uint32_t kHeaderMagic = 0x4A32484Bu;

// What LwfGetImageInfo learnt, kept in the caller's header buffer.
struct Header {
    std::uint32_t magic;
    std::int32_t format;  // OPJ_CODEC_FORMAT
    std::int32_t width;
    std::int32_t height;
    std::int32_t components;        // delivered: 1 or 3
    std::int32_t sourceComponents;  // in the codestream
    std::int32_t precision;
    std::int32_t colourSpace;
    std::int32_t resolutions;  // resolution levels every delivered component has
    // Set by LwfDecodeBegin.
    std::int32_t factor;
    std::int32_t outWidth;
    std::int32_t outRows;
};

// What has been decoded into the first work buffer, kept in the caller's library block.
struct Note {
    std::uint32_t decoded;
    std::uint32_t factor;
    std::uint64_t length;
};
static_assert(sizeof(Note) <= sizeof(platform::LwfLibraryBlock));

Note ReadNote(const platform::LwfLibraryBlock& block) {
    Note note;
    std::memcpy(&note, block.words, sizeof note);
    return note;
}

void WriteNote(platform::LwfLibraryBlock& block, const Note& note) {
    std::memcpy(block.words, &note, sizeof note);
}

Header* HeaderOf(const LwfMemoryBlock& memory) {
    if (memory.header == nullptr || memory.headerSize < sizeof(Header)) return nullptr;
    return static_cast<Header*>(memory.header);
}

// Reads the caller's data, from memory or through its callbacks, never past its length.
struct Source {
    const LwfDecodeParams* params;
    std::uint64_t position;

    // OpenJPEG counts bytes in signed 64-bit values.
    std::uint64_t Length() const {
        return std::min<std::uint64_t>(params->length, platform::kLwfUnknownLength);
    }
    std::uint64_t Left() const { return position < Length() ? Length() - position : 0; }

    std::size_t Read(void* buffer, std::size_t n) {
        n = static_cast<std::size_t>(std::min<std::uint64_t>(n, Left()));
        if (params->data != nullptr) {
            std::memcpy(buffer, params->data + position, n);
            position += n;
            return n;
        }
        if (params->read == nullptr) return 0;
        auto* out = static_cast<std::uint8_t*>(buffer);
        std::size_t total = 0;
        while (total < n) {
            const auto chunk = static_cast<std::uint32_t>(
                std::min<std::size_t>(n - total, std::numeric_limits<std::uint32_t>::max()));
            const std::uint32_t got = params->read(params->context, out + total, chunk);
            if (got == 0) break;
            total += std::min(got, chunk);
        }
        position += total;
        return total;
    }

    bool Seek(std::uint64_t to) {
        if (to > Length()) return false;
        position = to;
        if (params->data == nullptr) {
            if (params->seek == nullptr) return false;
            params->seek(params->context, to);
        }
        return true;
    }
};

OPJ_SIZE_T StreamRead(void* buffer, OPJ_SIZE_T n, void* user) {
    const std::size_t got = static_cast<Source*>(user)->Read(buffer, n);
    return got == 0 ? static_cast<OPJ_SIZE_T>(-1) : got;
}

OPJ_OFF_T StreamSkip(OPJ_OFF_T n, void* user) {
    auto* source = static_cast<Source*>(user);
    const std::uint64_t from = source->position;
    // Skips stop at either end of the data.
    const std::uint64_t to = n >= 0
                                 ? from + std::min(static_cast<std::uint64_t>(n), source->Left())
                                 : from - std::min(static_cast<std::uint64_t>(-(n + 1)) + 1, from);
    if (!source->Seek(to)) return -1;
    return static_cast<OPJ_OFF_T>(to) - static_cast<OPJ_OFF_T>(from);
}

OPJ_BOOL StreamSeek(OPJ_OFF_T to, void* user) {
    return to >= 0 && static_cast<Source*>(user)->Seek(static_cast<std::uint64_t>(to)) ? OPJ_TRUE
                                                                                       : OPJ_FALSE;
}

void Quiet(const char*, void*) {}

// One OpenJPEG decoding, released whatever happens.
class Decoding {
public:
    Decoding() = default;
    Decoding(const Decoding&) = delete;
    Decoding& operator=(const Decoding&) = delete;
    ~Decoding() {
        if (image_ != nullptr) opj_image_destroy(image_);
        if (codec_ != nullptr) opj_destroy_codec(codec_);
        if (stream_ != nullptr) opj_stream_destroy(stream_);
    }

    // Reads the header; reduce halves the picture that many times while decoding.
    bool Open(Source& source, OPJ_CODEC_FORMAT format, int reduce) {
        if (!source.Seek(0)) return false;
        stream_ = opj_stream_create(64 * 1024, OPJ_TRUE);
        codec_ = opj_create_decompress(format);
        if (stream_ == nullptr || codec_ == nullptr) return false;
        opj_stream_set_user_data(stream_, &source, nullptr);
        opj_stream_set_user_data_length(stream_, source.Length());
        opj_stream_set_read_function(stream_, StreamRead);
        opj_stream_set_skip_function(stream_, StreamSkip);
        opj_stream_set_seek_function(stream_, StreamSeek);
        opj_set_info_handler(codec_, Quiet, nullptr);
        opj_set_warning_handler(codec_, Quiet, nullptr);
        opj_set_error_handler(codec_, Quiet, nullptr);
        opj_dparameters_t parameters;
        opj_set_default_decoder_parameters(&parameters);
        parameters.cp_reduce = static_cast<OPJ_UINT32>(reduce);
        // Data still arriving end in the middle of the codestream; decode what is there.
        return opj_setup_decoder(codec_, &parameters) &&
               opj_decoder_set_strict_mode(codec_, OPJ_FALSE) &&
               opj_read_header(stream_, codec_, &image_);
    }

    bool Decode() {
        if (!opj_decode(codec_, stream_, image_)) return false;
        // A cut-short codestream has no end marker; what was decoded stands.
        opj_end_decompress(codec_, stream_);
        return true;
    }

    const opj_image_t& image() const { return *image_; }

    int Resolutions(int components) const {
        opj_codestream_info_v2_t* info = opj_get_cstr_info(codec_);
        if (info == nullptr) return 1;
        int levels = std::numeric_limits<int>::max();
        const opj_tccp_info_t* tccp = info->m_default_tile_info.tccp_info;
        for (int c = 0; c < components && tccp != nullptr; ++c) {
            levels = std::min(levels, static_cast<int>(tccp[c].numresolutions));
        }
        opj_destroy_cstr_info(&info);
        return tccp == nullptr || levels < 1 ? 1 : levels;
    }

private:
    opj_stream_t* stream_ = nullptr;
    opj_codec_t* codec_ = nullptr;
    opj_image_t* image_ = nullptr;
};

bool SniffFormat(Source& source, OPJ_CODEC_FORMAT& format) {
    static constexpr std::uint8_t kJ2k[] = {0xFF, 0x4F, 0xFF, 0x51};
    static constexpr std::uint8_t kJp2[] = {0x00, 0x00, 0x00, 0x0C, 0x6A, 0x50,
                                            0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
    std::uint8_t start[sizeof kJp2] = {};
    if (!source.Seek(0)) return false;
    const std::size_t got = source.Read(start, sizeof start);
    if (got >= sizeof kJ2k && std::memcmp(start, kJ2k, sizeof kJ2k) == 0) {
        format = OPJ_CODEC_J2K;
        return true;
    }
    if (got == sizeof kJp2 && std::memcmp(start, kJp2, sizeof kJp2) == 0) {
        format = OPJ_CODEC_JP2;
        return true;
    }
    return false;
}

int Log2(int factor) {
    int n = 0;
    while ((1 << (n + 1)) <= factor) ++n;
    return n;
}

// Turns the decoded samples into 8-bit rows of the output size. The decoded picture may be
// larger than the output (OpenJPEG rounds halved sizes up, and a codestream with too few
// resolution levels is decoded larger and thinned here).
LwfStatus StorePicture(const opj_image_t& image, const Header& header, int step,
                       std::uint8_t* out) {
    // A JP2 palette turns one component into three only while decoding.
    if (image.numcomps != static_cast<OPJ_UINT32>(header.sourceComponents)) return kPictureChanged;
    const opj_image_comp_t& first = image.comps[0];
    for (int c = 0; c < header.components; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (comp.data == nullptr || comp.w != first.w || comp.h != first.h ||
            static_cast<int>(comp.prec) > header.precision || comp.prec == 0) {
            return kPictureChanged;
        }
    }
    if (first.w == 0 || first.h == 0) return kPictureChanged;
    const int components = header.components;
    for (int y = 0; y < header.outRows; ++y) {
        const auto sy = std::min<OPJ_UINT32>(static_cast<OPJ_UINT32>(y * step), first.h - 1);
        std::uint8_t* row = out + static_cast<std::size_t>(y) *
                                      static_cast<std::size_t>(header.outWidth * components);
        for (int c = 0; c < components; ++c) {
            const opj_image_comp_t& comp = image.comps[c];
            const int max = (1 << comp.prec) - 1;
            const int offset = comp.sgnd ? 1 << (comp.prec - 1) : 0;
            const OPJ_INT32* samples = comp.data + static_cast<std::size_t>(sy) * comp.w;
            for (int x = 0; x < header.outWidth; ++x) {
                const auto sx = std::min<OPJ_UINT32>(static_cast<OPJ_UINT32>(x * step), comp.w - 1);
                int v = std::clamp(samples[sx] + offset, 0, max);
                if (max != 255) v = (v * 255 + max / 2) / max;
                row[x * components + c] = static_cast<std::uint8_t>(v);
            }
        }
    }
    return kOk;
}

LwfStatus DecodePicture(const LwfDecodeParams& params, const Header& header, std::uint8_t* out) {
    Source source{&params, 0};
    const int wanted = Log2(header.factor);
    const int reduce = std::min(wanted, header.resolutions - 1);
    Decoding decoding;
    if (!decoding.Open(source, static_cast<OPJ_CODEC_FORMAT>(header.format), reduce)) {
        return kBadHeader;
    }
    if (!decoding.Decode()) return kDecodeFailed;
    // A JP2 file's colour space is known only once it is decoded; these would need a
    // conversion to red, green and blue that the codec does not do.
    const OPJ_COLOR_SPACE space = decoding.image().color_space;
    if (space == OPJ_CLRSPC_SYCC || space == OPJ_CLRSPC_EYCC || space == OPJ_CLRSPC_CMYK) {
        return kUnsupportedColourSpace;
    }
    return StorePicture(decoding.image(), header, 1 << (wanted - reduce), out);
}

}  // namespace

extern "C" {

LwfStatus LwfGetDecoHeaderMemoryRequirements(LwfMemoryBlock* memory) {
    if (memory == nullptr) return kMissingBlock;
    memory->headerSize = sizeof(Header);
    return kOk;
}

LwfStatus LwfGetImageInfo(LwfImageInfo* info, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (info == nullptr || params == nullptr || memory == nullptr) return kMissingBlock;
    Header* header = HeaderOf(*memory);
    if (header == nullptr) return kNoHeaderBuffer;
    header->magic = 0;

    Source source{params, 0};
    OPJ_CODEC_FORMAT format = OPJ_CODEC_UNKNOWN;
    if (!SniffFormat(source, format)) return kNotJpeg2000;
    Decoding decoding;
    if (!decoding.Open(source, format, 0)) return kBadHeader;
    const opj_image_t& image = decoding.image();
    if (image.numcomps == 0 || image.comps == nullptr) return kBadHeader;

    const std::int64_t width = static_cast<std::int64_t>(image.x1) - image.x0;
    const std::int64_t height = static_cast<std::int64_t>(image.y1) - image.y0;
    if (width <= 0 || height <= 0) return kBadHeader;
    if (width > kMaxSide || height > kMaxSide || width * height > kMaxPixels) return kTooLarge;

    // A second component is taken for alpha, a fourth likewise: neither is delivered.
    const int components = image.numcomps >= 3 ? 3 : 1;
    int precision = 0;
    for (int c = 0; c < components; ++c) {
        const opj_image_comp_t& comp = image.comps[c];
        if (comp.dx != 1 || comp.dy != 1) return kUnsupportedLayout;
        if (comp.prec == 0 || comp.prec > 31) return kBadHeader;
        precision = std::max(precision, static_cast<int>(comp.prec));
    }

    std::uint16_t colourSpace = components == 1 ? platform::kLwfGray : platform::kLwfColour;
    if (precision > 8) {
        colourSpace = components == 1 ? platform::kLwfGray16 : platform::kLwfColourWide;
    }

    *header = Header{};
    header->format = format;
    header->width = static_cast<std::int32_t>(width);
    header->height = static_cast<std::int32_t>(height);
    header->components = components;
    header->sourceComponents = static_cast<std::int32_t>(image.numcomps);
    header->precision = precision;
    header->colourSpace = colourSpace;
    header->resolutions = decoding.Resolutions(components);
    header->magic = kHeaderMagic;

    info->width = header->width;
    info->height = header->height;
    info->colourSpace = colourSpace;
    // Any JPEG 2000 codestream decodes from a cut-short copy, with less detail.
    info->progressive = 0;
    info->components = components;
    info->bitsPerSample = precision;
    return kOk;
}

LwfStatus LwfDecodeBegin(LwfOutputBlock* output, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (output == nullptr || params == nullptr || memory == nullptr || params->library == nullptr) {
        return kMissingBlock;
    }
    Header* header = HeaderOf(*memory);
    if (header == nullptr || header->magic != kHeaderMagic) return kNoImageInfo;
    if (header->colourSpace != platform::kLwfGray && header->colourSpace != platform::kLwfColour) {
        return kUnsupportedColourSpace;
    }
    int factor = 0;
    for (int f : {1, 2, 4, 8}) {
        if (header->width / f == output->width && header->height / f == output->rows &&
            output->width > 0 && output->rows > 0) {
            factor = f;
            break;
        }
    }
    if (factor == 0 || output->rowBytes < output->width * header->components) return kBadOutput;
    header->factor = factor;
    header->outWidth = output->width;
    header->outRows = output->rows;
    memory->workSizes[0] = static_cast<std::size_t>(output->width) *
                           static_cast<std::size_t>(output->rows) *
                           static_cast<std::size_t>(header->components);
    for (int i = 1; i < 4; ++i) memory->workSizes[i] = 0;
    WriteNote(*params->library, Note{});
    return kOk;
}

LwfStatus LwfDecodeRows(LwfOutputBlock* output, LwfDecodeParams* params, LwfMemoryBlock* memory) {
    if (output == nullptr || params == nullptr || memory == nullptr || params->library == nullptr) {
        return kMissingBlock;
    }
    const Header* header = HeaderOf(*memory);
    if (header == nullptr || header->magic != kHeaderMagic || header->factor == 0) {
        return kNoImageInfo;
    }
    const auto rowBytes = static_cast<std::size_t>(header->outWidth * header->components);
    if (output->width != header->outWidth || output->rows != header->outRows ||
        output->rowBuffer == nullptr || output->rowBytes < 0 ||
        static_cast<std::size_t>(output->rowBytes) < rowBytes) {
        return kBadOutput;
    }
    auto* picture = static_cast<std::uint8_t*>(memory->work[0]);
    if (picture == nullptr ||
        memory->workSizes[0] < rowBytes * static_cast<std::size_t>(header->outRows)) {
        return kNoWorkBuffers;
    }
    if (params->firstRow < 0 || params->firstRow >= params->endRow ||
        params->endRow > header->outRows) {
        return kBadRows;
    }

    Note note = ReadNote(*params->library);
    if (note.decoded == 0 || note.length != params->length ||
        note.factor != static_cast<std::uint32_t>(header->factor)) {
        WriteNote(*params->library, Note{});
        const LwfStatus status = DecodePicture(*params, *header, picture);
        if (status != kOk) return status;
        note = Note{1, static_cast<std::uint32_t>(header->factor), params->length};
        WriteNote(*params->library, note);
    }

    for (int r = params->firstRow; r < params->endRow; ++r) {
        std::memcpy(output->rowBuffer + static_cast<std::size_t>(r - params->firstRow) *
                                            static_cast<std::size_t>(output->rowBytes),
                    picture + static_cast<std::size_t>(r) * rowBytes, rowBytes);
    }
    return kOk;
}

const char* LwfGetErrorText(LwfStatus status) {
    return status < std::size(kTexts) ? kTexts[status] : "Unknown codec status";
}

}  // extern "C"
