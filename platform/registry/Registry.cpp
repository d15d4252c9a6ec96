#include "platform/registry/Registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>

#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/files/UniqueFd.h"
#include "platform/registry/Hive.h"

namespace platform {
namespace {

constexpr std::size_t kMaxHiveBytes = 64u << 20;

const char* HiveFileName(RegHive hive) {
    return hive == RegHive::CurrentUser ? "current-user.hive" : "local-machine.hive";
}

// The classes root lives inside the local machine's file.
const std::vector<std::string>& ClassesPrefix() {
    static const std::vector<std::string> prefix{"Software", "Classes"};
    return prefix;
}

enum class ReadStatus { Ok, Missing, Damaged, IoError };

ReadStatus ReadWhole(const std::string& path, std::string& out) {
    UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0) return errno == ENOENT ? ReadStatus::Missing : ReadStatus::IoError;
    out.clear();
    char buffer[65536];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            return ReadStatus::IoError;
        }
        if (n == 0) break;
        out.append(buffer, static_cast<std::size_t>(n));
        if (out.size() > kMaxHiveBytes) return ReadStatus::Damaged;
    }
    return ReadStatus::Ok;
}

// Reads a hive file; a missing file is an empty hive. A file that is there but cannot be
// read as a hive is reported and never taken as empty, so that no write replaces it.
RegResult LoadHive(const std::string& path, hive::Key& root) {
    std::string text;
    switch (ReadWhole(path, text)) {
        case ReadStatus::Missing:
            root = hive::Key{};
            return RegResult::Ok;
        case ReadStatus::IoError:
            platform::DebugOutput("Registry file " + path + " cannot be read\n");
            return RegResult::IoError;
        case ReadStatus::Damaged:
            platform::DebugOutput("Registry file " + path + " is damaged (too large)\n");
            return RegResult::Damaged;
        case ReadStatus::Ok:
            break;
    }
    int badLine = 0;
    auto parsed = hive::Parse(text, &badLine);
    if (!parsed) {
        platform::DebugOutput("Registry file " + path + " is damaged at line " +
                              std::to_string(badLine) + "\n");
        return RegResult::Damaged;
    }
    root = std::move(*parsed);
    return RegResult::Ok;
}

// Replaces the hive whole, so a reader sees the old file or the new one, never a part.
// A hive is the user's own: a new one is readable by its owner alone.
RegResult StoreHive(const std::string& path, const hive::Key& root) {
    const std::string text = hive::Serialize(root);
    // A hive larger than a read accepts would make every key of it unreadable.
    if (text.size() > kMaxHiveBytes) {
        platform::DebugOutput("Registry file " + path + " would be too large\n");
        return RegResult::IoError;
    }
    ReplaceOptions options;
    options.newFileMode = 0600;
    if (WriteFileReplacing(path, text, options) != FileError::None) {
        platform::DebugOutput("Registry file " + path + " cannot be written\n");
        return RegResult::IoError;
    }
    return RegResult::Ok;
}

// Runs one change of a hive: lock, read afresh, change, write. The change's own result is
// passed on and nothing is written unless it is Ok.
RegResult ChangeHive(const Registry& registry, RegHive file,
                     const std::function<RegResult(hive::Key&)>& change) {
    std::error_code ec;
    std::filesystem::create_directories(registry.folder(), ec);
    const std::string path = registry.HivePath(file);
    UniqueFd lock(::open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
    if (lock.get() < 0) {
        platform::DebugOutput("Registry lock " + path + ".lock cannot be opened\n");
        return RegResult::IoError;
    }
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return RegResult::IoError;
    }
    hive::Key root;
    if (const RegResult r = LoadHive(path, root); r != RegResult::Ok) return r;
    if (const RegResult r = change(root); r != RegResult::Ok) return r;
    return StoreHive(path, root);
}

std::string JoinPath(const std::vector<std::string>& names) {
    std::string out;
    for (const std::string& n : names) {
        if (!out.empty()) out += '\\';
        out += n;
    }
    return out;
}

}  // namespace

Registry::Registry(std::string folder) : folder_(std::move(folder)) {}

std::string Registry::DefaultFolder() {
    if (const char* dir = std::getenv("VANTELO_REGISTRY_DIR"); dir != nullptr && *dir != '\0') {
        return dir;
    }
    std::string config;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg != nullptr && *xdg == '/') {
        config = xdg;
    } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        config = std::string(home) + "/.config";
    } else {
        config = ".config";
    }
    return config + "/vantelo/registry";
}

Registry& Registry::Default() {
    static Registry registry(DefaultFolder());
    return registry;
}

std::string Registry::HivePath(RegHive hive) const {
    const RegHive file = hive == RegHive::ClassesRoot ? RegHive::LocalMachine : hive;
    return folder_ + "/" + HiveFileName(file);
}

