#include "fuzz/DecoderHarness.h"
#include "imaging/IPTCData.h"
#include "imaging/JpegDecoder.h"
#include "platform/debug/Debug.h"

// The decoder by every route, then the header once more the way the browser reads it:
// scaled toward a wanted size, with the IPTC block read on the way.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    fuzz::RunDecoder<JpegDecoder>(data, size);
    if (size == 0) return 0;
    const int wanted = data[size - 1] * 3;
    IPTCData iptc;
    JpegDecoder decoder;
    decoder.SetSource(data, size - 1);
    decoder.SetIPTCTarget(&iptc);
    decoder.SetWantedSize({wanted, wanted / 2});
    if (decoder.ReadHead()) {
        Vector2<int> full{0, 0};
        decoder.GetSize(full);
    }
    return 0;
}
