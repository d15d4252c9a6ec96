#include "studio/core/ShellUtils.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/com/Com.h"
#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/Listing.h"
#include "platform/files/PathText.h"
#include "platform/files/Trash.h"
#include "platform/lwf/Lwf.h"
#include "platform/prompts/Prompts.h"
#include "platform/registry/Registry.h"
#include "platform/shellns/ShellNamespace.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "studio/core/PidlPath.h"

namespace {

bool EndsWithAny(std::string_view name, std::initializer_list<std::string_view> extensions) {
    if (name.size() < 4) return false;
    return std::any_of(extensions.begin(), extensions.end(),
                       [&](std::string_view e) { return platform::EndsWithNoCase(name, e); });
}

// The file a name stands for: itself, or the first match of the wildcards in its last part.
std::optional<std::string> FirstMatch(const std::string& path) {
    const std::string name = platform::NameOf(path);
    if (!platform::HasWildcards(name)) {
        if (!platform::PathExists(path)) return std::nullopt;
        return path;
    }
    const std::string folder = platform::ParentOf(path);
    const auto entries = platform::ListDirectory(folder, name);
    if (entries.empty()) return std::nullopt;
    return platform::WithTrailingSlash(folder) + entries.front().name;
}

}  // namespace

// ---- File-name tests

bool IsImageFile(std::string_view name) {
    if (EndsWithAny(name, {".jpg", ".jpeg", ".jpe", ".png", ".bmp", ".tga"})) return true;
    return EndsWithAny(name, {".lwf"}) && platform::LwfCodecAvailable();
}

bool IsHtmlFile(std::string_view name) {
    return EndsWithAny(name, {".htm", ".html"});
}

bool IsAnimationFile(std::string_view name) {
    return EndsWithAny(name, {".vte"});
}

// ---- Text helpers

void LowerCaseLetters(char* text) {
    if (text == nullptr) return;
    for (; *text != '\0'; ++text) {
        if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
    }
}

void LowerCaseLetters(std::string& text) {
    LowerCaseLetters(text.data());
}

std::size_t GetFileNameOffset(const char* text) {
    return text == nullptr ? 0 : GetFileNameOffset(std::string_view(text));
}

std::size_t GetFileNameOffset(std::string_view text) {
    const auto last = text.find_last_of("/\\");
    return last == std::string_view::npos ? 0 : last + 1;
}

std::string FolderOf(std::string_view path) {
    return std::string(path.substr(0, GetFileNameOffset(path)));
}

void ReplaceExtension(std::string& text, std::string_view ext) {
    const std::size_t nameStart = GetFileNameOffset(std::string_view(text));
    const auto dot = text.rfind('.');
    if (dot == std::string::npos || dot < nameStart) return;
    text.replace(dot, std::string::npos, ext);
}

void TakeTextAfter(std::string_view marker, std::string& text) {
    const auto at = text.find(marker);
    if (at != std::string::npos) text.erase(0, at + marker.size());
}

std::string CompanionPath(std::string_view path, std::string_view extension) {
    std::string companion(path);
    const std::size_t nameStart = GetFileNameOffset(path);
    const auto dot = companion.rfind('.');
    if (dot == std::string::npos || dot < nameStart) {
        companion.append(extension);
    } else {
        companion.replace(dot, std::string::npos, extension);
    }
    return companion == path ? std::string() : companion;
}

namespace {

// Resolves "." and ".." segments of a path; leading ".." of a relative path stay, a
// rooted path never climbs above its root.
std::string RemoveDotSegments(std::string_view path) {
    const bool rooted = !path.empty() && path.front() == '/';
    std::vector<std::string_view> segments;
    std::size_t start = rooted ? 1 : 0;
    bool trailing = false;
    while (start <= path.size()) {
        const auto slash = path.find('/', start);
        const std::string_view segment = path.substr(
            start, slash == std::string_view::npos ? std::string_view::npos : slash - start);
        trailing = false;
        if (segment == ".") {
            trailing = true;
        } else if (segment == "..") {
            if (!segments.empty() && segments.back() != "..") {
                segments.pop_back();
            } else if (!rooted) {
                segments.push_back(segment);
            }
            trailing = true;
        } else {
            segments.push_back(segment);
        }
        if (slash == std::string_view::npos) break;
        start = slash + 1;
    }
    std::string out = rooted ? "/" : "";
    for (std::size_t i = 0; i < segments.size(); ++i) {
        if (i > 0) out += '/';
        out.append(segments[i]);
    }
    if (trailing && !segments.empty()) out += '/';
    return out;
}

}  // namespace

