// In-place renaming, new folders, and the list as drag source and drop target.
#include <sys/stat.h>

#include <QApplication>
#include <QDrag>
#include <QDragMoveEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTextLayout>

#include "platform/files/FileOps.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/ClipBoard.h"
#include "studio/core/FileSelection.h"
#include "studio/core/ShellUtils.h"
#include "studio/shell/FileDataSource.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/PaneFocus.h"
#include "studio/shell/fileview/FileListItem.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/FolderTree.h"

namespace shellns = platform::shellns;

// Draws each name whole where two lines of the cell can hold it, and hands an edited name to
// the view, which renames the file before the text changes.
class FileView::Delegate final : public QStyledItemDelegate {
public:
    explicit Delegate(FileView* view) : QStyledItemDelegate(view), view_(view) {}

    // The name as it is drawn, in at most two lines that each fit `width`: broken at the last
    // word end that leaves a first line that fits; a name without one before its last '.'
    // (the extension on a line of its own) when the part before fits, else where the first
    // line is full. Only a second line too long for its room loses its middle, so names
    // alike are cut alike or not at all.
    static QString Lines(const QString& text, const QFont& font, int width) {
        if (width <= 0) return text;
        const QFontMetrics metrics(font);
        if (metrics.horizontalAdvance(text) <= width) return text;
        auto twoLines = [&](int at) {
            QString rest = text.mid(at);
            if (metrics.horizontalAdvance(rest) > width) {
                rest = metrics.elidedText(rest, Qt::ElideMiddle, width);
            }
            return text.left(at) + QChar(QChar::LineSeparator) + rest;
        };
        if (const int at = FirstLineLength(text, font, width, QTextOption::WordWrap); at > 0) {
            return twoLines(at);
        }
        if (const qsizetype dot = text.lastIndexOf(QLatin1Char('.'));
            dot > 0 && metrics.horizontalAdvance(text.left(dot)) <= width) {
            return twoLines(static_cast<int>(dot));
        }
        const int at = FirstLineLength(text, font, width, QTextOption::WrapAnywhere);
        return at > 0 ? twoLines(at) : metrics.elidedText(text, Qt::ElideMiddle, width);
    }

    // How much of the text a first line of `width` holds when broken as `mode` allows; 0 when
    // no break leaves a line that fits.
    static int FirstLineLength(const QString& text, const QFont& font, int width,
                               QTextOption::WrapMode mode) {
        QTextLayout layout(text, font);
        QTextOption option;
        option.setWrapMode(mode);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        int length = 0;
        if (line.isValid()) {
            line.setLineWidth(width);
            if (line.naturalTextWidth() <= width && line.textLength() < text.size()) {
                length = line.textLength();
            }
        }
        layout.endLayout();
        return length;
    }

    // Room for the picture and two lines of text.
    static QSize CellSize(const QFont& font) {
        const int lineHeight = QFontMetrics(font).lineSpacing();
        return {72 + 24, kThumbSize + 10 + 2 * lineHeight + 4};
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (view_->hasFocus() && index == view_->currentIndex()) {
            DrawFocusedItemMark(*painter, option.rect, option.palette,
                                (option.state & QStyle::State_Selected) != 0);
        }
    }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
        const QSize cell = CellSize(option.font);
        return {cell.width() - 4, cell.height() - 4};
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        // The box covers the labels beside it while it is wider than its own cell.
        if (editor != nullptr) {
            editor->setAutoFillBackground(true);
            QPalette colours = editor->palette();
            colours.setColor(QPalette::Window, Qt::white);
            colours.setColor(QPalette::Base, Qt::white);
            editor->setPalette(colours);
        }
        return editor;
    }

    void setModelData(QWidget* editor, QAbstractItemModel*,
                      const QModelIndex& index) const override {
        if (const auto* edit = qobject_cast<QLineEdit*>(editor)) {
            view_->RenameItem(index.row(), edit->text().toStdString());
        }
    }

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        QStyledItemDelegate::initStyleOption(option, index);
        if (option->text.isEmpty() || !option->rect.isValid()) return;
        const QStyle* style =
            option->widget != nullptr ? option->widget->style() : QApplication::style();
        const int margin =
            style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, option->widget) + 1;
        option->text = Lines(option->text, option->font, option->rect.width() - 2 * margin - 2);
    }

private:
    FileView* view_;
};

void FileView::InstallDelegate() {
    setItemDelegate(new Delegate(this));
    setGridSize(Delegate::CellSize(font()));
}

QString FileView::ShownText(int row) const {
    const QListWidgetItem* entry = item(row);
    if (entry == nullptr) return {};
    return Delegate::Lines(
        entry->text(), font(),
        visualItemRect(entry).width() -
            2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1) - 2);
}

