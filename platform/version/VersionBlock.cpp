#include "platform/version/VersionBlock.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/files/FileOps.h"

namespace platform::version {

namespace {

constexpr std::uint32_t kNoBits = 8;              // a section that takes no room in the file
constexpr std::uint16_t kExtendedIndex = 0xFFFF;  // the string table's index is in section 0

// Bounds-checked reads of the file's words in the file's own byte order.
class Bytes {
public:
    Bytes(std::span<const std::uint8_t> bytes, bool bigEndian) : bytes_(bytes), big_(bigEndian) {}

    std::size_t size() const { return bytes_.size(); }

    // True when [offset, offset + length) lies inside the bytes, without overflowing.
    bool Holds(std::uint64_t offset, std::uint64_t length) const {
        return offset <= bytes_.size() && length <= bytes_.size() - offset;
    }

    std::optional<std::uint64_t> Word(std::uint64_t offset, int width) const {
        if (!Holds(offset, static_cast<std::uint64_t>(width))) return std::nullopt;
        std::uint64_t value = 0;
        for (int i = 0; i < width; ++i) {
            const std::uint64_t byte = bytes_[static_cast<std::size_t>(offset) +
                                              static_cast<std::size_t>(big_ ? i : width - 1 - i)];
            value = value << 8 | byte;
        }
        return value;
    }

private:
    std::span<const std::uint8_t> bytes_;
    bool big_;
};

struct Section {
    std::uint32_t name = 0;
    std::uint32_t type = 0;
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint32_t link = 0;
};

// Where the fields of the two ELF classes sit.
struct Layout {
    std::uint64_t headerSize, shoff, shoffWidth, shentsize, shnum, shstrndx;
    std::uint64_t entrySize, secOffset, secSize, secLink, addressWidth;
};
constexpr Layout kElf32{52, 0x20, 4, 0x2E, 0x30, 0x32, 40, 16, 20, 24, 4};
constexpr Layout kElf64{64, 0x28, 8, 0x3A, 0x3C, 0x3E, 64, 24, 32, 40, 8};

class SectionTable {
public:
    SectionTable(const Bytes& bytes, const Layout& layout, std::uint64_t offset,
                 std::uint64_t entrySize)
        : bytes_(bytes), layout_(layout), offset_(offset), entrySize_(entrySize) {}

    // How many entries fit between the table's start and the end of the file.
    std::uint64_t Room() const {
        return offset_ > bytes_.size() ? 0 : (bytes_.size() - offset_) / entrySize_;
    }

    std::optional<Section> At(std::uint64_t index) const {
        if (index >= Room()) return std::nullopt;
        const std::uint64_t at = offset_ + index * entrySize_;
        const int width = static_cast<int>(layout_.addressWidth);
        const auto name = bytes_.Word(at, 4);
        const auto type = bytes_.Word(at + 4, 4);
        const auto offset = bytes_.Word(at + layout_.secOffset, width);
        const auto size = bytes_.Word(at + layout_.secSize, width);
        const auto link = bytes_.Word(at + layout_.secLink, 4);
        if (!name || !type || !offset || !size || !link) return std::nullopt;
        return Section{static_cast<std::uint32_t>(*name), static_cast<std::uint32_t>(*type),
                       *offset, *size, static_cast<std::uint32_t>(*link)};
    }

private:
    const Bytes& bytes_;
    const Layout& layout_;
    std::uint64_t offset_;
    std::uint64_t entrySize_;
};

std::uint32_t LittleU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return std::uint32_t{bytes[at]} | std::uint32_t{bytes[at + 1]} << 8 |
           std::uint32_t{bytes[at + 2]} << 16 | std::uint32_t{bytes[at + 3]} << 24;
}

// The NUL-terminated text at `at`, moving `at` past its NUL; none when the section ends first.
std::optional<std::string> Text(std::span<const std::uint8_t> bytes, std::size_t& at) {
    if (at >= bytes.size()) return std::nullopt;
    const auto* begin = bytes.data() + at;
    const auto* nul = static_cast<const std::uint8_t*>(std::memchr(begin, 0, bytes.size() - at));
    if (nul == nullptr) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(nul - begin));
    at += text.size() + 1;
    return text;
}

