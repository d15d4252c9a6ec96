#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "imaging/IPTCData.h"
#include "studio/core/PidlPath.h"

namespace platform::shellns {
class Folder;
}

// What a list item stands for.
enum FileKind : std::int32_t {
    kKindOther = 0,
    kKindFolder = 1,
    kKindPage = 2,
    kKindPicture = 3,
    kKindBroken = 4,  // a picture the decoder rejected
};

// The record behind one entry of the file list.
struct FileItem {
    std::shared_ptr<const platform::shellns::Folder> folder;  // the folder it was listed from
    PidlPath path;                                            // absolute
    PidlPath item;                                            // relative to its folder, one item
    std::int32_t kind = kKindOther;
    std::string filePath;  // lower-cased, a key only: files are opened by `path`
    std::string fullPath;  // `path` as the file system spells it (empty when it has none)
    std::string iconName;  // the theme icon standing for the item's type
};

// What the list knows of a thumbnail it made.
struct ImageInfo {
    bool valid = false;
    std::int64_t fileSize = 0;  // when the thumbnail was made
    std::int64_t imageBytes = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::string fileName;  // the full path it was made from, as the file system spells it
    IPTCData iptc;
    bool hasIptc = false;
};

// `folderPath` + `item` (a copy of `item` when the folder path is invalid); an invalid item
// gives a record with invalid paths.
std::unique_ptr<FileItem> CreateItem(std::shared_ptr<const platform::shellns::Folder> folder,
                                     const PidlPath& folderPath, const PidlPath& item,
                                     bool isFolder);
// Pictures and web pages; only those, and folders, are listed.
bool IsListedFile(std::string_view path);
// The theme icon name of a file's type (by its MIME type), "folder" for a folder.
std::string IconNameFor(const std::string& path, bool isFolder);
// True when the folder's own picture (the folder path + ".vtd") exists.
bool HasFolderImage(std::string_view folderPath);
// The list's order of names: without regard to case, then byte by byte, so that names
// differing only in case keep a fixed order.
bool NameLess(std::string_view a, std::string_view b);
// The size of a file, -1 when there is none.
std::int64_t FileSizeOf(const std::string& path);
