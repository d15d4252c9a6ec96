#include "viewer-plugin/loading/DownloadBuffer.h"

#include <algorithm>
#include <cstring>

bool DownloadBuffer::Allocate(std::uint64_t announced) {
    // In 64 bits, so that the byte after the largest announcement cannot wrap to 0.
    const std::uint64_t size = announced == 0 ? kUnannounced : announced + 1;
    if (size > kLimit) return false;
    auto* block = static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(size), 1));
    if (block == nullptr) return false;
    block_.reset(block);
    capacity_ = static_cast<std::size_t>(size);
    ++allocations_;
    return true;
}

bool DownloadBuffer::Grow(std::size_t needed, std::size_t used) {
    if (needed > kLimit) return false;
    if (needed <= capacity_) return true;
    const std::size_t doubled = capacity_ > kLimit / 2 ? kLimit : capacity_ * 2;
    const std::size_t size = std::max(needed, doubled);
    auto* block = static_cast<std::uint8_t*>(std::calloc(size, 1));
    if (block == nullptr) return false;
    if (block_) std::memcpy(block, block_.get(), std::min(used, capacity_));
    block_.reset(block);
    capacity_ = size;
    ++allocations_;
    return true;
}

void DownloadBuffer::Free() {
    block_.reset();
    capacity_ = 0;
}
