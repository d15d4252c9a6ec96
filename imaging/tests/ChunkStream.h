#pragma once

#include <algorithm>
#include <cstring>
#include <vector>

#include "imaging/ImageDecoder.h"

// Hands out bytes at most chunk at a time, as a download would.
class ChunkStream : public SequentialStream {
public:
    ChunkStream(const std::vector<std::uint8_t>& bytes, std::size_t chunk)
        : bytes_(bytes), chunk_(chunk) {}
    bool Read(void* buffer, std::uint32_t n, std::uint32_t* read) override {
        const auto count = static_cast<std::uint32_t>(
            std::min<std::size_t>({n, chunk_, bytes_.size() - position_}));
        if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
        position_ += count;
        *read = count;
        return true;
    }

private:
    const std::vector<std::uint8_t>& bytes_;
    std::size_t chunk_;
    std::size_t position_ = 0;
};