bool FileView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    // However the box opens (the Rename command, a new folder, a slow second click), it is a
    // rename of the file, and only an open box is one.
    const bool editing = QListWidget::edit(index, trigger, event);
    if (editing && index.isValid() && indexWidget(index) != nullptr && renaming_ != index) {
        renaming_ = index;
        oldName_ = index.data().toString().toStdString();
    }
    return editing;
}

bool FileView::IsRenaming() const {
    return RenameEditor() != nullptr;
}

namespace {

bool PathExists(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0;
}

}  // namespace

QLineEdit* FileView::RenameEditor() const {
    if (!renaming_.isValid()) return nullptr;
    return qobject_cast<QLineEdit*>(indexWidget(renaming_));
}

void FileView::BeginRename(int row) {
    QListWidgetItem* entry = item(row);
    if (entry == nullptr) return;
    activateWindow();
    setCurrentItem(entry);
    editItem(entry);
}

void FileView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QListWidget::closeEditor(editor, hint);
    renaming_ = QPersistentModelIndex();
}

bool FileView::RenameItem(int row, const std::string& newName) {
    auto* entry = static_cast<FileListItem*>(item(row));
    if (entry == nullptr || newName.empty() || folderText_.empty()) return false;
    const std::string oldName = entry->text().toStdString();
    if (newName == oldName) return true;
    if (newName.find('/') != std::string::npos || newName == "." || newName == "..") return false;
    const std::string oldPath = folderText_ + oldName;
    const std::string newPath = folderText_ + newName;

    // The picture and its animation move together or not at all, and neither ever
    // replaces a file that is there.
    if (platform::RenameNoReplace(oldPath, newPath) != platform::FileError::None) return false;
    const std::string oldCompanion = CompanionPath(oldPath, ".vte");
    if (!oldCompanion.empty() && PathExists(oldCompanion) && entry->record &&
        entry->record->kind != kKindFolder) {
        const std::string newCompanion = CompanionPath(newPath, ".vte");
        if (newCompanion.empty() ||
            platform::RenameNoReplace(oldCompanion, newCompanion) != platform::FileError::None) {
            platform::RenameNoReplace(newPath, oldPath);
            return false;
        }
    }

    std::unique_ptr<FileItem> record;
    {
        std::lock_guard hold(lock_);
        const PidlPath renamed(newPath);
        PidlPath relative;
        renamed.GetLastItem(relative);
        const std::int32_t kind = entry->record ? entry->record->kind : kKindOther;
        record = CreateItem(entry->record ? entry->record->folder : nullptr, folder_, relative,
                            kind == kKindFolder);
        record->kind = kind;  // a renamed folder stays a folder, a picture a picture
        record->iconName = IconNameFor(newPath, kind == kKindFolder);
    }
    // The thumbnail follows the file, so a refresh does not decode it again.
    if (const int slot = images_.FindThumbnailIndex(oldPath); slot >= kFirstThumbnailSlot) {
        ImageInfo info = images_.Thumbnails().at(slot);
        info.fileName = newPath;
        RenderedThumbnail moved{QImage(), std::move(info), images_.Packed(slot)};
        images_.AddThumbnail(slot, std::move(moved), true);
    }
    entry->record = std::move(record);
    entry->setText(QString::fromStdString(newName));
    return true;
}

void FileView::CreateFolder() {
    if (folderText_.empty()) return;
    std::string name = "New folder";
    for (int n = 1; PathExists(folderText_ + name); ++n) {
        char text[32];
        std::snprintf(text, sizeof text, "New folder%d", n);
        name = text;
    }
    const std::string path = folderText_ + name;
    if (::mkdir(path.c_str(), 0777) != 0) {
        platform::ShowMessage(this, "Failed to create folder", "Create folder");
        return;
    }
    std::unique_ptr<FileItem> record;
    {
        std::lock_guard hold(lock_);
        const PidlPath created(path);
        PidlPath relative;
        created.GetLastItem(relative);
        record = CreateItem(nullptr, folder_, relative, true);
        record->iconName = "folder";
    }
    auto* entry = new FileListItem(QString::fromStdString(name), std::move(record));
    addItem(entry);
    const int slot = images_.GetIconImage("folder");
    SetItemSlot(entry, slot != 0 ? slot : static_cast<int>(kSlotFolder));
    clearSelection();
    entry->setSelected(true);
    BeginRename(row(entry));
}

