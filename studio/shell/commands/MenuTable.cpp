#include "studio/shell/commands/MenuTable.h"

#include <map>

#include "studio/shell/commands/CommandIds.h"

namespace {

MenuItem Item(int id, const char* text) {
    return MenuItem{id, text, {}};
}

MenuItem Popup(const char* text, std::vector<MenuItem> items) {
    return MenuItem{0, text, std::move(items)};
}

// The shared popups differ between modes only in the texts of Save and View.
std::vector<MenuItem> BuildMenu(int resource) {
    const bool project = resource != kMenuNoProject;
    const bool exports = resource == kMenuGallery || resource == kMenuVantelify;
    std::vector<MenuItem> menu;
    menu.push_back(Popup(
        "&File",
        {
            Popup("New", {Item(kNewFolder, "Folder"), Item(kGalleryNew, "Gallery"),
                          Item(kAnimationNew, "Animation"), Item(kVantelifyNew, "Vantelify")}),
            Item(kSave, exports ? "Export HTML" : "Save"),
            Item(kClose, "Close"),
            Item(kEditDelete, "&Delete\tDel"),
            Item(kRename, "Rename\tF2"),
            Item(kFileProperties, "Properties"),
            Item(kGoToParent, "Go to &Parent\tCtrl+Back"),
            Item(kFileOpen, project ? "View" : "View selected"),
            Item(kFileEdit, "Edit..."),
            Item(kFileInfoProperties, "FileInfo..."),
            Item(kFileRepresent, "As folder image"),
            Item(kFileDerepresent, "No folder image"),
            Item(kExit, "E&xit"),
        }));
    menu.push_back(Popup("&Edit", {
                                      Item(kEditCut, "Cu&t\tCtrl+X"),
                                      Item(kEditCopy, "&Copy\tCtrl+C"),
                                      Item(kEditPaste, "&Paste\tCtrl+V"),
                                      Item(kSelectAll, "&Select all\tCtrl+A"),
                                      Item(kSelectAllImages, "Select all images"),
                                      Item(kEditPreferences, "Preferences..."),
                                  }));
    if (resource == kMenuGallery) {
        menu.push_back(Popup("Gallery", {
                                            Item(kGalleryAddFiles, "Add to gallery\tCtrl+A"),
                                            Item(kGalleryRemove, "Remove image"),
                                            Item(kGalleryRemoveAll, "Remove all images"),
                                            Popup("Order image", {Item(kGalleryUp, "Move Up"),
                                                                  Item(kGalleryDown, "Move down")}),
                                            Item(kGalleryHome, "Go to first page"),
                                            Item(kGalleryConfigure, "Configure..."),
                                        }));
    } else if (resource == kMenuAnimation) {
        menu.push_back(Popup("Animation", {
                                              Item(kAnimationOpen, "Open\tCtrl+O"),
                                              Item(kAnimationLoadImage, "Animate image"),
                                              Item(kAnimationDelete, "Delete "),
                                              Item(kAnimationPosAdd, "Add Pos"),
                                              Item(kAnimationPosInsert, "Insert Pos"),
                                              Item(kAnimationPosDelete, "Delete Pos"),
                                              Item(kAnimationPosChange, "Change Pos"),
                                              Item(kAnimationPosRename, "Rename Pos"),
                                              Item(kAnimationPosGo, "Go to pos"),
                                              Item(kAnimationExport, "Export HTML"),
                                          }));
    } else if (resource == kMenuVantelify) {
        menu.push_back(Popup("Vantelify", {Item(kVantelifySetFile, "SetFile")}));
    }
    menu.push_back(Popup("&View", {
                                      Item(kShowFileviews, "Show Fileviews\tCtrl+S"),
                                      Item(kShowInfoviews, "Show Infoviews\tCtrl+D"),
                                      Item(kRefresh, "Refresh\tF5"),
                                      Item(kViewFullscreen, "Fullscreen image"),
                                      Item(kStatusBar, "&Status Bar"),
                                  }));
    menu.push_back(Popup("&Help", {
                                      Item(kHelpContents, "Contents"),
                                      Item(kWebSite, "Vantelo on the web"),
                                      Item(kAbout, "&About Vistrel 2..."),
                                  }));
    return menu;
}

}  // namespace

const std::vector<MenuItem>& GetMenu(int resource) {
    static const std::map<int, std::vector<MenuItem>> menus = [] {
        std::map<int, std::vector<MenuItem>> built;
        for (int mode : {kMenuNoProject, kMenuGallery, kMenuAnimation, kMenuVantelify}) {
            built[mode] = BuildMenu(mode);
        }
        return built;
    }();
    static const std::vector<MenuItem> none;
    const auto found = menus.find(resource);
    return found != menus.end() ? found->second : none;
}

const MenuItem* FindMenuItem(const std::vector<MenuItem>& menu, int id) {
    for (const MenuItem& item : menu) {
        if (item.IsPopup()) {
            if (const MenuItem* inner = FindMenuItem(item.items, id)) return inner;
        } else if (item.id == id && id != 0) {
            return &item;
        }
    }
    return nullptr;
}
