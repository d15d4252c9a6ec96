#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace platform {

namespace hive {
struct Key;
}

// The three roots the system uses. ClassesRoot is another name for
// LocalMachine\Software\Classes: both reach the same keys.
enum class RegHive { CurrentUser, LocalMachine, ClassesRoot };

// Value types, numbered as the stored files number them. Other numbers may be stored and
// read back as they are.
enum class RegType : std::uint32_t { None = 0, Sz = 1, Binary = 3, Dword = 4 };

enum class RegResult {
    Ok,
    NotFound,         // no such key or value, or the key was deleted meanwhile
    Damaged,          // the hive file cannot be read as a hive; it is left untouched
    IoError,          // the hive could not be written (or its folder not created)
    InvalidArgument,  // a name that cannot be a key name, a key nested over 512 deep,
                      // or a closed key
    HasSubkeys,       // DeleteSubKey of a key that still has subkeys
};

struct RegValue {
    RegType type = RegType::None;
    std::vector<std::uint8_t> data;

    static RegValue Dword(std::uint32_t value);
    // A string with its terminating zero.
    static RegValue String(std::string_view text);
    // The data as a little-endian 32-bit number when it has exactly 4 bytes, whatever the
    // type.
    std::optional<std::uint32_t> FourBytes() const;
};

// One store of hives: a folder holding one plain-text file per hive. Every operation reads
// the file afresh and every change rewrites it whole (a temporary file renamed over it)
// under an exclusive lock, so several processes may share one store.
class Registry {
public:
    explicit Registry(std::string folder);

    // VANTELO_REGISTRY_DIR when set, else $XDG_CONFIG_HOME/vantelo/registry, else
    // $HOME/.config/vantelo/registry.
    static std::string DefaultFolder();
    // The store of DefaultFolder(), resolved at first use.
    static Registry& Default();

    const std::string& folder() const { return folder_; }
    std::string HivePath(RegHive hive) const;

private:
    std::string folder_;
};

// An open key: a store, a hive and a path. Keys are matched without regard to case (ASCII)
// and keep the case they were created with; so are value names. A key object stays usable
// while another process changes the hive; when its key is deleted, its operations give
// NotFound.
class RegKey {
public:
    RegKey() = default;

    // Opens an existing key; an empty path opens the hive's root.
    static RegResult Open(Registry& registry, RegHive hive, std::string_view path, RegKey& out);
    // Opens a key, creating it and its missing parents (each new key gets className).
    static RegResult Create(Registry& registry, RegHive hive, std::string_view path,
                            std::string_view className, RegKey& out, bool* created = nullptr);
    RegResult OpenSubKey(std::string_view path, RegKey& out) const;
    RegResult CreateSubKey(std::string_view path, std::string_view className, RegKey& out,
                           bool* created = nullptr) const;

    bool IsOpen() const { return registry_ != nullptr; }
    void Close();
    // The key's path below its hive's file root, '\\' between names.
    std::string path() const;

    RegResult QueryValue(std::string_view name, RegValue& out) const;
    // Reads several values with one read of the hive: out[i] holds names[i]'s value, or
    // nothing when there is no such value.
    RegResult QueryValues(const std::vector<std::string_view>& names,
                          std::vector<std::optional<RegValue>>& out) const;
    RegResult SetValue(std::string_view name, RegType type, const void* data,
                       std::size_t size) const;
    // Writes several values in one change of the hive: all of them or none.
    RegResult SetValues(const std::vector<std::pair<std::string, RegValue>>& values) const;
    RegResult DeleteValue(std::string_view name) const;

    // Typed forms. A string is stored as Sz with its terminating zero; reading takes the
    // text up to the first zero of an Sz value. A Dword reads only from a 4-byte Dword.
    RegResult SetString(std::string_view name, std::string_view text) const;
    RegResult SetDword(std::string_view name, std::uint32_t value) const;
    RegResult SetBinary(std::string_view name, const std::vector<std::uint8_t>& bytes) const;
    std::optional<std::string> GetString(std::string_view name) const;
    std::optional<std::uint32_t> GetDword(std::string_view name) const;

    RegResult GetClass(std::string& out) const;
    // Names in the order enumeration gives them: subkeys sorted without regard to case,
    // values in the order they were first set.
    RegResult EnumSubKeys(std::vector<std::string>& names) const;
    RegResult EnumValues(std::vector<std::string>& names) const;

    // Deletes a key below this one that has no subkeys of its own.
    RegResult DeleteSubKey(std::string_view path) const;
    // Deletes a key below this one with everything under it.
    RegResult DeleteTree(std::string_view path) const;

private:
    static RegKey Root(Registry& registry, RegHive hive);
    // Reads the hive afresh into root and points key at this key inside it.
    RegResult Find(hive::Key& root, const hive::Key*& key) const;
    RegResult DeleteKey(std::string_view path, bool withSubkeys) const;

    Registry* registry_ = nullptr;
    RegHive file_ = RegHive::CurrentUser;  // CurrentUser or LocalMachine
    std::vector<std::string> path_;        // from the file's root, as the caller spelled it
};

}  // namespace platform
