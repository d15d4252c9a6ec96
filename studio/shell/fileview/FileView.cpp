#include "studio/shell/fileview/FileView.h"

#include <malloc.h>

#include <algorithm>
#include <set>
#include <utility>

#include <QApplication>
#include <QContextMenuEvent>
#include <QMainWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QStatusBar>
#include <QTimerEvent>

#include "platform/prompts/Prompts.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileview/FileListItem.h"
#include "studio/shell/fileview/FileViewEvents.h"
#include "studio/shell/fileview/FileWorkers.h"
#include "studio/shell/fileview/FolderWatcher.h"
#include "studio/shell/fileview/PostedEvents.h"

FileView::FileView(QWidget* parent) : QListWidget(parent) {
    setObjectName("FileView");
    setViewMode(QListView::IconMode);
    setMovement(QListView::Static);
    setResizeMode(QListView::Adjust);
    setFlow(QListView::LeftToRight);
    setWrapping(true);
    setWordWrap(true);
    setUniformItemSizes(true);
    setIconSize(QSize(kThumbSize, kThumbSize));
    InstallDelegate();
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Renames start only from the Rename command, a new folder and a slow second click on a
    // selected name (below), never from a key typed in the list.
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDropIndicatorShown(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    // The selection shows white on dark blue whether or not the list has the focus.
    QPalette colours = palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive}) {
        colours.setColor(group, QPalette::Base, Qt::white);
        colours.setColor(group, QPalette::Highlight, QColor(0, 0, 127));
        colours.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    setPalette(colours);
    watcher_ = std::make_unique<FolderWatcher>(
        changePending_, [this] { PostToView(this, new QEvent(kFolderChangedEvent)); });
    BuildMenus();
    MapViewCommands();
    connect(this, &QListWidget::itemSelectionChanged, this, [this] {
        if (hasFocus()) UpdateSelection();
    });
}

FileView::~FileView() {
    generation_->fetch_add(1);
    StopWatcher();
    JoinWorkers();
    clear();  // the records go with their items
}

// ---- Loading

void FileView::StartWorker(std::function<void()> job) {
    ReapWorkers();
    auto done = std::make_shared<std::atomic<bool>>(false);
    std::thread thread([job = std::move(job), done] {
        job();
        done->store(true);
    });
    workers_.push_back({std::move(thread), std::move(done)});
}

void FileView::ReapWorkers() {
    for (auto it = workers_.begin(); it != workers_.end();) {
        if (it->done->load()) {
            it->thread.join();
            it = workers_.erase(it);
        } else {
            ++it;
        }
    }
}

int FileView::GetRunningWorkers() const {
    return static_cast<int>(
        std::count_if(workers_.begin(), workers_.end(),
                      [](const Worker& worker) { return !worker.done->load(); }));
}

void FileView::JoinWorkers() {
    // Only when the view goes. The workers only post to this thread and never wait for it,
    // so joining cannot deadlock; what they posted is dropped with the view.
    for (Worker& worker : workers_) worker.thread.join();
    workers_.clear();
}

void FileView::SetFolder(const PidlPath& folder) {
    // The jobs of the folder shown so far stop at their next look at the generation; the
    // window never waits for them (a large picture may take a second to decode), and what
    // they still send is dropped.
    generation_->fetch_add(1);
    std::string text = folder.IsValid() ? folder.GetPath() : std::string();
    if (!text.empty() && text.back() != '/') text += '/';
    merge_ = !text.empty() && text == folderText_;
    // The items of the folder left must not wait for the new listing: a command or a rename
    // on one meanwhile would act on a same-named file of the new folder.
    if (text != folderText_ && count() > 0) ForgetShownItems();
    folderText_ = text;
    if (!merge_) {
        StopWatcher();
        if (!folderText_.empty()) StartWatcher();
    }
    if (folder != folder_) {
        std::lock_guard hold(lock_);
        folder_ = folder;
    }
    StartLoader();
}

void FileView::Refresh() {
    const PidlPath folder = folder_;
    SetFolder(folder);
}

