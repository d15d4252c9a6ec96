#pragma once

#include <cstdint>

// The fake codec's own picture format, for tests of the code around the codec: a 16-byte
// header ("FLWF", width and height as 32-bit little-endian values, the colour space and the
// progressive indicator as 16-bit values) and no pixel data: every sample follows a pattern
// of its position in the full-size picture.
namespace lwf_fake {

inline constexpr int kHeaderBytes = 16;
// The status every call returns when the test asked it to fail.
inline constexpr std::uint16_t kAskedFailure = 99;

inline std::uint8_t Sample(int x, int y, int component) {
    return static_cast<std::uint8_t>(x + 3 * y + 85 * component);
}

}  // namespace lwf_fake

// Controls of the fake codec library besides the five calls.
extern "C" {
// Clears the journal and makes the failAtCall-th call from now (counting calls of the four
// decoding calls) fail; 0 never fails.
__attribute__((visibility("default"))) void LwfFakeReset(int failAtCall);
// One entry per call since the last reset, separated by blanks. Valid until the next call.
__attribute__((visibility("default"))) const char* LwfFakeJournal();
}
