#include "platform/files/Listing.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <memory>

#include "platform/files/PathText.h"
#include "platform/text/Ascii.h"

namespace platform {

bool HasWildcards(std::string_view text) {
    return text.find_first_of("*?") != std::string_view::npos;
}

bool MatchesWildcard(std::string_view name, std::string_view pattern) {
    if (pattern == "*.*") pattern = "*";
    // Greedy match that backtracks only to the last '*': linear in practice, never
    // exponential whatever the pattern.
    std::size_t n = 0, p = 0;
    std::size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() &&
                   (pattern[p] == '?' || LowerAscii(pattern[p]) == LowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

bool ListingLess(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char la = LowerAscii(a[i]), lb = LowerAscii(b[i]);
        if (la != lb) return static_cast<unsigned char>(la) < static_cast<unsigned char>(lb);
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::vector<DirEntry> ListDirectory(const std::string& folder, std::string_view pattern, bool* ok) {
    std::vector<DirEntry> entries;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (ok != nullptr) *ok = dir != nullptr;
    if (!dir) return entries;
    const std::string prefix = WithTrailingSlash(folder);
    while (const dirent* d = ::readdir(dir.get())) {
        const std::string_view name(d->d_name);
        if (name == "." || name == "..") continue;
        if (!MatchesWildcard(name, pattern)) continue;
        DirEntry entry;
        entry.name = std::string(name);
        const std::string path = prefix + entry.name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0) continue;  // gone meanwhile
        entry.symlink = S_ISLNK(st.st_mode);
        if (entry.symlink && ::stat(path.c_str(), &st) != 0) {
            entries.push_back(std::move(entry));  // dangling: Other
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            entry.kind = DirEntry::Kind::Folder;
        } else if (S_ISREG(st.st_mode)) {
            entry.kind = DirEntry::Kind::File;
            entry.size = static_cast<std::uint64_t>(st.st_size);
        }
        entries.push_back(std::move(entry));
    }
    std::sort(entries.begin(), entries.end(),
              [](const DirEntry& a, const DirEntry& b) { return ListingLess(a.name, b.name); });
    return entries;
}

}  // namespace platform
