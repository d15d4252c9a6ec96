#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "studio/core/GalleryImage.h"
#include "studio/core/PidlPath.h"

// The files and folders the user has selected in the file list or the tree, with facts
// gathered about them. Refilled, never patched, each time a view reports a change of
// selection and before a command reads it.

class FileSelection {
public:
    FileSelection() = default;
    virtual ~FileSelection() = default;

    const PidlPath& GetFolder() const { return folder_; }
    // Single-item paths relative to the folder, in the order the view reported them.
    const std::vector<PidlPath>& GetItems() const { return items_; }
    bool HasItems() const { return !items_.empty(); }
    int GetItemCount() const { return static_cast<int>(items_.size()); }
    int GetFolderCount() const { return folderCount_; }
    int GetFileCount() const { return fileCount_; }
    std::int64_t GetTotalSize() const { return totalSize_; }

    // The working picture entry, emptied by Clear.
    GalleryImage& GetEntry() { return entry_; }

    // The folder + the first item; invalid when there is no item or no valid folder.
    PidlPath GetFirstItemPath() const;
    // The record kept for an item; an empty record when there is none.
    GalleryImage GetImage(const PidlPath& item) const;

    void Clear();
    void Set(const PidlPath& folder, const std::vector<PidlPath>& items);
    // Items from the names of files in a folder; names of files that do not exist, or that
    // lie outside the folder, are skipped. An empty list leaves the folder as it was.
    void SetFromNames(const std::string& folder, const std::vector<std::string>& names);

    // The record of a decoded picture that the file list holds for an absolute path, if any.
    using ImageLookup = std::function<std::optional<GalleryImage>(const PidlPath& path)>;
    // Counts the folders and files among the items and records each file's size (and, for
    // pictures the file list has decoded, its record). A view that knows which items are
    // folders says so in `folders` (one flag per item), so none is asked of the disk again.
    void GatherFacts(const ImageLookup& imageFor, const std::vector<bool>* folders = nullptr);
    // The same for a view that knows each item's kind and record: `imageAt` gets the item's
    // index, so no path is made for it.
    using IndexedLookup = std::function<std::optional<GalleryImage>(std::size_t index)>;
    void GatherFacts(const std::vector<bool>& folders, const IndexedLookup& imageAt);

    // The status line's text for the gathered facts.
    std::string GetStatusText() const;

private:
    using ItemLookup = std::function<std::optional<GalleryImage>(std::size_t, const PidlPath&)>;
    void Gather(const ItemLookup& lookup, const std::vector<bool>* folders);

    GalleryImage entry_;
    PidlPath folder_;
    std::vector<PidlPath> items_;
    // What is kept of each file: a whole record per item would cost a thousand bytes each
    // at every change of a selection of thousands.
    struct Facts {
        std::string fileName;
        std::int64_t fileSize = 0;
        std::int64_t imageBytes = 0;
        int width = 0;
        int height = 0;
        std::shared_ptr<const IPTCData> iptc;  // when the picture's record is known
    };
    // By the item's bytes.
    std::unordered_map<std::string, Facts> images_;
    int folderCount_ = 0;
    int fileCount_ = 0;
    std::int64_t totalSize_ = 0;
};
