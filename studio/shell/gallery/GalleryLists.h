#pragma once

#include <QListWidget>

class InfoGallerySheet;

// The two lists of the gallery sheet. Both show a selected row white on dark blue whether or
// not they have the focus, so the chosen template and picture stay visible while the user
// works elsewhere.
class TemplateList final : public QListWidget {
public:
    explicit TemplateList(QWidget* parent = nullptr);
};

// The gallery's pictures as thumbnails, with a context menu whose choices reach the sheet.
class WorkImages final : public QListWidget {
public:
    explicit WorkImages(QWidget* parent = nullptr);
    void SetSheet(InfoGallerySheet* sheet) { sheet_ = sheet; }

    // Shows the context menu at a screen point; the chosen id goes to the sheet.
    void ShowMenu(const QPoint& screenPoint);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    // The sheet runs the drag: it decides what the picture's copy is and how it may move.
    void startDrag(Qt::DropActions supportedActions) override;

private:
    InfoGallerySheet* sheet_ = nullptr;
};

// Gives a list the gallery's selection look.
void UseGallerySelectionLook(QListWidget& list);
