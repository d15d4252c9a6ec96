// The info pane's branches for an open animation.
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/panes/InfoView.h"

void InfoView::CreateAnimationSheet() {
    animationSheet_ = new InfoExtraSheet(this);
    animationSheet_->SetViewerView(viewerView_);
    AdoptSheet(kSheetAnimation, animationSheet_, animationSheet_);
}

void InfoView::ShowAnimationSheet(bool refresh) {
    if (refresh) animationSheet_->Update();
}

void InfoView::AnimationPageLoaded() {
    animationSheet_->OnPageLoaded();
}

void InfoView::RefreshAnimationSheet() {
    animationSheet_->Regenerate();
}
