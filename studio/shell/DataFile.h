#pragma once

#include <string>
#include <string_view>

// The path of a file below the studio's data folder. `relative` may use '\\' or '/'
// between names; a name missing as written is matched without regard to case, since the
// studio's code spells its data folders "help/" in one place and "Help/" in another. When
// nothing matches, the path is returned as written, so that opening it fails plainly.
std::string FindDataFile(std::string_view relative);

// The same below any folder (with or without its trailing '/').
std::string FindFileBelow(const std::string& folder, std::string_view relative);
