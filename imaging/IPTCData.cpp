#include "imaging/IPTCData.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <optional>

#include "imaging/Jpeg_internal.h"
#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/ReplacingWriter.h"

namespace {

// "Photoshop 3.0" and its terminating zero.
constexpr std::size_t kSignatureBytes = 14;
constexpr std::uint8_t kSignature[kSignatureBytes] = {'P', 'h', 'o', 't', 'o', 's', 'h',
                                                      'o', 'p', ' ', '3', '.', '0', 0};
// Image resources stand under any of these types, all read alike. A new resource is an
// "8BIM" one; one found keeps its own.
constexpr char kResourceTypes[][5] = {"8BIM", "PHUT", "AgHg", "DCSR"};
constexpr unsigned kIptcResource = 0x0404;
// The largest segment length a JPEG marker can carry, and the largest dataset text whose
// length is not taken for an extended length.
constexpr std::size_t kMaxSegment = 0xFFFF;
constexpr std::size_t kMaxText = 0x7FFF;

unsigned Be16(const std::uint8_t* p) {
    return static_cast<unsigned>(p[0] << 8 | p[1]);
}

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PutBe16(std::vector<std::uint8_t>& out, std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

bool IsResourceType(const std::uint8_t* p, std::size_t left) {
    if (left < 4) return false;
    for (const char* type : kResourceTypes) {
        if (std::memcmp(p, type, 4) == 0) return true;
    }
    return false;
}

bool HasSignature(const std::uint8_t* data, std::size_t length) {
    if (length < kSignatureBytes || data[kSignatureBytes - 1] != 0) return false;
    for (std::size_t i = 0; i + 1 < kSignatureBytes; ++i) {
        if (std::tolower(data[i]) != std::tolower(kSignature[i])) return false;
    }
    return true;
}

// Where the IPTC image resource stands in an APP13 segment's data.
struct Resource {
    std::size_t sizeAt;  // its 4-byte size
    std::size_t dataAt;
    std::uint32_t size;
};

// Walks the image resources that follow the signature to the IPTC one, wherever it is.
std::optional<Resource> FindIptcResource(const std::uint8_t* data, std::size_t length) {
    std::size_t p = kSignatureBytes;
    // Each resource: type (4), id (2), name (length byte and text, padded to even), size
    // (4) and data (padded to even).
    while (length - p >= 12) {
        const bool typed = IsResourceType(data + p, length - p);
        const unsigned id = Be16(data + p + 4);
        const std::size_t name = (1u + data[p + 6] + 1u) & ~std::size_t{1};
        const std::size_t sizeAt = p + 6 + name;
        if (sizeAt + 4 > length) break;
        const std::uint32_t size = Be32(data + sizeAt);
        const std::size_t dataAt = sizeAt + 4;
        if (typed && id == kIptcResource) return Resource{sizeAt, dataAt, size};
        if (size > length - dataAt) break;
        p = dataAt + size + (size & 1u);
        if (p > length) break;
    }
    return std::nullopt;
}

constexpr std::array<std::uint8_t, 23> kIgnored = {
    0, 7, 8, 12, 22, 26, 27, 30, 35, 37, 38, 42, 45, 47, 50, 62, 63, 75, 92, 100, 118, 125, 135};

// The single texts of the record with their dataset numbers, in the order they stand in a
// written block.
struct TextField {
    unsigned number;
    std::string IPTCData::*text;
};
constexpr TextField kTexts[] = {
    {15, &IPTCData::category},
    {10, &IPTCData::urgency},
    {116, &IPTCData::copyrightNotice},
    {40, &IPTCData::specialInstructions},
    {105, &IPTCData::headline},
    {122, &IPTCData::captionWriter},
    {120, &IPTCData::caption},
    {103, &IPTCData::originalTransmissionReference},
    {101, &IPTCData::country},
    {95, &IPTCData::state},
    {90, &IPTCData::city},
    {70, &IPTCData::originProgramVersion},
    {65, &IPTCData::originProgram},
    {60, &IPTCData::timeCreated},
    {55, &IPTCData::dateCreated},
    {5, &IPTCData::objectName},
    {115, &IPTCData::source},
    {110, &IPTCData::credits},
    {85, &IPTCData::bylineTitle},
    {80, &IPTCData::byline},
};
constexpr unsigned kCountryAlias = 102;
constexpr unsigned kSupplementalCategory = 20;
constexpr unsigned kKeyword = 25;
constexpr unsigned kUrgency = 10;

const TextField* FindText(unsigned number) {
    for (const TextField& field : kTexts) {
        if (field.number == number) return &field;
    }
    return nullptr;
}

// The record 2 datasets this record holds; the version (0) is always written anew.
bool IsHeld(unsigned number) {
    return number == 0 || number == kCountryAlias || number == kSupplementalCategory ||
           number == kKeyword || FindText(number) != nullptr;
}

// The whole size of the dataset at p (tag, header and data), or 0 when no whole dataset
// stands there.
std::size_t DataSetBytes(const std::uint8_t* p, std::size_t left) {
    if (left < 5 || p[0] != 0x1C) return 0;
    std::size_t header = 5;
    std::size_t length = Be16(p + 3);
    if (length & 0x8000) {
        // An extended dataset: the length is held in the next (length & 0x7FFF) bytes.
        const std::size_t count = length & 0x7FFF;
        if (count == 0 || count > 4 || count > left - 5) return 0;
        length = 0;
        for (std::size_t i = 0; i < count; ++i) length = length << 8 | p[5 + i];
        header += count;
    }
    return length > left - header ? 0 : header + length;
}

// Sorts the datasets of an old block that the record does not hold into those of records
// before 2, of record 2 and of later records, each in its old order.
void SplitCarriedDataSets(std::span<const std::uint8_t> old, std::vector<std::uint8_t>& before,
                          std::vector<std::uint8_t>& record2, std::vector<std::uint8_t>& after) {
    std::size_t p = 0;
    while (const std::size_t total = DataSetBytes(old.data() + p, old.size() - p)) {
        const unsigned record = old[p + 1];
        const unsigned number = old[p + 2];
        if (!(record == 2 && IsHeld(number))) {
            auto& into = record < 2 ? before : record == 2 ? record2 : after;
            into.insert(into.end(), old.begin() + static_cast<std::ptrdiff_t>(p),
                        old.begin() + static_cast<std::ptrdiff_t>(p + total));
        }
        p += total;
    }
}

bool AppendDataSet(std::vector<std::uint8_t>& out, unsigned number, const std::string& text) {
    if (text.empty()) return true;
    if (text.size() > kMaxText) return false;
    out.insert(out.end(), {0x1C, 0x02, static_cast<std::uint8_t>(number)});
    PutBe16(out, text.size());
    out.insert(out.end(), text.begin(), text.end());
    return true;
}

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

bool ReadWholeFile(const std::string& fileName, std::vector<std::uint8_t>& bytes) {
    // A named pipe with a picture's name must not hold the studio until a writer comes.
    const int fd = platform::OpenForReading(fileName);
    std::unique_ptr<std::FILE, FileCloser> file(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (fd >= 0 && !file) ::close(fd);
    struct stat st {};
    if (!file || ::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        platform::DebugOutput("Failed to open file for reading\n");
        return false;
    }
    try {
        bytes.resize(static_cast<std::size_t>(st.st_size));
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Failed to allocate memory for file\n");
        return false;
    }
    if (std::fread(bytes.data(), 1, bytes.size(), file.get()) != bytes.size()) {
        platform::DebugOutput("Failed to read image file to memeory\n");
        return false;
    }
    return true;
}

// The segments before the image data: the end of the first one and the first APP13.
struct Layout {
    std::size_t firstEnd = 2;
    std::optional<std::size_t> app13;
};

// False for anything that is not a JPEG whose segments before the image data are whole.
bool ReadLayout(const std::vector<std::uint8_t>& f, Layout& layout) {
    const std::size_t n = f.size();
    if (n < 4 || f[0] != 0xFF || f[1] != 0xD8) return false;
    bool first = true;
    std::size_t p = 2;
    while (p < n) {
        if (f[p] != 0xFF) return false;
        while (p + 1 < n && f[p + 1] == 0xFF) ++p;  // fill bytes before a marker
        if (p + 1 >= n) break;
        const unsigned marker = f[p + 1];
        if (marker == 0xDA || marker == 0xD9) break;
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
            (marker >= 0xD0 && marker <= 0xD7)) {
            return false;
        }
        if (n - p < 4) return false;
        const std::size_t length = Be16(&f[p + 2]);
        if (length < 2 || length > n - p - 2) return false;
        if (first) layout.firstEnd = p + 2 + length;
        first = false;
        if (marker == 0xED) {
            layout.app13 = p;
            return true;
        }
        p += 2 + length;
    }
    return true;
}

// True when the image resources after the signature stand whole in the segment, each of a
// known type; zero bytes may pad the end. A resource running past the end is one split over
// several segments or a damaged one.
bool ResourcesWhole(const std::uint8_t* data, std::size_t length) {
    std::size_t p = kSignatureBytes;
    while (p < length) {
        if (std::all_of(data + p, data + length, [](std::uint8_t b) { return b == 0; })) break;
        if (length - p < 12 || !IsResourceType(data + p, length - p)) return false;
        const std::size_t name = (1u + data[p + 6] + 1u) & ~std::size_t{1};
        const std::size_t sizeAt = p + 6 + name;
        if (sizeAt + 4 > length) return false;
        const std::uint32_t size = Be32(data + sizeAt);
        const std::size_t dataAt = sizeAt + 4;
        if (size > length - dataAt) return false;
        p = dataAt + size + (size & 1u);
    }
    return true;
}

// True when the IPTC resource's data are whole datasets, up to zero bytes of padding.
bool DataSetsWhole(const std::uint8_t* data, std::size_t size) {
    std::size_t p = 0;
    while (p < size) {
        if (std::all_of(data + p, data + size, [](std::uint8_t b) { return b == 0; })) break;
        const std::size_t total = DataSetBytes(data + p, size - p);
        if (total == 0) return false;
        p += total;
    }
    return true;
}

}  // namespace

void IPTCData::Clear() {
    *this = IPTCData{};
    valid = true;
}

void IPTCData::ReadFromApp13(const std::uint8_t* data, std::size_t length) {
    // The first resource need not be an "8BIM" one: the writer finds the IPTC resource
    // behind any other, so the reader must too, or a record written would not read back.
    if (data == nullptr || !HasSignature(data, length)) return;
    const auto resource = FindIptcResource(data, length);
    if (!resource) return;
    const std::size_t end =
        resource->size <= length - resource->dataAt ? resource->dataAt + resource->size : length;
    std::size_t p = resource->dataAt;
    // Other records may come first: record 2 starts at the first 1C 02. Datasets of
    // earlier records are stepped over whole, so bytes 1C 02 inside them are not taken
    // for the start (the writer keeps them there); other bytes one at a time.
    while (end - p > 1 && !(data[p] == 0x1C && data[p + 1] == 0x02)) {
        if (IsResourceType(data + p, end - p)) return;
        const std::size_t skip = data[p + 1] < 2 ? DataSetBytes(data + p, end - p) : 0;
        p += skip ? skip : 1;
    }
    while (end - p >= 5 && data[p + 1] == 0x02) {
        const std::size_t total = DataSetBytes(data + p, end - p);
        if (total == 0) break;
        const unsigned number = data[p + 2];
        const std::size_t declared = Be16(data + p + 3);
        const auto* text = reinterpret_cast<const char*>(data + p + 5);
        p += total;
        // An extended dataset (the writer carries such over) holds no text of the record.
        if (declared & 0x8000) continue;
        const std::size_t shown = std::min<std::size_t>(declared, 1023);
        std::string value(text, std::find(text, text + shown, '\0'));

        if (declared != 0) valid = true;
        if (number == kUrgency) {
            // Some writers store the urgency as a number rather than a digit.
            urgency = value.substr(0, 1);
            if (!urgency.empty() && urgency[0] >= 1 && urgency[0] <= 8) {
                urgency[0] = static_cast<char>('0' + urgency[0]);
            }
        } else if (number == kSupplementalCategory) {
            supplementalCategories.push_back(std::move(value));
        } else if (number == kKeyword) {
            keywords.push_back(std::move(value));
        } else if (number == kCountryAlias) {
            country = std::move(value);
        } else if (const TextField* field = FindText(number)) {
            this->*field->text = std::move(value);
        } else if (std::find(kIgnored.begin(), kIgnored.end(), number) == kIgnored.end()) {
            platform::DebugOutput("Unhandled IPTC data\n");
        }
    }
}

std::vector<std::uint8_t> IPTCData::BuildDataSets(std::span<const std::uint8_t> previous) const {
    std::vector<std::uint8_t> before, carried, after;
    SplitCarriedDataSets(previous, before, carried, after);

    // File order: the lists in their own order, then the texts from Category back to
    // By-line, then the record version.
    std::vector<std::uint8_t> data = std::move(before);
    data.insert(data.end(), carried.begin(), carried.end());
    bool fits = true;
    for (const auto& keyword : keywords) fits = AppendDataSet(data, kKeyword, keyword) && fits;
    for (const auto& entry : supplementalCategories) {
        fits = AppendDataSet(data, kSupplementalCategory, entry) && fits;
    }
    for (const TextField& field : kTexts)
        fits = AppendDataSet(data, field.number, this->*field.text) && fits;
    data.insert(data.end(), {0x1C, 0x02, 0x00, 0x00, 0x02, 0x00, 0x02});
    data.insert(data.end(), after.begin(), after.end());

    const std::size_t padded = data.size() + (data.size() & 1u);
    if (!fits || padded > kMaxSegment) return {};
    std::vector<std::uint8_t> block;
    block.reserve(2 + padded);
    PutBe16(block, padded);
    block.insert(block.end(), data.begin(), data.end());
    if (padded != data.size()) block.push_back(0);
    return block;
}

bool IPTCData::SaveToJpegFile(const std::string& fileName) const {
    if (!valid) {
        platform::DebugOutput("Invalid ITPC Data will not add it to file\n");
        return false;
    }
    return WriteJpegFile(fileName);
}

bool IPTCData::WriteJpegFile(const std::string& fileName) const {
    std::vector<std::uint8_t> f;
    if (!ReadWholeFile(fileName, f)) return false;
    Layout layout;
    if (!ReadLayout(f, layout)) {
        platform::DebugOutput("Not a JPEG file that IPTC data can be written to\n");
        return false;
    }
    static constexpr std::uint8_t kApp13[2] = {0xFF, 0xED};
    static constexpr std::uint8_t kResourceHeader[10] = {'8',  'B', 'I', 'M', 0x04,
                                                         0x04, 0,   0,   0,   0};
    using Piece = std::span<const std::uint8_t>;

    // The new file as pieces of the old one and new bytes; lengthBytes is filled in last.
    std::vector<Piece> pieces;
    std::uint8_t lengthBytes[2] = {};
    std::vector<std::uint8_t> block;
    std::size_t segmentLength = 0;
    if (layout.app13) {
        const std::size_t segment = *layout.app13;
        const std::size_t oldLength = Be16(&f[segment + 2]);
        const std::uint8_t* data = f.data() + segment + 4;
        const std::size_t length = oldLength - 2;
        if (!HasSignature(data, length)) return false;
        const auto resource = FindIptcResource(data, length);
        if (resource && resource->size > length - resource->dataAt) {
            platform::DebugOutput("Not a JPEG file that IPTC data can be written to\n");
            return false;
        }
        pieces = {Piece(f.data(), segment + 2), Piece(lengthBytes, 2)};
        if (resource) {
            // The new block's length takes the place of the low half of the resource size.
            std::size_t oldSize = resource->size;
            block = BuildDataSets({data + resource->dataAt, oldSize});
            // The pad byte of an odd old block goes with it, so what follows stays aligned.
            const std::size_t after = resource->dataAt + oldSize;
            if ((oldSize & 1u) && after < length && !IsResourceType(data + after, length - after)) {
                ++oldSize;
            }
            segmentLength = oldLength + (block.size() - 2) - oldSize;
            pieces.insert(pieces.end(),
                          {Piece(data, resource->sizeAt + 2), Piece(block),
                           Piece(data + resource->dataAt + oldSize, f.data() + f.size())});
        } else {
            // A new resource comes first, right after the signature.
            block = BuildDataSets();
            segmentLength = oldLength + sizeof kResourceHeader + block.size();
            pieces.insert(pieces.end(),
                          {Piece(data, kSignatureBytes), Piece(kResourceHeader), Piece(block),
                           Piece(data + kSignatureBytes, f.data() + f.size())});
        }
    } else {
        // A new segment after the first one.
        block = BuildDataSets();
        segmentLength = 2 + kSignatureBytes + sizeof kResourceHeader + block.size();
        pieces = {Piece(f.data(), layout.firstEnd),
                  Piece(kApp13),
                  Piece(lengthBytes, 2),
                  Piece(kSignature),
                  Piece(kResourceHeader),
                  Piece(block),
                  Piece(f.data() + layout.firstEnd, f.data() + f.size())};
    }
    if (block.empty() || segmentLength > kMaxSegment) {
        platform::DebugOutput("IPTC data too large for the file\n");
        return false;
    }
    lengthBytes[0] = static_cast<std::uint8_t>(segmentLength >> 8);
    lengthBytes[1] = static_cast<std::uint8_t>(segmentLength);

    platform::ReplacingWriter out;
    if (out.Open(fileName) != platform::FileError::None) {
        platform::DebugOutput("Failed to reopen image for writing\n");
        return false;
    }
    bool ok = true;
    for (const Piece& piece : pieces) {
        ok = ok &&
             out.Write(std::string_view(reinterpret_cast<const char*>(piece.data()), piece.size()));
    }
    if (!ok || out.Commit() != platform::FileError::None) {
        platform::DebugOutput("Failed to write image file\n");
        return false;
    }
    return true;
}

IptcFileRead ReadIptcFromJpegFile(const std::string& fileName, IPTCData& record) {
    record = IPTCData{};
    // Only the segments before the image data are read, a piece at a time, never the
    // picture itself.
    const int fd = platform::OpenForReading(fileName);
    std::unique_ptr<std::FILE, FileCloser> file(fd >= 0 ? ::fdopen(fd, "rb") : nullptr);
    if (fd >= 0 && !file) ::close(fd);
    struct stat st {};
    if (!file || ::fstat(::fileno(file.get()), &st) != 0 || !S_ISREG(st.st_mode)) {
        return IptcFileRead::Unreadable;
    }
    std::FILE* f = file.get();
    const auto fileSize = static_cast<std::uint64_t>(st.st_size);
    std::uint8_t head[4];
    if (std::fread(head, 1, 2, f) != 2 || head[0] != 0xFF || head[1] != 0xD8) {
        return IptcFileRead::Unreadable;
    }
    std::uint64_t pos = 2;
    bool firstApp13 = true;
    bool found = false;
    for (;;) {
        int c = std::getc(f);
        if (c == EOF) break;
        ++pos;
        if (c != 0xFF) return IptcFileRead::Unreadable;
        int marker = 0;
        do {
            marker = std::getc(f);
            ++pos;
        } while (marker == 0xFF);  // fill bytes before a marker
        if (marker == EOF || marker == 0xDA || marker == 0xD9) break;
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 ||
            (marker >= 0xD0 && marker <= 0xD7)) {
            return IptcFileRead::Unreadable;
        }
        if (std::fread(head, 1, 2, f) != 2) return IptcFileRead::Unreadable;
        pos += 2;
        const std::size_t length = Be16(head);
        if (length < 2 || length - 2 > fileSize - pos) return IptcFileRead::Unreadable;
        if (marker != 0xED) {
            if (std::fseek(f, static_cast<long>(length - 2), SEEK_CUR) != 0) {
                return IptcFileRead::Unreadable;
            }
            pos += length - 2;
            continue;
        }
        std::vector<std::uint8_t> data(length - 2);
        if (std::fread(data.data(), 1, data.size(), f) != data.size()) {
            return IptcFileRead::Unreadable;
        }
        pos += data.size();
        const bool first = firstApp13;
        firstApp13 = false;
        if (!HasSignature(data.data(), data.size())) continue;
        // The writer replaces the block of the first APP13 segment; any other block would
        // stay beside it, or be one part of a block too large for a segment.
        if (found || !ResourcesWhole(data.data(), data.size())) return IptcFileRead::Unreadable;
        const auto resource = FindIptcResource(data.data(), data.size());
        if (!resource) continue;
        if (!first || !DataSetsWhole(data.data() + resource->dataAt, resource->size)) {
            return IptcFileRead::Unreadable;
        }
        found = true;
        record.ReadFromApp13(data.data(), data.size());
    }
    return found ? IptcFileRead::Read : IptcFileRead::NoBlock;
}
