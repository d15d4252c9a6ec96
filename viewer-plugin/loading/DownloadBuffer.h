#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <utility>

// The one block a download collects its bytes in. It has one owner at a time: moving it
// hands the block over and leaves the source empty, and Free empties it, so no path can free
// the block twice.
class DownloadBuffer {
public:
    // No block grows past this; a download that needs more fails.
    static constexpr std::size_t kLimit = std::size_t{1} << 30;
    // The block of a download whose size was not announced.
    static constexpr std::size_t kUnannounced = 0x200000;

    DownloadBuffer() = default;
    DownloadBuffer(DownloadBuffer&& other) noexcept
        : block_(std::move(other.block_)),
          capacity_(std::exchange(other.capacity_, 0)),
          allocations_(other.allocations_) {}
    DownloadBuffer& operator=(DownloadBuffer&& other) noexcept {
        block_ = std::move(other.block_);
        capacity_ = std::exchange(other.capacity_, 0);
        allocations_ = other.allocations_;
        return *this;
    }

    // Makes the zeroed block: the announced size and one byte more, or kUnannounced when
    // nothing was announced (0). False when that is above the limit or memory runs out.
    bool Allocate(std::uint64_t announced);
    // Moves the first `used` bytes into a zeroed block of at least `needed` bytes: at least
    // twice the old capacity, never past the limit. False (the block unchanged) when
    // `needed` is above the limit or memory runs out.
    bool Grow(std::size_t needed, std::size_t used);
    void Free();

    std::uint8_t* data() const { return block_.get(); }
    std::size_t capacity() const { return capacity_; }
    explicit operator bool() const { return block_ != nullptr; }
    // Blocks made in this buffer's life: growth shows up here.
    int allocations() const { return allocations_; }

private:
    struct FreeBlock {
        void operator()(std::uint8_t* block) const { std::free(block); }
    };

    std::unique_ptr<std::uint8_t, FreeBlock> block_;
    std::size_t capacity_ = 0;
    int allocations_ = 0;
};
