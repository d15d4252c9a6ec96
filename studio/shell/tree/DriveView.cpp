#include "studio/shell/tree/DriveView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidgetItemIterator>

#include "platform/debug/Debug.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/commands/PaneFocus.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/PostedEvents.h"
#include "studio/shell/tree/DriveWatchers.h"
#include "studio/shell/tree/SubfolderProbe.h"
#include "studio/shell/viewer/RedrawLock.h"

namespace shellns = platform::shellns;

namespace {

// Posted by a drive watcher: folders of a drive changed.
constexpr QEvent::Type kDrivesChangedEvent = static_cast<QEvent::Type>(QEvent::User + 10);
// Posted by the probe: which of a node's folders hold folders.
constexpr QEvent::Type kProbedEvent = static_cast<QEvent::Type>(QEvent::User + 11);

struct ProbedEvent final : QEvent {
    explicit ProbedEvent(SubfolderProbe::Answer value)
        : QEvent(kProbedEvent), answer(std::move(value)) {}
    SubfolderProbe::Answer answer;
};

// Only what decides whether an item is shown: asking whether it holds folders would read
// every child folder on the window thread. The probe answers that on a thread of its own.
constexpr std::uint32_t kQueryMask =
    shellns::kAttrFolder | shellns::kAttrFileSystem | shellns::kAttrFileSysAncestor;

QIcon ThemeIcon(const char* name, QStyle::StandardPixmap fallback) {
    return QIcon::fromTheme(QString::fromLatin1(name),
                            QApplication::style()->standardIcon(fallback));
}

unsigned EnumFlags() {
    // Only folders can qualify for the tree, so files are not asked for.
    return shellns::kEnumFolders | (ShowHiddenFiles() ? shellns::kEnumIncludeHidden : 0u);
}

// The deepest expanded nodes: expanded, with no expanded node below them.
void CollectDeepestExpanded(QTreeWidgetItem* node, std::vector<PidlPath>& out) {
    if (!node->isExpanded()) return;
    bool deeper = false;
    for (int i = 0; i < node->childCount(); ++i) deeper = deeper || node->child(i)->isExpanded();
    if (!deeper) {
        if (const TreeItem* info = DriveView::GetTreeItem(node)) out.push_back(info->path);
        return;
    }
    for (int i = 0; i < node->childCount(); ++i) CollectDeepestExpanded(node->child(i), out);
}

// Every node's folder on the file system: what the watchers must watch to see what the tree
// shows (a new sub-folder under any node, or a node's button coming or going).
void CollectFolders(const QTreeWidgetItem* node, std::vector<std::string>& out) {
    if (const TreeItem* info = DriveView::GetTreeItem(node)) {
        std::string path = info->path.IsValid() ? info->path.GetPath() : std::string();
        if (!path.empty()) out.push_back(std::move(path));
    }
    for (int i = 0; i < node->childCount(); ++i) CollectFolders(node->child(i), out);
}

QTreeWidgetItem* FindBelow(QTreeWidgetItem* node, const PidlPath& path) {
    const TreeItem* info = DriveView::GetTreeItem(node);
    if (info != nullptr && info->path == path) return node;
    for (int i = 0; i < node->childCount(); ++i) {
        if (QTreeWidgetItem* found = FindBelow(node->child(i), path)) return found;
    }
    return nullptr;
}

}  // namespace

DriveSource DriveSource::System() {
    return {[] { return shellns::DriveKinds(); },
            [](const std::string& root) { return shellns::GetVolumeId(root); }};
}

