// The file list's context menus and the commands it answers itself.
#include <QContextMenuEvent>
#include <QLineEdit>
#include <QMenu>

#include "studio/core/ClipBoard.h"
#include "studio/core/FileSelection.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/FolderTree.h"

namespace {

struct MenuEntry {
    int id;  // 0: separator
    const char* text;
};

QMenu* MakeMenu(QWidget* owner, const char* name, std::initializer_list<MenuEntry> entries) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(name);
    for (const MenuEntry& entry : entries) {
        if (entry.id == 0) {
            menu->addSeparator();
            continue;
        }
        // The part after the tab is the shortcut's name, shown but not bound here.
        const QString text = QString::fromUtf8(entry.text);
        QAction* action = menu->addAction(text);
        action->setData(entry.id);
    }
    return menu;
}

QAction* FindAction(QMenu* menu, int id) {
    for (QAction* action : menu->actions()) {
        if (action->data().toInt() == id) return action;
    }
    return nullptr;
}

void EnableByCommand(QMenu* menu, int id) {
    if (QAction* action = FindAction(menu, id)) action->setEnabled(IsCommandEnabled(id));
}

}  // namespace

void FileView::BuildMenus() {
    imageMenu_ = MakeMenu(this, "ImageMenu",
                          {{kFileOpen, "View\tEnter"},
                           {kGoToParent, "Go to Parent\tBackspace"},
                           {0, nullptr},
                           {kFileEdit, "&Edit\tCtrl+E"},
                           {kFileInfoProperties, "&File Info\t"},
                           {0, nullptr},
                           {kEditCut, "Cu&t\tCtrl+X"},
                           {kEditCopy, "&Copy\tCtrl+C"},
                           {kEditPaste, "&Paste\tCtrl+V"},
                           {0, nullptr},
                           {kEditDelete, "&Delete\tDel"},
                           {kRename, "&Rename"},
                           {0, nullptr},
                           {kFileRepresent, "As folder image"},
                           {0, nullptr},
                           {kGalleryAddFiles, "Add to Gallery\tCtrl+G"},
                           {0, nullptr},
                           {kAnimationOpen, "Open animation\tShift+O"},
                           {kAnimationLoadImage, "Animate image"},
                           {kAnimationDelete, "Delete animation"},
                           {0, nullptr},
                           {kFileProperties, "Properties"}});
    folderMenu_ = MakeMenu(this, "FolderMenu",
                           {{kFileOpen, "Open\tEnter"},
                            {kGoToParent, "Go to Parent\tBackspace"},
                            {0, nullptr},
                            {kEditCut, "Cu&t\tCtrl+X"},
                            {kEditCopy, "&Copy\tCtrl+C"},
                            {kEditPaste, "&Paste\tCtrl+V"},
                            {0, nullptr},
                            {kEditDelete, "&Delete\tDel"},
                            {kRename, "&Rename"},
                            {0, nullptr},
                            {kFileDerepresent, "No folder image"},
                            {0, nullptr},
                            {kFileProperties, "Properties"}});
    pageMenu_ = MakeMenu(this, "PageMenu",
                         {{kFileOpen, "View\tEnter"},
                          {kGoToParent, "Go to Parent\tBackspace"},
                          {0, nullptr},
                          {kFileEdit, "&Edit\tCtrl+E"},
                          {0, nullptr},
                          {kEditCut, "Cu&t\tCtrl+X"},
                          {kEditCopy, "&Copy\tCtrl+C"},
                          {kEditPaste, "&Paste\tCtrl+V"},
                          {0, nullptr},
                          {kEditDelete, "&Delete\tDel"},
                          {kRename, "&Rename"},
                          {0, nullptr},
                          {kVantelifySetFile, "Vantelify"},
                          {0, nullptr},
                          {kFileProperties, "Properties"}});
}

QMenu* FileView::PrepareContextMenu() {
    UpdateSelection();
    const QList<QListWidgetItem*> chosen = selectedItems();
    QMenu* menu = imageMenu_;
    FindAction(imageMenu_, kRename)->setEnabled(!chosen.isEmpty());
    bool folder = false;
    bool page = false;
    for (int row = 0; row < count(); ++row) {
        if (!item(row)->isSelected()) continue;
        const FileItem* record = GetItemRecord(row);
        if (record == nullptr) continue;
        folder = folder || record->kind == kKindFolder;
        page = page || record->kind == kKindPage;
    }
    if (folder) {
        menu = folderMenu_;
        EnableByCommand(menu, kFileDerepresent);
    } else if (page) {
        menu = pageMenu_;
        EnableByCommand(menu, kVantelifySetFile);
    }
    if (menu == imageMenu_) {
        for (int id : {kFileRepresent, kFileInfoProperties, kAnimationNew, kAnimationOpen,
                       kAnimationLoadImage, kAnimationDelete}) {
            EnableByCommand(menu, id);
        }
        QAction* gallery = FindAction(menu, kGalleryAddFiles);
        if (IsCommandEnabled(kGalleryAddFiles)) {
            gallery->setEnabled(true);
            gallery->setText(CurrentGallery() != nullptr ? "Add to Gallery\tCtrl+G"
                                                         : "Make Gallery\tCtrl+G");
        } else {
            gallery->setEnabled(false);
        }
    }
    FindAction(menu, kFileOpen)->setEnabled(chosen.size() == 1);
    for (int id : {kFileEdit, kFileProperties, kEditCut, kEditCopy, kEditPaste, kEditDelete}) {
        EnableByCommand(menu, id);
    }
    PidlPath parent;
    folder_.GetParent(parent);
    FindAction(menu, kGoToParent)->setEnabled(folder_.IsValid() && parent.IsValid());
    return menu;
}

