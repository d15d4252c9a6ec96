#include <string>

#include <QDialog>

#include "platform/text/Text.h"
#include "studio/projects/Animation.h"
#include "studio/shell/animation/AnimationCommands.h"
#include "studio/shell/animation/DlgChangeName.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/viewer/VanteloView.h"

namespace {

// The next number of an inserted point's name; never reset.
int& InsertedCounter() {
    static int counter = 1;
    return counter;
}

Animation* AnimationWithImage() {
    Animation* animation = CurrentAnimation();
    return animation != nullptr && animation->HasImage() ? animation : nullptr;
}

}  // namespace

AnimationPointCommand::AnimationPointCommand(int id, InfoExtraSheet* sheet, VanteloView* viewer)
    : Command(id), sheet_(sheet), viewer_(viewer) {}

bool AnimationPointCommand::IsEnabled() {
    if (CurrentGallery() != nullptr || AnimationWithImage() == nullptr) return false;
    return GetId() == kAnimationPosAdd || (sheet_ != nullptr && sheet_->HasSelectedPoint());
}

Animation* AnimationPointCommand::TakePosition(Vector3& position) {
    Animation* animation = AnimationWithImage();
    if (animation == nullptr || sheet_ == nullptr || viewer_ == nullptr ||
        !viewer_->GetPagePosition(position)) {
        return nullptr;
    }
    return animation;
}

AnimationPosAdd::AnimationPosAdd(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosAdd, sheet, viewer) {}

void AnimationPosAdd::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    const AnimationPoint point{animation->NextPointName(),
                               position,
                               {animation->GetWindowWidth(), animation->GetWindowHeight()}};
    sheet_->AppendPoint(point);
    sheet_->Update();
}

AnimationPosInsert::AnimationPosInsert(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosInsert, sheet, viewer) {}

void AnimationPosInsert::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    const AnimationPoint point{platform::FormatC("Inserted%d", InsertedCounter()++),
                               position,
                               {animation->GetWindowWidth(), animation->GetWindowHeight()}};
    sheet_->InsertPoint(point);
    sheet_->Update();
}

AnimationPosChange::AnimationPosChange(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosChange, sheet, viewer) {}

void AnimationPosChange::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    AnimationPoint* point = sheet_->GetSelectedPoint();
    if (point == nullptr) return;
    point->position = position;
    point->size = {viewer_->width(), viewer_->height()};
    animation->SetModified();
    sheet_->Update();
}

AnimationPosDelete::AnimationPosDelete(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosDelete, sheet, viewer) {}

void AnimationPosDelete::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    // Removing the point destroys it: it is not used after this.
    animation->RemovePoint(sheet_->GetSelectedPoint());
    sheet_->Update();
}

AnimationPosGo::AnimationPosGo(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosGo, sheet, viewer) {}

void AnimationPosGo::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    if (const AnimationPoint* point = sheet_->GetSelectedPoint()) {
        viewer_->SetPagePosition(point->position);
    }
}

AnimationPosRename::AnimationPosRename(InfoExtraSheet* sheet, VanteloView* viewer)
    : AnimationPointCommand(kAnimationPosRename, sheet, viewer) {}

void AnimationPosRename::Execute() {
    Vector3 position;
    Animation* animation = TakePosition(position);
    if (animation == nullptr) return;
    const AnimationPoint* point = sheet_->GetSelectedPoint();
    if (point == nullptr) return;
    int index = 0;
    while (animation->GetPoint(index) != point) ++index;

    DlgChangeName dialog(sheet_);
    dialog.SetName(point->name);
    if (dialog.exec() != QDialog::Accepted) return;
    // The dialog's loop lets the page and the project move on meanwhile: the point is
    // found again by its place, in the animation that is open now.
    if (CurrentAnimation() != animation) return;
    AnimationPoint* renamed = animation->GetPoint(index);
    if (renamed == nullptr || dialog.GetName() == renamed->name) return;
    renamed->name = dialog.GetName();
    sheet_->RenameSelectedPoint(renamed->name);
    animation->SetModified();
    sheet_->Update();
}
