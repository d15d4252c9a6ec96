#pragma once

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include <QIcon>
#include <QTreeWidget>

#include "platform/shellns/DriveKinds.h"
#include "studio/core/PidlPath.h"
#include "studio/shell/commands/CommandTarget.h"
#include "studio/shell/fileview/FolderTree.h"
#include "studio/shell/tree/TreeItem.h"

class DriveWatchers;
class SubfolderProbe;
class FileSelection;
class FileView;
class QMenu;
class QMimeData;

// Where the tree learns of the drives: their kinds and which medium each holds. The
// system's by default; tests give their own.
struct DriveSource {
    std::function<std::vector<platform::shellns::DriveInfo>()> drives;
    std::function<std::optional<std::string>(const std::string& root)> volumeId;

    static DriveSource System();
};

// The folder tree: the namespace from the Desktop down, folders only, each node filled
// when it is expanded. Selecting a folder shows it in the file list. Drive watchers keep it
// current; it takes dropped items onto its folders and has a small menu of edit commands.
class DriveView : public QTreeWidget, public CommandTarget, public FolderTree {
public:
    explicit DriveView(QWidget* parent = nullptr);
    ~DriveView() override;

    void SetFileView(FileView* view) { fileView_ = view; }
    void SetSelection(FileSelection* selection) { selection_ = selection; }
    // Before OnInitialUpdate.
    void SetDriveSource(DriveSource source) { source_ = std::move(source); }

    // Fills the tree down to the Computer and starts the drive watchers; once.
    void OnInitialUpdate();

    void Fill();
    // Lists the folder's sub-folders under the node (the Desktop's when no folder).
    void FillChildren(QTreeWidgetItem* parent, const platform::shellns::Folder* folder);
    // Adds the item below the node when it is a folder of the file system (or above one);
    // null when it is not.
    QTreeWidgetItem* InsertFolderItem(
        QTreeWidgetItem* parent, const std::shared_ptr<const platform::shellns::Folder>& folder,
        const platform::shellns::IdList& item);

    bool SelectPath(const PidlPath& path, bool select) override;
    void ExpandPath(const PidlPath& path);
    QTreeWidgetItem* FindItem(const PidlPath& path) const;
    // Builds the tree anew, keeping the expanded branches and the selection.
    void Refresh() override;
    void StartWatchers() override;
    void StopWatchers() override;
    DriveWatchers& Watchers() { return *watchers_; }
    // True while the expand buttons of listed folders are still being worked out.
    bool IsProbing() const;
    // At start-up: the tree opened down to the folder and the folder selected, so the file
    // list shows it; a folder the tree cannot reach is shown in the list all the same.
    void ShowStartFolder(const PidlPath& folder);
    int GetRefreshCount() const { return refreshes_; }

    static const TreeItem* GetTreeItem(const QTreeWidgetItem* node);
    QTreeWidgetItem* GetRootItem() const { return topLevelItem(0); }
    // The selected node's path; invalid when nothing is selected.
    PidlPath GetSelectedPath() const;
    // The selected node's parent's path; invalid when there is none.
    PidlPath GetParentFolderPath() const;

    // Right click on a node: selects it without showing it in the file list, fills the
    // selection from it and enables the menu's entries.
    QMenu* PrepareContextMenu(QTreeWidgetItem* node);
    bool IsInMenu() const { return inMenu_; }
    // Where a drop at `pos` would go (ending in '/') and how; none when it is refused.
    std::optional<std::string> DropTargetAt(const QPoint& pos, const QMimeData* mime,
                                            bool copy) const;

protected:
    bool event(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTreeWidgetItem* AddNode(QTreeWidgetItem* parent, TreeItem info, const std::string& text,
                             bool button);
    void OnExpanded(QTreeWidgetItem* node);
    void ApplyProbe(const std::string& parent,
                    const std::vector<std::pair<std::string, bool>>& folders);
    void OnSelectionChanged(QTreeWidgetItem* node);
    bool Walk(const PidlPath& path, bool select);
    bool ExpandNode(QTreeWidgetItem* node);
    // A row the user sees: its folder and how far down the view it stands.
    struct RowInView {
        PidlPath path;
        int top;
    };
    std::vector<RowInView> RowsInView() const;
    void KeepInView(const std::vector<RowInView>& rows);
    void RenewWatchedFolders();
    void FillFromTree();
    void BuildMenu();
    void MapTreeCommands();
    void SetDropHighlight(QTreeWidgetItem* node);
    QIcon IconFor(const TreeItem& info) const;

    FileView* fileView_ = nullptr;
    FileSelection* selection_ = nullptr;
    DriveSource source_;
    std::unique_ptr<DriveWatchers> watchers_;
    std::unique_ptr<SubfolderProbe> probe_;
    // What the probe last found for each folder path: whether it holds shown folders.
    std::unordered_map<std::string, bool> holdsFolders_;
    std::vector<platform::shellns::DriveInfo> drives_;
    std::map<std::string, std::string> volumes_;
    mutable std::map<std::string, QIcon>
        icons_;  // by theme name  // drive root -> the medium last seen
    QMenu* menu_ = nullptr;
    QTreeWidgetItem* dropNode_ = nullptr;
    bool initialised_ = false;
    bool inMenu_ = false;
    bool retry_ = false;
    bool refreshing_ = false;
    int refreshes_ = 0;
};
