#include "studio/core/FileSelection.h"

#include <filesystem>
#include <system_error>

#include "platform/text/Text.h"

namespace sh = platform::shellns;

namespace {

std::string KeyOf(const PidlPath& item) {
    return item.IsValid()
               ? std::string(reinterpret_cast<const char*>(item.GetPidl()), item.GetSize())
               : std::string();
}

}  // namespace

PidlPath FileSelection::GetFirstItemPath() const {
    if (items_.empty() || !folder_.IsValid()) return {};
    PidlPath path = folder_;
    path.Append(items_.front());
    return path;
}

GalleryImage FileSelection::GetImage(const PidlPath& item) const {
    const auto it = images_.find(KeyOf(item));
    GalleryImage image;
    if (it == images_.end()) return image;
    const Facts& facts = it->second;
    image.fileName = facts.fileName;
    image.fileSize = facts.fileSize;
    image.imageBytes = facts.imageBytes;
    image.width = facts.width;
    image.height = facts.height;
    if (facts.iptc) image.iptc = *facts.iptc;
    return image;
}

void FileSelection::Clear() {
    items_.clear();
    images_.clear();
    folderCount_ = 0;
    fileCount_ = 0;
    totalSize_ = 0;
    entry_.Reset();
}

void FileSelection::Set(const PidlPath& folder, const std::vector<PidlPath>& items) {
    Clear();
    folder_ = folder;
    items_ = items;
}

void FileSelection::SetFromNames(const std::string& folder, const std::vector<std::string>& names) {
    Clear();
    if (names.empty()) return;
    const PidlPath folderPath(folder);
    std::string prefix = folder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    for (const std::string& name : names) {
        const PidlPath path(prefix + name);
        // A name that leads out of the folder ("../x", "sub/x") names none of its items.
        PidlPath parent;
        path.GetParent(parent);
        if (!path.IsValid() || parent != folderPath) continue;
        PidlPath item;
        path.GetLastItem(item);
        items_.push_back(std::move(item));
    }
    folder_ = folderPath;
}

void FileSelection::GatherFacts(const ImageLookup& imageFor, const std::vector<bool>* folders) {
    Gather(
        [this, &imageFor](std::size_t, const PidlPath& item) -> std::optional<GalleryImage> {
            if (!imageFor) return std::nullopt;
            PidlPath path = folder_;
            path.Append(item);
            return imageFor(path);
        },
        folders);
}

void FileSelection::GatherFacts(const std::vector<bool>& folders, const IndexedLookup& imageAt) {
    Gather([&imageAt](std::size_t index, const PidlPath&) { return imageAt(index); }, &folders);
}

void FileSelection::Gather(const ItemLookup& lookup, const std::vector<bool>* folders) {
    folderCount_ = 0;
    fileCount_ = 0;
    totalSize_ = 0;
    images_.clear();
    const auto folder = folder_.GetShellFolder();
    if (folder == nullptr) return;
    if (folders != nullptr && folders->size() != items_.size()) folders = nullptr;
    images_.reserve(items_.size());
    for (std::size_t i = 0; i < items_.size(); ++i) {
        const PidlPath& item = items_[i];
        const bool isFolder =
            folders != nullptr
                ? (*folders)[i]
                : (folder->GetAttributesOf(item.GetPidl(), sh::kAttrFolder) & sh::kAttrFolder) != 0;
        if (isFolder) {
            ++folderCount_;
            continue;
        }
        ++fileCount_;
        Facts facts;
        if (std::optional<GalleryImage> image = lookup(i, item)) {
            facts.fileName = std::move(image->fileName);
            facts.fileSize = image->fileSize;
            facts.imageBytes = image->imageBytes;
            facts.width = image->width;
            facts.height = image->height;
            if (image->iptc.valid)
                facts.iptc = std::make_shared<const IPTCData>(std::move(image->iptc));
        } else {
            PidlPath path = folder_;
            path.Append(item);
            facts.fileName = path.GetPath();
            std::error_code ec;
            const auto size = std::filesystem::file_size(facts.fileName, ec);
            facts.fileSize = ec ? 0 : static_cast<std::int64_t>(size);
        }
        totalSize_ += facts.fileSize;
        images_.insert_or_assign(KeyOf(item), std::move(facts));
    }
}

std::string FileSelection::GetStatusText() const {
    const auto total = static_cast<long long>(totalSize_);
    if (fileCount_ == 1 && folderCount_ == 0) {
        const PidlPath first = GetFirstItemPath();
        PidlPath item;
        first.GetLastItem(item);
        const GalleryImage image = GetImage(item);
        if (image.height != 0) {
            return platform::FormatC("Size of '%s' : %lld bytes. Dimension %dx%d pixels",
                                     first.GetPath().c_str(), total, image.width, image.height);
        }
        return platform::FormatC("Size of the %d selected files : %lld bytes. %d folders selected.",
                                 1, total, 0);
    }
    if (fileCount_ > 0) {
        return platform::FormatC("Size of the %d selected files : %lld bytes. %d folders selected.",
                                 fileCount_, total, folderCount_);
    }
    if (folderCount_ > 0) return platform::FormatC("%d folder(s) selected", folderCount_);
    return "No files selected";
}
