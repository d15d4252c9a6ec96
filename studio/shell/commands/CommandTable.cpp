#include "studio/shell/commands/CommandTable.h"

#include "studio/shell/commands/CommandIds.h"

const std::vector<CommandTableEntry>& GetCommandTable() {
    static const std::vector<CommandTableEntry> table = {
        {kGalleryAddFiles, "GalleryAddFiles"},
        {kEditDelete, "EditDelete"},
        {kGalleryNew, "GalleryNew"},
        {kFileRepresent, "FileRepresent"},
        {kFileDerepresent, "FileDerepresent"},
        {kGalleryRemove, "GalleryRemove"},
        {kGalleryUp, "GalleryUp"},
        {kGalleryDown, "GalleryDown"},
        {kGallerySave, "GallerySave"},
        {kGalleryConfigure, "GalleryConfigure"},
        {kGalleryClose, "GalleryClose"},
        {kFileEdit, "FileEdit"},
        {kFileDisplayedEdit, "FileDisplayedEdit"},
        {kVantelifyNew, "VantelifyNew"},
        {kVantelifySave, "VantelifySave"},
        {kVantelifyClose, "VantelifyClose"},
        {kAnimationNew, "AnimationNew"},
        {kAnimationSave, "AnimationSave"},
        {kAnimationClose, "AnimationClose"},
        {kAnimationPosAdd, "AnimationPosAdd"},
        {kAnimationPosDelete, "AnimationPosDelete"},
        {kAnimationPosChange, "AnimationPosChange"},
        {kAnimationPosGo, "AnimationPosGo"},
        {kAnimationPosInsert, "AnimationPosInsert"},
        {kAnimationOpen, "AnimationOpen"},
        {kAnimationExport, "AnimationExport"},
        {kAnimationLoadImage, "AnimationLoadImage"},
        {kAnimationPosRename, "AnimationPosRename"},
        {kAnimationDelete, "AnimationDelete"},
        {kEditPreferences, "EditPreferences"},
        {kViewFullscreen, "ViewFullscreen"},
        {kVantelifySetFile, "VantelifySetFile"},
        {kGalleryRemoveAll, "GalleryRemoveAll"},
        {kFileInfoProperties, "FileInfoProperties"},
        {kFileProperties, "FileProperties"},
        {kGalleryHome, "GalleryHome"},
        {kFileOpen, "FileOpen"},
        {kEditCopy, "EditCopy"},
        {kEditCut, "EditCut"},
        {kEditPaste, "EditPaste"},
    };
    return table;
}
