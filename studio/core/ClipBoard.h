#pragma once

#include <vector>

#include "studio/core/PidlPath.h"

class FileSelection;

// What the last Copy or Cut took, for a later Paste: the items, their source folder and
// whether they are to be copied or moved. The system clipboard is not used for files.
class ClipBoard {
public:
    enum Mode { kCopy = 0, kCut = 1 };

    ClipBoard() = default;
    virtual ~ClipBoard() = default;

    void Copy(const FileSelection& selection);
    void Cut(const FileSelection& selection);
    // Empties the items and the folder; the mode stays.
    void Clear();

    const std::vector<PidlPath>& GetItems() const { return items_; }
    bool HasItems() const { return !items_.empty(); }
    const PidlPath& GetFolder() const { return folder_; }
    int GetMode() const { return mode_; }
    // Drops set the mode for the length of their copying.
    void SetMode(int mode) { mode_ = mode; }

private:
    std::vector<PidlPath> items_;
    PidlPath folder_;
    int mode_ = kCopy;
};

// The program's one studio clipboard.
ClipBoard& TheClipBoard();
