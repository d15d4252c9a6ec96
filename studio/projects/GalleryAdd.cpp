// Adding pictures to the gallery and making their thumbnails.

#include <cstdint>
#include <new>
#include <optional>
#include <utility>

#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Text.h"
#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"

namespace {

constexpr char kCaption[] = "Generator";

}  // namespace

bool Gallery::MakeThumbnail(const std::string& fileName, GalleryImage* image) {
    if (!folderLock_.IsHeld()) return false;
    Vector2<int> size;
    IPTCData iptc;
    const bool made = SaveThumbnailJpeg(
        properties.GetThumbSize(), workingFolder + fileName,
        workingFolder + ThumbnailName(fileName), properties.GetThumbQuality(), nullptr, &size,
        &iptc, nullptr, static_cast<std::uint32_t>(properties.GetThumbColor()), 0);
    if (made && image != nullptr) {
        image->width = size.x;
        image->height = size.y;
        image->iptc = std::move(iptc);
    }
    return made;
}

std::string Gallery::FreeImageName(const std::string& name) const {
    const std::size_t dot = name.rfind('.');
    const std::string base = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    std::string candidate = name;
    // Every listed image owns three names, so the search ends within as many steps.
    for (int counter = 1; ClashesWithListed(candidate); ++counter) {
        candidate =
            MakeUniqueName(workingFolder, base + platform::FormatC("_%d", counter) + extension);
    }
    return candidate;
}

bool Gallery::AddFiles(const std::string& before, const FileSelection& selection,
                       const FileSelection::ImageLookup& fileView) {
    // A picture too large for the machine's memory ends the adding like a failed
    // thumbnail; nothing thrown may leave a project operation.
    try {
        changed = true;
        const std::vector<PidlPath>& items = selection.GetItems();
        Progress* progress = GetProgress();
        if (progress != nullptr) {
            progress->SetRange(
                0, static_cast<int>(GetImageCount() + 2.2 * static_cast<double>(items.size())));
        }
        std::size_t insertAt = images.size();
        if (const int index = before.empty() ? -1 : FindImage(before); index >= 0) {
            insertAt = static_cast<std::size_t>(index);
        }
        bool renameAll = false;
        bool overwriteAll = false;
        int step = 0;
        for (const PidlPath& item : items) {
            PidlPath full = selection.GetFolder();
            full.Append(item);
            const std::string path = full.GetPath();
            if (progress != nullptr)
                progress->Step(++step, "Generating thumbnails...", path.c_str());
            if (!IsImageFile(path)) continue;

            // A picture whose thumbnail or animation file would be another image's (x.jpg
            // beside x.png, tmb_y.jpg beside y.jpg) is copied under a name of its own.
            std::string fileName = path.substr(GetFileNameOffset(path));
            if (ClashesWithListed(fileName)) fileName = FreeImageName(fileName);
            // Without a folder of its own the gallery writes nowhere: the folder of that name may
            // be another studio's.
            const int copied = folderLock_.IsHeld()
                                   ? CopyFileChecked(path, workingFolder + fileName, workingFolder,
                                                     fileName, renameAll, overwriteAll)
                                   : kCopyFailed;
            if (copied == kCopyFailed) {
                platform::ShowMessage(parentWindow, "Failed to copy image to temporary", kCaption);
                return false;
            }
            if (copied == kCopyCancelled) return false;
            // The name the user gave when asked is held to the same rule.
            if (ClashesWithListed(fileName)) {
                const std::string freeName = FreeImageName(fileName);
                if (platform::RenameNoReplace(workingFolder + fileName, workingFolder + freeName) !=
                    platform::FileError::None) {
                    platform::ShowMessage(parentWindow, "Failed to copy image to temporary",
                                          kCaption);
                    return false;
                }
                // The user may have chosen to overwrite a listed picture's thumbnail with it.
                for (const GalleryImage& listed : images) {
                    if (ThumbnailName(listed.fileName) == fileName) {
                        MakeThumbnail(listed.fileName, nullptr);
                    }
                }
                fileName = freeName;
            }

            // A picture copied over a listed one (the user chose to overwrite it) takes that
            // entry's place instead of making a second entry of the same name.
            const int replaced = FindImage(fileName);
            GalleryImage image;
            if (!MakeThumbnail(fileName, &image)) {
                platform::ShowMessage(parentWindow, "Failed to generate thumbnail", kCaption);
                // No copy is left behind without an entry: it would be exported with the pages.
                if (replaced >= 0) images.erase(images.begin() + replaced);
                DeleteImageFiles(fileName);
                return false;
            }
            if (fileView) {
                if (std::optional<GalleryImage> known = fileView(full)) image = std::move(*known);
            }
            image.fileName = fileName;
            image.fileSize = static_cast<std::int64_t>(
                platform::FileSizeOf(workingFolder + fileName).value_or(0));
            if (replaced >= 0) {
                images[static_cast<std::size_t>(replaced)] = std::move(image);
            } else {
                images.insert(images.begin() + static_cast<std::ptrdiff_t>(insertAt++),
                              std::move(image));
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        platform::DebugOutput("Not enough memory to add the pictures\n");
        platform::ShowMessage(parentWindow, "Failed to generate thumbnail", kCaption);
        return false;
    }
}

bool Gallery::RegenerateThumbnails() {
    Progress* progress = GetProgress();
    for (std::size_t i = 0; i < images.size(); ++i) {
        const std::string& fileName = images[i].fileName;
        if (progress != nullptr) {
            progress->Step(static_cast<int>(i), "Regenerating thumbs...", fileName.c_str());
        }
        MakeThumbnail(fileName, nullptr);
    }
    return true;
}
