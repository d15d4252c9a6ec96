#include "testing/Damage.h"

#include <algorithm>

namespace testing_support {

void ForEachDamagedCopy(const std::vector<std::uint8_t>& valid, std::size_t headerBytes,
                        const std::function<void(const std::vector<std::uint8_t>&)>& fn,
                        std::size_t maxCuts) {
    const std::size_t step =
        std::max<std::size_t>(1, valid.size() / std::max<std::size_t>(maxCuts, 1));
    for (std::size_t n = 0; n < valid.size(); n += step) {
        fn(std::vector<std::uint8_t>(valid.begin(),
                                     valid.begin() + static_cast<std::ptrdiff_t>(n)));
    }
    const std::size_t limit = std::min(headerBytes, valid.size());
    for (std::size_t i = 0; i < limit; ++i) {
        for (std::uint8_t value : {std::uint8_t{0x00}, std::uint8_t{0x01}, std::uint8_t{0x7F},
                                   std::uint8_t{0x80}, std::uint8_t{0xFF}}) {
            std::vector<std::uint8_t> copy = valid;
            copy[i] = value;
            fn(copy);
            copy[i] = static_cast<std::uint8_t>(valid[i] ^ 0x55);
            fn(copy);
        }
    }
}

}  // namespace testing_support
