#include "platform/shellns/DriveKinds.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>

#include <algorithm>
#include <charconv>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "platform/shellns/ShellNamespace.h"

namespace platform::shellns {
namespace {

// Mount points escape blanks and backslashes as three octal digits.
std::string UnescapeMountPath(std::string_view text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\\' && i + 3 < text.size() &&
            std::all_of(text.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                        text.begin() + static_cast<std::ptrdiff_t>(i) + 4,
                        [](char c) { return c >= '0' && c <= '7'; })) {
            out += static_cast<char>((text[i + 1] - '0') * 64 + (text[i + 2] - '0') * 8 +
                                     (text[i + 3] - '0'));
            i += 3;
        } else {
            out += text[i];
        }
    }
    return out;
}

bool ParseDevice(std::string_view text, std::uint32_t& major, std::uint32_t& minor) {
    const std::size_t colon = text.find(':');
    if (colon == std::string_view::npos) return false;
    const char* end = text.data() + text.size();
    const auto first = std::from_chars(text.data(), text.data() + colon, major);
    const auto second = std::from_chars(text.data() + colon + 1, end, minor);
    return first.ec == std::errc() && first.ptr == text.data() + colon &&
           second.ec == std::errc() && second.ptr == end;
}

std::string ReadMountTable() {
    std::ifstream in("/proc/self/mountinfo");
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

bool ReadFlag(const std::string& path) {
    std::ifstream in(path);
    char c = 0;
    return in.get(c) && c == '1';
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

std::vector<MountEntry> ParseMountEntries(std::string_view text) {
    std::vector<MountEntry> entries;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;

        // id parent major:minor root mount-point options [optional...] - type source ...
        std::vector<std::string_view> fields;
        std::size_t s = 0;
        while (s < line.size()) {
            const std::size_t e = std::min(line.find(' ', s), line.size());
            if (e > s) fields.push_back(line.substr(s, e - s));
            s = e + 1;
        }
        const auto dash = std::find(fields.begin(), fields.end(), "-");
        if (fields.size() < 5 || dash == fields.end() || dash + 1 == fields.end()) continue;
        MountEntry entry;
        if (!ParseDevice(fields[2], entry.major, entry.minor)) entry.major = entry.minor = 0;
        entry.point = UnescapeMountPath(fields[4]);
        entry.type = std::string(*(dash + 1));
        if (dash + 2 != fields.end()) entry.source = UnescapeMountPath(*(dash + 2));
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool IsRemovableBlockDevice(std::uint32_t major, std::uint32_t minor) {
    const std::string device =
        "/sys/dev/block/" + std::to_string(major) + ":" + std::to_string(minor);
    if (ReadFlag(device + "/removable")) return true;
    // A partition keeps no flag of its own: its disk is the folder above it.
    struct stat st {};
    return ::stat((device + "/partition").c_str(), &st) == 0 && ReadFlag(device + "/../removable");
}

DriveKind KindOfMount(const MountEntry& mount, const RemovableProbe& removable) {
    static const std::set<std::string_view> remote = {
        "nfs", "nfs4", "cifs", "smb3", "smbfs", "sshfs", "fuse.sshfs", "9p", "afs", "ncpfs"};
    const std::string_view type = mount.type;
    if (type == "iso9660" || type == "udf") return DriveKind::CdRom;
    if (remote.count(type) != 0) return DriveKind::Remote;
    if (type == "tmpfs" || type == "ramfs") return DriveKind::RamDisk;
    // Only block devices (not the anonymous devices of major 0) have a medium to take out.
    if (mount.major != 0 && mount.source.rfind("/dev/", 0) == 0 && removable &&
        removable(mount.major, mount.minor)) {
        return DriveKind::Removable;
    }
    return DriveKind::Fixed;
}

std::vector<DriveInfo> ParseDriveKinds(std::string_view text, const RemovableProbe& removable) {
    std::map<std::string, const MountEntry*> last;
    const std::vector<MountEntry> entries = ParseMountEntries(text);
    for (const MountEntry& entry : entries) last[entry.point] = &entry;
    std::vector<DriveInfo> drives;
    for (std::string& root : ParseMountInfo(text)) {
        const auto found = last.find(root);
        const DriveKind kind =
            found != last.end() ? KindOfMount(*found->second, removable) : DriveKind::Fixed;
        drives.push_back({std::move(root), kind});
    }
    return drives;
}

std::vector<DriveInfo> DriveKinds() {
    std::vector<DriveInfo> drives = ParseDriveKinds(ReadMountTable(), IsRemovableBlockDevice);
    // As Drives(): mount points over single files are no drives.
    drives.erase(
        std::remove_if(drives.begin(), drives.end(),
                       [](const DriveInfo& d) { return d.root != "/" && !IsDirectory(d.root); }),
        drives.end());
    return drives;
}

DriveKind GetDriveKind(const std::string& root) {
    for (const DriveInfo& drive : DriveKinds()) {
        if (drive.root == root) return drive.kind;
    }
    return DriveKind::NoRootDir;
}

const DriveInfo* DriveOf(const std::vector<DriveInfo>& drives, std::string_view path) {
    const DriveInfo* best = nullptr;
    for (const DriveInfo& drive : drives) {
        const std::string_view root = drive.root;
        bool holds = path == root;
        if (!holds && root == "/") holds = path.rfind('/', 0) == 0;
        if (!holds && path.size() > root.size()) {
            holds = path.substr(0, root.size()) == root && path[root.size()] == '/';
        }
        if (holds && (best == nullptr || root.size() > best->root.size())) best = &drive;
    }
    return best;
}

std::optional<std::string> GetVolumeId(const std::string& root) {
    const MountEntry* mount = nullptr;
    const std::vector<MountEntry> entries = ParseMountEntries(ReadMountTable());
    for (const MountEntry& entry : entries) {
        if (entry.point == root) mount = &entry;
    }
    if (mount == nullptr) return std::nullopt;
    const dev_t device = makedev(mount->major, mount->minor);
    if (DIR* dir = ::opendir("/dev/disk/by-uuid")) {
        std::optional<std::string> uuid;
        while (const dirent* entry = ::readdir(dir)) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            struct stat st {};
            if (::stat(("/dev/disk/by-uuid/" + name).c_str(), &st) == 0 && S_ISBLK(st.st_mode) &&
                st.st_rdev == device) {
                uuid = "uuid:" + name;
                break;
            }
        }
        ::closedir(dir);
        if (uuid) return uuid;
    }
    return "dev:" + std::to_string(mount->major) + ":" + std::to_string(mount->minor);
}

}  // namespace platform::shellns
