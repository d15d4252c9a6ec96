#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <QBasicTimer>
#include <QListWidget>
#include <QPersistentModelIndex>

#include "studio/core/PidlPath.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/fileview/FileImages.h"
#include "studio/shell/fileview/FileItem.h"

class FileSelection;
class FolderTree;
class FolderWatcher;
class QLineEdit;
class QMenu;
class QMimeData;

// The file list: one icon per sub-folder, picture and web page of the shown folder. A
// folder loader and a thumbnail worker fill it off the window thread and hand back plain
// values tagged with the load generation; only the current generation's are applied. A
// watcher notices changes on disk and asks for a refresh.
class FileView : public QListWidget, public CommandTarget {
public:
    explicit FileView(QWidget* parent = nullptr);
    ~FileView() override;
    using QListWidget::edit;

    void SetSelection(FileSelection* selection) { selection_ = selection; }
    // The folder tree beside the list; none in a list of its own.
    void SetTree(FolderTree* tree) { tree_ = tree; }

    // Shows a folder; the same folder again keeps what is unchanged.
    void SetFolder(const PidlPath& folder);
    void Refresh();
    void Reload();
    void StartWatcher();
    void StopWatcher();
    bool IsWatching() const;

    const PidlPath& GetFolder() const { return folder_; }
    // The shown folder's path ending in '/', empty for a place outside the file system.
    const std::string& GetFolderText() const { return folderText_; }
    int GetGeneration() const { return generation_->load(); }
    // True once the current generation's items and pictures are all in the list.
    bool IsLoadComplete() const { return completed_ == generation_->load(); }
    // False when the last folder asked for could not be read (the list is then empty).
    bool IsFolderReadable() const { return readable_; }
    // Loaders and thumbnail workers still at work (those of older folders may be finishing
    // a decode).
    int GetRunningWorkers() const;
    // Decode threads the thumbnail worker may use (by default one a core, at most eight).
    void SetDecodeThreads(int threads) { decodeThreads_ = threads; }
    int GetDecodeThreads() const { return decodeThreads_; }

    // The item's record, null for a row that is not there.
    const FileItem* GetItemRecord(int row) const;
    int GetItemSlot(int row) const;
    int FindItem(const std::string& name) const;
    FileImages& Images() { return images_; }

    // What the list knows of the file's thumbnail, none when it made none.
    const ImageInfo* GetImageInfo(const PidlPath& path) const;
    const ImageInfo* GetImageInfo(const std::string& path) const;
    void SetImageIptc(const PidlPath& path, const IPTCData& iptc);
    // Renders the file's thumbnail again into its slot, marked when its animation exists.
    void RefreshItemImage(const std::string& path);

    void MarkCut(const PidlPath& folder, const std::vector<PidlPath>& items);
    bool IsMarkedCut(int row) const;
    void SelectAll();
    void SelectImages();
    void CreateFolder();
    // Refills the selection from the list's and shows its status line.
    void UpdateSelection();
    // The list's folder and selected items, then their facts with the list's records of
    // decoded pictures.
    void FillSelection(FileSelection& selection) const;

    // Renames the item's file and the item; false (nothing changed) when the file system
    // refused.
    bool RenameItem(int row, const std::string& newName);
    // True while the rename box is open, and only then.
    bool IsRenaming() const;
    void BeginRename(int row);
    // A slow second click on a selected name has asked for its rename box, which opens once
    // no double-click can follow; a double-click, a key or another click takes it back.
    bool IsRenamePending() const { return renameTimer_.isActive() && pendingRename_.isValid(); }

    // The folder a drop at `pos` would go to (ending in '/'), none when the drop is refused.
    std::optional<std::string> DropTargetAt(const QPoint& pos, const QMimeData* mime) const;
    // Copies or moves the dragged items into the folder.
    void DropFiles(const std::string& target, const QMimeData* mime, Qt::DropAction effect);

    // An item's name as the list draws it: lines parted by QChar::LineSeparator.
    QString ShownText(int row) const;

    // The context menu for the current selection, its items enabled.
    QMenu* PrepareContextMenu();

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;

private:
    struct Listed;
    class Delegate;
    friend class Delegate;

    // A thread of a load job; `done` is set as the job's last act.
    struct Worker {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> done;
    };
    void StartWorker(std::function<void()> job);
    // Joins the workers whose jobs have ended; never waits for one still working.
    void ReapWorkers();
    void JoinWorkers();
    void InstallDelegate();
    void StartLoader();
    void ForgetShownItems();
    void ShowUnreadable(bool tell);
    void ApplyListing(struct FolderListing& listing);
    void StartThumbnails(bool merge);
    static int DefaultDecodeThreads();
    static void GiveBackMemory();
    // The rows showing now, first to last; none when no row shows.
    std::pair<int, int> ShownRows() const;
    void ApplyPicture(struct ItemPicture& picture);
    void OnFolderChanged();
    void SetItemSlot(QListWidgetItem* item, int slot);
    void ShowStatus(const std::string& text);
    void BuildMenus();
    void MapViewCommands();
    void RunSelected(int id);
    void SetHotItem(QListWidgetItem* item);
    // The folder watcher and the tree's drive watchers, held while the list changes files.
    void StopAllWatchers();
    void StartAllWatchers();
    // The in-place rename's edit box, null when no rename runs.
    QLineEdit* RenameEditor() const;
    void CancelPendingRename();

    FileSelection* selection_ = nullptr;
    FolderTree* tree_ = nullptr;
    FileImages images_;
    std::string folderText_;
    PidlPath folder_;
    std::mutex lock_;  // guards folder_ against the loader's copy
    // Shared with the jobs, which stop once it leaves their generation.
    std::shared_ptr<std::atomic<int>> generation_ = std::make_shared<std::atomic<int>>(0);
    int completed_ = 0;
    bool merge_ = false;
    bool readable_ = true;
    std::vector<Worker> workers_;
    int decodeThreads_ = DefaultDecodeThreads();
    std::atomic<bool> changePending_{false};
    std::unique_ptr<FolderWatcher> watcher_;
    QMenu* imageMenu_ = nullptr;
    QMenu* folderMenu_ = nullptr;
    QMenu* pageMenu_ = nullptr;
    // The item whose rename box is open; a box Qt was only asked to open later is none.
    QPersistentModelIndex renaming_;
    // The slow second click: the name it was on, and what the press found.
    QBasicTimer renameTimer_;
    QPersistentModelIndex pendingRename_;
    QPersistentModelIndex pressedSelected_;
    bool focusByClick_ = false;
    bool doubleClicked_ = false;
    std::string oldName_;
    std::string dropTarget_;
    QListWidgetItem* hotItem_ = nullptr;
};
