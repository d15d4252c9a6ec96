// The IPTC reader on an untrusted APP13 segment, then the writer on a file that carries
// it: the write must either refuse and leave the file alone, or give a file whose record
// reads back as written and whose other bytes are the old ones.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/IPTCData.h"
#include "imaging/tests/IptcFields.h"
#include "platform/debug/Debug.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The data of the file's first APP13 segment, and the file without that segment.
bool SplitApp13(const Bytes& f, Bytes& app13, Bytes& rest) {
    std::size_t p = 2;
    while (p + 4 <= f.size() && f[p] == 0xFF && f[p + 1] != 0xD9) {
        const std::size_t length = static_cast<std::size_t>(f[p + 2] << 8 | f[p + 3]);
        if (f[p + 1] == 0xED) {
            app13.assign(f.begin() + static_cast<std::ptrdiff_t>(p + 4),
                         f.begin() + static_cast<std::ptrdiff_t>(p + 2 + length));
            rest.assign(f.begin(), f.begin() + static_cast<std::ptrdiff_t>(p));
            rest.insert(rest.end(), f.begin() + static_cast<std::ptrdiff_t>(p + 2 + length),
                        f.end());
            return true;
        }
        p += 2 + length;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    platform::SetDebugSilent(true);
    if (size > 0xFFFF - 2) return 0;
    IPTCData record;
    record.ReadFromApp13(data, size);
    record.BuildDataSets();

    static const std::string path = std::filesystem::temp_directory_path().string() +
                                    "/vantelo-fuzz-iptc-" + std::to_string(getpid()) + ".jpg";
    const std::size_t length = size + 2;
    Bytes file = {0xFF,
                  0xD8,
                  0xFF,
                  0xED,
                  static_cast<std::uint8_t>(length >> 8),
                  static_cast<std::uint8_t>(length)};
    file.insert(file.end(), data, data + size);
    file.insert(file.end(), {0xFF, 0xDA, 0x00, 0x02, 0x11, 0xFF, 0xD9});
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(file.data()),
               static_cast<std::streamsize>(file.size()));

    // Empty entries are not written, so they cannot read back.
    std::erase(record.keywords, std::string());
    std::erase(record.supplementalCategories, std::string());
    record.valid = true;
    record.caption = "A caption";
    record.keywords.push_back("fuzz");
    const bool written = record.WriteJpegFile(path);
    const Bytes after = ReadAll(path);
    std::filesystem::remove(path);
    if (!written) {
        if (after != file) std::abort();
        return 0;
    }
    Bytes app13, rest, oldApp13, oldRest;
    if (!SplitApp13(after, app13, rest) || !SplitApp13(file, oldApp13, oldRest) ||
        rest != oldRest) {
        std::abort();
    }
    IPTCData again;
    again.ReadFromApp13(app13.data(), app13.size());
    if (test_pictures::IptcFields(record) != test_pictures::IptcFields(again)) std::abort();
    return 0;
}
