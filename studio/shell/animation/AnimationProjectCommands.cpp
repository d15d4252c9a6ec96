#include <memory>
#include <string>

#include <QApplication>

#include "platform/files/FileOps.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/core/Progress.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Animation.h"
#include "studio/projects/AnimationFile.h"
#include "studio/shell/animation/AnimationCommands.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/app/MainFrame.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/panes/InfoView.h"

namespace {

bool OtherProjectOpen() {
    return CurrentGallery() != nullptr || CurrentVantelifier() != nullptr;
}

// The one selected item's path, "" unless exactly one item is selected.
std::string SingleSelectedPath(const FileSelection* selection) {
    if (selection == nullptr || selection->GetItemCount() != 1) return "";
    return selection->GetFirstItemPath().GetPath();
}

bool HasAnimationFile(const std::string& picture) {
    return !picture.empty() && platform::PathExists(animation_file::PathFor(picture));
}

void ShowAnimationTab(InfoView* infoView) {
    if (infoView != nullptr) infoView->ShowAnimationTab();
}

void CloseAnimationTab(InfoView* infoView) {
    if (infoView != nullptr) infoView->CloseAnimation();
}

// Makes a new animation the open one, initialised with `window`.
Animation& StartAnimation(QWidget* window) {
    SetCurrentAnimation(nullptr);
    SetCurrentAnimation(std::make_unique<Animation>());
    Animation& animation = *CurrentAnimation();
    animation.Initialize(window);
    return animation;
}

enum class SaveChoice { Go, Stop, SaveFailed };

// Before an open animation goes: when it has unsaved changes the user may save it (Yes),
// drop them (No) or keep everything as it is (Cancel).
SaveChoice OfferToSave(QWidget* owner) {
    if (CurrentAnimation() == nullptr || !IsCommandEnabled(kAnimationSave)) return SaveChoice::Go;
    switch (platform::ShowMessage(owner, "Do you want to save your animation?", "Save animation",
                                  platform::MessageButtons::YesNoCancel)) {
        case platform::PromptAnswer::Yes:
            return ExecuteCommand(kAnimationSave) ? SaveChoice::Go : SaveChoice::SaveFailed;
        case platform::PromptAnswer::No:
            return SaveChoice::Go;
        default:
            return SaveChoice::Stop;
    }
}

}  // namespace

// ---- New

AnimationNew::AnimationNew(CMainFrame* frame, InfoView* infoView)
    : Command(kAnimationNew), frame_(frame), infoView_(infoView) {}

bool AnimationNew::IsEnabled() {
    return !OtherProjectOpen() && CurrentAnimation() == nullptr;
}

void AnimationNew::Execute() {
    StartAnimation(frame_);
    ShowAnimationTab(infoView_);
    if (frame_ != nullptr) frame_->SetModeMenu();
}

// ---- Open

AnimationOpen::AnimationOpen(FileSelection* selection, InfoView* infoView)
    : Command(kAnimationOpen), selection_(selection), infoView_(infoView) {}

bool AnimationOpen::IsEnabled() {
    if (OtherProjectOpen()) return false;
    const std::string path = SingleSelectedPath(selection_);
    return IsImageFile(path) && HasAnimationFile(path);
}

void AnimationOpen::Execute() {
    if (selection_ == nullptr) return;
    const std::string path = selection_->GetFirstItemPath().GetPath();
    if (OfferToSave(infoView_) != SaveChoice::Go) return;
    StartAnimation(infoView_ != nullptr ? infoView_->window() : nullptr).Open(path);
    ShowAnimationTab(infoView_);
}

// ---- Animate image

AnimationLoadImage::AnimationLoadImage(FileSelection* selection, InfoView* infoView)
    : Command(kAnimationLoadImage), selection_(selection), infoView_(infoView) {}

bool AnimationLoadImage::IsEnabled() {
    if (OtherProjectOpen()) return false;
    const std::string path = SingleSelectedPath(selection_);
    if (!IsImageFile(path)) return false;
    return CurrentAnimation() != nullptr || !HasAnimationFile(path);
}

void AnimationLoadImage::Execute() {
    if (CurrentAnimation() == nullptr) ExecuteCommand(kAnimationNew);
    // The animation is held across the question.
    LongOperation loading;
    Animation* animation = CurrentAnimation();
    if (animation == nullptr || selection_ == nullptr || !selection_->HasItems()) return;
    const std::string path = selection_->GetFirstItemPath().GetPath();
    if (HasAnimationFile(path) &&
        platform::ShowMessage(infoView_,
                              "You are about to use the current animation for an image that has "
                              "an animation.\nWhen you save, the previous animation for this "
                              "image will be overwritten.\nAre you sure you want this?",
                              "Load image to animation",
                              platform::MessageButtons::YesNo) != platform::PromptAnswer::Yes) {
        return;
    }
    animation->LoadImage(path);
    ShowAnimationTab(infoView_);
}

// ---- Save

AnimationSave::AnimationSave(InfoExtraSheet* sheet, InfoView* /*infoView*/, FileView* fileView)
    : Command(kAnimationSave), sheet_(sheet), fileView_(fileView) {}

