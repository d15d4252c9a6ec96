#pragma once

#include <array>
#include <string_view>

// The library's version block, which the installer compares before it replaces the library.
namespace viewer_control {

struct VersionValue {
    std::string_view name;
    std::string_view value;
};

inline constexpr std::array<VersionValue, 6> kVersionBlock{{
    {"FileDescription", "Vantelo viewer control"},
    {"ProductName", "Vantelo"},
    {"FileVersion", "1.5.0.0"},
    {"ProductVersion", "1.5.0.0"},
    {"InternalName", "Vantelo"},
    {"OriginalFilename", "Vantelo.so"},
}};

}  // namespace viewer_control
