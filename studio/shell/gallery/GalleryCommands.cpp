#include "studio/shell/gallery/GalleryCommands.h"

#include <exception>
#include <memory>
#include <string>

#include <QApplication>

#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/core/PidlPath.h"
#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/gallery/GalleryOptions.h"
#include "studio/shell/gallery/InfoGallerySheet.h"
#include "studio/shell/panes/InfoView.h"

namespace {

// The wait cursor for as long as it lives, however the work ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

bool GalleryWithImages() {
    return CurrentGallery() != nullptr && CurrentGallery()->GetImageCount() > 0;
}

void ShowProjectMenu(CMainFrame* frame) {
    if (frame != nullptr) frame->SetModeMenu();
}

}  // namespace

// ---- New

GalleryNew::GalleryNew(CMainFrame* frame, InfoView* infoView)
    : Command(kGalleryNew), frame_(frame), infoView_(infoView) {}

bool GalleryNew::IsEnabled() {
    return CurrentGallery() == nullptr && CurrentAnimation() == nullptr &&
           CurrentVantelifier() == nullptr;
}

void GalleryNew::Execute() {
    if (CurrentGallery() != nullptr) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            frame_, "You already have an existing gallery. Are you sure you want to discard it?",
            "Gallery", platform::MessageButtons::YesNo);
        if (answer != platform::PromptAnswer::Yes) return;
        SetCurrentGallery(nullptr);
    }
    SetCurrentGallery(std::make_unique<Gallery>());
    CurrentGallery()->Initialize(frame_);
    if (infoView_ != nullptr) infoView_->ShowGalleryTab();
    ShowProjectMenu(frame_);
}

// ---- Add files

GalleryAddFiles::GalleryAddFiles(FileSelection* selection, InfoView* infoView)
    : Command(kGalleryAddFiles), selection_(selection), infoView_(infoView) {}

bool GalleryAddFiles::IsEnabled() {
    if (CurrentVantelifier() != nullptr || CurrentAnimation() != nullptr || selection_ == nullptr)
        return false;
    // Only the gallery decides what it takes; one picture among the items is enough here.
    for (const PidlPath& item : selection_->GetItems()) {
        PidlPath path = selection_->GetFolder();
        path.Append(item);
        if (IsImageFile(path.GetPath())) return true;
    }
    return false;
}

void GalleryAddFiles::Execute() {
    if (CurrentGallery() == nullptr) ExecuteCommand(kGalleryNew);
    if (CurrentGallery() == nullptr || infoView_ == nullptr || selection_ == nullptr) return;
    // Copies and thumbnails of the pictures go into the gallery while questions and progress
    // pump the event loop.
    LongOperation adding;
    infoView_->RefreshGallery(*selection_);
}

// ---- The selected picture

GalleryRemove::GalleryRemove(InfoGallerySheet* sheet)
    : GallerySheetCommand(kGalleryRemove, sheet) {}

bool GalleryRemove::IsEnabled() {
    return sheet_ != nullptr && sheet_->HasFocusedSelection();
}

void GalleryRemove::Execute() {
    if (sheet_ != nullptr) sheet_->RemoveSelected();
}

GalleryUp::GalleryUp(InfoGallerySheet* sheet) : GallerySheetCommand(kGalleryUp, sheet) {}

// The focus may be elsewhere: the picture list's own menu and the sheet's buttons move up.
bool GalleryUp::IsEnabled() {
    return sheet_ != nullptr && sheet_->GetSelectedImage() > 0;
}

void GalleryUp::Execute() {
    if (sheet_ == nullptr) return;
    sheet_->SelectImage(sheet_->MoveSelectedUp());
}

GalleryDown::GalleryDown(InfoGallerySheet* sheet) : GallerySheetCommand(kGalleryDown, sheet) {}

bool GalleryDown::IsEnabled() {
    return sheet_ != nullptr && sheet_->HasFocusedSelection() &&
           sheet_->GetSelectedImage() < sheet_->GetImageCount() - 1;
}

void GalleryDown::Execute() {
    if (sheet_ == nullptr) return;
    sheet_->SelectImage(sheet_->MoveSelectedDown());
}

// ---- Export

GallerySave::GallerySave(InfoGallerySheet* sheet) : GallerySheetCommand(kGallerySave, sheet) {}

