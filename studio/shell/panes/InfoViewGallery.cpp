// The info pane's branches for an open gallery.
#include "studio/shell/panes/InfoView.h"

void InfoView::CreateGallerySheet() {}

void InfoView::ShowGallerySheet(bool /*refresh*/) {}

void InfoView::AfterShowGalleryTab() {}

void InfoView::RefreshGallerySheet() {}

void InfoView::CloseGallerySheet() {}
