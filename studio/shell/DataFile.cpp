#include "studio/shell/DataFile.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/text/Ascii.h"
#include "studio/core/DataFolder.h"

namespace {

// The entry of `folder` named `name`, exactly or else without regard to case; empty when
// there is none.
std::string MatchEntry(const std::string& folder, const std::string& name) {
    std::error_code error;
    if (std::filesystem::exists(folder + name, error)) return name;
    std::filesystem::directory_iterator it(folder.empty() ? "." : folder, error);
    if (error) return {};
    for (; it != std::filesystem::directory_iterator(); it.increment(error)) {
        if (error) break;
        std::string entry = it->path().filename().string();
        if (platform::EqualsNoCase(entry, name)) return entry;
    }
    return {};
}

}  // namespace

std::string FindFileBelow(const std::string& folder, std::string_view relative) {
    std::string base = folder;
    if (!base.empty() && base.back() != '/') base += '/';
    std::string written(relative);
    std::replace(written.begin(), written.end(), '\\', '/');

    std::string found = base;
    std::size_t start = 0;
    while (start <= written.size()) {
        std::size_t end = written.find('/', start);
        if (end == std::string::npos) end = written.size();
        const std::string name = written.substr(start, end - start);
        start = end + 1;
        if (name.empty()) continue;
        if (name == "." || name == "..") {
            found += name + "/";
            continue;
        }
        const std::string entry = MatchEntry(found, name);
        if (entry.empty()) return base + written;
        found += entry;
        if (end < written.size()) found += '/';
    }
    return found;
}

std::string FindDataFile(std::string_view relative) {
    return FindFileBelow(GetDataFolder(), relative);
}