DriveView::DriveView(QWidget* parent) : QTreeWidget(parent), source_(DriveSource::System()) {
    setObjectName("DriveView");
    setHeaderHidden(true);
    setColumnCount(1);
    setRootIsDecorated(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setIconSize(QSize(16, 16));
    setUniformRowHeights(true);
    setDragDropMode(QAbstractItemView::DropOnly);
    setDropIndicatorShown(false);
    watchers_ = std::make_unique<DriveWatchers>(
        [this] { PostToView(this, new QEvent(kDrivesChangedEvent)); });
    probe_ = std::make_unique<SubfolderProbe>([this](SubfolderProbe::Answer answer) {
        PostToView(this, new ProbedEvent(std::move(answer)));
    });
    connect(this, &QTreeWidget::itemExpanded, this,
            [this](QTreeWidgetItem* node) { OnExpanded(node); });
    connect(this, &QTreeWidget::currentItemChanged, this,
            [this](QTreeWidgetItem* node, QTreeWidgetItem*) { OnSelectionChanged(node); });
    BuildMenu();
    MapTreeCommands();
}

DriveView::~DriveView() {
    probe_.reset();  // its last answers go with the view's posted events
    StopWatchers();
    // The nodes go before the watchers' owner and the file list they report to.
    blockSignals(true);
    clear();
}

void DriveView::OnInitialUpdate() {
    if (initialised_) return;
    initialised_ = true;
    Fill();
}

const TreeItem* DriveView::GetTreeItem(const QTreeWidgetItem* node) {
    const auto* tree = dynamic_cast<const TreeNode*>(node);
    return tree != nullptr ? &tree->treeItem() : nullptr;
}

QIcon DriveView::IconFor(const TreeItem& info) const {
    const std::size_t depth = info.path.GetItemCount();
    std::string name = "folder";
    if (depth == 0) {
        name = "user-desktop";
    } else if (depth == 1) {
        name = "computer";
    } else if (depth == 2) {
        const shellns::DriveInfo* drive = shellns::DriveOf(drives_, info.path.GetPath());
        switch (drive != nullptr ? drive->kind : shellns::DriveKind::Fixed) {
            case shellns::DriveKind::CdRom:
                name = "drive-optical";
                break;
            case shellns::DriveKind::Removable:
                name = "drive-removable-media";
                break;
            case shellns::DriveKind::Remote:
                name = "folder-remote";
                break;
            default:
                name = "drive-harddisk";
                break;
        }
    }
    auto& icon = icons_[name];
    if (!icon.isNull()) return icon;
    static const std::map<std::string, QStyle::StandardPixmap> fallbacks = {
        {"user-desktop", QStyle::SP_DesktopIcon},
        {"computer", QStyle::SP_ComputerIcon},
        {"drive-optical", QStyle::SP_DriveCDIcon},
        {"drive-removable-media", QStyle::SP_DriveFDIcon},
        {"folder-remote", QStyle::SP_DriveNetIcon},
        {"drive-harddisk", QStyle::SP_DriveHDIcon},
    };
    if (name != "folder") {
        icon = ThemeIcon(name.c_str(), fallbacks.at(name));
        return icon;
    }
    // A folder opens while it is selected.
    const QIcon closed = ThemeIcon("folder", QStyle::SP_DirIcon);
    const QIcon open = ThemeIcon("folder-open", QStyle::SP_DirOpenIcon);
    for (const QSize size : {QSize(16, 16), QSize(32, 32)}) {
        icon.addPixmap(closed.pixmap(size), QIcon::Normal);
        icon.addPixmap(open.pixmap(size), QIcon::Selected);
    }
    return icon;
}

QTreeWidgetItem* DriveView::AddNode(QTreeWidgetItem* parent, TreeItem info, const std::string& text,
                                    bool button) {
    auto* node = new TreeNode(std::move(info));
    node->setText(0, QString::fromStdString(text));
    node->setIcon(0, IconFor(node->treeItem()));
    node->setChildIndicatorPolicy(button ? QTreeWidgetItem::ShowIndicator
                                         : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    if (parent != nullptr) {
        parent->addChild(node);
    } else {
        addTopLevelItem(node);
    }
    return node;
}

void DriveView::Fill() {
    drives_ = source_.drives ? source_.drives() : std::vector<shellns::DriveInfo>{};
    TreeItem root;
    root.path.SetDesktop();
    root.item.SetDesktop();
    std::string name = "Desktop";
    if (const auto desktop = shellns::Folder::Desktop()) {
        if (auto shown = desktop->GetDisplayNameOf(root.item.GetPidl(), shellns::kNameNormal)) {
            name = std::move(*shown);
        }
    }
    QTreeWidgetItem* node = AddNode(nullptr, std::move(root), name, true);
    FillChildren(node, nullptr);
    shellns::IdList computer;
    if (shellns::GetSpecialFolderLocation(shellns::SpecialFolder::Computer, computer)) {
        ExpandPath(PidlPath(computer.data()));
    }
    StartWatchers();
    RenewWatchedFolders();
}

void DriveView::FillChildren(QTreeWidgetItem* parent, const shellns::Folder* folder) {
    std::shared_ptr<const shellns::Folder> shared;
    if (folder != nullptr) {
        shared = std::make_shared<const shellns::Folder>(*folder);
    } else {
        shared = shellns::Folder::Desktop();
        if (!shared) {
            platform::ShowMessage(this, "Error opening desktop folder", "Serious error");
            return;
        }
    }
    std::vector<shellns::IdList> items;
    if (!shared->EnumObjects(EnumFlags(), items)) return;
    std::vector<std::string> onDisk;
    for (const shellns::IdList& item : items) {
        QTreeWidgetItem* node = InsertFolderItem(parent, shared, item);
        const TreeItem* info = node != nullptr ? GetTreeItem(node) : nullptr;
        if (info == nullptr) continue;
        std::string path = info->path.GetPath();
        if (!path.empty()) onDisk.push_back(std::move(path));
    }
    parent->sortChildren(0, Qt::AscendingOrder);
    if (const TreeItem* info = GetTreeItem(parent); info != nullptr && !onDisk.empty()) {
        probe_->Ask(info->path.GetPath(), std::move(onDisk), ShowHiddenFiles());
    }
}

void DriveView::ApplyProbe(const std::string& parent,
                           const std::vector<std::pair<std::string, bool>>& folders) {
    std::unordered_map<std::string, bool> found;
    for (const auto& [path, holds] : folders) {
        holdsFolders_[path] = holds;
        found.emplace(path, holds);
    }
    QTreeWidgetItem* node = nullptr;
    if (parent.empty()) {
        for (QTreeWidgetItemIterator it(this); *it != nullptr && node == nullptr; ++it) {
            const TreeItem* info = GetTreeItem(*it);
            if (info != nullptr && info->path.GetItemCount() == 1) node = *it;  // the Computer
        }
    } else {
        node = FindItem(PidlPath(parent));
    }
    if (node == nullptr) return;  // gone since it was asked
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem* child = node->child(i);
        const TreeItem* info = GetTreeItem(child);
        if (info == nullptr || child->isExpanded()) continue;
        const auto at = found.find(info->path.GetPath());
        if (at == found.end()) continue;
        child->setChildIndicatorPolicy(at->second
                                           ? QTreeWidgetItem::ShowIndicator
                                           : QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
}

bool DriveView::IsProbing() const {
    return probe_->IsBusy();
}

QTreeWidgetItem* DriveView::InsertFolderItem(QTreeWidgetItem* parent,
                                             const std::shared_ptr<const shellns::Folder>& folder,
                                             const shellns::IdList& item) {
    const std::uint32_t attributes = folder->GetAttributesOf(item.data(), kQueryMask);
    if (attributes == 0) {
        platform::DebugOutput("Invalid shell folder\n");
        return nullptr;
    }
    const bool onFileSystem =
        (attributes & (shellns::kAttrFileSystem | shellns::kAttrFileSysAncestor)) != 0;
    if (!onFileSystem || (attributes & shellns::kAttrFolder) == 0) return nullptr;
    std::optional<std::string> name = folder->GetDisplayNameOf(item.data(), shellns::kNameNormal);
    if (!name) return nullptr;
    if (name->size() > 256) name->resize(256);
    TreeItem info;
    info.parentFolder = folder;
    info.path = PidlPath(folder->list().data());
    info.item = PidlPath(item.data());
    info.path.Append(info.item);
    // Places above the file system always hold something. A folder on disk keeps the button
    // it had, or gets one until the probe says it holds no folders.
    bool button = true;
    if ((attributes & shellns::kAttrFileSystem) != 0) {
        const auto known = holdsFolders_.find(info.path.GetPath());
        if (known != holdsFolders_.end()) button = known->second;
    }
    return AddNode(parent, std::move(info), *name, button);
}

bool DriveView::ExpandNode(QTreeWidgetItem* node) {
    node->setExpanded(true);
    if (!node->isExpanded()) {
        platform::DebugOutput("Failed to expand node\n");
        return false;
    }
    return true;
}

bool DriveView::Walk(const PidlPath& path, bool select) {
    QTreeWidgetItem* node = GetRootItem();
    if (node == nullptr || !path.IsValid()) return false;
    ExpandNode(node);
    const std::uint8_t* at = path.GetPidl();
    bool all = true;
    while (at[0] != 0 || at[1] != 0) {
        const std::size_t size = static_cast<std::size_t>(at[0] | (at[1] << 8));
        shellns::IdList wanted(at, at + size);
        wanted.push_back(0);
        wanted.push_back(0);
        const PidlPath item(wanted.data());
        QTreeWidgetItem* match = nullptr;
        for (int i = 0; i < node->childCount() && match == nullptr; ++i) {
            const TreeItem* info = GetTreeItem(node->child(i));
            if (info != nullptr && info->item == item) match = node->child(i);
        }
        if (match == nullptr) {
            all = false;
            break;
        }
        node = match;
        ExpandNode(node);
        at += size;
    }
    if (select && (all || retry_)) setCurrentItem(node);
    return all;
}

bool DriveView::SelectPath(const PidlPath& path, bool select) {
    if (Walk(path, select)) return true;
    if (retry_) return false;
    // A folder made since the tree was filled: once more, after reading the disk again.
    retry_ = true;
    Refresh();
    const bool found = Walk(path, select);
    retry_ = false;
    return found;
}

void DriveView::ShowStartFolder(const PidlPath& folder) {
    if (folder.IsValid() && SelectPath(folder, true) && GetSelectedPath() == folder) {
        scrollToItem(currentItem());
        // Selecting a node already current tells the list nothing.
        if (fileView_ != nullptr && fileView_->GetFolder() != folder) fileView_->SetFolder(folder);
        return;
    }
    if (fileView_ != nullptr) fileView_->SetFolder(folder);
}

void DriveView::ExpandPath(const PidlPath& path) {
    Walk(path, false);
}

QTreeWidgetItem* DriveView::FindItem(const PidlPath& path) const {
    QTreeWidgetItem* root = GetRootItem();
    return root != nullptr ? FindBelow(root, path) : nullptr;
}

PidlPath DriveView::GetSelectedPath() const {
    const TreeItem* info = GetTreeItem(currentItem());
    return info != nullptr ? info->path : PidlPath();
}

PidlPath DriveView::GetParentFolderPath() const {
    const QTreeWidgetItem* node = currentItem();
    const TreeItem* info = node != nullptr ? GetTreeItem(node->parent()) : nullptr;
    return info != nullptr ? info->path : PidlPath();
}

void DriveView::Refresh() {
    ++refreshes_;
    watchers_->ClearPending();
    probe_->Forget();  // the nodes it was asked about go; the new ones ask again
    {
        RedrawLockScope redraw;
        refreshing_ = true;
        const PidlPath selected = GetSelectedPath();
        const std::vector<RowInView> inView = RowsInView();
        const int across = horizontalScrollBar()->value();
        std::vector<PidlPath> expanded;
        if (QTreeWidgetItem* root = GetRootItem()) CollectDeepestExpanded(root, expanded);
        {
            // The old nodes go without telling the file list: the selection comes back below.
            const QSignalBlocker quiet(this);
            dropNode_ = nullptr;
            clear();
        }
        Fill();
        for (const PidlPath& path : expanded) ExpandPath(path);
        if (selected.IsValid()) {
            if (QTreeWidgetItem* node = FindItem(selected)) {
                const QSignalBlocker quiet(this);
                setCurrentItem(node);
            }
        }
        // After the selection, which would bring itself into view: the user's rows stay put.
        KeepInView(inView);
        horizontalScrollBar()->setValue(across);
        refreshing_ = false;
        RenewWatchedFolders();
    }
    if (QWidget* frame = window()) frame->update();
    viewport()->update();
}

std::vector<DriveView::RowInView> DriveView::RowsInView() const {
    std::vector<RowInView> rows;
    const int height = viewport()->height();
    for (QTreeWidgetItem* at = itemAt(QPoint(1, 1)); at != nullptr; at = itemBelow(at)) {
        const int top = visualItemRect(at).top();
        if (top >= height) break;
        if (const TreeItem* info = GetTreeItem(at)) rows.push_back({info->path, top});
    }
    return rows;
}

void DriveView::KeepInView(const std::vector<RowInView>& rows) {
    // The first row of those in view that is still there goes back where it was; rows come
    // and go around it, never under the user's eyes above it.
    executeDelayedItemsLayout();
    for (const RowInView& row : rows) {
        QTreeWidgetItem* node = FindItem(row.path);
        if (node == nullptr) continue;
        bool shown = true;
        for (QTreeWidgetItem* up = node->parent(); up != nullptr; up = up->parent()) {
            shown = shown && up->isExpanded();
        }
        if (!shown) continue;
        const QRect now = visualItemRect(node);
        if (now.height() <= 0) continue;
        const int moved = now.top() - row.top;
        QScrollBar* bar = verticalScrollBar();
        bar->setValue(bar->value() +
                      (verticalScrollMode() == ScrollPerPixel ? moved : moved / now.height()));
        return;
    }
}

void DriveView::RenewWatchedFolders() {
    std::vector<std::string> folders;
    if (const QTreeWidgetItem* root = GetRootItem()) CollectFolders(root, folders);
    watchers_->SetFolders(std::move(folders));
}

void DriveView::StartWatchers() {
    if (!watchers_->IsRunning()) watchers_->Start(drives_);
}

void DriveView::StopWatchers() {
    watchers_->Stop();
}

void DriveView::OnExpanded(QTreeWidgetItem* node) {
    const TreeItem* info = GetTreeItem(node);
    if (info == nullptr) return;
    const std::string text = info->path.GetPath();
    const shellns::DriveInfo* drive = text.empty() ? nullptr : shellns::DriveOf(drives_, text);
    if (drive != nullptr && (drive->kind == shellns::DriveKind::Removable ||
                             drive->kind == shellns::DriveKind::CdRom)) {
        const std::optional<std::string> volume =
            source_.volumeId ? source_.volumeId(drive->root) : std::nullopt;
        const auto known = volumes_.find(drive->root);
        const bool changed = !volume || (known != volumes_.end() && known->second != *volume);
        if (volume) volumes_[drive->root] = *volume;
        if (changed && !refreshing_) {
            // Another medium: every node of the drive may be stale. The tree is rebuilt once
            // this expansion has returned, so the node comes back open.
            QTimer::singleShot(0, this, [this] { Refresh(); });
            return;
        }
    }
    const QSignalBlocker quiet(this);  // children go and come without a change of selection
    const bool selectedBelow = [&] {
        for (QTreeWidgetItem* at = currentItem(); at != nullptr; at = at->parent()) {
            if (at->parent() == node) return true;
        }
        return false;
    }();
    const PidlPath selected = selectedBelow ? GetSelectedPath() : PidlPath();
    for (QTreeWidgetItem* at = dropNode_; at != nullptr; at = at->parent()) {
        if (at->parent() == node) dropNode_ = nullptr;
    }
    qDeleteAll(node->takeChildren());
    if (const auto folder = info->path.GetShellFolder()) FillChildren(node, folder.get());
    // Opened and found empty: no button any more.
    if (node->childCount() == 0) {
        node->setChildIndicatorPolicy(QTreeWidgetItem::DontShowIndicatorWhenChildless);
    }
    if (selected.IsValid()) {
        if (QTreeWidgetItem* again = FindItem(selected)) setCurrentItem(again);
    }
    if (!refreshing_) RenewWatchedFolders();
}

void DriveView::focusInEvent(QFocusEvent* event) {
    if (currentItem() != nullptr) return QTreeWidget::focusInEvent(event);
    // Focus arriving without a current node makes Qt choose the first one; that is no choice
    // of the user's and must not take the file list away from the folder it shows.
    const QSignalBlocker quiet(this);
    QTreeWidget::focusInEvent(event);
}

void DriveView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const {
    QTreeWidget::drawRow(painter, option, index);
    if (!hasFocus() || index != currentIndex()) return;
    QRect item = visualRect(index);
    item.setTop(option.rect.top());
    item.setBottom(option.rect.bottom());
    DrawFocusedItemMark(*painter, item, option.palette, selectionModel()->isSelected(index));
}

void DriveView::OnSelectionChanged(QTreeWidgetItem* node) {
    if (inMenu_ || fileView_ == nullptr) return;
    const TreeItem* info = GetTreeItem(node);
    if (info != nullptr && info->path.IsValid()) fileView_->SetFolder(info->path);
}

bool DriveView::event(QEvent* event) {
    TakePostedEvent();
    if (event->type() == kProbedEvent) {
        const SubfolderProbe::Answer& answer = static_cast<ProbedEvent*>(event)->answer;
        ApplyProbe(answer.parent, answer.folders);
        return true;
    }
    if (event->type() == kDrivesChangedEvent) {
        // One rebuild answers every change noticed so far.
        QCoreApplication::removePostedEvents(this, kDrivesChangedEvent);
        Refresh();
        return true;
    }
    return QTreeWidget::event(event);
}

void DriveView::showEvent(QShowEvent* event) {
    QTreeWidget::showEvent(event);
    // Drops are taken only while the tree can be seen.
    setAcceptDrops(true);
}

void DriveView::hideEvent(QHideEvent* event) {
    setAcceptDrops(false);
    QTreeWidget::hideEvent(event);
}