void FileView::Reload() {
    folderText_.clear();
    Refresh();
}

void FileView::StartLoader() {
    PidlPath folder;
    {
        std::lock_guard hold(lock_);
        folder = folder_;
    }
    const int generation = generation_->load();
    const bool merge = merge_;
    const bool hidden = ShowHiddenFiles();
    // A change seen from now on is reported again.
    changePending_ = false;
    StartWorker(
        [this, current = generation_, folder = std::move(folder), generation, merge, hidden] {
            std::optional<FolderListing> listing = ListFolder(folder, hidden, generation, *current);
            if (!listing) return;  // a newer load took over
            listing->merge = merge;
            PostToView(this, new ListingEvent(std::move(*listing)));
        });
}

void FileView::ForgetShownItems() {
    renaming_ = QPersistentModelIndex();
    hotItem_ = nullptr;
    clear();
    images_.CutToFixed();
    GiveBackMemory();
    if (selection_ != nullptr) UpdateSelection();
}

void FileView::ShowUnreadable(bool tell) {
    // Nothing of the folder shown before may stand for this one: a command on an item left
    // over would act on a same-named file here.
    ForgetShownItems();
    readable_ = false;
    if (tell) {
        std::string shown = folderText_;
        if (shown.size() > 1 && shown.back() == '/') shown.pop_back();
        platform::ShowMessage(this, "Cannot open the folder '" + shown + "'.", "Open folder",
                              platform::MessageButtons::Ok, platform::MessageIcon::Warning);
    }
}

void FileView::ApplyListing(FolderListing& listing) {
    if (listing.unreadable) {
        // A folder that vanished while it was shown just empties; one the user chose says why.
        ShowUnreadable(!listing.merge);
        completed_ = listing.generation;
        return;
    }
    readable_ = true;
    if (listing.merge) {
        std::map<std::string, ListedEntry*> fresh;
        for (auto* group : {&listing.folders, &listing.files}) {
            for (ListedEntry& entry : *group) fresh.emplace(entry.name, &entry);
        }
        for (int row = count() - 1; row >= 0; --row) {
            const auto found = fresh.find(item(row)->text().toStdString());
            if (found != fresh.end()) {
                found->second->record.reset();  // the item stays as it is
            } else {
                delete takeItem(row);
            }
        }
    } else {
        renaming_ = QPersistentModelIndex();
        clear();
        images_.CutToFixed();
        GiveBackMemory();
    }
    setUpdatesEnabled(false);
    for (ListedEntry& entry : listing.folders) {
        if (!entry.record) continue;
        auto* row = new FileListItem(QString::fromStdString(entry.name), std::move(entry.record));
        addItem(row);
        const int slot = images_.GetIconImage(row->record->iconName);
        SetItemSlot(row, slot != 0 ? slot : static_cast<int>(kSlotFolder));
    }
    for (ListedEntry& entry : listing.files) {
        if (!entry.record) continue;
        auto* row = new FileListItem(QString::fromStdString(entry.name), std::move(entry.record));
        addItem(row);
        const int slot = listing.merge ? images_.FindThumbnailIndex(folderText_ + entry.name) : 0;
        SetItemSlot(row, slot);
    }
    setUpdatesEnabled(true);
    if (!listing.merge && count() > 0) scrollToItem(item(0));
    StartThumbnails(listing.merge);
}