constexpr std::uint32_t kMostStrings = 64;

std::optional<VersionInfo> ParseSection(std::span<const std::uint8_t> section) {
    if (section.size() < kFixedSize + 4) return std::nullopt;
    VersionInfo info{};
    std::memcpy(info.fixedBytes.data(), section.data(), kFixedSize);
    std::uint32_t words[13];
    for (std::size_t i = 0; i < 13; ++i) words[i] = LittleU32(section, i * 4);
    if (words[0] != kSignature) return std::nullopt;
    info.fixed =
        FixedFileInfo{words[0], words[1], words[2], words[3],  words[4],  words[5], words[6],
                      words[7], words[8], words[9], words[10], words[11], words[12]};
    const std::uint32_t count = LittleU32(section, kFixedSize);
    std::size_t at = kFixedSize + 4;
    // Ours hold about ten; a count beyond this would make the installer keep a list the
    // size of the damaged file many times over. Every pair takes at least its two NULs.
    if (count > kMostStrings || count > (section.size() - at) / 2) return std::nullopt;
    info.strings.reserve(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        auto name = Text(section, at);
        if (!name) return std::nullopt;
        auto value = Text(section, at);
        if (!value) return std::nullopt;
        info.strings.emplace_back(std::move(*name), std::move(*value));
    }
    return info;
}

// Where the file's bytes come from: memory, or an open file read a piece at a time, so that
// a library of many megabytes costs its header, its section table, its section names and
// the version section, not a read of the whole file.
class Source {
public:
    virtual ~Source() = default;
    virtual std::uint64_t Size() const = 0;
    // [offset, offset + length), inside the file; none when it cannot be read whole.
    virtual std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset,
                                                          std::uint64_t length) const = 0;
};

class MemorySource final : public Source {
public:
    explicit MemorySource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
    std::uint64_t Size() const override { return bytes_.size(); }
    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset,
                                                  std::uint64_t length) const override {
        const auto piece =
            bytes_.subspan(static_cast<std::size_t>(offset), static_cast<std::size_t>(length));
        return std::vector<std::uint8_t>(piece.begin(), piece.end());
    }

private:
    std::span<const std::uint8_t> bytes_;
};

