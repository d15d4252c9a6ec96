#include "studio/core/ClipBoard.h"

#include "studio/core/FileSelection.h"

void ClipBoard::Copy(const FileSelection& selection) {
    items_ = selection.GetItems();
    folder_ = selection.GetFolder();
    mode_ = kCopy;
}

void ClipBoard::Cut(const FileSelection& selection) {
    Copy(selection);
    mode_ = kCut;
}

void ClipBoard::Clear() {
    items_.clear();
    folder_.Free();
}

ClipBoard& TheClipBoard() {
    static ClipBoard clipBoard;
    return clipBoard;
}
