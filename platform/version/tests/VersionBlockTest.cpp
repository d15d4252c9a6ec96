#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "control-plugin/VersionInfo.h"
#include "platform/lwf/codec/VersionInfo.h"
#include "platform/version/VersionBlock.h"
#include "testing/TempDir.h"
#include "testing/VersionedElf.h"
#include "viewer-control/VersionInfo.h"
#include "viewer-plugin/npvantelo/VersionInfo.h"

namespace {

using platform::version::ReadVersionInfo;
using platform::version::ReadVersionInfoFromFile;
using platform::version::VersionInfo;
using testing_support::ElfLayout;
using testing_support::ElfSectionEntry;
using testing_support::MakeVersionedElf;
using testing_support::PutLE;
using Strings = std::vector<std::pair<std::string, std::string>>;

std::optional<VersionInfo> Read(const std::string& bytes) {
    return ReadVersionInfo({reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()});
}

template <typename Table>
Strings StringsOf(const Table& table) {
    Strings out;
    for (const auto& entry : table) out.emplace_back(entry.name, entry.value);
    return out;
}

// A 32-bit big-endian library file carrying `block`, as other machines build them.
std::string MakeElf32BigEndian(const std::vector<std::uint8_t>& block) {
    const std::string_view names("\0.shstrtab\0.vantelo_version\0", 28);
    std::string out(52, '\0');
    out.replace(0, 7,
                "\x7F"
                "ELF\x01\x02\x01",
                7);
    const auto put = [&out](std::size_t at, std::uint64_t value, int width) {
        for (int i = 0; i < width; ++i)
            out[at + static_cast<std::size_t>(i)] =
                static_cast<char>(value >> (8 * (width - 1 - i)));
    };
    const std::size_t namesAt = out.size();
    out.append(names);
    const std::size_t blockAt = out.size();
    out.append(reinterpret_cast<const char*>(block.data()), block.size());
    while (out.size() % 4 != 0) out.push_back('\0');
    const std::size_t table = out.size();
    out.append(3 * 40, '\0');
    put(0x20, table, 4);
    put(0x2E, 40, 2);
    put(0x30, 3, 2);
    put(0x32, 1, 2);
    const auto entry = [&](std::size_t index, std::uint32_t name, std::uint32_t type,
                           std::size_t offset, std::size_t size) {
        const std::size_t at = table + index * 40;
        put(at, name, 4);
        put(at + 4, type, 4);
        put(at + 16, offset, 4);
        put(at + 20, size, 4);
    };
    entry(1, 1, 3, namesAt, names.size());
    entry(2, 11, 1, blockAt, block.size());
    return out;
}

TEST(VersionBlockTest, BuiltLibrariesCarryTheirVersionAndStrings) {
    struct Expected {
        const char* path;
        std::uint32_t ms, ls;
        Strings strings;
    };
    const Expected libraries[] = {
        {NPLENSOBJ_PATH, 0x00010005, 0x00000001, StringsOf(nplensobj::kVersionBlock)},
        {NPVANTELO_PATH, 0x00010007, 0x00030001, StringsOf(npvantelo::kVersionBlock)},
        {VANTELO_CONTROL_LIBRARY, 0x00010005, 0x00000000, StringsOf(viewer_control::kVersionBlock)},
        {LWF_CODEC_PATH, 0x00020001, 0x00050000, StringsOf(lwf_codec::kVersionBlock)},
    };
    for (const auto& library : libraries) {
        SCOPED_TRACE(library.path);
        const auto info = ReadVersionInfoFromFile(library.path);
        ASSERT_TRUE(info.has_value());
        EXPECT_EQ(info->fixed.fileVersionMS, library.ms);
        EXPECT_EQ(info->fixed.fileVersionLS, library.ls);
        EXPECT_EQ(info->fixed.productVersionMS, library.ms);
        EXPECT_EQ(info->fixed.productVersionLS, library.ls);
        EXPECT_EQ(info->strings, library.strings);
    }
    const auto nplensobj = ReadVersionInfoFromFile(NPLENSOBJ_PATH);
    ASSERT_TRUE(nplensobj.has_value());
    EXPECT_EQ(nplensobj->strings.back(),
              (std::pair<std::string, std::string>("OriginalFilename", "NPLensObj.so")));

    // A library built without a block, a folder and a missing file have none.
    EXPECT_FALSE(ReadVersionInfoFromFile(LWF_FAKE_CODEC_PATH).has_value());
    testing_support::TempDir dir;
    EXPECT_FALSE(ReadVersionInfoFromFile(dir.path()).has_value());
    EXPECT_FALSE(ReadVersionInfoFromFile(dir.Path("missing.so")).has_value());
}

TEST(VersionBlockTest, MadeFilesReadBackAndDamagedOnesHaveNone) {
    const Strings strings = {{"FileDescription", "Vantelo viewer control"},
                             {"Comments", ""},
                             {"ProductName", "Vant\xC3\xA9lo"}};
    const std::string good = MakeVersionedElf({1, 5, 65535, 2}, strings, {{2, 0, 0, 7}});
    const auto info = Read(good);
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->fixed.fileVersionMS, 0x00010005u);
    EXPECT_EQ(info->fixed.fileVersionLS, 0xFFFF0002u);
    EXPECT_EQ(info->fixed.productVersionMS, 0x00020000u);
    EXPECT_EQ(info->fixed.productVersionLS, 0x00000007u);
    EXPECT_EQ(info->strings, strings);
    testing_support::TempDir dir;
    const auto fromFile = ReadVersionInfoFromFile(dir.Write("good.so", good));
    ASSERT_TRUE(fromFile.has_value());
    EXPECT_EQ(fromFile->fixedBytes, info->fixedBytes);

