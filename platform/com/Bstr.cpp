#include "platform/com/Bstr.h"

#include <cstdlib>
#include <cstring>
#include <limits>

namespace platform {
namespace {

constexpr std::size_t kPrefix = sizeof(std::uint32_t);
constexpr char32_t kReplacement = 0xFFFD;

std::uint32_t* PrefixOf(BSTR text) {
    return reinterpret_cast<std::uint32_t*>(reinterpret_cast<char*>(text) - kPrefix);
}

void AppendUtf16(std::u16string& out, char32_t c) {
    if (c < 0x10000) {
        out.push_back(static_cast<char16_t>(c));
        return;
    }
    c -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

// One character from `text` at `at`, which moves past it; a byte that does not start a
// well-formed sequence (overlong, surrogate, beyond U+10FFFF, cut short) is one U+FFFD.
char32_t DecodeUtf8(std::string_view text, std::size_t& at) {
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80) return lead;
    int extra = 0;
    char32_t c = 0;
    char32_t least = 0;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        c = lead & 0x1F;
        least = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        c = lead & 0x0F;
        least = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        c = lead & 0x07;
        least = 0x10000;
    } else {
        return kReplacement;
    }
    if (text.size() - at < static_cast<std::size_t>(extra)) return kReplacement;
    for (int i = 0; i < extra; ++i) {
        const auto next = static_cast<unsigned char>(text[at + static_cast<std::size_t>(i)]);
        if ((next & 0xC0) != 0x80) return kReplacement;
        c = (c << 6) | (next & 0x3F);
    }
    if (c < least || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return kReplacement;
    at += static_cast<std::size_t>(extra);
    return c;
}

}  // namespace

BSTR SysAllocString(const OLECHAR* text) {
    if (text == nullptr) return nullptr;
    std::size_t length = 0;
    while (text[length] != 0) ++length;
    if (length > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    return SysAllocStringLen(text, static_cast<std::uint32_t>(length));
}

BSTR SysAllocStringLen(const OLECHAR* text, std::uint32_t length) {
    constexpr std::size_t kMaxUnits =
        (std::numeric_limits<std::uint32_t>::max() - kPrefix) / sizeof(OLECHAR) - 1;
    if (length > kMaxUnits) return nullptr;
    const std::size_t bytes = std::size_t{length} * sizeof(OLECHAR);
    auto* block = static_cast<char*>(std::malloc(kPrefix + bytes + sizeof(OLECHAR)));
    if (block == nullptr) return nullptr;
    const auto stored = static_cast<std::uint32_t>(bytes);
    std::memcpy(block, &stored, kPrefix);
    auto* units = reinterpret_cast<BSTR>(block + kPrefix);
    if (text != nullptr) {
        std::memcpy(units, text, bytes);
    } else {
        std::memset(units, 0, bytes);
    }
    units[length] = 0;
    return units;
}

void SysFreeString(BSTR text) {
    if (text != nullptr) std::free(PrefixOf(text));
}

std::uint32_t SysStringLen(BSTR text) {
    if (text == nullptr) return 0;
    std::uint32_t bytes = 0;
    std::memcpy(&bytes, PrefixOf(text), kPrefix);
    return bytes / sizeof(OLECHAR);
}

std::u16string_view BstrView(BSTR text) {
    if (text == nullptr) return {};
    return std::u16string_view(text, SysStringLen(text));
}

BSTR BstrFromUtf8(std::string_view text) {
    std::u16string units;
    units.reserve(text.size());
    for (std::size_t at = 0; at < text.size();) AppendUtf16(units, DecodeUtf8(text, at));
    if (units.size() > std::numeric_limits<std::uint32_t>::max()) return nullptr;
    return SysAllocStringLen(units.data(), static_cast<std::uint32_t>(units.size()));
}

std::string Utf8FromBstr(BSTR text) {
    return Utf8FromUtf16(BstrView(text));
}

std::string Utf8FromUtf16(std::u16string_view units) {
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        char32_t c = units[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < units.size() && units[i + 1] >= 0xDC00 &&
            units[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (units[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        AppendUtf8(out, c);
    }
    return out;
}

}  // namespace platform
