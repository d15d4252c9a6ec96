#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testing_support {

// Byte positions in the files below, for tests that damage them.
struct ElfLayout {
    static constexpr std::size_t kSectionHeaderOffsetField = 0x28;  // e_shoff, 8 bytes
    static constexpr std::size_t kSectionCountField = 0x3C;         // e_shnum, 2 bytes
    static constexpr std::size_t kNamesIndexField = 0x3E;           // e_shstrndx, 2 bytes
    static constexpr std::size_t kEntrySize = 64;
    // Within a section header entry.
    static constexpr std::size_t kNameField = 0;     // 4 bytes
    static constexpr std::size_t kOffsetField = 24;  // 8 bytes
    static constexpr std::size_t kSizeField = 32;    // 8 bytes
    // The entries: 0 empty, 1 the section names, 2 the version section (when there is one).
    static constexpr std::size_t kNamesSection = 1;
    static constexpr std::size_t kVersionSection = 2;
};

// A small 64-bit little-endian ELF library file whose version section carries the version
// (product version: the file version unless given) and strings.
std::string MakeVersionedElf(
    std::array<std::uint16_t, 4> fileVersion,
    const std::vector<std::pair<std::string, std::string>>& strings = {},
    std::optional<std::array<std::uint16_t, 4>> productVersion = std::nullopt);

// The same file without a version section.
std::string MakeElfWithoutVersion();

// The offset of section header entry `index` in a file made above.
std::size_t ElfSectionEntry(const std::string& elf, std::size_t index);

// Little-endian stores into a file, for damaging one.
void PutLE(std::string& bytes, std::size_t at, std::uint64_t value, int width);

}  // namespace testing_support
