#pragma once

#include <openjpeg.h>

#include <cstdint>
#include <string>
#include <vector>

// Helpers for tests of the LuraWave decoder and the codec libraries built here.
namespace lwf_testing {

// Point the codec stand-in at one library for the rest of the process. The stand-in loads
// once, so these must run before the first decode: tests call one from a namespace-scope
// initializer.
bool UseFakeCodec();
bool UseOpenJpegCodec();
// Points it at a file that does not exist.
bool UseNoCodec();

// A file of the fake codec's format.
std::vector<std::uint8_t> MakeFakeFile(int width, int height, int colourSpace, int progressive = 0);
// Clears the fake codec's journal and makes its failAtCall-th call fail (0: none).
void FakeReset(int failAtCall = 0);
std::string FakeJournal();

struct J2kOptions {
    bool jp2 = false;     // the JP2 file format instead of a raw codestream
    int layers = 1;       // quality layers; the last one is lossless
    int resolutions = 4;  // resolution levels (the picture must be at least 2^(n-1) wide)
    int precision = 8;    // bits per sample
    bool sgnd = false;
    OPJ_COLOR_SPACE colourSpace = OPJ_CLRSPC_UNSPECIFIED;  // recorded in JP2 files
};

// Encodes interleaved samples (width * height * components values) with OpenJPEG's encoder.
std::vector<std::uint8_t> EncodeJ2k(const std::vector<int>& samples, int width, int height,
                                    int components, const J2kOptions& options = {});

// Decodes a codestream with OpenJPEG directly, halved reduce times, into interleaved samples:
// the reference the codec library is compared with.
struct Decoded {
    int width = 0;
    int height = 0;
    int components = 0;
    std::vector<int> samples;
};
Decoded DecodeJ2k(const std::vector<std::uint8_t>& bytes, int reduce);

}  // namespace lwf_testing
