// The gallery's image list: removing and ordering images and the files that belong to them.

#include <algorithm>
#include <array>

#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/PathText.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"

namespace {

// Every file of the working folder that an image of this name owns.
std::array<std::string, 3> OwnedFiles(const std::string& fileName) {
    return {fileName, Gallery::ThumbnailName(fileName), CompanionPath(fileName, ".vte")};
}

}  // namespace

int Gallery::FindImage(const std::string& name) const {
    for (std::size_t i = 0; i < images.size(); ++i) {
        if (images[i].fileName == name) return static_cast<int>(i);
    }
    return -1;
}

bool Gallery::ClashesWithListed(const std::string& name) const {
    const auto owned = OwnedFiles(name);
    for (const GalleryImage& image : images) {
        if (image.fileName == name) continue;
        for (const std::string& file : OwnedFiles(image.fileName)) {
            if (std::find(owned.begin(), owned.end(), file) != owned.end()) return true;
        }
    }
    return false;
}

void Gallery::DeleteImageFiles(const std::string& name) {
    if (!folderLock_.IsHeld() || !platform::IsPlainName(name)) return;
    for (const std::string& file : OwnedFiles(name)) {
        const bool ownedByListed =
            std::any_of(images.begin(), images.end(), [&](const auto& image) {
                const auto owned = OwnedFiles(image.fileName);
                return std::find(owned.begin(), owned.end(), file) != owned.end();
            });
        if (ownedByListed) continue;
        platform::RemoveFile(workingFolder + file);
    }
}

void Gallery::RemoveImage(const std::string& name) {
    changed = true;
    const int index = FindImage(name);
    if (index >= 0) images.erase(images.begin() + index);
    DeleteImageFiles(name);
}

void Gallery::RemoveAllImages() {
    changed = false;
    while (!images.empty()) {
        const std::string name = images.back().fileName;
        images.pop_back();
        DeleteImageFiles(name);
    }
}

int Gallery::MoveImageUp(const std::string& name) {
    changed = true;
    const int index = FindImage(name);
    if (index <= 0) return index;
    std::swap(images[static_cast<std::size_t>(index) - 1], images[static_cast<std::size_t>(index)]);
    return index - 1;
}

int Gallery::MoveImageDown(const std::string& name) {
    changed = true;
    const int index = FindImage(name);
    if (index < 0 || index + 1 >= GetImageCount()) return index;
    std::swap(images[static_cast<std::size_t>(index)], images[static_cast<std::size_t>(index) + 1]);
    return index + 1;
}

void Gallery::MoveImageBefore(const std::string& name, const std::string& before) {
    changed = true;
    const int from = FindImage(name);
    if (from < 0) {
        platform::DebugOutput("Failed to find the item to be moved\n");
        return;
    }
    int to = GetImageCount();
    if (!before.empty()) {
        to = FindImage(before);
        // The image keeps its place: nothing is taken out before its new place is known.
        if (to < 0) {
            platform::DebugOutput("Failed to find the item Insert before\n");
            return;
        }
    }
    const auto first = images.begin();
    if (from < to) {
        std::rotate(first + from, first + from + 1, first + to);
    } else if (from > to) {
        std::rotate(first + to, first + from, first + from + 1);
    }
}
