#include "viewer-control/ControlState.h"

#include <bit>
#include <cstring>

namespace {

constexpr std::uint8_t kMagic[4] = {'L', 'E', 'N', 'S'};
constexpr std::uint16_t kVersion = 1;

enum Tag : std::uint8_t { kTagInteger = 1, kTagFloat = 2, kTagText = 3 };

class Writer {
public:
    void Bytes(const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        out.insert(out.end(), p, p + size);
    }
    void U8(std::uint8_t v) { out.push_back(v); }
    void U16(std::uint16_t v) {
        U8(static_cast<std::uint8_t>(v));
        U8(static_cast<std::uint8_t>(v >> 8));
    }
    void U32(std::uint32_t v) {
        U16(static_cast<std::uint16_t>(v));
        U16(static_cast<std::uint16_t>(v >> 16));
    }
    std::vector<std::uint8_t> out;
};

// Reads through the source within the byte bound.
class Reader {
public:
    explicit Reader(const StateSource& source) : source_(source) {}
    bool Bytes(void* out, std::size_t size) {
        if (size > kMaxStateBytes - taken_) return false;
        taken_ += size;
        return size == 0 || source_(out, size);
    }
    bool U8(std::uint8_t& v) { return Bytes(&v, 1); }
    bool U16(std::uint16_t& v) {
        std::uint8_t b[2];
        if (!Bytes(b, 2)) return false;
        v = static_cast<std::uint16_t>(b[0] | (b[1] << 8));
        return true;
    }
    bool U32(std::uint32_t& v) {
        std::uint16_t low = 0;
        std::uint16_t high = 0;
        if (!U16(low) || !U16(high)) return false;
        v = low | (std::uint32_t{high} << 16);
        return true;
    }

private:
    const StateSource& source_;
    std::size_t taken_ = 0;
};

// Fills `value` in place: g++ 12 takes a variant holding a string, moved through optional,
// for uninitialised under the sanitizers.
bool ReadValue(Reader& in, std::uint8_t tag, StateValue& value) {
    std::uint32_t bits = 0;
    switch (tag) {
        case kTagInteger:
            if (!in.U32(bits)) return false;
            value.emplace<std::int32_t>(static_cast<std::int32_t>(bits));
            return true;
        case kTagFloat:
            if (!in.U32(bits)) return false;
            value.emplace<float>(std::bit_cast<float>(bits));
            return true;
        case kTagText: {
            std::uint16_t length = 0;
            if (!in.U16(length) || length > kMaxStateTextUnits) return false;
            std::u16string& text = value.emplace<std::u16string>(length, u'\0');
            for (char16_t& unit : text) {
                std::uint16_t v = 0;
                if (!in.U16(v)) return false;
                unit = static_cast<char16_t>(v);
            }
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::optional<std::vector<std::uint8_t>> WriteControlState(const ControlState& state) {
    if (state.size() > kMaxStateEntries) return std::nullopt;
    Writer out;
    out.Bytes(kMagic, sizeof kMagic);
    out.U16(kVersion);
    out.U16(static_cast<std::uint16_t>(state.size()));
    for (const StateEntry& entry : state) {
        out.U32(static_cast<std::uint32_t>(entry.id));
        if (const auto* i = std::get_if<std::int32_t>(&entry.value)) {
            out.U8(kTagInteger);
            out.U32(static_cast<std::uint32_t>(*i));
        } else if (const auto* f = std::get_if<float>(&entry.value)) {
            out.U8(kTagFloat);
            out.U32(std::bit_cast<std::uint32_t>(*f));
        } else {
            const auto& text = std::get<std::u16string>(entry.value);
            if (text.size() > kMaxStateTextUnits) return std::nullopt;
            out.U8(kTagText);
            out.U16(static_cast<std::uint16_t>(text.size()));
            for (const char16_t unit : text) out.U16(static_cast<std::uint16_t>(unit));
        }
    }
    if (out.out.size() > kMaxStateBytes) return std::nullopt;
    return std::move(out.out);
}

std::optional<ControlState> ReadControlState(const StateSource& source) {
    Reader in(source);
    std::uint8_t magic[4];
    std::uint16_t version = 0;
    std::uint16_t count = 0;
    if (!in.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0 ||
        !in.U16(version) || version != kVersion || !in.U16(count) || count > kMaxStateEntries) {
        return std::nullopt;
    }
    ControlState state;
    state.reserve(count);
    for (std::uint16_t i = 0; i < count; ++i) {
        std::uint32_t id = 0;
        std::uint8_t tag = 0;
        if (!in.U32(id) || !in.U8(tag)) return std::nullopt;
        StateEntry& entry = state.emplace_back();
        entry.id = static_cast<platform::DISPID>(id);
        if (!ReadValue(in, tag, entry.value)) return std::nullopt;
    }
    return state;
}
