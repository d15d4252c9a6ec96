#include "fuzz/DecoderHarness.h"
#include "imaging/TargaDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RunDecoder<TargaDecoder>(data, size);
}
