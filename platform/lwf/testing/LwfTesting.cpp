#include "platform/lwf/testing/LwfTesting.h"

#include <dlfcn.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/lwf/fake/FakeFormat.h"

namespace lwf_testing {
namespace {

bool PointAt(const char* path) {
    return ::setenv("VANTELO_LWF_CODEC", path, 1) == 0;
}

void* FakeLibrary() {
    static void* const handle = dlopen(LWF_FAKE_CODEC_PATH, RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) throw std::runtime_error("the fake codec library cannot be loaded");
    return handle;
}

template <typename Fn>
Fn FakeControl(const char* name) {
    void* symbol = dlsym(FakeLibrary(), name);
    if (symbol == nullptr) throw std::runtime_error(name);
    return reinterpret_cast<Fn>(symbol);
}

void Put32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

struct Sink {
    std::vector<std::uint8_t> bytes;
    std::size_t position = 0;
};

OPJ_SIZE_T SinkWrite(void* buffer, OPJ_SIZE_T n, void* user) {
    auto* sink = static_cast<Sink*>(user);
    if (sink->position + n > sink->bytes.size()) sink->bytes.resize(sink->position + n);
    std::memcpy(sink->bytes.data() + sink->position, buffer, n);
    sink->position += n;
    return n;
}

OPJ_OFF_T SinkSkip(OPJ_OFF_T n, void* user) {
    auto* sink = static_cast<Sink*>(user);
    sink->position += static_cast<std::size_t>(n);
    if (sink->position > sink->bytes.size()) sink->bytes.resize(sink->position);
    return n;
}

OPJ_BOOL SinkSeek(OPJ_OFF_T to, void* user) {
    auto* sink = static_cast<Sink*>(user);
    sink->position = static_cast<std::size_t>(to);
    if (sink->position > sink->bytes.size()) sink->bytes.resize(sink->position);
    return OPJ_TRUE;
}

struct Reader {
    const std::vector<std::uint8_t>* bytes;
    std::size_t position = 0;
};

OPJ_SIZE_T ReaderRead(void* buffer, OPJ_SIZE_T n, void* user) {
    auto* reader = static_cast<Reader*>(user);
    const std::size_t left = reader->bytes->size() - reader->position;
    if (left == 0) return static_cast<OPJ_SIZE_T>(-1);
    n = std::min<std::size_t>(n, left);
    std::memcpy(buffer, reader->bytes->data() + reader->position, n);
    reader->position += n;
    return n;
}

OPJ_OFF_T ReaderSkip(OPJ_OFF_T n, void* user) {
    auto* reader = static_cast<Reader*>(user);
    reader->position =
        std::min(reader->position + static_cast<std::size_t>(n), reader->bytes->size());
    return n;
}

OPJ_BOOL ReaderSeek(OPJ_OFF_T to, void* user) {
    auto* reader = static_cast<Reader*>(user);
    if (static_cast<std::size_t>(to) > reader->bytes->size()) return OPJ_FALSE;
    reader->position = static_cast<std::size_t>(to);
    return OPJ_TRUE;
}

}  // namespace

bool UseFakeCodec() {
    return PointAt(LWF_FAKE_CODEC_PATH);
}
bool UseOpenJpegCodec() {
    return PointAt(LWF_OPENJPEG_CODEC_PATH);
}
bool UseNoCodec() {
    return PointAt(LWF_MISSING_CODEC_PATH);
}

std::vector<std::uint8_t> MakeFakeFile(int width, int height, int colourSpace, int progressive) {
    std::vector<std::uint8_t> out{'F', 'L', 'W', 'F'};
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    out.push_back(static_cast<std::uint8_t>(colourSpace));
    out.push_back(static_cast<std::uint8_t>(colourSpace >> 8));
    out.push_back(static_cast<std::uint8_t>(progressive));
    out.push_back(static_cast<std::uint8_t>(progressive >> 8));
    return out;
}

void FakeReset(int failAtCall) {
    FakeControl<void (*)(int)>("LwfFakeReset")(failAtCall);
}

std::string FakeJournal() {
    return FakeControl<const char* (*)()>("LwfFakeJournal")();
}

std::vector<std::uint8_t> EncodeJ2k(const std::vector<int>& samples, int width, int height,
                                    int components, const J2kOptions& options) {
    std::vector<opj_image_cmptparm_t> parameters(static_cast<std::size_t>(components));
    for (auto& p : parameters) {
        std::memset(&p, 0, sizeof p);
        p.dx = p.dy = 1;
        p.w = static_cast<OPJ_UINT32>(width);
        p.h = static_cast<OPJ_UINT32>(height);
        p.prec = static_cast<OPJ_UINT32>(options.precision);
        p.sgnd = options.sgnd ? 1 : 0;
    }
    OPJ_COLOR_SPACE space = options.colourSpace;
    if (space == OPJ_CLRSPC_UNSPECIFIED)
        space = components >= 3 ? OPJ_CLRSPC_SRGB : OPJ_CLRSPC_GRAY;
    opj_image_t* image =
        opj_image_create(static_cast<OPJ_UINT32>(components), parameters.data(), space);
    if (image == nullptr) throw std::runtime_error("opj_image_create failed");
    image->x1 = static_cast<OPJ_UINT32>(width);
    image->y1 = static_cast<OPJ_UINT32>(height);
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    for (int c = 0; c < components; ++c) {
        for (std::size_t i = 0; i < pixels; ++i) {
            image->comps[c].data[i] =
                samples[i * static_cast<std::size_t>(components) + static_cast<std::size_t>(c)];
        }
    }

    opj_cparameters_t settings;
    opj_set_default_encoder_parameters(&settings);
    settings.numresolution = options.resolutions;
    settings.tcp_numlayers = options.layers;
    settings.cp_disto_alloc = 1;
    // Each layer halves the compression ratio of the one before, down to lossless.
    for (int l = 0; l < options.layers; ++l) {
        settings.tcp_rates[l] = static_cast<float>(1 << (2 * (options.layers - 1 - l)));
        if (l == options.layers - 1) settings.tcp_rates[l] = 1;  // 1: lossless
    }
    settings.tcp_mct = components >= 3 ? 1 : 0;

    opj_codec_t* codec = opj_create_compress(options.jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_stream_t* stream = opj_stream_default_create(OPJ_FALSE);
    Sink sink;
    opj_stream_set_user_data(stream, &sink, nullptr);
    opj_stream_set_write_function(stream, SinkWrite);
    opj_stream_set_skip_function(stream, SinkSkip);
    opj_stream_set_seek_function(stream, SinkSeek);
    const bool ok = opj_setup_encoder(codec, &settings, image) &&
                    opj_start_compress(codec, image, stream) && opj_encode(codec, stream) &&
                    opj_end_compress(codec, stream);
    opj_stream_destroy(stream);
    opj_destroy_codec(codec);
    opj_image_destroy(image);
    if (!ok) throw std::runtime_error("OpenJPEG could not encode the test picture");
    return sink.bytes;
}

}  // namespace lwf_testing

namespace lwf_testing {

Decoded DecodeJ2k(const std::vector<std::uint8_t>& bytes, int reduce) {
    Reader reader{&bytes};
    opj_stream_t* stream = opj_stream_default_create(OPJ_TRUE);
    opj_stream_set_user_data(stream, &reader, nullptr);
    opj_stream_set_user_data_length(stream, bytes.size());
    opj_stream_set_read_function(stream, ReaderRead);
    opj_stream_set_skip_function(stream, ReaderSkip);
    opj_stream_set_seek_function(stream, ReaderSeek);
    const bool jp2 = bytes.size() > 4 && bytes[0] == 0 && bytes[4] == 0x6A;
    opj_codec_t* codec = opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K);
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    parameters.cp_reduce = static_cast<OPJ_UINT32>(reduce);
    opj_image_t* image = nullptr;
    const bool ok = opj_setup_decoder(codec, &parameters) &&
                    opj_read_header(stream, codec, &image) && opj_decode(codec, stream, image) &&
                    opj_end_decompress(codec, stream);
    Decoded out;
    if (ok) {
        out.width = static_cast<int>(image->comps[0].w);
        out.height = static_cast<int>(image->comps[0].h);
        out.components = static_cast<int>(image->numcomps);
        const auto pixels =
            static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height);
        out.samples.resize(pixels * image->numcomps);
        for (OPJ_UINT32 c = 0; c < image->numcomps; ++c) {
            for (std::size_t i = 0; i < pixels; ++i)
                out.samples[i * image->numcomps + c] = image->comps[c].data[i];
        }
    }
    if (image != nullptr) opj_image_destroy(image);
    opj_destroy_codec(codec);
    opj_stream_destroy(stream);
    if (!ok) throw std::runtime_error("OpenJPEG could not decode the test picture");
    return out;
}

}  // namespace lwf_testing