void FileView::StartThumbnails(bool merge) {
    ThumbnailJob job;
    job.generation = generation_->load();
    job.merge = merge;
    job.folderText = folderText_;
    std::set<std::string> shown;
    job.tasks.reserve(static_cast<std::size_t>(count()));
    for (int row = 0; row < count(); ++row) {
        const auto* entry = static_cast<FileListItem*>(item(row));
        const std::string name = entry->text().toStdString();
        job.tasks.push_back({row, name, entry->record ? entry->record->kind : kKindOther});
        shown.insert(folderText_ + name);
        shown.insert(folderText_ + name + ".vtd");
    }
    // The rows on screen get their pictures first, the others after them in list order.
    if (const auto [first, last] = ShownRows(); first > 0 && last >= first) {
        std::rotate(job.tasks.begin(), job.tasks.begin() + first, job.tasks.begin() + last + 1);
    }
    if (merge) {
        // A thumbnail of a file no longer listed frees its slot.
        for (const auto& [slot, info] : images_.Thumbnails()) {
            if (info.valid && shown.count(info.fileName) == 0) images_.Invalidate(slot);
        }
        for (const auto& [slot, info] : images_.Thumbnails()) {
            if (info.valid) job.thumbnails.emplace(slot, info);
        }
    }
    job.imageCount = images_.Count();
    StartWorker([this, current = generation_, job = std::move(job), threads = decodeThreads_] {
        MakeThumbnails(
            job, *current,
            [this](ItemPicture picture) { PostToView(this, new PictureEvent(std::move(picture))); },
            threads);
        PostToView(this, new LoadDoneEvent(job.generation, true));
    });
}

void FileView::GiveBackMemory() {
#ifdef __GLIBC__
    // A folder of many thousand items leaves its many small blocks free but held by the
    // allocator; the system gets them back when the list lets them go.
    malloc_trim(0);
#endif
}

int FileView::DefaultDecodeThreads() {
    const unsigned cores = std::thread::hardware_concurrency();
    return std::clamp(static_cast<int>(cores), 1, kMostDecoders);
}

std::pair<int, int> FileView::ShownRows() const {
    const QRect area = viewport()->rect();
    int first = -1;
    for (const QPoint corner : {area.topLeft() + QPoint(4, 4), area.center()}) {
        if (const QModelIndex index = indexAt(corner); index.isValid()) {
            first = index.row();
            break;
        }
    }
    if (first < 0) return {-1, -1};
    // A row of cells may begin left of the one under the corner.
    while (first > 0 && visualItemRect(item(first - 1)).intersects(area)) --first;
    int last = first;
    while (last + 1 < count() && visualItemRect(item(last + 1)).intersects(area)) ++last;
    return {first, last};
}

void FileView::ApplyPicture(ItemPicture& picture) {
    auto* row = static_cast<FileListItem*>(item(picture.index));
    if (row == nullptr) return;
    int slot = picture.slot;
    if (picture.thumbnail) slot = images_.AddThumbnail(slot, std::move(*picture.thumbnail), true);
    if (row->record) row->record->kind = picture.kind;
    SetItemSlot(row, slot);
}

void FileView::SetItemSlot(QListWidgetItem* item, int slot) {
    auto* row = static_cast<FileListItem*>(item);
    row->slot = slot;
    // Told as a change of the item's data, so the list redraws it as it did when the item held
    // its picture: only once laid out and only where it shows. A new picture in the same slot
    // is no change of the data, so that cell is redrawn by hand.
    if (row->data(Qt::UserRole + 1) == QVariant(slot)) {
        update(indexFromItem(row));
        return;
    }
    row->setData(Qt::UserRole + 1, slot);
}

QVariant FileListItem::data(int role) const {
    if (role == Qt::DecorationRole) {
        if (auto* list = dynamic_cast<FileView*>(listWidget())) return list->Images().Icon(slot);
    }
    return QListWidgetItem::data(role);
}

bool FileView::event(QEvent* event) {
    TakePostedEvent();
    // A key pressed, a shortcut's too, means the user went on: no rename box follows.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        CancelPendingRename();
    }
    switch (static_cast<int>(event->type())) {
        case kListingEvent: {
            auto* listing = static_cast<ListingEvent*>(event);
            if (listing->listing.generation == generation_->load()) ApplyListing(listing->listing);
            return true;
        }
        case kPictureEvent: {
            auto* picture = static_cast<PictureEvent*>(event);
            if (picture->picture.generation == generation_->load()) ApplyPicture(picture->picture);
            return true;
        }
        case kLoadDoneEvent: {
            auto* done = static_cast<LoadDoneEvent*>(event);
            if (done->generation == generation_->load()) completed_ = done->generation;
            return true;
        }
        case kFolderChangedEvent:
            OnFolderChanged();
            return true;
        default:
            return QListWidget::event(event);
    }
}

