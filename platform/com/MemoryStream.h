#pragma once

#include <cstdint>
#include <vector>

#include "platform/com/Persist.h"

namespace platform {

// A stream over bytes in memory, for loading and saving controls' state.
class MemoryStream final : public RefCounted<IStream> {
public:
    // One reference, the caller's.
    static MemoryStream* Create(std::vector<std::uint8_t> bytes = {});

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }

    HRESULT QueryInterface(const IID& iid, void** object) override;
    HRESULT Read(void* buffer, std::uint32_t size, std::uint32_t* done) override;
    HRESULT Write(const void* buffer, std::uint32_t size, std::uint32_t* done) override;
    // A position before the start is refused; one past the end reads nothing and a write
    // there fills the gap with zeros.
    HRESULT Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* position) override;
    HRESULT SetSize(std::uint64_t size) override;

private:
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    ~MemoryStream() override = default;

    std::vector<std::uint8_t> bytes_;
    std::uint64_t position_ = 0;
};

}  // namespace platform
