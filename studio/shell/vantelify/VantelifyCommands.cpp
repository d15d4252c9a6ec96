#include "studio/shell/vantelify/VantelifyCommands.h"

#include <memory>
#include <string>

#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Vantelifier.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/vantelify/InfoVantelifySheet.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

constexpr const char* kCaption = "Vantelify";

bool OtherProjectOpen() {
    return CurrentGallery() != nullptr || CurrentAnimation() != nullptr;
}

// A local HTML file; a web address is left to the browser.
bool IsLocalPage(const PidlPath& path) {
    if (!path.IsValid()) return false;
    const std::string file = path.GetPath();
    return IsHtmlFile(file) && file.compare(0, 4, "http") != 0;
}

void ShowProjectMenu(CMainFrame* frame) {
    if (frame != nullptr) frame->SetModeMenu();
}

}  // namespace

VantelifyNew::VantelifyNew(CMainFrame* frame, InfoView* infoView, FileView* fileView,
                           InfoVantelifySheet* sheet, VanteloView* viewerView)
    : Command(kVantelifyNew), frame_(frame), infoView_(infoView), viewerView_(viewerView) {
    static_cast<void>(fileView);
    static_cast<void>(sheet);
}

bool VantelifyNew::IsEnabled() {
    return !OtherProjectOpen() && CurrentVantelifier() == nullptr;
}

void VantelifyNew::Execute() {
    if (infoView_ == nullptr || viewerView_ == nullptr) return;
    if (CurrentVantelifier() != nullptr) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            frame_, "You already are vantelifying a page. Are you sure you want to discard it?",
            kCaption, platform::MessageButtons::YesNo);
        if (answer != platform::PromptAnswer::Yes) return;
        SetCurrentVantelifier(nullptr);
    }
    const FileSelection none;
    SetCurrentVantelifier(
        std::make_unique<Vantelifier>(*viewerView_, *infoView_, none.GetFirstItemPath()));
    infoView_->ShowPageTab();
    ShowProjectMenu(frame_);
}

VantelifySetFile::VantelifySetFile(FileSelection* selection, CMainFrame* frame, InfoView* infoView,
                                   FileView* fileView, InfoVantelifySheet* sheet,
                                   VanteloView* viewerView)
    : Command(kVantelifySetFile), selection_(selection), frame_(frame), infoView_(infoView) {
    static_cast<void>(fileView);
    static_cast<void>(sheet);
    static_cast<void>(viewerView);
}

bool VantelifySetFile::IsEnabled() {
    return !OtherProjectOpen() && selection_ != nullptr &&
           IsLocalPage(selection_->GetFirstItemPath());
}

void VantelifySetFile::Execute() {
    if (selection_ == nullptr || infoView_ == nullptr) return;
    if (CurrentVantelifier() == nullptr) {
        ExecuteCommand(kVantelifyNew);
    } else if (CurrentVantelifier()->IsModified()) {
        ExecuteCommand(kVantelifyClose);
        // Close was cancelled, or its save failed: the user's choices stay with their page.
        if (CurrentVantelifier() != nullptr) return;
        ExecuteCommand(kVantelifyNew);
    }
    // Reading the page asks questions and shows progress while the project is held.
    LongOperation reading;
    Vantelifier* project = CurrentVantelifier();
    if (project == nullptr) return;
    const PidlPath page = selection_->GetFirstItemPath();
    if (!IsLocalPage(page)) return;
    project->SetPage(page);
    infoView_->ShowPageTab();
    ShowProjectMenu(frame_);
}

VantelifySave::VantelifySave(InfoVantelifySheet* sheet) : Command(kVantelifySave), sheet_(sheet) {}

bool VantelifySave::IsEnabled() {
    const Vantelifier* project = CurrentVantelifier();
    return project != nullptr && !project->GetPagePath().empty();
}

void VantelifySave::Execute() {
    // The sheet's button runs this without asking first; there is nothing to save yet.
    if (sheet_ == nullptr || !IsEnabled()) return;
    // The page is converted and written under the file dialog's and the progress's loops.
    LongOperation converting;
    platform::FileDialogRequest request;
    request.save = true;
    request.defaultExtension = "htm";
    request.initialPath = "Vantelified.htm";
    request.confirmOverwrite = true;
    const std::optional<std::string> file = platform::CurrentPrompts().FileDialog(nullptr, request);
    if (!file) return;
    failed_ = !sheet_->Save(*file);
}

VantelifyClose::VantelifyClose(CMainFrame* frame, InfoView* infoView)
    : Command(kVantelifyClose), frame_(frame), infoView_(infoView) {}

bool VantelifyClose::IsEnabled() {
    return CurrentVantelifier() != nullptr;
}

void VantelifyClose::Execute() {
    const Vantelifier* project = CurrentVantelifier();
    if (project == nullptr) return;
    if (project->IsModified()) {
        switch (platform::ShowMessage(
            nullptr, "Do you want to save your Vantelified page before its closed?",
            "Save Vantelified page", platform::MessageButtons::YesNoCancel)) {
            case platform::PromptAnswer::Yes:
                // A save that did not happen keeps the page and its choices open.
                if (!ExecuteCommand(kVantelifySave)) {
                    failed_ = true;
                    return;
                }
                break;
            case platform::PromptAnswer::No:
                break;
            default:
                return;
        }
    }
    if (infoView_ != nullptr) infoView_->ClosePage();
    SetCurrentVantelifier(nullptr);
    ShowProjectMenu(frame_);
}

ViewFullscreen::ViewFullscreen(InfoView* infoView, VanteloView* viewerView)
    : Command(kViewFullscreen), infoView_(infoView), viewerView_(viewerView) {}

bool ViewFullscreen::IsEnabled() {
    return infoView_ != nullptr && viewerView_ != nullptr &&
           !infoView_->GetShownFileName().empty() && viewerView_->GetShownControl() == 0;
}

void ViewFullscreen::Execute() {
    if (infoView_ != nullptr && viewerView_ != nullptr && !infoView_->GetShownFileName().empty()) {
        viewerView_->Fullscreen();
    }
}

void RegisterVantelifyCommands(CommandFactory& factory) {
    factory.Register<VantelifyNew>(kVantelifyNew, &CommandContext::frame, &CommandContext::infoView,
                                   &CommandContext::fileView, &CommandContext::pageSheet,
                                   &CommandContext::viewerView);
    factory.Register<VantelifySetFile>(kVantelifySetFile, &CommandContext::selection,
                                       &CommandContext::frame, &CommandContext::infoView,
                                       &CommandContext::fileView, &CommandContext::pageSheet,
                                       &CommandContext::viewerView);
    factory.Register<VantelifySave>(kVantelifySave, &CommandContext::pageSheet);
    factory.Register<VantelifyClose>(kVantelifyClose, &CommandContext::frame,
                                     &CommandContext::infoView);
    factory.Register<ViewFullscreen>(kViewFullscreen, &CommandContext::infoView,
                                     &CommandContext::viewerView);
}
