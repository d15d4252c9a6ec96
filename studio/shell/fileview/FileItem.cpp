#include "studio/shell/fileview/FileItem.h"

#include <sys/stat.h>

#include <QMimeDatabase>

#include "studio/shell/ShellUtils.h"

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
    record->filePath = record->path.GetPath();
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
    const QMimeType type =
        database.mimeTypeForFile(QString::fromStdString(path), QMimeDatabase::MatchExtension);
    return type.iconName().toStdString();
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
