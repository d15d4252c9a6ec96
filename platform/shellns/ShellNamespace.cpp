#include "platform/shellns/ShellNamespace.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>

#include "platform/files/Hidden.h"
#include "platform/shellns/DriveKinds.h"
#include "platform/sync/InParts.h"

namespace platform::shellns {
namespace {

// The kind byte that starts each item's data.
constexpr std::uint8_t kKindComputer = 0x01;
constexpr std::uint8_t kKindDrive = 0x02;
constexpr std::uint8_t kKindEntry = 0x03;

constexpr std::size_t kMaxItemData = 0xFFFF - 2;

std::uint16_t ReadCount(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

struct Item {
    std::uint8_t kind = 0;
    std::string_view name;
    std::string_view bytes;  // the whole item, count included
};

// The items of a well-formed list.
std::vector<Item> Items(const std::uint8_t* list) {
    std::vector<Item> items;
    if (list == nullptr) return items;
    for (std::uint16_t cb = ReadCount(list); cb != 0; list += cb, cb = ReadCount(list)) {
        Item item;
        item.bytes = std::string_view(reinterpret_cast<const char*>(list), cb);
        if (cb >= 3) {
            item.kind = list[2];
            item.name = std::string_view(reinterpret_cast<const char*>(list + 3), cb - 3u);
        }
        items.push_back(item);
    }
    return items;
}

bool AppendItem(IdList& list, std::uint8_t kind, std::string_view name) {
    if (name.size() + 1 > kMaxItemData) return false;
    const auto cb = static_cast<std::uint16_t>(name.size() + 3);
    list.push_back(static_cast<std::uint8_t>(cb & 0xFF));
    list.push_back(static_cast<std::uint8_t>(cb >> 8));
    list.push_back(kind);
    list.insert(list.end(), name.begin(), name.end());
    return true;
}

void Terminate(IdList& list) {
    list.push_back(0);
    list.push_back(0);
}

IdList SingleItem(std::uint8_t kind, std::string_view name) {
    IdList list;
    AppendItem(list, kind, name);
    Terminate(list);
    return list;
}

// An absolute list followed by a relative one.
IdList Concat(const IdList& absolute, const std::uint8_t* relative) {
    IdList out(absolute.begin(), absolute.end() - 2);
    const std::size_t size = ListSize(relative);
    if (size == 0) {
        Terminate(out);
    } else {
        out.insert(out.end(), relative, relative + size);
    }
    return out;
}

bool ValidEntryName(std::string_view name) {
    return !name.empty() && name != "." && name != ".." &&
           name.find_first_of(std::string_view("/\0", 2)) == std::string_view::npos;
}

bool ValidDrive(std::string_view path) {
    if (path == "/") return true;
    if (path.size() < 2 || path.front() != '/' || path.back() == '/') return false;
    std::size_t start = 1;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        if (!ValidEntryName(path.substr(start, end - start))) return false;
        start = end + 1;
    }
    return true;
}

std::string Join(const std::string& folder, std::string_view name) {
    std::string out = folder;
    if (out.empty() || out.back() != '/') out += '/';
    out += name;
    return out;
}

struct Place {
    enum class Kind { Desktop, Computer, Path } kind = Kind::Desktop;
    std::string path;  // for Path
};

// What an absolute list names. Lists from outside (clipboard blocks, drops) reach this, so
// every name is checked: no list leads outside the place its names spell.
std::optional<Place> Resolve(const std::uint8_t* absolute) {
    if (absolute == nullptr) return std::nullopt;
    const std::vector<Item> items = Items(absolute);
    Place place;
    if (items.empty()) return place;
    if (items[0].kind != kKindComputer || !items[0].name.empty()) return std::nullopt;
    place.kind = Place::Kind::Computer;
    if (items.size() == 1) return place;
    if (items[1].kind != kKindDrive || !ValidDrive(items[1].name)) return std::nullopt;
    place.kind = Place::Kind::Path;
    place.path = std::string(items[1].name);
    for (std::size_t i = 2; i < items.size(); ++i) {
        if (items[i].kind != kKindEntry || !ValidEntryName(items[i].name)) return std::nullopt;
        place.path = Join(place.path, items[i].name);
    }
    return place;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Splits an absolute path into names, resolving '.' and '..' by name.
std::optional<std::vector<std::string>> NormalizedNames(std::string_view path) {
    if (path.empty() || path.front() != '/') return std::nullopt;
    std::vector<std::string> names;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t end = path.find('/', start);
        if (end == std::string_view::npos) end = path.size();
        const std::string_view name = path.substr(start, end - start);
        if (name == "..") {
            if (!names.empty()) names.pop_back();
        } else if (!name.empty() && name != ".") {
            if (name.find('\0') != std::string_view::npos) return std::nullopt;
            names.emplace_back(name);
        }
        start = end + 1;
    }
    return names;
}

bool ParseAbsolute(std::string_view path, IdList& out) {
    const auto names = NormalizedNames(path);
    if (!names) return false;
    std::string full = "/";
    for (const std::string& n : *names) full = Join(full, n);
    if (!Exists(full)) return false;

    // The longest drive that holds the path names it; the rest are entries below it.
    std::string drive = "/";
    for (const std::string& d : Drives()) {
        if (d.size() > drive.size() && (full == d || full.rfind(d + "/", 0) == 0)) drive = d;
    }
    std::size_t skip = 0;
    if (drive != "/") skip = static_cast<std::size_t>(std::count(drive.begin(), drive.end(), '/'));

    IdList list;
    AppendItem(list, kKindComputer, "");
    if (!AppendItem(list, kKindDrive, drive)) return false;
    for (std::size_t i = skip; i < names->size(); ++i) {
        if (!AppendItem(list, kKindEntry, (*names)[i])) return false;
    }
    Terminate(list);
    out = std::move(list);
    return true;
}

std::string HomeFolder() {
    if (const char* home = std::getenv("HOME"); home != nullptr && *home == '/') return home;
    if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr) {
        return pw->pw_dir;
    }
    return "/";
}

// The desktop folder as the user's XDG settings name it.
std::string DesktopFolder() {
    const std::string home = HomeFolder();
    std::string config = Join(home, ".config");
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    }
    std::ifstream in(Join(config, "user-dirs.dirs"));
    std::string line;
    while (std::getline(in, line)) {
        constexpr std::string_view key = "XDG_DESKTOP_DIR=\"";
        if (line.rfind(key, 0) != 0 || line.size() < key.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(key.size(), line.size() - key.size() - 1);
        if (value.rfind("$HOME", 0) == 0) value = home + value.substr(5);
        if (!value.empty() && value.front() == '/') return value;
    }
    return Join(home, "Desktop");
}

bool IsPseudoFileSystem(std::string_view type) {
    static const std::set<std::string_view> pseudo = {
        "autofs",    "binfmt_misc", "bpf",      "cgroup",   "cgroup2",     "configfs",
        "debugfs",   "devpts",      "devtmpfs", "efivarfs", "fusectl",     "hugetlbfs",
        "mqueue",    "nsfs",        "proc",     "pstore",   "rpc_pipefs",  "securityfs",
        "selinuxfs", "squashfs",    "sysfs",    "tracefs",  "fuse.portal", "fuse.gvfsd-fuse"};
    return pseudo.count(type) != 0;
}

bool IsSystemTree(std::string_view path) {
    for (const std::string_view root : {"/proc", "/sys", "/dev", "/run"}) {
        if (path == root || path.rfind(std::string(root) + "/", 0) == 0) {
            // Removable media may be mounted below /run/media.
            return !(root == "/run" && path.rfind("/run/media/", 0) == 0);
        }
    }
    return false;
}

}  // namespace

