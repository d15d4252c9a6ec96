#include "testing/VersionedElf.h"

#include <string_view>

#include "platform/version/VersionBlock.h"

namespace testing_support {

namespace {

void Align(std::string& out, std::size_t alignment) {
    while (out.size() % alignment != 0) out.push_back('\0');
}

std::string MakeElf(const std::vector<std::uint8_t>* versionSection) {
    using L = ElfLayout;
    const std::string_view names = versionSection != nullptr
                                       ? std::string_view("\0.shstrtab\0.vantelo_version\0", 28)
                                       : std::string_view("\0.shstrtab\0", 11);
    std::string out(64, '\0');
    // Identification: ELF, 64-bit, little-endian, version 1; a shared object for x86-64.
    out.replace(0, 7,
                "\x7F"
                "ELF\x02\x01\x01",
                7);
    PutLE(out, 16, 3, 2);
    PutLE(out, 18, 62, 2);
    PutLE(out, 20, 1, 4);
    PutLE(out, 52, 64, 2);
    PutLE(out, 58, L::kEntrySize, 2);

    const std::size_t namesOffset = out.size();
    out.append(names);
    std::size_t versionOffset = 0;
    if (versionSection != nullptr) {
        Align(out, 4);
        versionOffset = out.size();
        out.append(reinterpret_cast<const char*>(versionSection->data()), versionSection->size());
    }
    Align(out, 8);
    const std::size_t table = out.size();
    const std::size_t count = versionSection != nullptr ? 3 : 2;
    out.append(count * L::kEntrySize, '\0');
    PutLE(out, L::kSectionHeaderOffsetField, table, 8);
    PutLE(out, L::kSectionCountField, count, 2);
    PutLE(out, L::kNamesIndexField, L::kNamesSection, 2);

    const auto entry = [&](std::size_t index, std::uint32_t name, std::uint32_t type,
                           std::uint64_t flags, std::size_t offset, std::size_t size) {
        const std::size_t at = table + index * L::kEntrySize;
        PutLE(out, at + L::kNameField, name, 4);
        PutLE(out, at + 4, type, 4);
        PutLE(out, at + 8, flags, 8);
        PutLE(out, at + L::kOffsetField, offset, 8);
        PutLE(out, at + L::kSizeField, size, 8);
        PutLE(out, at + 48, 1, 8);
    };
    entry(L::kNamesSection, 1, 3 /* string table */, 0, namesOffset, names.size());
    if (versionSection != nullptr) {
        entry(L::kVersionSection, 11, 1 /* program data */, 2 /* allocated */, versionOffset,
              versionSection->size());
    }
    return out;
}

}  // namespace

void PutLE(std::string& bytes, std::size_t at, std::uint64_t value, int width) {
    for (int i = 0; i < width; ++i)
        bytes.at(at + static_cast<std::size_t>(i)) = static_cast<char>(value >> (8 * i));
}

std::size_t ElfSectionEntry(const std::string& elf, std::size_t index) {
    std::uint64_t table = 0;
    for (int i = 7; i >= 0; --i)
        table = table << 8 | static_cast<std::uint8_t>(elf.at(ElfLayout::kSectionHeaderOffsetField +
                                                              static_cast<std::size_t>(i)));
    return static_cast<std::size_t>(table) + index * ElfLayout::kEntrySize;
}

std::string MakeVersionedElf(std::array<std::uint16_t, 4> fileVersion,
                             const std::vector<std::pair<std::string, std::string>>& strings,
                             std::optional<std::array<std::uint16_t, 4>> productVersion) {
    const auto section = platform::version::EncodeVersionSection(
        fileVersion, productVersion.value_or(fileVersion), strings);
    return MakeElf(&section);
}

std::string MakeElfWithoutVersion() {
    return MakeElf(nullptr);
}

}  // namespace testing_support
