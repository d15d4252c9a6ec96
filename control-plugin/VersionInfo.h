#pragma once

#include <array>
#include <string_view>

// The library's version block, as a browser's plug-in scan reads it: one table, for the
// build step that writes the block into the library.
namespace nplensobj {

struct VersionValue {
    std::string_view name;
    std::string_view value;
};

inline constexpr std::array<VersionValue, 9> kVersionBlock{{
    {"MIMEType", "application/x-vantelo-plugin"},
    {"FileExtents", "ods"},
    {"FileOpenName", "OLE Data Stream (*.ods)"},
    {"FileDescription", "Vantelo plugin"},
    {"ProductName", "Vantelo 1.5 Netscape plugin"},
    {"FileVersion", "1.5.0.1"},
    {"ProductVersion", "1.5.0.1"},
    {"InternalName", "NPLensObj"},
    {"OriginalFilename", "NPLensObj.so"},
}};

}  // namespace nplensobj
