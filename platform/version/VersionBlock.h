#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// The version information of our shared libraries: a section of their own in the ELF file,
// holding the 52-byte fixed block (thirteen little-endian 32-bit words) followed by the
// version strings as a little-endian count and then, per pair, the name and the value as
// NUL-terminated UTF-8. The build writes the section; the installer reads it from files it
// did not build, so the reader trusts nothing in them.
namespace platform::version {

inline constexpr std::string_view kSectionName = ".vantelo_version";
inline constexpr std::uint32_t kSignature = 0xFEEF04BDu;
inline constexpr std::uint32_t kStructVersion = 0x00010000u;
inline constexpr std::size_t kFixedSize = 52;

struct FixedFileInfo {
    std::uint32_t signature, structVersion, fileVersionMS, fileVersionLS, productVersionMS,
        productVersionLS, fileFlagsMask, fileFlags, fileOS, fileType, fileSubtype, fileDateMS,
        fileDateLS;
};

struct VersionInfo {
    std::array<std::uint8_t, kFixedSize> fixedBytes;  // the block as stored, for byte comparison
    FixedFileInfo fixed;
    std::vector<std::pair<std::string, std::string>> strings;  // in stored order
};

// None: not an ELF file, no such section, a damaged one, a wrong signature, more than 64
// strings.
std::optional<VersionInfo> ReadVersionInfo(std::span<const std::uint8_t> file);
// Reads only the pieces it needs: the header, the section table and names, the block.
std::optional<VersionInfo> ReadVersionInfoFromFile(const std::string& path);

// The section's bytes for a version and strings.
std::vector<std::uint8_t> EncodeVersionSection(
    std::array<std::uint16_t, 4> fileVersion, std::array<std::uint16_t, 4> productVersion,
    const std::vector<std::pair<std::string, std::string>>& strings);

namespace detail {

constexpr std::uint8_t* PutU32(std::uint8_t* out, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) *out++ = static_cast<std::uint8_t>(value >> shift);
    return out;
}

constexpr std::uint8_t* PutText(std::uint8_t* out, std::string_view text) {
    for (char c : text) *out++ = static_cast<std::uint8_t>(c);
    *out++ = 0;
    return out;
}

constexpr std::uint32_t High(const std::array<std::uint16_t, 4>& v) {
    return std::uint32_t{v[0]} << 16 | v[1];
}
constexpr std::uint32_t Low(const std::array<std::uint16_t, 4>& v) {
    return std::uint32_t{v[2]} << 16 | v[3];
}

constexpr std::uint8_t* PutFixed(std::uint8_t* out, const std::array<std::uint16_t, 4>& file,
                                 const std::array<std::uint16_t, 4>& product) {
    // A library (type 2) with the system value 0x40004 our packages have always carried, no
    // flags, no date.
    const std::uint32_t words[13] = {kSignature,
                                     kStructVersion,
                                     High(file),
                                     Low(file),
                                     High(product),
                                     Low(product),
                                     0x3F,
                                     0,
                                     0x40004,
                                     2,
                                     0,
                                     0,
                                     0};
    for (std::uint32_t w : words) out = PutU32(out, w);
    return out;
}

}  // namespace detail

// The section for a table of {name, value} entries known at compile time, for the build
// step that places it in a library.
template <const auto& kTable>
constexpr auto EncodeSectionFor(std::array<std::uint16_t, 4> fileVersion,
                                std::array<std::uint16_t, 4> productVersion) {
    constexpr std::size_t kSize = [] {
        std::size_t n = kFixedSize + 4;
        for (const auto& entry : kTable)
            n += std::string_view(entry.name).size() + std::string_view(entry.value).size() + 2;
        return n;
    }();
    std::array<std::uint8_t, kSize> out{};
    std::uint8_t* p = detail::PutFixed(out.data(), fileVersion, productVersion);
    p = detail::PutU32(p, static_cast<std::uint32_t>(std::size(kTable)));
    for (const auto& entry : kTable) {
        p = detail::PutText(p, entry.name);
        p = detail::PutText(p, entry.value);
    }
    return out;
}

}  // namespace platform::version
