// The folder picture: a small thumbnail beside a folder, which the file list shows as the
// folder's icon.
#include <string>

#include <QImage>
#include <QPainter>

#include "platform/bitmap/DibSection.h"
#include "platform/files/FileOps.h"
#include "platform/files/Hidden.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/DibImage.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/filecmds/FileCommands.h"
#include "studio/shell/fileview/FileItem.h"

namespace shellns = platform::shellns;

namespace {

constexpr int kPictureSide = 64;
constexpr int kPictureQuality = 95;
constexpr std::uint32_t kWhite = 0xFFFFFF;

// The corner mark that tells a folder picture from a picture: a small folder.
std::unique_ptr<platform::DibSection> FolderMark() {
    QImage mark(16, 14, QImage::Format_RGB32);
    mark.fill(QColor(255, 255, 255));
    QPainter painter(&mark);
    painter.setPen(QColor(120, 85, 10));
    painter.setBrush(QColor(240, 200, 80));
    painter.drawRect(0, 3, 15, 10);
    painter.drawRect(0, 0, 6, 3);
    painter.end();
    return ToDibSection(mark);
}

// The one selected item's full path and whether it is a folder; empty unless exactly one
// item is selected.
std::string SingleItem(const FileSelection* selection, bool* folder) {
    if (selection == nullptr || selection->GetItemCount() != 1) return {};
    const PidlPath path = selection->GetFirstItemPath();
    if (!path.IsValid()) return {};
    if (folder != nullptr) *folder = path.GetAttributes(shellns::kAttrFolder) != 0;
    return path.GetPath();
}

}  // namespace

std::string FolderPicturePath(const std::string& imagePath) {
    if (imagePath.size() < 2) return {};
    const std::size_t slash = imagePath.rfind('/', imagePath.size() - 2);
    // A picture in the root folder: its folder has no parent to hold the picture.
    if (slash == std::string::npos || slash == 0) return {};
    return imagePath.substr(0, slash) + ".vtd";
}

FileRepresent::FileRepresent(FileSelection* selection, FileView* fileView)
    : Command(kFileRepresent), selection_(selection) {
    static_cast<void>(fileView);
}

bool FileRepresent::IsEnabled() {
    bool folder = false;
    const std::string path = SingleItem(selection_, &folder);
    return !folder && path.size() > 3 && IsImageFile(path) && !FolderPicturePath(path).empty();
}

void FileRepresent::Execute() {
    if (!IsEnabled()) return;
    const std::string path = SingleItem(selection_, nullptr);
    const std::string target = FolderPicturePath(path);
    const auto mark = FolderMark();
    if (!SaveThumbnailJpeg({kPictureSide, kPictureSide}, path, target, kPictureQuality, nullptr,
                           nullptr, nullptr, mark.get(), kWhite, 0)) {
        failed_ = true;
        return;
    }
    platform::SetHidden(target, true);
}

FileDerepresent::FileDerepresent(FileSelection* selection, FileView* fileView)
    : Command(kFileDerepresent), selection_(selection) {
    static_cast<void>(fileView);
}

bool FileDerepresent::IsEnabled() {
    bool folder = false;
    const std::string path = SingleItem(selection_, &folder);
    return folder && !path.empty() && HasFolderImage(path);
}

void FileDerepresent::Execute() {
    bool folder = false;
    std::string path = SingleItem(selection_, &folder);
    if (!folder || path.empty()) return;
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    const platform::FileError error = platform::RemoveFile(path + ".vtd");
    if (error != platform::FileError::None && error != platform::FileError::NotFound) {
        failed_ = true;
        platform::ShowMessage(nullptr, "Failed to remove the folder image", "No folder image",
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
    }
}
