#include "studio/shell/filecmds/FileCommands.h"

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <QProcess>
#include <QStringList>
#include <QTabBar>

#include "platform/debug/Debug.h"
#include "platform/files/Hidden.h"
#include "studio/core/ClipBoard.h"
#include "studio/core/FileSelection.h"
#include "studio/core/Properties.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileinfo/FileInfoCommand.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/prefs/EditPreferences.h"
#include "studio/shell/tree/DriveView.h"

namespace shellns = platform::shellns;

namespace {

ProgramStarter& Starter() {
    static ProgramStarter starter;
    return starter;
}

// The file is one argument, whatever blanks its path holds.
bool StartProgram(const std::string& program, const std::string& file,
                  const std::string& directory) {
    if (Starter()) return Starter()(program, file, directory);
    return QProcess::startDetached(QString::fromStdString(program),
                                   QStringList{QString::fromStdString(file)},
                                   QString::fromStdString(directory));
}

// The editor the preferences name for the file; empty for a file no editor takes.
std::string EditorFor(const std::string& file) {
    const Properties& properties = Properties::Instance();
    if (IsImageFile(file)) return properties.GetEditorImage();
    if (IsHtmlFile(file)) return properties.GetEditorHtml();
    return {};
}

void Edit(const std::string& file, const std::string& directory) {
    const std::string editor = EditorFor(file);
    if (editor.empty()) return;
    if (!StartProgram(editor, file, directory)) {
        platform::DebugOutput("Cannot start " + editor + "\n");
    }
}

bool HasItemsInFolder(const FileSelection* selection) {
    return selection != nullptr && selection->HasItems() && selection->GetFolder().IsValid();
}

// The folder a paste goes to: the one selected folder, else the selection's folder.
PidlPath PasteTarget(const FileSelection& selection) {
    if (selection.GetItemCount() == 1) {
        PidlPath item = selection.GetFolder();
        item.Append(selection.GetItems().front());
        if (item.IsValid() && (item.GetAttributes(shellns::kAttrFolder) != 0)) return item;
    }
    return selection.GetFolder();
}

// A folder path without its trailing '/' (the root keeps it), so paths compare as names.
std::string WithoutTrailingSlash(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

}  // namespace

bool PasteAllowed(const std::string& target, const std::string& sourceFolder,
                  const std::vector<std::string>& items, bool cut) {
    if (target.empty()) return false;
    const std::string to = WithoutTrailingSlash(target);
    if (cut && to == WithoutTrailingSlash(sourceFolder)) return false;
    for (const std::string& one : items) {
        const std::string item = WithoutTrailingSlash(one);
        if (item.empty()) continue;
        // Whole components only: "/a/p" holds "/a/p/q" but not its sibling "/a/pq".
        if (to == item) return false;
        const std::string below = item == "/" ? item : item + "/";
        if (to.compare(0, below.size(), below) == 0) return false;
    }
    return true;
}

ProgramStarter SetProgramStarter(ProgramStarter starter) {
    return std::exchange(Starter(), std::move(starter));
}

// ---- View

FileOpen::FileOpen(FileSelection* selection, DriveView* driveView, FileView* fileView,
                   InfoView* infoView)
    : Command(kFileOpen),
      selection_(selection),
      driveView_(driveView),
      fileView_(fileView),
      infoView_(infoView) {}

bool FileOpen::IsEnabled() {
    return true;
}

void FileOpen::Execute() {
    if (selection_ == nullptr || !selection_->HasItems()) return;
    const PidlPath path = selection_->GetFirstItemPath();
    const std::string file = path.GetPath();
    if (file.empty()) return;
    if (IsImageFile(file)) {
        if (infoView_ == nullptr) return;
        GalleryImage image = selection_->GetImage(selection_->GetItems().front());
        if (image.fileName.empty() && fileView_ != nullptr) {
            if (const ImageInfo* info = fileView_->GetImageInfo(path)) {
                image.fileName = info->fileName;
                image.width = info->width;
                image.height = info->height;
                image.fileSize = info->fileSize;
                image.imageBytes = info->imageBytes;
                if (info->hasIptc) image.iptc = info->iptc;
            }
        }
        infoView_->SetGalleryImageShown(false);
        infoView_->ShowFile(file, &image);
    } else if (IsHtmlFile(file)) {
        if (infoView_ == nullptr) return;
        infoView_->ShowPage(file, file);
        if (QTabBar* tabs = infoView_->GetTabBar(); tabs != nullptr && tabs->currentIndex() != 0) {
            tabs->setCurrentIndex(0);
        }
    } else if (driveView_ != nullptr) {
        driveView_->SelectPath(path, true);
    }
}

// ---- Edit

FileEdit::FileEdit(FileSelection* selection) : Command(kFileEdit), selection_(selection) {}

bool FileEdit::IsEnabled() {
    if (selection_ == nullptr || selection_->GetItemCount() != 1) return false;
    const std::string file = selection_->GetFirstItemPath().GetPath();
    if (file.empty() || file.back() == '/') return false;
    return !EditorFor(file).empty();
}

void FileEdit::Execute() {
    if (selection_ == nullptr || !selection_->HasItems()) return;
    const std::string file = selection_->GetFirstItemPath().GetPath();
    if (file.empty()) return;
    Edit(file, selection_->GetFolder().GetPath());
}

FileDisplayedEdit::FileDisplayedEdit(InfoView* infoView)
    : Command(kFileDisplayedEdit), infoView_(infoView) {}

bool FileDisplayedEdit::IsEnabled() {
    if (infoView_ == nullptr) return false;
    const std::string& file = infoView_->GetShownFileName();
    return !file.empty() && !EditorFor(file).empty();
}

void FileDisplayedEdit::Execute() {
    if (infoView_ == nullptr) return;
    const std::string file = infoView_->GetShownFileName();
    if (file.empty()) return;
    std::string directory = FolderOf(file);
    if (directory.size() > 1 && directory.back() == '/') directory.pop_back();
    Edit(file, directory);
}

// ---- Delete

std::vector<std::string> ListForDelete(const FileSelection& selection) {
    std::vector<std::string> paths;
    for (const PidlPath& item : selection.GetItems()) {
        PidlPath full = selection.GetFolder();
        full.Append(item);
        const std::string path = full.GetPath();
        if (path.empty()) continue;
        std::error_code ec;
        if (std::filesystem::is_directory(std::filesystem::symlink_status(path, ec))) {
            // The folder's entries go first, so the folder is empty by the time its turn comes
            // and each entry can be restored on its own.
            for (const auto& entry : std::filesystem::directory_iterator(path, ec)) {
                paths.push_back(entry.path().string());
            }
            paths.push_back(path);
            continue;
        }
        paths.push_back(path);
        const std::string animation = CompanionPath(path, ".vte");
        if (!animation.empty() && FileExists(animation) && platform::IsHidden(animation)) {
            paths.push_back(animation);
        }
    }
    return paths;
}

EditDelete::EditDelete(FileSelection* selection, FileView* fileView)
    : Command(kEditDelete), selection_(selection), fileView_(fileView) {}

bool EditDelete::IsEnabled() {
    return HasItemsInFolder(selection_);
}

void EditDelete::Execute() {
    if (!HasItemsInFolder(selection_)) return;
    std::vector<std::string> chosen;
    for (const PidlPath& item : selection_->GetItems()) {
        PidlPath full = selection_->GetFolder();
        full.Append(item);
        if (std::string path = full.GetPath(); !path.empty()) chosen.push_back(std::move(path));
    }
    if (!ConfirmDelete(fileView_, chosen)) return;
    const std::vector<std::string> paths = ListForDelete(*selection_);
    if (!paths.empty()) failed_ = !DeleteFiles(fileView_, paths);
    TheClipBoard().Clear();
}

// ---- Copy, cut and paste

EditCopy::EditCopy(FileSelection* selection) : Command(kEditCopy), selection_(selection) {}

bool EditCopy::IsEnabled() {
    return HasItemsInFolder(selection_);
}

void EditCopy::Execute() {
    if (HasItemsInFolder(selection_)) TheClipBoard().Copy(*selection_);
}

EditCut::EditCut(FileSelection* selection) : Command(kEditCut), selection_(selection) {}

bool EditCut::IsEnabled() {
    return HasItemsInFolder(selection_);
}

void EditCut::Execute() {
    if (HasItemsInFolder(selection_)) TheClipBoard().Cut(*selection_);
}

EditPaste::EditPaste(FileSelection* selection, FileView* fileView)
    : Command(kEditPaste), selection_(selection) {
    static_cast<void>(fileView);
}

bool EditPaste::IsEnabled() {
    if (selection_ == nullptr) return false;
    const ClipBoard& clipBoard = TheClipBoard();
    if (!clipBoard.HasItems()) return false;
    const PidlPath target = PasteTarget(*selection_);
    std::vector<std::string> items;
    for (const PidlPath& item : clipBoard.GetItems()) {
        PidlPath full = clipBoard.GetFolder();
        full.Append(item);
        items.push_back(full.GetPath());
    }
    return PasteAllowed(target.GetPath(), clipBoard.GetFolder().GetPath(), items,
                        clipBoard.GetMode() == ClipBoard::kCut);
}

void EditPaste::Execute() {
    if (selection_ == nullptr || !IsEnabled()) return;
    ClipBoard& clipBoard = TheClipBoard();
    std::string target = PasteTarget(*selection_).GetPath();
    if (target.empty()) return;
    if (target.back() != '/') target += '/';
    bool renameAll = false;
    bool overwriteAll = false;
    // The list is copied: a move's helpers may not touch the clipboard, but the loop must
    // not depend on that.
    const std::vector<PidlPath> items = clipBoard.GetItems();
    const PidlPath folder = clipBoard.GetFolder();
    for (const PidlPath& item : items) {
        PidlPath full = folder;
        full.Append(item);
        const std::string source = full.GetPath();
        if (source.empty()) continue;
        std::string name = source.substr(GetFileNameOffset(source));
        int result = 0;
        if (full.GetAttributes(shellns::kAttrFolder) != 0) {
            result = CopyFolder(source + "/", target + name + "/", renameAll, overwriteAll);
        } else {
            result = CopyOrMoveFile(source, target + name, target, name, renameAll, overwriteAll);
        }
        if (result == kCopyCancelled) break;
    }
    if (clipBoard.GetMode() == ClipBoard::kCut) clipBoard.Clear();
}

void RegisterFileCommands(CommandFactory& factory) {
    factory.Register<FileOpen>(kFileOpen, &CommandContext::selection, &CommandContext::driveView,
                               &CommandContext::fileView, &CommandContext::infoView);
    factory.Register<FileEdit>(kFileEdit, &CommandContext::selection);
    factory.Register<FileDisplayedEdit>(kFileDisplayedEdit, &CommandContext::infoView);
    factory.Register<EditDelete>(kEditDelete, &CommandContext::selection,
                                 &CommandContext::fileView);
    factory.Register<EditCopy>(kEditCopy, &CommandContext::selection);
    factory.Register<EditCut>(kEditCut, &CommandContext::selection);
    factory.Register<EditPaste>(kEditPaste, &CommandContext::selection, &CommandContext::fileView);
    factory.Register<FileRepresent>(kFileRepresent, &CommandContext::selection,
                                    &CommandContext::fileView);
    factory.Register<FileDerepresent>(kFileDerepresent, &CommandContext::selection,
                                      &CommandContext::fileView);
    factory.Register<FileProperties>(kFileProperties, &CommandContext::selection,
                                     &CommandContext::fileView);
    RegisterFileInfoCommands(factory);
    RegisterPreferenceCommands(factory);
}
