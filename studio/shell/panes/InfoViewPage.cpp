// The info pane's branches for an open page project.
#include "studio/shell/panes/InfoView.h"

#include "studio/shell/vantelify/InfoVantelifySheet.h"

void InfoView::CreatePageSheet() {
    pageSheet_ = new InfoVantelifySheet(this);
    pageSheet_->SetInfoView(this);
    pageSheet_->SetViewerView(viewerView_);
    AdoptSheet(kSheetPage, pageSheet_, pageSheet_);
}

// The preview comes back whenever the tab is shown, refreshed or not.
void InfoView::ShowPageSheet(bool /*refresh*/) {
    if (pageSheet_ != nullptr) pageSheet_->ShowPreview();
}

void InfoView::PagePageLoaded() {
    if (pageSheet_ != nullptr) pageSheet_->ScanPage();
}

void InfoView::BeforeShowPageTab() {
    if (pageSheet_ != nullptr) pageSheet_->BeginLoad();
}

void InfoView::ClosePageSheet() {
    if (pageSheet_ != nullptr) pageSheet_->ClearImages();
}
