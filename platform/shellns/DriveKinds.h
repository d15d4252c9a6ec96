#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What kind of drive a mount point is, and which medium it holds. The numbers are the
// drive types the studio has always used, so a stored or logged value keeps its meaning.
namespace platform::shellns {

enum class DriveKind : int {
    Unknown = 0,
    NoRootDir = 1,
    Removable = 2,
    Fixed = 3,
    Remote = 4,
    CdRom = 5,
    RamDisk = 6,
};

// One line of a mount table in the form of /proc/self/mountinfo.
struct MountEntry {
    std::string point;   // unescaped
    std::string type;    // the file system
    std::string source;  // unescaped
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
};

// Every well-formed line, in order.
std::vector<MountEntry> ParseMountEntries(std::string_view text);

// Whether the block device's medium can be taken out.
using RemovableProbe = std::function<bool(std::uint32_t major, std::uint32_t minor)>;
// The system's answer, from the "removable" flag in sysfs of the disk or, for a
// partition, of the disk that holds it.
bool IsRemovableBlockDevice(std::uint32_t major, std::uint32_t minor);

DriveKind KindOfMount(const MountEntry& mount, const RemovableProbe& removable);

struct DriveInfo {
    std::string root;
    DriveKind kind = DriveKind::Unknown;
};

// The drives of a mount table (as ParseMountInfo lists them) with their kinds; a mount
// point mounted over takes the kind of what was mounted last.
std::vector<DriveInfo> ParseDriveKinds(std::string_view text, const RemovableProbe& removable);
// This system's drives with their kinds.
std::vector<DriveInfo> DriveKinds();
// The kind of the drive whose root is `root`; NoRootDir when no drive has that root.
DriveKind GetDriveKind(const std::string& root);

// The drive that holds `path`: the one with the longest root that is `path` or a folder
// above it; null when none does.
const DriveInfo* DriveOf(const std::vector<DriveInfo>& drives, std::string_view path);

// What tells one medium of a drive from another: the file system's UUID, else the
// device number. None when the drive is not mounted.
std::optional<std::string> GetVolumeId(const std::string& root);

}  // namespace platform::shellns