void FileView::OnFolderChanged() {
    generation_->fetch_add(1);
    // One refresh answers every change noticed so far.
    QCoreApplication::removePostedEvents(this, kFolderChangedEvent);
    Refresh();
}

void FileView::StartWatcher() {
    if (!folderText_.empty() && !watcher_->IsRunning()) watcher_->Start(folderText_);
}

void FileView::StopWatcher() {
    watcher_->Stop();
}

bool FileView::IsWatching() const {
    return watcher_->IsRunning();
}

// ---- Items and pictures

const FileItem* FileView::GetItemRecord(int row) const {
    const auto* entry = static_cast<const FileListItem*>(item(row));
    return entry != nullptr ? entry->record.get() : nullptr;
}

int FileView::GetItemSlot(int row) const {
    const auto* entry = static_cast<const FileListItem*>(item(row));
    return entry != nullptr ? entry->slot : -1;
}

int FileView::FindItem(const std::string& name) const {
    const QString text = QString::fromStdString(name);
    for (int row = 0; row < count(); ++row) {
        if (item(row)->text() == text) return row;
    }
    return -1;
}

const ImageInfo* FileView::GetImageInfo(const PidlPath& path) const {
    return images_.GetImageInfo(path.GetPath());
}

const ImageInfo* FileView::GetImageInfo(const std::string& path) const {
    return images_.GetImageInfo(path);
}

void FileView::SetImageIptc(const PidlPath& path, const IPTCData& iptc) {
    images_.SetImageIptc(path.GetPath(), iptc);
}

void FileView::RefreshItemImage(const std::string& path) {
    const int slot = images_.FindThumbnailIndex(path);
    if (slot < kFirstThumbnailSlot) return;
    std::optional<RenderedThumbnail> thumbnail =
        RenderFileThumbnail(path, FileExists(CompanionPath(path, ".vte")));
    if (!thumbnail) return;
    images_.AddThumbnail(slot, std::move(*thumbnail), true);
    for (int row = 0; row < count(); ++row) {
        if (GetItemSlot(row) == slot) SetItemSlot(item(row), slot);
    }
}

void FileView::MarkCut(const PidlPath& folder, const std::vector<PidlPath>& items) {
    const bool here = folder.IsValid() && folder == folder_;
    for (int row = 0; row < count(); ++row) {
        auto* entry = static_cast<FileListItem*>(item(row));
        bool cut = false;
        if (here && entry->record) {
            for (const PidlPath& one : items) cut = cut || one == entry->record->item;
        }
        entry->cut = cut;
        // A cut item shows faded until it is pasted or the marks are cleared.
        entry->setForeground(cut ? QColor(128, 128, 128) : QColor(0, 0, 0));
    }
}

bool FileView::IsMarkedCut(int row) const {
    const auto* entry = static_cast<const FileListItem*>(item(row));
    return entry != nullptr && entry->cut;
}

void FileView::SelectAll() {
    {
        const QSignalBlocker once(this);  // one refill below, not one per change
        selectAll();
    }
    viewport()->update();
    UpdateSelection();
}

void FileView::SelectImages() {
    // One selection of all pictures at once: item by item would refill the selection for
    // every one of them.
    QItemSelection pictures;
    for (int row = 0; row < count(); ++row) {
        const FileItem* record = GetItemRecord(row);
        if (record == nullptr || record->kind != kKindPicture) continue;
        const QModelIndex at = model()->index(row, 0);
        pictures.select(at, at);
    }
    {
        const QSignalBlocker once(this);
        selectionModel()->select(pictures, QItemSelectionModel::ClearAndSelect);
    }
    viewport()->update();
    UpdateSelection();
}

// ---- Selection and status

