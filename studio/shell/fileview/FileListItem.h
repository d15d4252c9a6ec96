#pragma once

#include <memory>

#include <QListWidgetItem>

#include "studio/shell/fileview/FileItem.h"

// A list entry and the record it owns; the record goes with the entry.
class FileListItem final : public QListWidgetItem {
public:
    FileListItem(const QString& text, std::unique_ptr<FileItem> item)
        : QListWidgetItem(text), record(std::move(item)) {
        setFlags(flags() | Qt::ItemIsEditable | Qt::ItemIsDragEnabled);
    }

    // The picture is the list's, by slot: an item holds no copy of its own.
    QVariant data(int role) const override;

    std::unique_ptr<FileItem> record;
    int slot = 0;
    bool cut = false;
};
