#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "imaging/tests/DecoderExercise.h"

namespace fuzz {

// The input's last byte chooses the route through the decoder; the bytes before it are
// the file, copied so that a read past them shows.
template <typename Decoder>
int RunDecoder(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    test_pictures::ExerciseDecoder<Decoder>(std::vector<std::uint8_t>(data, data + size - 1),
                                            data[size - 1]);
    return 0;
}

}  // namespace fuzz
