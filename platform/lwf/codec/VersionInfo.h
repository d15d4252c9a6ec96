#pragma once

#include <array>
#include <string_view>

// The codec library's version block, which the installer compares before it replaces it.
namespace lwf_codec {

struct VersionValue {
    std::string_view name;
    std::string_view value;
};

inline constexpr std::array<VersionValue, 3> kVersionBlock{{
    {"FileDescription", "LuraWave codec"},
    {"InternalName", "lwf215p"},
    {"OriginalFilename", "lwf215p.so"},
}};

}  // namespace lwf_codec
