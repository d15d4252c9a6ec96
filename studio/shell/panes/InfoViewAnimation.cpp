// The info pane's branches for an open animation.
#include "studio/shell/panes/InfoView.h"

void InfoView::CreateAnimationSheet() {}

void InfoView::ShowAnimationSheet(bool /*refresh*/) {}

void InfoView::AnimationPageLoaded() {}

void InfoView::RefreshAnimationSheet() {}