std::size_t ListSize(const std::uint8_t* list) {
    if (list == nullptr) return 0;
    std::size_t size = 0;
    for (std::uint16_t cb = ReadCount(list); cb != 0; cb = ReadCount(list + size)) size += cb;
    return size + 2;
}

std::size_t ItemCount(const std::uint8_t* list) {
    return Items(list).size();
}

std::optional<std::size_t> MeasureList(const std::uint8_t* data, std::size_t available) {
    std::size_t size = 0;
    for (;;) {
        if (available - size < 2) return std::nullopt;
        const std::uint16_t cb = ReadCount(data + size);
        if (cb == 0) return size + 2;
        // Room for the item and at least the terminator after it.
        if (cb < 2 || cb > available - size - 2) return std::nullopt;
        size += cb;
    }
}

int CompareLists(const std::uint8_t* a, const std::uint8_t* b) {
    const std::vector<Item> ia = Items(a);
    const std::vector<Item> ib = Items(b);
    const auto fold = [](char c) {
        return static_cast<unsigned char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    };
    for (std::size_t i = 0; i < ia.size() && i < ib.size(); ++i) {
        if (ia[i].kind != ib[i].kind) return ia[i].kind < ib[i].kind ? -1 : 1;
        const std::string_view na = ia[i].name;
        const std::string_view nb = ib[i].name;
        const std::size_t n = std::min(na.size(), nb.size());
        for (std::size_t k = 0; k < n; ++k) {
            const unsigned char ca = fold(na[k]);
            const unsigned char cb = fold(nb[k]);
            if (ca != cb) return ca < cb ? -1 : 1;
        }
        if (na.size() != nb.size()) return na.size() < nb.size() ? -1 : 1;
        if (const int c = ia[i].bytes.compare(ib[i].bytes); c != 0) return c < 0 ? -1 : 1;
    }
    if (ia.size() != ib.size()) return ia.size() < ib.size() ? -1 : 1;
    return 0;
}

