#include "platform/com/MemoryStream.h"

#include <cstring>
#include <limits>
#include <new>

namespace platform {
namespace {

// Far beyond any control's state, and safely inside every size type.
constexpr std::uint64_t kMaxBytes = std::uint64_t{1} << 31;

}  // namespace

MemoryStream* MemoryStream::Create(std::vector<std::uint8_t> bytes) {
    return new (std::nothrow) MemoryStream(std::move(bytes));
}

HRESULT MemoryStream::QueryInterface(const IID& iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IStream) return E_NOINTERFACE;
    AddRef();
    *object = static_cast<IStream*>(this);
    return S_OK;
}

HRESULT MemoryStream::Read(void* buffer, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    if (buffer == nullptr && size > 0) return E_POINTER;
    const std::uint64_t available = position_ < bytes_.size() ? bytes_.size() - position_ : 0;
    const auto count = static_cast<std::uint32_t>(std::min<std::uint64_t>(size, available));
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    if (done != nullptr) *done = count;
    return S_OK;
}

HRESULT MemoryStream::Write(const void* buffer, std::uint32_t size, std::uint32_t* done) {
    if (done != nullptr) *done = 0;
    if (buffer == nullptr && size > 0) return E_POINTER;
    const std::uint64_t end = position_ + size;
    if (end > kMaxBytes) return STG_E_MEDIUMFULL;
    try {
        if (end > bytes_.size()) bytes_.resize(static_cast<std::size_t>(end), 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    if (size > 0) std::memcpy(bytes_.data() + position_, buffer, size);
    position_ = end;
    if (done != nullptr) *done = size;
    return S_OK;
}

HRESULT MemoryStream::Seek(std::int64_t move, std::uint32_t origin, std::uint64_t* position) {
    std::int64_t base = 0;
    switch (origin) {
        case STREAM_SEEK_SET:
            base = 0;
            break;
        case STREAM_SEEK_CUR:
            base = static_cast<std::int64_t>(position_);
            break;
        case STREAM_SEEK_END:
            base = static_cast<std::int64_t>(bytes_.size());
            break;
        default:
            return STG_E_INVALIDFUNCTION;
    }
    if ((move < 0 && base + move < 0) ||
        (move > 0 &&
         static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(move) > kMaxBytes)) {
        return STG_E_INVALIDFUNCTION;
    }
    position_ = static_cast<std::uint64_t>(base + move);
    if (position != nullptr) *position = position_;
    return S_OK;
}

HRESULT MemoryStream::SetSize(std::uint64_t size) {
    if (size > kMaxBytes) return STG_E_MEDIUMFULL;
    try {
        bytes_.resize(static_cast<std::size_t>(size), 0);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

}  // namespace platform
