#pragma once

// The studio's command ids: menu items, shortcuts, sheet buttons and context-menu entries all
// carry one of these. Ids with a command object are named after its class.
enum CommandId : int {
    // Commands with a command object.
    kGalleryAddFiles = 32775,
    kEditDelete = 32776,
    kGalleryNew = 32786,
    kFileRepresent = 32793,
    kFileDerepresent = 32794,
    kGalleryRemove = 32798,
    kGalleryUp = 32799,
    kGalleryDown = 32800,
    kGallerySave = 32802,
    kGalleryConfigure = 32803,
    kGalleryClose = 32804,
    kFileEdit = 32805,
    kFileDisplayedEdit = 32806,
    kVantelifyNew = 32807,
    kVantelifySave = 32808,
    kVantelifyClose = 32809,
    kAnimationNew = 32811,
    kAnimationSave = 32812,
    kAnimationClose = 32813,
    kAnimationPosAdd = 32814,
    kAnimationPosDelete = 32815,
    kAnimationPosChange = 32816,
    kAnimationPosGo = 32818,
    kAnimationPosInsert = 32819,
    kAnimationOpen = 32820,
    kAnimationExport = 32821,
    kAnimationLoadImage = 32822,
    kAnimationPosRename = 32823,
    kAnimationDelete = 32824,
    kEditPreferences = 32825,
    kViewFullscreen = 32833,
    kVantelifySetFile = 32843,
    kGalleryRemoveAll = 32850,
    kFileInfoProperties = 32851,
    kFileProperties = 32852,
    kGalleryHome = 32853,
    kFileOpen = 57601,
    kEditCopy = 57634,
    kEditCut = 57635,
    kEditPaste = 57637,

    // Ids the windows handle themselves.
    kRefreshKey = 32772,            // F5
    kWebSite = 32787,               // "Vantelo on the web"
    kHelpContents = 32792,          // "Contents"
    kGoToParent = 32795,            // Backspace
    kShowFileviews = 32797,         // Ctrl+S
    kSelectAllImages = 32827,       // "Select all images"
    kRefresh = 32830,               // "Refresh"
    kRename = 32831,                // F2
    kNewFolder = 32832,             // "Folder"
    kStopPage = 32834,              // Ctrl+Break
    kShowInfoviews = 32846,         // Ctrl+D
    kNextGalleryImage = 32847,      // Ctrl+Right
    kPreviousGalleryImage = 32848,  // Ctrl+Left
    kClose = 57602,                 // the open project's close command
    kSave = 57603,                  // the open project's save or export command
    kSelectAll = 57642,             // Ctrl+A
    kUndo = 57643,                  // Alt+Backspace, Ctrl+Z: nobody handles it
    kAbout = 57664,
    kExit = 57665,
    kNextPane = 57680,      // F6
    kPreviousPane = 57681,  // Shift+F6
    kStatusBar = 59393,     // "&Status Bar"; also the status bar's window id
};
