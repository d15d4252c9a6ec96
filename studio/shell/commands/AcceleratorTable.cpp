#include "studio/shell/commands/AcceleratorTable.h"

#include "studio/shell/commands/CommandIds.h"

const std::vector<Accelerator>& GetAcceleratorTable() {
    static const std::vector<Accelerator> table = {
        {AccelKey::A, kAccelCtrl, kSelectAll},
        {AccelKey::C, kAccelCtrl, kEditCopy},
        {AccelKey::Insert, kAccelCtrl, kEditCopy},
        {AccelKey::D, kAccelCtrl, kShowInfoviews},
        {AccelKey::F, kAccelCtrl | kAccelShift, kViewFullscreen},
        {AccelKey::G, kAccelCtrl, kGalleryAddFiles},
        {AccelKey::O, kAccelCtrl, kAnimationOpen},
        {AccelKey::S, kAccelCtrl, kShowFileviews},
        {AccelKey::V, kAccelCtrl, kEditPaste},
        {AccelKey::Insert, kAccelShift, kEditPaste},
        {AccelKey::X, kAccelCtrl, kEditCut},
        {AccelKey::Delete, kAccelShift, kEditCut},
        {AccelKey::Backspace, kAccelNone, kGoToParent},
        {AccelKey::Backspace, kAccelAlt, kUndo},
        {AccelKey::Z, kAccelCtrl, kUndo},
        {AccelKey::Break, kAccelCtrl, kStopPage},
        {AccelKey::Delete, kAccelNone, kEditDelete},
        {AccelKey::F2, kAccelNone, kRename},
        {AccelKey::F5, kAccelNone, kRefreshKey},
        {AccelKey::F6, kAccelNone, kNextPane},
        {AccelKey::F6, kAccelShift, kPreviousPane},
        {AccelKey::Left, kAccelCtrl, kPreviousGalleryImage},
        {AccelKey::Right, kAccelCtrl, kNextGalleryImage},
        {AccelKey::Enter, kAccelNone, kFileOpen},
    };
    return table;
}

int FindAccelerator(AccelKey key, unsigned modifiers) {
    for (const Accelerator& entry : GetAcceleratorTable()) {
        if (entry.key == key && entry.modifiers == modifiers) return entry.id;
    }
    return 0;
}
