#pragma once

#include <bit>
#include <cstdint>

// Helpers for pixel masks: where a channel starts and how wide it is.

// The index of the lowest set bit, -1 for 0.
inline int LowestSetBit(std::uint32_t mask) {
    return mask == 0 ? -1 : std::countr_zero(mask);
}

inline int CountSetBits(std::uint32_t mask) {
    return std::popcount(mask);
}
