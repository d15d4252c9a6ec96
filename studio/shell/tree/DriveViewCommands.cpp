// The tree's context menu, the edit commands it runs, and the tree as a drop target.
#include <QContextMenuEvent>
#include <QDragMoveEvent>
#include <QMenu>
#include <QMimeData>

#include "studio/core/FileSelection.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/tree/DriveView.h"

namespace {

QAction* FindAction(QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == id) return action;
    }
    return nullptr;
}

// Ids the menu offers, in order; 0 is a separator.
constexpr struct {
    int id;
    const char* text;
} kMenu[] = {
    {kEditCut, "Cu&t\tCtrl+X"},
    {kEditCopy, "&Copy\tCtrl+C"},
    {kEditPaste, "&Paste\tCtrl+V"},
    {kEditDelete, "&Delete\tDel"},
    {0, nullptr},
    {kFileProperties, "Properties"},
};

}  // namespace

void DriveView::FillFromTree() {
    // The tree's selected folder is the one item, its parent the folder.
    if (selection_ == nullptr) return;
    selection_->Clear();
    const PidlPath folder = GetParentFolderPath();
    const TreeItem* node = GetTreeItem(currentItem());
    if (node == nullptr || !folder.IsValid()) {
        selection_->Set(folder, {});
        return;
    }
    PidlPath item;
    node->path.GetLastItem(item);
    selection_->Set(folder, {item});
}

void DriveView::BuildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName("TreeMenu");
    for (const auto& entry : kMenu) {
        if (entry.id == 0) {
            menu_->addSeparator();
            continue;
        }
        menu_->addAction(QString::fromUtf8(entry.text))->setData(entry.id);
    }
}

QMenu* DriveView::PrepareContextMenu(QTreeWidgetItem* node) {
    // The file list keeps its folder while the menu is open: the flag stops the report.
    inMenu_ = true;
    if (node != nullptr) setCurrentItem(node);
    FillFromTree();
    for (const auto& entry : kMenu) {
        if (entry.id != 0) FindAction(menu_, entry.id)->setEnabled(IsCommandEnabled(entry.id));
    }
    inMenu_ = false;
    return menu_;
}

void DriveView::contextMenuEvent(QContextMenuEvent* event) {
    QTreeWidgetItem* node = itemAt(viewport()->mapFromGlobal(event->globalPos()));
    QMenu* menu = PrepareContextMenu(node);
    inMenu_ = true;
    QAction* chosen = menu->exec(event->globalPos());
    inMenu_ = false;
    if (chosen == nullptr) return;
    const int id = chosen->data().toInt();
    if (!OnCommand(id)) ExecuteCommand(id);
}

void DriveView::MapTreeCommands() {
    const auto enabledFromTree = [this](int id) {
        return [this, id](CmdUI& ui) {
            FillFromTree();
            ui.Enable(IsCommandEnabled(id));
        };
    };
    for (int id : {kEditCopy, kEditCut}) {
        Map(
            id,
            [this, id] {
                FillFromTree();
                ExecuteCommand(id);
            },
            enabledFromTree(id));
    }
    for (int id : {kEditPaste, kEditDelete}) {
        // The command's own changes must not make the watchers rebuild the tree under it.
        Map(
            id,
            [this, id] {
                StopWatchers();
                if (fileView_ != nullptr) fileView_->StopWatcher();
                FillFromTree();
                ExecuteCommand(id);
                if (fileView_ != nullptr) fileView_->StartWatcher();
                StartWatchers();
                Refresh();
                // The list's watcher was held while the files changed: it saw nothing.
                if (fileView_ != nullptr) fileView_->Refresh();
            },
            enabledFromTree(id));
    }
}

// ---- Drop target

void DriveView::SetDropHighlight(QTreeWidgetItem* node) {
    if (dropNode_ == node) return;
    if (dropNode_ != nullptr) dropNode_->setBackground(0, QBrush());
    dropNode_ = node;
    if (dropNode_ != nullptr)
        dropNode_->setBackground(0, palette().highlight().color().lighter(160));
}

std::optional<std::string> DriveView::DropTargetAt(const QPoint& pos, const QMimeData* mime,
                                                   bool copy) const {
    const TreeItem* info = GetTreeItem(itemAt(pos));
    if (info == nullptr) return std::nullopt;
    PidlPath source;
    std::vector<PidlPath> items;
    if (!ReadFileListData(mime, source, items)) return std::nullopt;
    // The Computer and the Desktop hold no files.
    const std::string target = info->path.GetPath();
    if (target.empty()) return std::nullopt;
    if (IsDropIntoDragged(source, items, target)) return std::nullopt;
    // A move onto the folder the items came from would do nothing.
    if (!copy && source.GetPath() == target) return std::nullopt;
    return target == "/" ? target : target + "/";
}

void DriveView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(kFileListMimeType)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void DriveView::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* under = itemAt(pos);
    if (under != nullptr) {
        if (pos.y() < 8) {
            if (QTreeWidgetItem* above = itemAbove(under)) scrollToItem(above);
        } else if (pos.y() > viewport()->height() - 8) {
            if (QTreeWidgetItem* below = itemBelow(under)) scrollToItem(below);
        }
    }
    const bool copy = (event->modifiers() & Qt::ControlModifier) != 0;
    if (!DropTargetAt(pos, event->mimeData(), copy)) {
        SetDropHighlight(nullptr);
        event->ignore();
        return;
    }
    SetDropHighlight(under);
    event->setDropAction(copy ? Qt::CopyAction : Qt::MoveAction);
    event->accept();
}

void DriveView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetDropHighlight(nullptr);
    QTreeWidget::dragLeaveEvent(event);
}

void DriveView::dropEvent(QDropEvent* event) {
    const bool copy = (event->modifiers() & Qt::ControlModifier) != 0;
    const std::optional<std::string> target =
        DropTargetAt(event->position().toPoint(), event->mimeData(), copy);
    if (!target || fileView_ == nullptr) {
        SetDropHighlight(nullptr);
        event->ignore();
        return;
    }
    const Qt::DropAction effect = copy ? Qt::CopyAction : Qt::MoveAction;
    event->setDropAction(effect);
    event->accept();
    fileView_->DropFiles(*target, event->mimeData(), effect);
    SetDropHighlight(nullptr);
}