bool AnimationSave::IsEnabled() {
    const Animation* animation = CurrentAnimation();
    return CurrentGallery() == nullptr && animation != nullptr && animation->HasImage() &&
           animation->IsModified();
}

void AnimationSave::Execute() {
    Animation* animation = CurrentAnimation();
    if (animation == nullptr) return;
    const std::string path = animation->GetAnimationFilePath();
    const bool existed = !path.empty() && platform::PathExists(path);
    failed_ = !animation->SaveAnimationFile();
    if (sheet_ != nullptr) sheet_->Update();
    // The picture's thumbnail carries a mark while it has an animation.
    if (!failed_ && !existed && fileView_ != nullptr) {
        fileView_->RefreshItemImage(animation->GetImagePath());
    }
}

// ---- Close

AnimationClose::AnimationClose(CMainFrame* frame, InfoView* infoView)
    : Command(kAnimationClose), frame_(frame), infoView_(infoView) {}

bool AnimationClose::IsEnabled() {
    return CurrentGallery() == nullptr && CurrentAnimation() != nullptr;
}

void AnimationClose::Execute() {
    if (CurrentAnimation() == nullptr) return;
    switch (OfferToSave(infoView_)) {
        case SaveChoice::Stop:
            return;
        case SaveChoice::SaveFailed:
            failed_ = true;
            return;
        case SaveChoice::Go:
            break;
    }
    SetCurrentAnimation(nullptr);
    CloseAnimationTab(infoView_);
    if (frame_ != nullptr) frame_->SetModeMenu();
}

// ---- Export

AnimationExport::AnimationExport(InfoView* infoView)
    : Command(kAnimationExport), infoView_(infoView) {}

bool AnimationExport::IsEnabled() {
    const Animation* animation = CurrentAnimation();
    return CurrentGallery() == nullptr && animation != nullptr && animation->HasImage() &&
           animation->GetPointCount() > 1;
}

void AnimationExport::Execute() {
    // The animation is held from the folder dialog to the end of the copy.
    LongOperation exporting;
    Animation* animation = CurrentAnimation();
    if (animation == nullptr) return;
    const std::string folder =
        BrowseForFolder(infoView_, "Select location for the animation folder");
    if (folder.empty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    failed_ = !animation->SaveToFolder(folder);
    QApplication::restoreOverrideCursor();
}

// ---- Delete the animation file

AnimationDelete::AnimationDelete(FileSelection* selection, FileView* fileView)
    : Command(kAnimationDelete), selection_(selection), fileView_(fileView) {}

bool AnimationDelete::IsEnabled() {
    const std::string path = SingleSelectedPath(selection_);
    return IsImageFile(path) && HasAnimationFile(path);
}

void AnimationDelete::Execute() {
    const std::string path = SingleSelectedPath(selection_);
    if (!IsImageFile(path) || !HasAnimationFile(path)) return;
    if (platform::ShowMessage(
            nullptr, "Are you sure you want to delete the animation for this image?",
            "Delete animation", platform::MessageButtons::YesNo) != platform::PromptAnswer::Yes) {
        return;
    }
    const platform::FileError error = platform::RemoveFile(animation_file::PathFor(path));
    // Gone meanwhile is what the user asked for; anything else leaves the animation there.
    if (error != platform::FileError::None && error != platform::FileError::NotFound) {
        failed_ = true;
        platform::ShowMessage(nullptr, "Failed to delete the animation file", "Delete animation",
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
    }
    if (fileView_ != nullptr) fileView_->RefreshItemImage(path);
}

// ---- Registration

void RegisterAnimationCommands(CommandFactory& factory) {
    using C = CommandContext;
    factory.Register<AnimationNew>(kAnimationNew, &C::frame, &C::infoView);
    factory.Register<AnimationOpen>(kAnimationOpen, &C::selection, &C::infoView);
    factory.Register<AnimationLoadImage>(kAnimationLoadImage, &C::selection, &C::infoView);
    factory.Register<AnimationSave>(kAnimationSave, &C::animationSheet, &C::infoView, &C::fileView);
    factory.Register<AnimationClose>(kAnimationClose, &C::frame, &C::infoView);
    factory.Register<AnimationExport>(kAnimationExport, &C::infoView);
    factory.Register<AnimationDelete>(kAnimationDelete, &C::selection, &C::fileView);
    factory.Register<AnimationPosAdd>(kAnimationPosAdd, &C::animationSheet, &C::viewerView);
    factory.Register<AnimationPosInsert>(kAnimationPosInsert, &C::animationSheet, &C::viewerView);
    factory.Register<AnimationPosChange>(kAnimationPosChange, &C::animationSheet, &C::viewerView);
    factory.Register<AnimationPosDelete>(kAnimationPosDelete, &C::animationSheet, &C::viewerView);
    factory.Register<AnimationPosGo>(kAnimationPosGo, &C::animationSheet, &C::viewerView);
    factory.Register<AnimationPosRename>(kAnimationPosRename, &C::animationSheet, &C::viewerView);
}
