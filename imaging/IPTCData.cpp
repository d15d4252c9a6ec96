#include "imaging/IPTCData.h"

#include <sys/stat.h>

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

namespace {

// "Photoshop 3.0" and its terminating zero.
constexpr std::size_t kSignatureBytes = 14;
constexpr std::uint8_t kSignature[kSignatureBytes] = {'P', 'h', 'o', 't', 'o', 's', 'h',
                                                     'o', 'p', ' ', '3', '.', '0', 0};
constexpr std::uint8_t kResourceType[4] = {'8', 'B', 'I', 'M'};
constexpr unsigned kIptcResource = 0x0404;
// The largest segment length a JPEG marker can carry, and the largest dataset text whose
// length is not taken for an extended length.
constexpr std::size_t kMaxSegment = 0xFFFF;
constexpr std::size_t kMaxText = 0x7FFF;

unsigned Be16(const std::uint8_t* p) { return static_cast<unsigned>(p[0] << 8 | p[1]); }

std::uint32_t Be32(const std::uint8_t* p) {
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

void PutBe16(std::vector<std::uint8_t>& out, std::size_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

bool IsResourceType(const std::uint8_t* p, std::size_t left) {
    return left >= 4 && std::memcmp(p, kResourceType, 4) == 0;
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
        const bool bim = IsResourceType(data + p, length - p);
        const unsigned id = Be16(data + p + 4);
        const std::size_t name = (1u + data[p + 6] + 1u) & ~std::size_t{1};
        const std::size_t sizeAt = p + 6 + name;
        if (sizeAt + 4 > length) break;
        const std::uint32_t size = Be32(data + sizeAt);
        const std::size_t dataAt = sizeAt + 4;
        if (bim && id == kIptcResource) return Resource{sizeAt, dataAt, size};
        if (size > length - dataAt) break;
        p = dataAt + size + (size & 1u);
        if (p > length) break;
    }
    return std::nullopt;
}

constexpr std::array<std::uint8_t, 23> kIgnored = {0,  7,  8,  12, 22, 26,  27,  30,  35,  37,  38, 42,
                                                   45, 47, 50, 62, 63, 75, 92, 100, 118, 125, 135};

// The record 2 datasets this record holds; the version (0) is always written anew.
bool IsHeld(unsigned number) {
    static constexpr std::array<std::uint8_t, 24> kHeld = {0,  5,  10, 15, 20,  25,  40,  55,
                                                           60, 65, 70, 80, 85,  90,  95,  101,
                                                           102, 103, 105, 110, 115, 116, 120, 122};
    return std::find(kHeld.begin(), kHeld.end(), number) != kHeld.end();
}

// Sorts the datasets of an old block that the record does not hold into those of records
// before 2, of record 2 and of later records, each in its old order.
void SplitCarriedDataSets(std::span<const std::uint8_t> old, std::vector<std::uint8_t>& before,
                          std::vector<std::uint8_t>& record2, std::vector<std::uint8_t>& after) {
    const std::size_t n = old.size();
    std::size_t p = 0;
    while (n - p >= 5 && old[p] == 0x1C) {
        const unsigned record = old[p + 1];
        const unsigned number = old[p + 2];
        std::size_t header = 5;
        std::size_t length = Be16(&old[p + 3]);
        if (length & 0x8000) {
            // An extended dataset: the length is held in the next (length & 0x7FFF) bytes.
            const std::size_t count = length & 0x7FFF;
            if (count == 0 || count > 4 || count > n - p - 5) break;
            length = 0;
            for (std::size_t i = 0; i < count; ++i) length = length << 8 | old[p + 5 + i];
            header += count;
        }
        if (length > n - p - header) break;
        const std::size_t total = header + length;
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
    std::unique_ptr<std::FILE, FileCloser> file(std::fopen(fileName.c_str(), "rb"));
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
        if (marker == 0x00 || marker == 0x01 || marker == 0xD8 || (marker >= 0xD0 && marker <= 0xD7)) {
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

}  // namespace

void IPTCData::Clear() {
    *this = IPTCData{};
    valid = true;
}

void IPTCData::ReadFromApp13(const std::uint8_t* data, std::size_t length) {
    if (data == nullptr || !HasSignature(data, length) ||
        !IsResourceType(data + kSignatureBytes, length - kSignatureBytes)) {
        return;
    }
    const auto resource = FindIptcResource(data, length);
    if (!resource) return;
    const std::size_t end = resource->size <= length - resource->dataAt
                                ? resource->dataAt + resource->size
                                : length;
    std::size_t p = resource->dataAt;
    // Other records may come first: record 2 starts at the first 1C 02.
    while (end - p > 1 && !(data[p] == 0x1C && data[p + 1] == 0x02)) {
        if (IsResourceType(data + p, end - p)) return;
        ++p;
    }
    while (end - p >= 5 && data[p] == 0x1C && data[p + 1] == 0x02) {
        const unsigned number = data[p + 2];
        const std::size_t declared = Be16(data + p + 3);
        if (declared > end - p - 5) break;
        const auto* text = reinterpret_cast<const char*>(data + p + 5);
        const std::size_t shown = std::min<std::size_t>(declared, 1023);
        std::string value(text, std::find(text, text + shown, '\0'));
        p += 5 + declared;

        if (declared != 0) valid = true;
        switch (number) {
            case 80: byline = std::move(value); break;
            case 85: bylineTitle = std::move(value); break;
            case 110: credits = std::move(value); break;
            case 115: source = std::move(value); break;
            case 5: objectName = std::move(value); break;
            case 55: dateCreated = std::move(value); break;
            case 60: timeCreated = std::move(value); break;
            case 65: originProgram = std::move(value); break;
            case 70: originProgramVersion = std::move(value); break;
            case 90: city = std::move(value); break;
            case 95: state = std::move(value); break;
            case 101:
            case 102: country = std::move(value); break;
            case 103: originalTransmissionReference = std::move(value); break;
            case 116: copyrightNotice = std::move(value); break;
            case 120: caption = std::move(value); break;
            case 122: captionWriter = std::move(value); break;
            case 105: headline = std::move(value); break;
            case 40: specialInstructions = std::move(value); break;
            case 15: category = std::move(value); break;
            case 20: supplementalCategories.push_back(std::move(value)); break;
            case 25: keywords.push_back(std::move(value)); break;
            case 10:
                // Some writers store the urgency as a number rather than a digit.
                urgency = value.substr(0, 1);
                if (!urgency.empty() && urgency[0] >= 1 && urgency[0] <= 8) urgency[0] = static_cast<char>('0' + urgency[0]);
                break;
            default:
                if (std::find(kIgnored.begin(), kIgnored.end(), number) == kIgnored.end()) {
                    platform::DebugOutput("Unhandled IPTC data\n");
                }
                break;
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
    for (const auto& keyword : keywords) fits = AppendDataSet(data, 25, keyword) && fits;
    for (const auto& entry : supplementalCategories) fits = AppendDataSet(data, 20, entry) && fits;
    const std::pair<unsigned, const std::string*> texts[] = {
        {15, &category},
        {10, &urgency},
        {116, &copyrightNotice},
        {40, &specialInstructions},
        {105, &headline},
        {122, &captionWriter},
        {120, &caption},
        {103, &originalTransmissionReference},
        {101, &country},
        {95, &state},
        {90, &city},
        {70, &originProgramVersion},
        {65, &originProgram},
        {60, &timeCreated},
        {55, &dateCreated},
        {5, &objectName},
        {115, &source},
        {110, &credits},
        {85, &bylineTitle},
        {80, &byline},
    };
    for (const auto& [number, text] : texts) fits = AppendDataSet(data, number, *text) && fits;
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
    static constexpr std::uint8_t kResourceHeader[10] = {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0};

    // The new file is: head, a new segment length, middle, an inserted resource header or
    // nothing, the block, tail.
    std::vector<std::uint8_t> block;
    std::size_t headEnd = 0;
    std::size_t middleEnd = 0;
    std::size_t tailStart = 0;
    std::size_t segmentLength = 0;
    bool insertHeader = false;
    bool newSegment = false;
    if (layout.app13) {
        const std::size_t segment = *layout.app13;
        const std::size_t oldLength = Be16(&f[segment + 2]);
        const std::uint8_t* data = f.data() + segment + 4;
        const std::size_t length = oldLength - 2;
        if (!HasSignature(data, length)) return false;
        std::size_t oldSize = 0;
        std::size_t insertAt = kSignatureBytes;
        if (const auto resource = FindIptcResource(data, length)) {
            if (resource->size > length - resource->dataAt) {
                platform::DebugOutput("Not a JPEG file that IPTC data can be written to\n");
                return false;
            }
            insertAt = resource->sizeAt + 2;
            oldSize = resource->size;
            block = BuildDataSets({data + resource->dataAt, oldSize});
            // The pad byte of an odd old block goes with it, so what follows stays aligned.
            const std::size_t after = resource->dataAt + oldSize;
            if ((oldSize & 1u) && after < length && !IsResourceType(data + after, length - after)) {
                ++oldSize;
            }
        } else {
            insertHeader = true;
            block = BuildDataSets();
        }
        if (block.empty()) {
            platform::DebugOutput("IPTC data too large for the file\n");
            return false;
        }
        const std::size_t padded = block.size() - 2;
        segmentLength = insertHeader ? oldLength + 12 + padded : oldLength + padded - oldSize;
        headEnd = segment + 2;
        middleEnd = segment + 4 + insertAt;
        tailStart = middleEnd + (insertHeader ? 0 : 2 + oldSize);
    } else {
        newSegment = true;
        block = BuildDataSets();
        if (block.empty()) {
            platform::DebugOutput("IPTC data too large for the file\n");
            return false;
        }
        segmentLength = block.size() - 2 + 28;
        headEnd = middleEnd = tailStart = layout.firstEnd;
    }
    if (segmentLength > kMaxSegment) {
        platform::DebugOutput("IPTC data too large for the file\n");
        return false;
    }

    jpeg_internal::ReplacingFile out;
    if (!out.Open(fileName)) {
        platform::DebugOutput("Failed to reopen image for writing\n");
        return false;
    }
    const std::uint8_t lengthBytes[2] = {static_cast<std::uint8_t>(segmentLength >> 8),
                                         static_cast<std::uint8_t>(segmentLength)};
    static constexpr std::uint8_t kApp13[2] = {0xFF, 0xED};
    bool ok = out.Write(f.data(), headEnd);
    if (newSegment) {
        ok = ok && out.Write(kApp13, 2) && out.Write(lengthBytes, 2) &&
             out.Write(kSignature, kSignatureBytes) && out.Write(kResourceHeader, sizeof kResourceHeader);
    } else {
        ok = ok && out.Write(lengthBytes, 2) && out.Write(f.data() + headEnd + 2, middleEnd - headEnd - 2);
        if (insertHeader) ok = ok && out.Write(kResourceHeader, sizeof kResourceHeader);
    }
    ok = ok && out.Write(block.data(), block.size()) &&
         out.Write(f.data() + tailStart, f.size() - tailStart) && out.Commit();
    if (!ok) {
        platform::DebugOutput("Failed to write image file\n");
        return false;
    }
    return true;
}
