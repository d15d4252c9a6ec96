#include "fuzz/DecoderHarness.h"
#include "imaging/PngDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RunDecoder<PngDecoder>(data, size);
}
