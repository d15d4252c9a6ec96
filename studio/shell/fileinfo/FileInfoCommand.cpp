#include "studio/shell/fileinfo/FileInfoCommand.h"

#include <algorithm>
#include <cctype>

#include "imaging/IPTCData.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/shell/PropertySheet.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileinfo/IPTCPages.h"
#include "studio/shell/fileview/FileView.h"

namespace {

// "jpg", "jpe" and "jpeg" after the last '.', in any case.
bool IsJpegName(const std::string& path) {
    const std::size_t dot = path.rfind('.');
    if (dot == std::string::npos) return false;
    std::string extension = path.substr(dot + 1, 3);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return extension == "jpg" || extension == "jpe";
}

}  // namespace

FileInfoProperties::FileInfoProperties(FileSelection* selection, FileView* fileView)
    : Command(kFileInfoProperties), selection_(selection), fileView_(fileView) {}

bool FileInfoProperties::IsEnabled() {
    if (selection_ == nullptr || selection_->GetFileCount() != 1 ||
        selection_->GetItemCount() != 1) {
        return false;
    }
    return IsJpegName(selection_->GetFirstItemPath().GetPath());
}

void FileInfoProperties::Execute() {
    if (!IsEnabled()) return;
    const PidlPath path = selection_->GetFirstItemPath();
    const std::string file = path.GetPath();
    // The record is read from the file itself, whatever the file list holds: what OK writes
    // replaces the file's block, so the pages must start from all of it. A block that
    // cannot be read whole is left alone rather than written over with part of it.
    IPTCData record;
    if (ReadIptcFromJpegFile(file, record) == IptcFileRead::Unreadable) {
        failed_ = true;
        platform::ShowMessage(fileView_,
                              "The file information of " + file +
                                  " cannot be read: the file is damaged or holds it in a form "
                                  "that cannot be edited here. The file has not been changed.",
                              "File info", platform::MessageButtons::Ok,
                              platform::MessageIcon::Error);
        return;
    }
    if (!record.valid) record.Clear();

    PropertySheet sheet("File info", fileView_);
    for (PropertyPage* page : MakeFileInfoPages(&record)) sheet.AddPage(page);
    if (sheet.DoModal() != QDialog::Accepted) return;
    if (!record.SaveToJpegFile(file)) {
        failed_ = true;
        platform::ShowMessage(
            fileView_, "The file information could not be written to " + file + ".", "File info",
            platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return;
    }
    if (fileView_ != nullptr) fileView_->SetImageIptc(path, record);
}

void RegisterFileInfoCommands(CommandFactory& factory) {
    factory.Register<FileInfoProperties>(kFileInfoProperties, &CommandContext::selection,
                                         &CommandContext::fileView);
}
