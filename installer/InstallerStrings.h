#pragma once

#include <string_view>

// The installer's string table (language 1033), by the numbers the installer's code uses.
namespace installer {

struct StringEntry {
    int id;
    std::string_view text;
};

inline constexpr StringEntry kStrings[] = {
    {103, "Vantelo web browser plugin"},
    {111, "DirectX 3 detected."},
    {112, "DirectX 5 detected."},
    {113, "DirectX 6 or later detected."},
    {114, "Window NT 4 detected."},
    {115, "Windows 95,98 or 2000 detected"},
    {119, "Vantelo has been properly registered with the system."},
    {120,
     "No plug-in folder of Netscape Navigator was found: Vantelo was not installed for "
     "Netscape Navigator."},
    {121, "Vantelo installation information. "},
    {122,
     "DirectX 3 or later was not found. Vantelo needs DirectX 3 or later: install it and "
     "run this installation again."},
    {123,
     "This package is for Internet Explorer only: Vantelo was not installed for Netscape "
     "Navigator."},
    {124, "An unknown error occured"},
    {125,
     "FAILED to copy files. Make sure there is enough free space on the harddrive and that "
     "you have write access."},
    {128, "Windows 2000 detected"},
};

// The text of an id; empty for an id the table lacks.
constexpr std::string_view LoadString(int id) {
    for (const StringEntry& entry : kStrings) {
        if (entry.id == id) return entry.text;
    }
    return {};
}

}  // namespace installer
