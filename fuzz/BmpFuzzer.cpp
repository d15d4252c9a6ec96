#include "fuzz/DecoderHarness.h"
#include "imaging/BmpDecoder.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    return fuzz::RunDecoder<BmpDecoder>(data, size);
}
