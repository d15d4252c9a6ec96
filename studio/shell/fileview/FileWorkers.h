#pragma once

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "studio/shell/fileview/FileImages.h"
#include "studio/shell/fileview/FileItem.h"

// The folder loader's and the thumbnail worker's halves that run off the window thread.
// They work on values taken when they were started and hand back plain values; the window
// thread applies a result only while its generation is current.

struct ListedEntry {
    std::string name;  // as the folder names it
    std::unique_ptr<FileItem> record;
};

struct FolderListing {
    int generation = 0;
    bool merge = false;
    bool unreadable = false;           // the folder is gone or may not be read: nothing listed
    std::vector<ListedEntry> folders;  // sorted by NameLess
    std::vector<ListedEntry> files;    // likewise
};

// Lists the folder's sub-folders, pictures and web pages; a listing marked unreadable when
// the folder cannot be read. None when `current` moved away from `generation` meanwhile.
std::optional<FolderListing> ListFolder(const PidlPath& folder, bool showHidden, int generation,
                                        const std::atomic<int>& current);

// One list item the thumbnail worker looks at.
struct ThumbnailTask {
    int index = 0;
    std::string name;
    std::int32_t kind = kKindOther;
};

struct ThumbnailJob {
    int generation = 0;
    bool merge = false;
    std::string folderText;               // ends in '/'
    std::vector<ThumbnailTask> tasks;     // in the order their pictures are wanted
    std::map<int, ImageInfo> thumbnails;  // the valid ones kept from before (merge)
    int imageCount = kFirstThumbnailSlot;
};

// The picture one item gets.
struct ItemPicture {
    int generation = 0;
    int index = 0;
    int slot = 0;  // a fixed slot, or where `thumbnail` goes (== count: appended)
    std::optional<RenderedThumbnail> thumbnail;
    std::int32_t kind = kKindOther;  // the item's kind from now on
};

// Gives each item its picture in the order of the job's tasks, through `post`. Thumbnails
// already made of a file whose size did not change are kept. Stops when `current` leaves the
// job's generation. Decodes on `threads` threads (at most kMostDecoders); the pictures, their
// facts and their slots are the same for any number.
inline constexpr int kMostDecoders = 8;
void MakeThumbnails(const ThumbnailJob& job, const std::atomic<int>& current,
                    const std::function<void(ItemPicture)>& post, int threads = 1);