std::unique_ptr<Folder> Folder::Desktop() {
    return std::unique_ptr<Folder>(new Folder({0, 0}));
}

std::unique_ptr<Folder> Folder::Bind(const std::uint8_t* absolute) {
    const auto place = Resolve(absolute);
    if (!place) return nullptr;
    if (place->kind == Place::Kind::Path && !IsDirectory(place->path)) return nullptr;
    const std::size_t size = ListSize(absolute);
    return std::unique_ptr<Folder>(new Folder(IdList(absolute, absolute + size)));
}

bool Folder::ParseDisplayName(std::string_view path, IdList& out) const {
    if (list_.size() == 2) return ParseAbsolute(path, out);
    std::string own;
    if (path.empty() || path.front() == '/' || !GetPathFromIDList(list_.data(), own)) return false;
    IdList full;
    if (!ParseAbsolute(Join(own, path), full)) return false;
    // The result must lie below this folder.
    const std::size_t prefix = list_.size() - 2;
    if (full.size() <= list_.size() ||
        !std::equal(list_.begin(), list_.begin() + static_cast<std::ptrdiff_t>(prefix),
                    full.begin())) {
        return false;
    }
    out.assign(full.begin() + static_cast<std::ptrdiff_t>(prefix), full.end());
    return true;
}

bool Folder::EnumObjects(unsigned flags, std::vector<IdList>& out) const {
    out.clear();
    const auto place = Resolve(list_.data());
    if (!place) return false;
    const bool folders = (flags & kEnumFolders) != 0;
    const bool files = (flags & kEnumNonFolders) != 0;
    if (place->kind == Place::Kind::Desktop) {
        if (folders) out.push_back(SingleItem(kKindComputer, ""));
        return true;
    }
    const std::vector<std::string> drives = Drives();
    if (place->kind == Place::Kind::Computer) {
        if (folders) {
            for (const std::string& d : drives) out.push_back(SingleItem(kKindDrive, d));
        }
        return true;
    }
    DIR* dir = ::opendir(place->path.c_str());
    if (dir == nullptr) return false;
    struct Entry {
        std::string name;
        unsigned char type = DT_UNKNOWN;
        bool listed = false;
    };
    std::vector<Entry> entries;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == ".." || name.size() + 1 > kMaxItemData) continue;
        entries.push_back({std::string(name), entry->d_type});
    }
    ::closedir(dir);
    // Each entry's hidden mark is a call of its own: a large folder is looked at on several
    // threads.
    constexpr std::size_t kEntriesPerPart = 1024;
    const std::set<std::string> driveSet(drives.begin(), drives.end());
    RunInParts(entries.size(), kEntriesPerPart, [&](std::size_t begin, std::size_t end) {
        for (std::size_t i = begin; i < end; ++i) {
            Entry& entry = entries[i];
            const std::string full = Join(place->path, entry.name);
            if (driveSet.count(full) != 0) continue;
            if ((flags & kEnumIncludeHidden) == 0 && IsHiddenFile(full)) continue;
            // The entry's type from the listing where the file system gives it: no stat each.
            const bool isFolder =
                entry.type == DT_DIR ||
                ((entry.type == DT_LNK || entry.type == DT_UNKNOWN) && IsDirectory(full));
            entry.listed = isFolder ? folders : files;
        }
    });
    for (const Entry& entry : entries) {
        if (entry.listed) out.push_back(SingleItem(kKindEntry, entry.name));
    }
    return true;
}

