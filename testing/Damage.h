#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace testing_support {

// Calls fn with copies of a valid file cut short at every length (stepping so that at most
// about maxCuts lengths are tried) and with single bytes of its first headerBytes flipped to
// a few telling values. Each copy is a fresh heap block of exactly its size, so a read past
// its end shows under AddressSanitizer.
void ForEachDamagedCopy(const std::vector<std::uint8_t>& valid, std::size_t headerBytes,
                        const std::function<void(const std::vector<std::uint8_t>&)>& fn,
                        std::size_t maxCuts = 2000);

}  // namespace testing_support
