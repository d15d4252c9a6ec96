#pragma once

#include <array>
#include <string_view>

// The library's version block, as a browser's plug-in scan reads it: one table, for the
// build step that writes the block into the library.
namespace npvantelo {

struct VersionValue {
    std::string_view name;
    std::string_view value;
};

inline constexpr std::array<VersionValue, 7> kVersionBlock{{
    {"FileDescription", "Vantelo Mozilla plugin"},
    {"ProductName", "Vantelo"},
    {"InternalName", "Vantelo"},
    {"OriginalFilename", "Vantelo"},
    {"FileVersion", "1, 7, 3, 1"},
    {"ProductVersion", "1, 7, 3, 1"},
    {"MIMEType", "application/x-vantelo-plugin"},
}};

}  // namespace npvantelo