std::uint32_t Folder::GetAttributesOf(const std::uint8_t* relative, std::uint32_t mask) const {
    const auto place = Resolve(Concat(list_, relative).data());
    if (!place) return 0;
    std::uint32_t attributes = 0;
    if (place->kind != Place::Kind::Path) {
        attributes = kAttrFolder | kAttrHasSubfolder | kAttrFileSysAncestor;
    } else {
        struct stat st {};
        if (::stat(place->path.c_str(), &st) != 0 && ::lstat(place->path.c_str(), &st) != 0) {
            return 0;
        }
        if (S_ISDIR(st.st_mode)) {
            attributes = kAttrFolder | kAttrFileSystem | kAttrFileSysAncestor;
            if ((mask & kAttrHasSubfolder) != 0 && HasSubfolders(place->path, true)) {
                attributes |= kAttrHasSubfolder;
            }
        } else {
            attributes = kAttrFileSystem;
        }
        if ((mask & kAttrHidden) != 0 && IsHiddenFile(place->path)) attributes |= kAttrHidden;
    }
    return attributes & mask;
}

std::unique_ptr<Folder> Folder::BindToObject(const std::uint8_t* relative) const {
    return Bind(Concat(list_, relative).data());
}

std::optional<std::string> Folder::GetDisplayNameOf(const std::uint8_t* relative,
                                                    unsigned flags) const {
    const IdList full = Concat(list_, relative);
    const auto place = Resolve(full.data());
    if (!place) return std::nullopt;
    switch (place->kind) {
        case Place::Kind::Desktop:
            return std::string("Desktop");
        case Place::Kind::Computer:
            return std::string("Computer");
        case Place::Kind::Path:
            break;
    }
    if ((flags & kNameForParsing) != 0 && (flags & kNameInFolder) == 0) return place->path;
    return std::string(Items(full.data()).back().name);
}

bool GetPathFromIDList(const std::uint8_t* absolute, std::string& out) {
    out.clear();
    const auto place = Resolve(absolute);
    if (!place || place->kind != Place::Kind::Path) return false;
    out = place->path;
    return true;
}

bool GetSpecialFolderLocation(SpecialFolder folder, IdList& out) {
    switch (folder) {
        case SpecialFolder::Desktop:
            out = {0, 0};
            return true;
        case SpecialFolder::Computer:
            out = SingleItem(kKindComputer, "");
            return true;
        case SpecialFolder::DesktopDirectory:
            return ParseAbsolute(DesktopFolder(), out);
        case SpecialFolder::Home:
            return ParseAbsolute(HomeFolder(), out);
    }
    return false;
}

std::vector<std::string> ParseMountInfo(std::string_view text) {
    std::set<std::string> others;
    for (const MountEntry& entry : ParseMountEntries(text)) {
        if (!ValidDrive(entry.point) || IsPseudoFileSystem(entry.type) ||
            IsSystemTree(entry.point)) {
            continue;
        }
        if (entry.point != "/") others.insert(entry.point);
    }
    std::vector<std::string> drives{"/"};
    drives.insert(drives.end(), others.begin(), others.end());
    return drives;
}

std::vector<std::string> Drives() {
    std::ifstream in("/proc/self/mountinfo");
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::vector<std::string> drives = ParseMountInfo(text);
    // Mount points over single files (a container's configuration files) are no drives.
    drives.erase(std::remove_if(drives.begin() + 1, drives.end(),
                                [](const std::string& d) { return !IsDirectory(d); }),
                 drives.end());
    return drives;
}

bool IsHiddenFile(const std::string& path) {
    return platform::IsHidden(path);
}

bool HasSubfolders(const std::string& path, bool includeHidden) {
    DIR* dir = ::opendir(path.c_str());
    if (dir == nullptr) return false;
    bool found = false;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") continue;
        if (entry->d_type != DT_DIR && entry->d_type != DT_LNK && entry->d_type != DT_UNKNOWN) {
            continue;
        }
        const std::string full = Join(path, name);
        if (entry->d_type != DT_DIR && !IsDirectory(full)) continue;
        if (!includeHidden && IsHiddenFile(full)) continue;
        found = true;
        break;
    }
    ::closedir(dir);
    return found;
}

}  // namespace platform::shellns
