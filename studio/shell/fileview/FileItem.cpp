#include "studio/shell/fileview/FileItem.h"

#include <sys/stat.h>

#include <mutex>
#include <unordered_map>

#include <QMimeDatabase>

#include "studio/core/ShellUtils.h"

std::unique_ptr<FileItem> CreateItem(std::shared_ptr<const platform::shellns::Folder> folder,
                                     const PidlPath& folderPath, const PidlPath& item,
                                     bool isFolder) {
    auto record = std::make_unique<FileItem>();
    record->folder = std::move(folder);
    if (!item.IsValid()) return record;
    record->item = item;
    if (folderPath.IsValid()) {
        record->path = folderPath;
        record->path.Append(item);
    } else {
        record->path = item;
    }
    record->fullPath = record->path.GetPath();
    record->filePath = record->fullPath;
    LowerCaseLetters(record->filePath);
    record->kind = isFolder ? kKindFolder : kKindOther;
    return record;
}

bool IsListedFile(std::string_view path) {
    return IsImageFile(path) || IsHtmlFile(path);
}

std::string IconNameFor(const std::string& path, bool isFolder) {
    if (isFolder) return "folder";
    static const QMimeDatabase database;
    // Listed files are typed by their extension alone, so one look-up per extension serves a
    // folder of thousands.
    static std::mutex cacheMutex;
    static std::unordered_map<std::string, std::string> byExtension;
    const std::size_t slash = path.rfind('/');
    const std::size_t dot = path.rfind('.');
    std::string extension;
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        extension = path.substr(dot);
        LowerCaseLetters(extension);
        std::lock_guard hold(cacheMutex);
        if (const auto found = byExtension.find(extension); found != byExtension.end()) {
            return found->second;
        }
    }
    const QMimeType type =
        database.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
    std::string name = type.iconName().toStdString();
    if (!extension.empty()) {
        std::lock_guard hold(cacheMutex);
        byExtension.emplace(std::move(extension), name);
    }
    return name;
}

bool HasFolderImage(std::string_view folderPath) {
    std::string path(folderPath);
    if (!path.empty() && (path.back() == '/' || path.back() == '\\')) path.pop_back();
    if (path.empty()) return false;
    return FileExists(path + ".vtd");
}

bool NameLess(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c + 32 : c; };
        const int ca = lower(static_cast<unsigned char>(a[i]));
        const int cb = lower(static_cast<unsigned char>(b[i]));
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

std::int64_t FileSizeOf(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    return static_cast<std::int64_t>(info.st_size);
}