bool CanonicalizeUrl(std::string& text) {
    constexpr std::size_t kBuffer = 388;  // characters, the terminating zero included
    // The authority (scheme://host) is left as it is; the path loses its dot segments;
    // query and fragment are only unescaped.
    std::string_view whole(text);
    const auto tail = whole.find_first_of("?#");
    std::string_view head = whole.substr(0, tail);
    const std::string_view rest = tail == std::string_view::npos ? "" : whole.substr(tail);
    std::string prefix;
    const auto scheme = head.find("://");
    if (scheme != std::string_view::npos && head.find('/') > scheme) {
        const auto pathStart = head.find('/', scheme + 3);
        prefix = std::string(head.substr(0, pathStart));
        head = pathStart == std::string_view::npos ? "" : head.substr(pathStart);
    }
    const std::string canonical = prefix + RemoveDotSegments(head) + std::string(rest);

    std::string decoded;
    decoded.reserve(canonical.size());
    for (std::size_t i = 0; i < canonical.size(); ++i) {
        if (canonical[i] == '%' && i + 2 < canonical.size()) {
            const int hi = platform::HexDigitValue(canonical[i + 1]);
            const int lo = platform::HexDigitValue(canonical[i + 2]);
            if (hi >= 0 && lo >= 0 && (hi | lo) != 0) {
                decoded += static_cast<char>(hi * 16 + lo);
                i += 2;
                continue;
            }
        }
        decoded += canonical[i];
    }
    if (decoded.size() >= kBuffer) return false;
    text = std::move(decoded);
    return true;
}

bool DisplayNameOf(const platform::shellns::Folder* folder, const std::uint8_t* item,
                   unsigned flags, char* buffer, std::size_t size) {
    if (folder == nullptr || item == nullptr || buffer == nullptr || size == 0) return false;
    const std::optional<std::string> name = folder->GetDisplayNameOf(item, flags);
    if (!name) return false;
    std::size_t length = std::min(name->size(), size - 1);
    // Never end inside a UTF-8 sequence.
    if (length < name->size()) {
        while (length > 0 && (static_cast<unsigned char>((*name)[length]) & 0xC0) == 0x80) --length;
    }
    std::memcpy(buffer, name->data(), length);
    buffer[length] = '\0';
    return true;
}

void FreePidl(PidlPath* path) {
    if (path == nullptr) {
        platform::DebugOutput("Trying to free non pidl\n");
        return;
    }
    path->Free();
}

// ---- File queries

std::uint64_t GetFileSize(const std::string& path) {
    const auto match = FirstMatch(path);
    return match ? platform::FileSizeOf(*match).value_or(0) : 0;
}

bool FileExists(const std::string& path) {
    return FirstMatch(path).has_value();
}

// ---- Shell settings

bool ShowHiddenFiles() {
    platform::RegKey key;
    if (platform::RegKey::Open(platform::Registry::Default(), platform::RegHive::CurrentUser,
                               "Software\\Vantelo\\Shell", key) != platform::RegResult::Ok) {
        return false;
    }
    return key.GetDword("ShowAllObjects").value_or(0) != 0;
}

std::string BrowseForFolder(QWidget* owner, std::string_view title) {
    static std::mutex mutex;
    static std::string remembered;
    std::string start;
    {
        std::lock_guard<std::mutex> lock(mutex);
        start = remembered;
    }
    const auto chosen = platform::CurrentPrompts().BrowseForFolder(owner, title, start);
    if (!chosen || chosen->empty()) return {};
    std::lock_guard<std::mutex> lock(mutex);
    remembered = *chosen;
    return remembered;
}

// ---- Deleting

bool ConfirmDelete(QWidget* owner, const std::vector<std::string>& chosen) {
    if (chosen.empty()) return false;
    std::string text;
    std::string caption;
    if (chosen.size() == 1) {
        std::string path = chosen.front();
        while (path.size() > 1 && path.back() == '/') path.pop_back();
        const std::string name = path.substr(GetFileNameOffset(std::string_view(path)));
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) {
            caption = "Confirm Folder Delete";
            text = "Are you sure you want to move the folder '" + name +
                   "' and all its contents to the Trash?";
        } else {
            caption = "Confirm File Delete";
            text = "Are you sure you want to move '" + name + "' to the Trash?";
        }
    } else {
        caption = "Confirm Multiple File Delete";
        text = platform::FormatC("Are you sure you want to move these %d items to the Trash?",
                                 static_cast<int>(chosen.size()));
    }
    return platform::ShowMessage(owner, text, caption, platform::MessageButtons::YesNo,
                                 platform::MessageIcon::Question,
                                 platform::PromptAnswer::Yes) == platform::PromptAnswer::Yes;
}

bool DeleteFiles(QWidget* owner, const std::vector<std::string>& paths, unsigned flags) {
    bool all = true;
    const auto trash = [&](const std::string& path) {
        const platform::FileError result = platform::MoveToTrash(path);
        if (result == platform::FileError::None) return;
        all = false;
        platform::DebugOutput("Cannot move " + path + " to the Trash\n");
        if ((flags & kDeleteNoErrorUi) == 0) {
            platform::ShowMessage(owner, "Cannot move " + path + " to the Trash.", "Delete",
                                  platform::MessageButtons::Ok, platform::MessageIcon::Error);
        }
    };
    // Names are names, never patterns: a file named "*.jpg" that has gone since it was
    // chosen must not take every picture of its folder with it.
    for (const std::string& path : paths) trash(path);
    return all;
}

