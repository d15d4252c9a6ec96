#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Wildcard match of a whole name: '*' any run of characters, '?' one character, letters
// compared without regard to case. "*.*" matches every name, dotted or not.
bool MatchesWildcard(std::string_view name, std::string_view pattern);
bool HasWildcards(std::string_view text);

struct DirEntry {
    enum class Kind { File, Folder, Other };  // Other: devices, sockets, pipes, dangling links
    std::string name;
    Kind kind = Kind::Other;
    bool symlink = false;
    std::uint64_t size = 0;  // of a file; links are followed
};

// Listing order: names compared without regard to case, ties broken by their bytes, so
// the order is the same on every run and every file system.
bool ListingLess(std::string_view a, std::string_view b);

// The entries of a folder whose names match the pattern, "." and ".." left out, in
// listing order. `ok` (when given) tells a folder that could not be read from an empty one.
std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view pattern = "*",
                                    bool* ok = nullptr);

}  // namespace platform