void FileView::contextMenuEvent(QContextMenuEvent* event) {
    CancelPendingRename();
    QMenu* menu = PrepareContextMenu();
    if (QAction* chosen = menu->exec(event->globalPos())) {
        const int id = chosen->data().toInt();
        if (!OnCommand(id)) ExecuteCommand(id);
    }
}

void FileView::RunSelected(int id) {
    UpdateSelection();
    ExecuteCommand(id);
}

void FileView::MapViewCommands() {
    auto enabledUnlessRenaming = [this](int id) {
        return [this, id](CmdUI& ui) { ui.Enable(!IsRenaming() && IsCommandEnabled(id)); };
    };
    Map(
        kFileOpen,
        [this] {
            if (!IsRenaming()) RunSelected(kFileOpen);
        },
        enabledUnlessRenaming(kFileOpen));
    Map(
        kGalleryAddFiles,
        [this] {
            UpdateSelection();
            if (CurrentGallery() == nullptr) ExecuteCommand(kGalleryNew);
            ExecuteCommand(kGalleryAddFiles);
        },
        [](CmdUI& ui) { ui.Enable(IsCommandEnabled(kGalleryAddFiles)); });
    for (int id : {kFileRepresent, kFileDerepresent, kFileEdit, kAnimationLoadImage,
                   kAnimationDelete, kVantelifySetFile}) {
        MapCommandObject(id, [this] { UpdateSelection(); });
    }
    Map(
        kFileInfoProperties, [this] { RunSelected(kFileInfoProperties); },
        enabledUnlessRenaming(kFileInfoProperties));
    Map(kGoToParent, [this] {
        if (IsRenaming()) return;
        PidlPath parent;
        folder_.GetParent(parent);
        if (!parent.IsValid()) return;
        // The tree shows the parent here when its selection changes; when the parent was
        // selected there already, nothing changes, so the list goes itself.
        if (tree_ != nullptr) tree_->SelectPath(parent, true);
        if (folder_ != parent) SetFolder(parent);
        UpdateSelection();
    });
    Map(kEditCopy, [this] {
        if (QLineEdit* edit = RenameEditor()) {
            edit->copy();
            return;
        }
        RunSelected(kEditCopy);
        MarkCut({}, {});
    });
    Map(kEditCut, [this] {
        if (QLineEdit* edit = RenameEditor()) {
            edit->cut();
            return;
        }
        RunSelected(kEditCut);
        MarkCut(TheClipBoard().GetFolder(), TheClipBoard().GetItems());
    });
    Map(kEditPaste, [this] {
        if (QLineEdit* edit = RenameEditor()) {
            edit->paste();
            return;
        }
        StopAllWatchers();
        RunSelected(kEditPaste);
        MarkCut({}, {});
        StartAllWatchers();
        if (tree_ != nullptr) tree_->Refresh();
        Refresh();
    });
    Map(kEditDelete, [this] {
        if (IsRenaming()) return;
        StopAllWatchers();
        RunSelected(kEditDelete);
        StartAllWatchers();
        // Deleted folders leave the tree too: its watchers were held while they went.
        if (tree_ != nullptr) tree_->Refresh();
        Refresh();
    });
    Map(kRename, [this] {
        const QList<QListWidgetItem*> chosen = selectedItems();
        if (!chosen.isEmpty()) BeginRename(row(chosen.front()));
    });
    Map(kSelectAll, [this] { SelectAll(); });
    Map(kSelectAllImages, [this] { SelectImages(); });
    Map(
        kNewFolder, [this] { CreateFolder(); },
        [this](CmdUI& ui) { ui.Enable(!folderText_.empty()); });
    for (int id : {kRefresh, kRefreshKey}) {
        Map(id, [this] {
            if (tree_ != nullptr) tree_->Refresh();
            Refresh();
        });
    }
}

void FileView::StopAllWatchers() {
    if (tree_ != nullptr) tree_->StopWatchers();
    StopWatcher();
}

void FileView::StartAllWatchers() {
    StartWatcher();
    if (tree_ != nullptr) tree_->StartWatchers();
}