RegKey RegKey::Root(Registry& registry, RegHive hive) {
    RegKey root;
    root.registry_ = &registry;
    root.file_ = hive == RegHive::CurrentUser ? RegHive::CurrentUser : RegHive::LocalMachine;
    if (hive == RegHive::ClassesRoot) root.path_ = ClassesPrefix();
    return root;
}

RegResult RegKey::Open(Registry& registry, RegHive hive, std::string_view path, RegKey& out) {
    return Root(registry, hive).OpenSubKey(path, out);
}

RegResult RegKey::Create(Registry& registry, RegHive hive, std::string_view path,
                         std::string_view className, RegKey& out, bool* created) {
    return Root(registry, hive).CreateSubKey(path, className, out, created);
}

RegResult RegKey::OpenSubKey(std::string_view path, RegKey& out) const {
    if (!IsOpen()) return RegResult::InvalidArgument;
    auto names = hive::SplitPath(path);
    if (!names) return RegResult::InvalidArgument;
    if (path_.size() + names->size() > hive::kMaxKeyDepth) return RegResult::InvalidArgument;
    RegKey key = *this;
    key.path_.insert(key.path_.end(), names->begin(), names->end());
    hive::Key root;
    const hive::Key* found = nullptr;
    if (const RegResult r = key.Find(root, found); r != RegResult::Ok) return r;
    out = std::move(key);
    return RegResult::Ok;
}

RegResult RegKey::CreateSubKey(std::string_view path, std::string_view className, RegKey& out,
                               bool* created) const {
    if (!IsOpen()) return RegResult::InvalidArgument;
    auto names = hive::SplitPath(path);
    if (!names) return RegResult::InvalidArgument;
    if (path_.size() + names->size() > hive::kMaxKeyDepth) return RegResult::InvalidArgument;
    RegKey key = *this;
    key.path_.insert(key.path_.end(), names->begin(), names->end());
    bool made = false;
    hive::Key probe;
    if (LoadHive(registry_->HivePath(file_), probe) == RegResult::Ok &&
        probe.Find(key.path_) != nullptr) {
        // Already there: no write, so opening for writing never touches the file.
    } else {
        const RegResult r = ChangeHive(*registry_, file_, [&](hive::Key& root) {
            hive::Key* k = &root;
            for (const std::string& name : key.path_) {
                auto [it, inserted] = k->subkeys.try_emplace(hive::Fold(name));
                if (inserted) {
                    it->second.name = name;
                    it->second.className = std::string(className);
                    made = true;
                }
                k = &it->second;
            }
            return RegResult::Ok;
        });
        if (r != RegResult::Ok) return r;
    }
    if (created != nullptr) *created = made;
    out = std::move(key);
    return RegResult::Ok;
}

void RegKey::Close() {
    registry_ = nullptr;
    path_.clear();
}

std::string RegKey::path() const {
    return JoinPath(path_);
}

RegResult RegKey::QueryValue(std::string_view name, RegValue& out) const {
    hive::Key root;
    const hive::Key* key = nullptr;
    if (const RegResult r = Find(root, key); r != RegResult::Ok) return r;
    const hive::Value* value = key->FindValue(name);
    if (value == nullptr) return RegResult::NotFound;
    out = value->value;
    return RegResult::Ok;
}

RegResult RegKey::QueryValues(const std::vector<std::string_view>& names,
                              std::vector<std::optional<RegValue>>& out) const {
    hive::Key root;
    const hive::Key* key = nullptr;
    if (const RegResult r = Find(root, key); r != RegResult::Ok) return r;
    out.assign(names.size(), std::nullopt);
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (const hive::Value* value = key->FindValue(names[i])) out[i] = value->value;
    }
    return RegResult::Ok;
}

RegResult RegKey::SetValue(std::string_view name, RegType type, const void* data,
                           std::size_t size) const {
    RegValue value;
    value.type = type;
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    if (size != 0) value.data.assign(bytes, bytes + size);
    return SetValues({{std::string(name), std::move(value)}});
}

RegResult RegKey::SetValues(const std::vector<std::pair<std::string, RegValue>>& values) const {
    if (!IsOpen()) return RegResult::InvalidArgument;
    return ChangeHive(*registry_, file_, [&](hive::Key& root) {
        hive::Key* key = root.Find(path_);
        if (key == nullptr) return RegResult::NotFound;
        for (const auto& [name, value] : values) {
            if (hive::Value* existing = key->FindValue(name)) {
                existing->value = value;
            } else {
                key->values.push_back({name, value});
            }
        }
        return RegResult::Ok;
    });
}

