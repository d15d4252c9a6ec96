// The info pane's branches for an open page project.
#include "studio/shell/panes/InfoView.h"

void InfoView::CreatePageSheet() {}

void InfoView::ShowPageSheet(bool /*refresh*/) {}

void InfoView::PagePageLoaded() {}

void InfoView::BeforeShowPageTab() {}

void InfoView::ClosePageSheet() {}
