#include "studio/shell/gallery/GalleryLists.h"

#include <optional>

#include <QContextMenuEvent>
#include <QPalette>

#include "platform/window/Menu.h"
#include "studio/shell/commands/CommandFactory.h"
#include "studio/shell/gallery/InfoGallerySheet.h"

void UseGallerySelectionLook(QListWidget& list) {
    QPalette palette = list.palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, QColor(0, 0, 127));
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    list.setPalette(palette);
}

TemplateList::TemplateList(QWidget* parent) : QListWidget(parent) {
    setObjectName("1026");
    setIconSize(QSize(64, 64));
    setSelectionMode(QAbstractItemView::SingleSelection);
    UseGallerySelectionLook(*this);
}

WorkImages::WorkImages(QWidget* parent) : QListWidget(parent) {
    setObjectName("1088");
    setIconSize(QSize(48, 48));
    setSelectionMode(QAbstractItemView::SingleSelection);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    UseGallerySelectionLook(*this);
}

void WorkImages::contextMenuEvent(QContextMenuEvent* event) {
    ShowMenu(event->globalPos());
}

void WorkImages::ShowMenu(const QPoint& screenPoint) {
    using platform::MenuItem;
    platform::Menu menu{MenuItem::Command(32784, "View image"), MenuItem::Command(32799, "Move up"),
                        MenuItem::Command(32800, "Move down"), MenuItem::Command(32798, "Remove")};
    for (int id : {32799, 32800}) {
        menu.EnableMenuItem(static_cast<std::uint32_t>(id), IsCommandEnabled(id));
    }
    const std::optional<std::uint32_t> chosen = platform::CurrentMenuChooser().Choose(
        menu, Vector2<int>(screenPoint.x(), screenPoint.y()), sheet_);
    if (chosen && sheet_ != nullptr) sheet_->OnSheetCommand(static_cast<int>(*chosen));
}

void WorkImages::startDrag(Qt::DropActions /*supportedActions*/) {
    if (sheet_ != nullptr) sheet_->OnBeginDrag();
}