RegResult RegKey::DeleteValue(std::string_view name) const {
    if (!IsOpen()) return RegResult::InvalidArgument;
    return ChangeHive(*registry_, file_, [&](hive::Key& root) {
        hive::Key* key = root.Find(path_);
        if (key == nullptr) return RegResult::NotFound;
        const std::string folded = hive::Fold(name);
        for (auto it = key->values.begin(); it != key->values.end(); ++it) {
            if (hive::Fold(it->name) == folded) {
                key->values.erase(it);
                return RegResult::Ok;
            }
        }
        return RegResult::NotFound;
    });
}

RegResult RegKey::SetString(std::string_view name, std::string_view text) const {
    return SetValues({{std::string(name), RegValue::String(text)}});
}

RegResult RegKey::SetDword(std::string_view name, std::uint32_t value) const {
    return SetValues({{std::string(name), RegValue::Dword(value)}});
}

RegResult RegKey::SetBinary(std::string_view name, const std::vector<std::uint8_t>& bytes) const {
    return SetValue(name, RegType::Binary, bytes.data(), bytes.size());
}

std::optional<std::string> RegKey::GetString(std::string_view name) const {
    RegValue value;
    if (QueryValue(name, value) != RegResult::Ok || value.type != RegType::Sz) return std::nullopt;
    std::string text(value.data.begin(), value.data.end());
    const std::size_t zero = text.find('\0');
    if (zero != std::string::npos) text.resize(zero);
    return text;
}

std::optional<std::uint32_t> RegKey::GetDword(std::string_view name) const {
    RegValue value;
    if (QueryValue(name, value) != RegResult::Ok || value.type != RegType::Dword) {
        return std::nullopt;
    }
    return value.FourBytes();
}

RegResult RegKey::Find(hive::Key& root, const hive::Key*& key) const {
    key = nullptr;
    if (!IsOpen()) return RegResult::InvalidArgument;
    if (const RegResult r = LoadHive(registry_->HivePath(file_), root); r != RegResult::Ok) {
        return r;
    }
    key = root.Find(path_);
    if (key != nullptr) return RegResult::Ok;
    // The classes root is there before anything is stored in it: it is simply empty.
    if (path_ == ClassesPrefix()) {
        static const hive::Key empty;
        key = &empty;
        return RegResult::Ok;
    }
    return RegResult::NotFound;
}

RegResult RegKey::GetClass(std::string& out) const {
    hive::Key root;
    const hive::Key* key = nullptr;
    if (const RegResult r = Find(root, key); r != RegResult::Ok) return r;
    out = key->className;
    return RegResult::Ok;
}

RegResult RegKey::EnumSubKeys(std::vector<std::string>& names) const {
    hive::Key root;
    const hive::Key* key = nullptr;
    if (const RegResult r = Find(root, key); r != RegResult::Ok) return r;
    names.clear();
    for (const auto& [folded, sub] : key->subkeys) names.push_back(sub.name);
    return RegResult::Ok;
}

RegResult RegKey::EnumValues(std::vector<std::string>& names) const {
    hive::Key root;
    const hive::Key* key = nullptr;
    if (const RegResult r = Find(root, key); r != RegResult::Ok) return r;
    names.clear();
    for (const hive::Value& v : key->values) names.push_back(v.name);
    return RegResult::Ok;
}

RegResult RegKey::DeleteSubKey(std::string_view path) const {
    return DeleteKey(path, false);
}

RegResult RegKey::DeleteTree(std::string_view path) const {
    return DeleteKey(path, true);
}

RegResult RegKey::DeleteKey(std::string_view path, bool withSubkeys) const {
    if (!IsOpen()) return RegResult::InvalidArgument;
    auto names = hive::SplitPath(path);
    if (!names || names->empty()) return RegResult::InvalidArgument;
    std::vector<std::string> parentPath = path_;
    parentPath.insert(parentPath.end(), names->begin(), names->end() - 1);
    const std::string last = hive::Fold(names->back());
    return ChangeHive(*registry_, file_, [&](hive::Key& root) {
        hive::Key* parent = root.Find(parentPath);
        if (parent == nullptr) return RegResult::NotFound;
        const auto it = parent->subkeys.find(last);
        if (it == parent->subkeys.end()) return RegResult::NotFound;
        if (!withSubkeys && !it->second.subkeys.empty()) return RegResult::HasSubkeys;
        parent->subkeys.erase(it);
        return RegResult::Ok;
    });
}

RegValue RegValue::Dword(std::uint32_t value) {
    return {RegType::Dword,
            {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
             static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)}};
}

RegValue RegValue::String(std::string_view text) {
    RegValue value{RegType::Sz, {text.begin(), text.end()}};
    value.data.push_back(0);
    return value;
}

std::optional<std::uint32_t> RegValue::FourBytes() const {
    if (data.size() != 4) return std::nullopt;
    return data[0] | (data[1] << 8) | (data[2] << 16) | (static_cast<std::uint32_t>(data[3]) << 24);
}

}  // namespace platform