void FileView::FillSelection(FileSelection& selection) const {
    QModelIndexList selected = selectionModel()->selectedIndexes();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<const FileItem*> records;
    std::vector<PidlPath> items;
    std::vector<bool> folders;
    records.reserve(static_cast<std::size_t>(selected.size()));
    items.reserve(records.capacity());
    for (const QModelIndex& index : selected) {
        if (const FileItem* record = GetItemRecord(index.row())) {
            records.push_back(record);
            items.push_back(record->item);
            folders.push_back(record->kind == kKindFolder);
        }
    }
    selection.Set(GetFolder(), items);
    // The list's own records say what each item is and what its picture held.
    selection.GatherFacts(folders, [this, &records](std::size_t at) -> std::optional<GalleryImage> {
        const ImageInfo* info = GetImageInfo(records[at]->fullPath);
        if (info == nullptr) return std::nullopt;
        GalleryImage image;
        image.width = info->width;
        image.height = info->height;
        image.fileSize = info->fileSize;
        image.imageBytes = info->imageBytes;
        if (info->hasIptc) image.iptc = info->iptc;
        return image;
    });
}

void FileView::UpdateSelection() {
    if (selection_ == nullptr) return;
    FillSelection(*selection_);
    ShowStatus(selection_->GetStatusText());
}

void FileView::ShowStatus(const std::string& text) {
    if (auto* frame = qobject_cast<QMainWindow*>(window())) {
        frame->statusBar()->showMessage(QString::fromStdString(text));
    }
}

void FileView::focusInEvent(QFocusEvent* event) {
    focusByClick_ = event->reason() == Qt::MouseFocusReason;
    QListWidget::focusInEvent(event);
    UpdateSelection();
}

void FileView::focusOutEvent(QFocusEvent* event) {
    CancelPendingRename();
    QListWidget::focusOutEvent(event);
    if (!IsRenaming()) ShowStatus({});
}

void FileView::mousePressEvent(QMouseEvent* event) {
    CancelPendingRename();
    doubleClicked_ = false;
    // Only a click on a name already selected, in a list that had the focus before it, is
    // the second click of a rename: the click that brings the focus here only chooses.
    const bool focusedByThisClick = std::exchange(focusByClick_, false);
    const QModelIndex under = indexAt(event->position().toPoint());
    const bool second = !focusedByThisClick && event->button() == Qt::LeftButton &&
                        event->modifiers() == Qt::NoModifier && under.isValid() &&
                        selectionModel()->isSelected(under);
    pressedSelected_ = second ? QPersistentModelIndex(under) : QPersistentModelIndex();
    QListWidget::mousePressEvent(event);
}

void FileView::mouseReleaseEvent(QMouseEvent* event) {
    const QModelIndex under = indexAt(event->position().toPoint());
    const bool second = !doubleClicked_ && pressedSelected_.isValid() &&
                        under == pressedSelected_ && event->button() == Qt::LeftButton;
    pressedSelected_ = QPersistentModelIndex();
    QListWidget::mouseReleaseEvent(event);
    if (!second || IsRenaming()) return;
    // The box waits until a double-click can no longer follow: that one opens the item.
    pendingRename_ = under;
    renameTimer_.start(QApplication::doubleClickInterval(), this);
}

void FileView::timerEvent(QTimerEvent* event) {
    if (event->timerId() != renameTimer_.timerId()) {
        QListWidget::timerEvent(event);
        return;
    }
    renameTimer_.stop();
    const QPersistentModelIndex index = std::exchange(pendingRename_, QPersistentModelIndex());
    if (index.isValid() && hasFocus() && selectionModel()->isSelected(index)) {
        BeginRename(index.row());
    }
}

void FileView::CancelPendingRename() {
    renameTimer_.stop();
    pendingRename_ = QPersistentModelIndex();
}

void FileView::mouseDoubleClickEvent(QMouseEvent* event) {
    doubleClicked_ = true;
    CancelPendingRename();
    QListWidget::mouseDoubleClickEvent(event);
    UpdateSelection();
    if (!IsRenaming() && !selectedItems().isEmpty()) ExecuteCommand(kFileOpen);
}
