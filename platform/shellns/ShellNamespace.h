#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The shell namespace over the real file system.
//
// Places are named by item-id lists: a run of items, each a 16-bit little-endian byte count
// (the two count bytes included) followed by its data, closed by a zero count. An absolute
// list starts at the Desktop: the empty list is the Desktop itself, its one child is the
// Computer, whose children are the drives (the mount points of the system), whose
// children are directory entries. Each item holds a kind byte and a name, nothing else, so
// the list made by parsing a path is byte for byte the list made by walking down to it.
// Every place has exactly one list: a directory entry that is itself a drive is listed
// only under the Computer.
namespace platform::shellns {

using IdList = std::vector<std::uint8_t>;

// Attribute bits.
constexpr std::uint32_t kAttrHidden = 0x00080000;
constexpr std::uint32_t kAttrFileSysAncestor = 0x10000000;
constexpr std::uint32_t kAttrFolder = 0x20000000;
constexpr std::uint32_t kAttrFileSystem = 0x40000000;
constexpr std::uint32_t kAttrHasSubfolder = 0x80000000;

// What EnumObjects lists.
constexpr unsigned kEnumFolders = 0x20;
constexpr unsigned kEnumNonFolders = 0x40;
constexpr unsigned kEnumIncludeHidden = 0x80;

// Display name forms: the plain name; the name relative to its folder; with ForParsing
// the file-system path (relative to the folder with InFolder).
constexpr unsigned kNameNormal = 0;
constexpr unsigned kNameInFolder = 1;
constexpr unsigned kNameForParsing = 0x8000;

enum class SpecialFolder { Desktop, Computer, DesktopDirectory, Home };

// Byte size of a well-formed list, its terminator included (0 for null).
std::size_t ListSize(const std::uint8_t* list);
// Number of items of a well-formed list.
std::size_t ItemCount(const std::uint8_t* list);
// Size of the list at the start of untrusted bytes, or no value when it has an item count
// below 2 or runs past the bytes before its terminator.
std::optional<std::size_t> MeasureList(const std::uint8_t* data, std::size_t available);
// A strict order of lists, item by item: kind, name without regard to (ASCII) case, then
// the bytes; a list that is a prefix of another comes first. Zero exactly when the lists
// are equal byte for byte.
int CompareLists(const std::uint8_t* a, const std::uint8_t* b);

// A folder of the namespace, bound to its absolute list.
class Folder {
public:
    static std::unique_ptr<Folder> Desktop();
    // Null when the list names no folder.
    static std::unique_ptr<Folder> Bind(const std::uint8_t* absolute);

    const IdList& list() const { return list_; }

    // The Desktop parses an absolute path ('.' and '..' resolved by name, trailing '/'
    // ignored) into an absolute list; another folder parses a path relative to itself.
    // Fails when the place does not exist.
    bool ParseDisplayName(std::string_view path, IdList& out) const;
    // Single-item lists of the folder's children, in the order the system gives them.
    // False when the folder cannot be read.
    bool EnumObjects(unsigned flags, std::vector<IdList>& out) const;
    // The attributes of an item below this folder, limited to mask; 0 when it is not there.
    std::uint32_t GetAttributesOf(const std::uint8_t* relative, std::uint32_t mask) const;
    std::unique_ptr<Folder> BindToObject(const std::uint8_t* relative) const;
    std::optional<std::string> GetDisplayNameOf(const std::uint8_t* relative, unsigned flags) const;
    int CompareIDs(const std::uint8_t* a, const std::uint8_t* b) const {
        return CompareLists(a, b);
    }

private:
    explicit Folder(IdList list) : list_(std::move(list)) {}
    IdList list_;
};

// The file-system path of an absolute list; false (and an empty text) for the Desktop,
// the Computer and lists that name nothing.
bool GetPathFromIDList(const std::uint8_t* absolute, std::string& out);
// The absolute list of a special folder; false when it does not exist.
bool GetSpecialFolderLocation(SpecialFolder folder, IdList& out);

// The drives of a mount table in the form of /proc/self/mountinfo: "/" first, then the
// others by name; pseudo file systems and the system's own trees (/proc, /sys, /dev, /run)
// left out, each mount point once.
std::vector<std::string> ParseMountInfo(std::string_view text);
// The drives of this system that are directories now.
std::vector<std::string> Drives();

// True when the folder holds a folder that a listing with `includeHidden` shows: it reads the
// folder only up to the first one. False for a folder that cannot be read.
bool HasSubfolders(const std::string& path, bool includeHidden);

// Hidden files: a leading dot, or the user.hidden attribute; where the file system keeps
// no such attributes, the studio's companion files (.vte, .vtd) count as hidden.
bool IsHiddenFile(const std::string& path);

}  // namespace platform::shellns
