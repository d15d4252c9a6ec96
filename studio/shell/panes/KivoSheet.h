#pragma once

#include <Qt>

class QMimeData;
class QPoint;

// What a sheet of the info pane does with file lists dragged over it. The pane asks the
// shown sheet while a drag moves over the sheet's part of the pane and hands it the drop.
class KivoSheet {
public:
    // The answer to a drag, as the drag source sees it.
    enum DropEffect : int { kDropNone = 0, kDropCopy = 1, kDropMove = 2 };

    KivoSheet() = default;
    virtual ~KivoSheet() = default;
    KivoSheet(const KivoSheet&) = delete;
    KivoSheet& operator=(const KivoSheet&) = delete;

    // `point` is in the info pane's coordinates. The pane passes the answer on unchanged.
    virtual int CanDrop(const QMimeData* /*data*/, Qt::KeyboardModifiers /*keyState*/,
                        const QPoint& /*point*/) {
        return kDropNone;
    }
    // True when the sheet took the files.
    virtual bool Drop(const QMimeData* /*data*/, int /*effect*/, const QPoint& /*point*/) {
        return false;
    }
};
