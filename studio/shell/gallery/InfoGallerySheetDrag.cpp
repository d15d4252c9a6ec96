// Dragging pictures out of the gallery's list, reordering them by drag and taking
// pictures dropped from the file list.
#include <memory>
#include <vector>

#include <QDrag>
#include <QMimeData>
#include <QScrollBar>

#include "studio/core/FileSelection.h"
#include "studio/core/PidlPath.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/gallery/GalleryLists.h"
#include "studio/shell/gallery/InfoGallerySheet.h"
#include "studio/shell/panes/InfoView.h"

namespace {

// The rows at the list's top and bottom edge where a drag scrolls it.
constexpr int kScrollBand = 10;
constexpr int kScrollStep = 16;

void SetHotItem(QListWidget& list, int row) {
    for (int i = 0; i < list.count(); ++i) {
        list.item(i)->setBackground(i == row ? QBrush(QColor(200, 215, 240)) : QBrush());
    }
}

}  // namespace

void InfoGallerySheet::OnBeginDrag() {
    Gallery* gallery = CurrentGallery();
    const int row = GetSelectedImage();
    if (gallery == nullptr || row < 0) return;
    std::string folder = gallery->GetWorkingFolder();
    const PidlPath copy(folder + images_->item(row)->text().toStdString());
    if (!copy.IsValid()) return;
    if (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    PidlPath item;
    copy.GetLastItem(item);
    FileSelection selection;
    selection.Set(PidlPath(folder), {item});
    std::unique_ptr<QMimeData> source = CreateFileDataSource(selection);
    if (source) {
        dragSource_ = source.get();
        draggedRow_ = row;
        RunDrag(source.release());
        draggedRow_ = -1;
    }
    dragSource_ = nullptr;
}

void InfoGallerySheet::RunDrag(QMimeData* mime) {
    auto* drag = new QDrag(images_);
    drag->setMimeData(mime);
    // Only a copy is offered: a drop elsewhere must never take the gallery's own file away.
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

int InfoGallerySheet::CanDrop(const QMimeData* mime, Qt::KeyboardModifiers /*keyState*/,
                              const QPoint& point) {
    dropRow_ = -1;
    QWidget* pane = parentWidget();
    if (pane == nullptr) return kDropNone;
    const QRect area(images_->mapTo(pane, QPoint(0, 0)), images_->size());
    if (!area.contains(point)) return kDropNone;
    if (point.y() < area.top() + kScrollBand) {
        images_->verticalScrollBar()->setValue(images_->verticalScrollBar()->value() - kScrollStep);
    } else if (point.y() >= area.bottom() + 1 - kScrollBand) {
        images_->verticalScrollBar()->setValue(images_->verticalScrollBar()->value() + kScrollStep);
    }
    const QPoint inList = images_->viewport()->mapFrom(pane, point);
    QListWidgetItem* under = images_->itemAt(inList);
    const int hit = under != nullptr ? images_->row(under) : -1;

    if (dragSource_ == nullptr) {
        PidlPath folder;
        std::vector<PidlPath> items;
        if (!ReadFileListData(mime, folder, items) || items.empty()) return kDropNone;
        PidlPath first = folder;
        first.Append(items.front());
        if (!IsImageFile(first.GetPath())) return kDropNone;
        SetHotItem(*images_, hit);
        dropRow_ = hit;
        return kDropCopy;
    }

    const int rows = images_->count();
    if (rows < 2 || hit == draggedRow_) return kDropNone;
    if (hit >= 0 && hit == draggedRow_ + 1) {
        // Before the row below is where the picture already is; only the end moves it.
        if (draggedRow_ != rows - 2) return kDropNone;
        SetHotItem(*images_, hit);
        return kDropMove;
    }
    SetHotItem(*images_, hit);
    if (hit >= 0) {
        dropRow_ = hit;
        return kDropMove;
    }
    if (draggedRow_ == rows - 1) return kDropNone;
    const QRect last = images_->visualItemRect(images_->item(rows - 1));
    return inList.y() >= last.top() + last.height() ? kDropMove : kDropNone;
}

bool InfoGallerySheet::Drop(const QMimeData* mime, int /*effect*/, const QPoint& /*point*/) {
    PidlPath folder;
    std::vector<PidlPath> items;
    if (mime == nullptr || !mime->hasFormat(kFileListMimeType) ||
        !ReadFileListData(mime, folder, items) || items.empty()) {
        return false;
    }
    if (dragSource_ != nullptr) {
        MoveImageTo(draggedRow_, dropRow_);
        SetHotItem(*images_, -1);
        return true;
    }
    FileSelection selection;
    selection.Set(folder, items);
    if (infoView_ != nullptr) {
        if (dropRow_ < 0) {
            infoView_->RefreshGallery(selection);
        } else {
            infoView_->UpdateGallery(images_->item(dropRow_)->text().toStdString(), selection);
        }
    }
    SetHotItem(*images_, -1);
    return true;
}

void InfoGallerySheet::MoveImageTo(int row, int before) {
    Gallery* gallery = CurrentGallery();
    if (gallery == nullptr || row < 0 || row >= images_->count()) return;
    const std::string name = images_->item(row)->text().toStdString();
    const std::string target = before >= 0 && before < images_->count()
                                   ? images_->item(before)->text().toStdString()
                                   : std::string();
    gallery->MoveImageBefore(name, target);
    RefillImageList();
    ShowPreview(false);
}