bool GallerySave::IsEnabled() {
    return CurrentGallery() != nullptr && CurrentGallery()->IsModified();
}

void GallerySave::Execute() {
    // The gallery is held from the folder dialog to the end of the export.
    LongOperation exporting;
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    const std::string folder = BrowseForFolder(sheet_, "Select location for the gallery folder");
    if (folder.empty()) return;
    WaitCursor wait;
    try {
        failed_ = !gallery->Export(PidlPath(folder));
    } catch (const std::exception&) {
        failed_ = true;
    }
}

// ---- Configure

GalleryConfigure::GalleryConfigure(InfoGallerySheet* sheet)
    : GallerySheetCommand(kGalleryConfigure, sheet) {}

bool GalleryConfigure::IsEnabled() {
    return GalleryWithImages();
}

void GalleryConfigure::Execute() {
    if (sheet_ == nullptr || CurrentGallery() == nullptr) return;
    // The dialog edits the gallery's own variables.
    LongOperation editing;
    GalleryOptions options(sheet_);
    options.SetGallerySheet(sheet_);
    options.exec();
    if (!options.IsChanged()) return;
    // Rebuilding reports its steps in the busy window; it must not outlive the work, however
    // the work ends.
    struct CloseBusyWindow {
        ~CloseBusyWindow() { CloseBusyDialog(); }
    } closeBusyWindow;
    sheet_->Rebuild();
    sheet_->SetVariablesChanged(true);
}

// ---- Home

GalleryHome::GalleryHome(InfoGallerySheet* sheet) : GallerySheetCommand(kGalleryHome, sheet) {}

bool GalleryHome::IsEnabled() {
    return CurrentGallery() != nullptr && !CurrentGallery()->GetPageFile(0).empty();
}

void GalleryHome::Execute() {
    if (sheet_ != nullptr) sheet_->ShowPage(0);
}

// ---- Remove all

GalleryRemoveAll::GalleryRemoveAll(InfoGallerySheet* sheet)
    : GallerySheetCommand(kGalleryRemoveAll, sheet) {}

bool GalleryRemoveAll::IsEnabled() {
    return GalleryWithImages();
}

void GalleryRemoveAll::Execute() {
    if (sheet_ != nullptr) sheet_->RemoveAllImages();
}

// ---- Close

GalleryClose::GalleryClose(CMainFrame* frame, InfoView* infoView)
    : Command(kGalleryClose), frame_(frame), infoView_(infoView) {}

bool GalleryClose::IsEnabled() {
    return CurrentGallery() != nullptr;
}

void GalleryClose::Execute() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    if (gallery->IsModified()) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            frame_, "Do you want to save your gallery before its closed?", "Close gallery",
            platform::MessageButtons::YesNoCancel, platform::MessageIcon::Warning);
        if (answer == platform::PromptAnswer::Cancel) return;
        // A cancelled folder dialog still closes; an export that failed keeps the gallery,
        // or its pictures would be lost with the working folder.
        if (answer == platform::PromptAnswer::Yes && !ExecuteCommand(kGallerySave)) {
            failed_ = true;
            return;
        }
    }
    if (infoView_ != nullptr) {
        infoView_->CloseGallery();
    } else {
        SetCurrentGallery(nullptr);
    }
    ShowProjectMenu(frame_);
}

void RegisterGalleryCommands(CommandFactory& factory) {
    using C = CommandContext;
    factory.Register<GalleryNew>(kGalleryNew, &C::frame, &C::infoView);
    factory.Register<GalleryAddFiles>(kGalleryAddFiles, &C::selection, &C::infoView);
    factory.Register<GalleryRemove>(kGalleryRemove, &C::gallerySheet);
    factory.Register<GalleryUp>(kGalleryUp, &C::gallerySheet);
    factory.Register<GalleryDown>(kGalleryDown, &C::gallerySheet);
    factory.Register<GallerySave>(kGallerySave, &C::gallerySheet);
    factory.Register<GalleryConfigure>(kGalleryConfigure, &C::gallerySheet);
    factory.Register<GalleryClose>(kGalleryClose, &C::frame, &C::infoView);
    factory.Register<GalleryHome>(kGalleryHome, &C::gallerySheet);
    factory.Register<GalleryRemoveAll>(kGalleryRemoveAll, &C::gallerySheet);
}