    const auto elf32 = Read(MakeElf32BigEndian(
        platform::version::EncodeVersionSection({2, 1, 5, 0}, {2, 1, 5, 0}, strings)));
    ASSERT_TRUE(elf32.has_value());
    EXPECT_EQ(elf32->fixed.fileVersionMS, 0x00020001u);
    EXPECT_EQ(elf32->fixed.fileVersionLS, 0x00050000u);
    EXPECT_EQ(elf32->strings, strings);

    EXPECT_FALSE(Read(testing_support::MakeElfWithoutVersion()).has_value());
    EXPECT_FALSE(Read("").has_value());
    EXPECT_FALSE(Read("#!/bin/sh\necho not a library\n").has_value());
    // Every file cut short loses its block: the section table sits at the end.
    for (std::size_t length = 0; length < good.size(); ++length)
        ASSERT_FALSE(Read(good.substr(0, length)).has_value()) << length;

    const std::size_t names = ElfSectionEntry(good, ElfLayout::kNamesSection);
    const std::size_t version = ElfSectionEntry(good, ElfLayout::kVersionSection);
    constexpr std::uint64_t kMax = std::numeric_limits<std::uint64_t>::max();
    const auto field = [&](std::size_t at) {
        std::uint64_t v = 0;
        for (int i = 7; i >= 0; --i)
            v = v << 8 | static_cast<std::uint8_t>(good[at + static_cast<std::size_t>(i)]);
        return v;
    };
    const std::uint64_t blockOffset = field(version + ElfLayout::kOffsetField);
    const std::uint64_t blockSize = field(version + ElfLayout::kSizeField);
    struct Damage {
        const char* what;
        std::size_t at;
        std::uint64_t value;
        int width;
    };
    const Damage damages[] = {
        {"not ELF", 1, 'X', 1},
        {"unknown class", 4, 3, 1},
        {"unknown byte order", 5, 0, 1},
        {"section table past the end", ElfLayout::kSectionHeaderOffsetField, good.size(), 8},
        {"section table offset overflowing", ElfLayout::kSectionHeaderOffsetField, kMax - 8, 8},
        {"no section table", ElfLayout::kSectionHeaderOffsetField, 0, 8},
        {"more sections than the file holds", ElfLayout::kSectionCountField, 4, 2},
        {"entries too small", 0x3A, 32, 2},
        {"names index past the sections", ElfLayout::kNamesIndexField, 3, 2},
        {"names past the end", names + ElfLayout::kOffsetField, good.size() - 4, 8},
        {"names size overflowing", names + ElfLayout::kSizeField, kMax, 8},
        {"name index past the names", version + ElfLayout::kNameField, 1000, 4},
        {"block past the end", version + ElfLayout::kOffsetField, good.size(), 8},
        {"block size overflowing", version + ElfLayout::kSizeField, kMax, 8},
        {"block offset overflowing", version + ElfLayout::kOffsetField, kMax - 16, 8},
        {"block shorter than its fixed part", version + ElfLayout::kSizeField, 50, 8},
        {"block without its data", version + 4, 8, 4},
        {"wrong signature", blockOffset, 0xFEEF04BC, 4},
        {"more strings than the block holds", blockOffset + 52, 1000, 4},
        {"last value without its end", version + ElfLayout::kSizeField, blockSize - 1, 8},
    };
    for (const auto& damage : damages) {
        std::string bad = good;
        PutLE(bad, damage.at, damage.value, damage.width);
        EXPECT_FALSE(Read(bad).has_value()) << damage.what;
    }
}

TEST(VersionBlockTest, ABlockOfMoreStringsThanOursEverHoldIsNoVersionBlock) {
    // `count` empty pairs, the cheapest to store and once the dearest to read: each cost a
    // list entry many times its two bytes. They are written as one pair whose name is all
    // NULs, and the count put in place afterwards.
    const auto emptyPairs = [](std::uint32_t count) {
        std::string elf = MakeVersionedElf({1, 5, 0, 0}, {{std::string(2 * count - 2, '\0'), ""}});
        std::uint64_t block = 0;
        const std::size_t field =
            ElfSectionEntry(elf, ElfLayout::kVersionSection) + ElfLayout::kOffsetField;
        for (int i = 7; i >= 0; --i)
            block =
                block << 8 | static_cast<std::uint8_t>(elf[field + static_cast<std::size_t>(i)]);
        PutLE(elf, static_cast<std::size_t>(block) + 52, count, 4);
        return elf;
    };
    const auto most = Read(emptyPairs(64));
    ASSERT_TRUE(most.has_value());
    EXPECT_EQ(most->strings, Strings(64, {"", ""}));
    EXPECT_FALSE(Read(emptyPairs(65)).has_value());
    testing_support::TempDir dir;
    EXPECT_FALSE(
        ReadVersionInfoFromFile(dir.Write("damaged.so", emptyPairs(1u << 20))).has_value());
}

}  // namespace