class FileSource final : public Source {
public:
    FileSource(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    std::uint64_t Size() const override { return size_; }
    std::optional<std::vector<std::uint8_t>> Read(std::uint64_t offset,
                                                  std::uint64_t length) const override {
        std::vector<std::uint8_t> out(static_cast<std::size_t>(length));
        std::size_t got = 0;
        while (got < out.size()) {
            const ssize_t n =
                ::pread(fd_, out.data() + got, out.size() - got, static_cast<off_t>(offset + got));
            if (n < 0 && errno == EINTR) continue;
            // A file cut short while it is read is a damaged file.
            if (n <= 0) return std::nullopt;
            got += static_cast<std::size_t>(n);
        }
        return out;
    }

private:
    int fd_;
    std::uint64_t size_;
};

// Pieces larger than these belong to no library of ours; they are refused, not read.
constexpr std::uint64_t kMostTableBytes = std::uint64_t{16} << 20;
constexpr std::uint64_t kMostSectionBytes = std::uint64_t{16} << 20;

bool Inside(const Source& file, std::uint64_t offset, std::uint64_t length) {
    return offset <= file.Size() && length <= file.Size() - offset;
}

std::optional<VersionInfo> ReadElf(const Source& file) {
    static constexpr std::uint8_t kMagic[4] = {0x7F, 'E', 'L', 'F'};
    const auto header = file.Read(0, std::min<std::uint64_t>(file.Size(), kElf64.headerSize));
    if (!header || header->size() < 16 || std::memcmp(header->data(), kMagic, 4) != 0) {
        return std::nullopt;
    }
    const std::uint8_t elfClass = (*header)[4];
    const std::uint8_t elfData = (*header)[5];
    if ((elfClass != 1 && elfClass != 2) || (elfData != 1 && elfData != 2)) return std::nullopt;
    const Layout& layout = elfClass == 2 ? kElf64 : kElf32;
    const bool bigEndian = elfData == 2;
    const Bytes head(*header, bigEndian);
    if (!head.Holds(0, layout.headerSize)) return std::nullopt;

    const auto shoff = head.Word(layout.shoff, static_cast<int>(layout.shoffWidth));
    const auto shentsize = head.Word(layout.shentsize, 2);
    const auto shnum = head.Word(layout.shnum, 2);
    const auto shstrndx = head.Word(layout.shstrndx, 2);
    if (!shoff || !shentsize || !shnum || !shstrndx) return std::nullopt;
    if (*shoff == 0 || *shentsize < layout.entrySize || *shoff > file.Size()) return std::nullopt;
    // How many entries fit between the table's start and the end of the file.
    const std::uint64_t room = (file.Size() - *shoff) / *shentsize;

    std::uint64_t count = *shnum;
    std::uint64_t stringsIndex = *shstrndx;
    if (count == 0 || stringsIndex == kExtendedIndex) {
        // Files with very many sections keep the real numbers in the first entry.
        if (room == 0) return std::nullopt;
        const auto firstBytes = file.Read(*shoff, *shentsize);
        if (!firstBytes) return std::nullopt;
        const Bytes firstEntry(*firstBytes, bigEndian);
        const auto first = SectionTable(firstEntry, layout, 0, *shentsize).At(0);
        if (!first) return std::nullopt;
        if (count == 0) count = first->size;
        if (stringsIndex == kExtendedIndex) stringsIndex = first->link;
    }
    if (count > room || stringsIndex >= count) return std::nullopt;
    if (count * *shentsize > kMostTableBytes) return std::nullopt;
    const auto tableBytes = file.Read(*shoff, count * *shentsize);
    if (!tableBytes) return std::nullopt;
    const Bytes tableView(*tableBytes, bigEndian);
    const SectionTable table(tableView, layout, 0, *shentsize);

    const auto names = table.At(stringsIndex);
    if (!names || names->type == kNoBits || !Inside(file, names->offset, names->size) ||
        names->size > kMostSectionBytes) {
        return std::nullopt;
    }
    const auto nameBytes = file.Read(names->offset, names->size);
    if (!nameBytes) return std::nullopt;

    for (std::uint64_t i = 0; i < count; ++i) {
        const auto section = table.At(i);
        if (!section) return std::nullopt;
        if (section->name >= nameBytes->size()) continue;
        std::size_t at = section->name;
        const auto name = Text(*nameBytes, at);
        if (!name || *name != kSectionName) continue;
        if (section->type == kNoBits || !Inside(file, section->offset, section->size) ||
            section->size > kMostSectionBytes) {
            return std::nullopt;
        }
        const auto block = file.Read(section->offset, section->size);
        if (!block) return std::nullopt;
        return ParseSection(*block);
    }
    return std::nullopt;
}

}  // namespace

std::optional<VersionInfo> ReadVersionInfo(std::span<const std::uint8_t> file) {
    try {
        return ReadElf(MemorySource(file));
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::optional<VersionInfo> ReadVersionInfoFromFile(const std::string& path) {
    // A named pipe or a device in the library's place must not hold the reader up.
    const int fd = platform::OpenForReading(path);
    if (fd < 0) return std::nullopt;
    std::optional<VersionInfo> info;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0) {
        try {
            info = ReadElf(FileSource(fd, static_cast<std::uint64_t>(st.st_size)));
        } catch (const std::bad_alloc&) {
            info.reset();
        }
    }
    ::close(fd);
    return info;
}

std::vector<std::uint8_t> EncodeVersionSection(
    std::array<std::uint16_t, 4> fileVersion, std::array<std::uint16_t, 4> productVersion,
    const std::vector<std::pair<std::string, std::string>>& strings) {
    std::size_t size = kFixedSize + 4;
    for (const auto& [name, value] : strings) size += name.size() + value.size() + 2;
    std::vector<std::uint8_t> out(size);
    std::uint8_t* p = detail::PutFixed(out.data(), fileVersion, productVersion);
    p = detail::PutU32(p, static_cast<std::uint32_t>(strings.size()));
    for (const auto& [name, value] : strings) {
        p = detail::PutText(p, name);
        p = detail::PutText(p, value);
    }
    return out;
}

}  // namespace platform::version
