// The info pane's branches for an open gallery.
#include <optional>

#include "studio/core/FileSelection.h"
#include "studio/core/Progress.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/BusyDialog.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/gallery/InfoGallerySheet.h"
#include "studio/shell/panes/InfoView.h"
#include "studio/shell/viewer/RedrawLock.h"

void InfoView::CreateGallerySheet() {
    gallerySheet_ = new InfoGallerySheet(this);
    gallerySheet_->SetInfoView(this);
    gallerySheet_->SetViewerView(viewerView_);
    AdoptSheet(kSheetGallery, gallerySheet_, gallerySheet_);
}

void InfoView::ShowGallerySheet(bool refresh) {
    if (refresh) gallerySheet_->ShowPreview(false);
}

void InfoView::AfterShowGalleryTab() {
    gallerySheet_->ClearImages();
    gallerySheet_->SelectDefaultTemplate();
}

void InfoView::RefreshGallerySheet() {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    if (Progress* progress = GetProgress()) {
        progress->SetRange(0, static_cast<int>(gallery->GetImageCount() * 2.05));
    }
    gallery->RegenerateThumbnails();
    gallerySheet_->Rebuild();
    CloseBusyDialog();
}

void InfoView::CloseGallerySheet() {
    gallerySheet_->ClearImages();
}

void InfoView::UpdateGallery(const std::string& before, const FileSelection& selection) {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr) return;
    {
        RedrawLockScope lock;
        SelectTab(1);
        ShowTab(false);
        const FileView* files = fileView_;
        gallery->AddFiles(before, selection, [files](const PidlPath& path) {
            std::optional<GalleryImage> image;
            const ImageInfo* info = files != nullptr ? files->GetImageInfo(path) : nullptr;
            if (info == nullptr) return image;
            image.emplace();
            image->width = info->width;
            image->height = info->height;
            image->fileSize = info->fileSize;
            image->imageBytes = info->imageBytes;
            if (info->hasIptc) image->iptc = info->iptc;
            return image;
        });
        if (Progress* progress = GetProgress()) progress->SetTexts("Update GUI...", "");
        gallerySheet_->Rebuild();
    }
    // The work is done: a busy window left standing would cover the preview for good.
    CloseBusyDialog();
    window()->update();
}