void FileView::keyPressEvent(QKeyEvent* event) {
    if (!IsRenaming() && event->key() == Qt::Key_Backspace) {
        if (OnCommand(kGoToParent)) return;
    }
    QListWidget::keyPressEvent(event);
}

// ---- Drag and drop

void FileView::startDrag(Qt::DropActions) {
    CancelPendingRename();
    pressedSelected_ = QPersistentModelIndex();
    UpdateSelection();
    if (selection_ == nullptr || !selection_->HasItems()) return;
    std::unique_ptr<QMimeData> mime = CreateFileDataSource(*selection_);
    if (!mime) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(mime.release());
    drag->exec(Qt::CopyAction | Qt::MoveAction, Qt::MoveAction);
}

std::optional<std::string> FileView::DropTargetAt(const QPoint& pos, const QMimeData* mime) const {
    PidlPath source;
    std::vector<PidlPath> items;
    if (!ReadFileListData(mime, source, items)) return std::nullopt;
    QListWidgetItem* under = itemAt(pos);
    if (under == nullptr) {
        if (folderText_.empty() || source == folder_) return std::nullopt;
        return folderText_;
    }
    const FileItem* record = static_cast<const FileListItem*>(under)->record.get();
    if (record == nullptr || record->kind != kKindFolder) return std::nullopt;
    const std::string target = record->path.GetPath();
    if (target.empty()) return std::nullopt;
    if (IsDropIntoDragged(source, items, target)) return std::nullopt;
    return target + "/";
}

void FileView::SetHotItem(QListWidgetItem* entry) {
    if (hotItem_ == entry) return;
    if (hotItem_ != nullptr && row(hotItem_) >= 0) hotItem_->setBackground(QBrush());
    hotItem_ = entry;
    if (hotItem_ != nullptr) hotItem_->setBackground(QColor(200, 215, 240));
}

void FileView::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat(kFileListMimeType)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void FileView::dragMoveEvent(QDragMoveEvent* event) {
    const QPoint pos = event->position().toPoint();
    if (pos.y() < 8) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() - 16);
    } else if (pos.y() > viewport()->height() - 8) {
        verticalScrollBar()->setValue(verticalScrollBar()->value() + 16);
    }
    dropTarget_.clear();
    const std::optional<std::string> target = DropTargetAt(pos, event->mimeData());
    if (!target) {
        SetHotItem(nullptr);
        event->ignore();
        return;
    }
    dropTarget_ = *target;
    QListWidgetItem* under = itemAt(pos);
    SetHotItem(under);
    event->setDropAction((event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction
                                                                    : Qt::MoveAction);
    event->accept();
}

void FileView::dragLeaveEvent(QDragLeaveEvent* event) {
    SetHotItem(nullptr);
    QListWidget::dragLeaveEvent(event);
}

void FileView::dropEvent(QDropEvent* event) {
    SetHotItem(nullptr);
    const std::optional<std::string> target =
        DropTargetAt(event->position().toPoint(), event->mimeData());
    if (!target) {
        event->ignore();
        return;
    }
    const Qt::DropAction effect =
        (event->modifiers() & Qt::ControlModifier) ? Qt::CopyAction : Qt::MoveAction;
    event->setDropAction(effect);
    event->accept();
    DropFiles(*target, event->mimeData(), effect);
}

void FileView::DropFiles(const std::string& target, const QMimeData* mime, Qt::DropAction effect) {
    PidlPath folder;
    std::vector<PidlPath> items;
    if (!ReadFileListData(mime, folder, items)) return;
    StopAllWatchers();
    ClipBoard& clipBoard = TheClipBoard();
    const int savedMode = clipBoard.GetMode();
    clipBoard.SetMode(effect == Qt::CopyAction ? 0 : 1);
    bool renameAll = false;
    bool overwriteAll = false;
    for (const PidlPath& one : items) {
        PidlPath sourcePath = folder;
        sourcePath.Append(one);
        const std::string source = sourcePath.GetPath();
        if (source.empty()) continue;
        std::string name = source.substr(GetFileNameOffset(source));
        const std::string destination = target + name;
        const std::uint32_t attributes =
            sourcePath.GetAttributes(shellns::kAttrFolder | shellns::kAttrFileSystem);
        if ((attributes & shellns::kAttrFolder) != 0) {
            // A folder dropped where it is becomes a copy beside it, never a file copy.
            CopyFolder(source + "/", destination + "/", renameAll, overwriteAll);
        } else {
            CopyOrMoveFile(source, destination, target, name, renameAll, overwriteAll);
        }
    }
    clipBoard.SetMode(savedMode);
    StartAllWatchers();
    if (tree_ != nullptr) tree_->Refresh();
    Refresh();
}