bool DeleteMatchingFiles(const std::string& folder, std::string_view pattern, bool force) {
    using Kind = platform::DirEntry::Kind;
    bool all = true;
    const std::string prefix = platform::WithTrailingSlash(folder);
    for (const auto& entry : platform::ListDirectory(folder, pattern)) {
        if (entry.kind == Kind::Folder) {
            platform::DebugOutput("Directories not cleared at the moment\n");
            continue;
        }
        if (entry.kind == Kind::Other && !entry.symlink) {
            platform::DebugOutput("SystemFile should not be here!\n");
            continue;
        }
        const std::string path = prefix + entry.name;
        if (platform::RemoveFile(path) == platform::FileError::None) continue;
        if (force && platform::ClearReadOnly(path) &&
            platform::RemoveFile(path) == platform::FileError::None) {
            continue;
        }
        all = false;
    }
    return all;
}

// ---- Listing

std::vector<std::string> ListFiles(const std::string& folder, std::string_view pattern,
                                   bool recurse) {
    std::vector<std::string> paths;
    const std::string prefix = platform::WithTrailingSlash(folder);
    for (const auto& entry : platform::ListDirectory(folder, pattern)) {
        if (entry.kind == platform::DirEntry::Kind::Folder) {
            if (recurse) paths.push_back(prefix + entry.name);
        } else {
            paths.push_back(prefix + entry.name);
        }
    }
    return paths;
}

// ---- Unique names

std::string MakeUniqueName(const std::string& folder, const std::string& name) {
    const std::string prefix = platform::WithTrailingSlash(folder);
    const auto dot = name.rfind('.');
    std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? "" : name.substr(dot);
    std::string candidate = name;
    long long counter = 1;
    while (platform::PathExists(prefix + candidate)) {
        const auto underscore = base.rfind('_');
        if (underscore != std::string::npos && underscore + 1 < base.size()) {
            const std::string digits = base.substr(underscore + 1);
            const bool allDigits = std::all_of(digits.begin(), digits.end(),
                                               [](char c) { return c >= '0' && c <= '9'; });
            const auto n = allDigits ? platform::ParseInt(digits) : std::nullopt;
            if (n && *n != 0 && *n < (1LL << 40)) {
                counter = *n + 1;
                base.erase(underscore);
            }
        }
        candidate = base + platform::FormatC("_%lld", counter) + extension;
        ++counter;
    }
    return candidate;
}

// ---- The viewer control's registration switch

namespace {

constexpr const char* kViewerControlKey =
    "CLSID\\{7A3E51C2-9B40-4D6E-A815-2F6C0B9D4E73}\\InprocServer32";

bool OpenViewerControlKey(platform::RegKey& key) {
    return platform::RegKey::Open(platform::Registry::Default(), platform::RegHive::ClassesRoot,
                                  kViewerControlKey, key) == platform::RegResult::Ok;
}

// A default value of fewer than 2 bytes holds no library name.
bool HoldsNoLibrary(const platform::RegKey& key) {
    platform::RegValue value;
    if (key.QueryValue("", value) != platform::RegResult::Ok) return true;
    return value.data.size() < 2;
}

}  // namespace

bool IsViewerControlDisabled() {
    platform::RegKey key;
    return OpenViewerControlKey(key) && HoldsNoLibrary(key);
}

bool SetViewerControlEnabled(bool on) {
    platform::RegKey key;
    if (!OpenViewerControlKey(key)) return false;
    // Switching to the state it is in would copy an empty value over the kept library name.
    if (HoldsNoLibrary(key) != on) return true;
    platform::RegValue value;
    if (on) {
        if (key.QueryValue("Disabled", value) != platform::RegResult::Ok) return false;
        return key.SetValue("", value.type, value.data.data(), value.data.size()) ==
               platform::RegResult::Ok;
    }
    if (key.QueryValue("", value) != platform::RegResult::Ok) return false;
    const platform::RegValue empty{platform::RegType::Sz, {0}};
    // Both values change together, so the library name cannot be lost in between.
    return key.SetValues({{"Disabled", value}, {"", empty}}) == platform::RegResult::Ok;
}

bool ProbeViewerControl() {
    const auto clsid = platform::ParseGuid(kViewerControlClsid);
    if (!clsid) return false;
    void* object = nullptr;
    if (platform::Failed(platform::CoCreateInstance(*clsid, nullptr, platform::CLSCTX_INPROC_SERVER,
                                                    platform::IID_IUnknown, &object)) ||
        object == nullptr) {
        return false;
    }
    static_cast<platform::IUnknown*>(object)->Release();
    return true;
}
