// The version reader on any bytes, as the installer meets package files it did not build:
// no information or information that agrees with the stored block, never a read outside
// the file.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/version/VersionBlock.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto info = platform::version::ReadVersionInfo({data, size});
    if (!info) return 0;
    std::uint32_t words[13];
    static_assert(sizeof(words) == platform::version::kFixedSize);
    std::memcpy(words, info->fixedBytes.data(), sizeof(words));
    const auto& f = info->fixed;
    const std::uint32_t fields[13] = {
        f.signature,        f.structVersion, f.fileVersionMS, f.fileVersionLS, f.productVersionMS,
        f.productVersionLS, f.fileFlagsMask, f.fileFlags,     f.fileOS,        f.fileType,
        f.fileSubtype,      f.fileDateMS,    f.fileDateLS};
    // The machine is little-endian, as the block is.
    if (std::memcmp(words, fields, sizeof(words)) != 0) std::abort();
    if (f.signature != platform::version::kSignature) std::abort();
    std::size_t text = 0;
    for (const auto& [name, value] : info->strings) {
        if (name.find('\0') != std::string::npos || value.find('\0') != std::string::npos)
            std::abort();
        text += name.size() + value.size() + 2;
    }
    if (text > size) std::abort();
    return 0;
}
