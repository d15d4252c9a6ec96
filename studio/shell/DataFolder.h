#pragma once

#include <string>
#include <utility>

// The studio's data folder, set once when the main window is made: the templates, the
// "AppData" files, the help pages and the page script are found relative to it. It ends
// with '/' (added when missing); empty until set.
inline std::string& DataFolderSlot() {
    static std::string folder;
    return folder;
}

inline void SetDataFolder(std::string folder) {
    if (!folder.empty() && folder.back() != '/') folder += '/';
    DataFolderSlot() = std::move(folder);
}

inline const std::string& GetDataFolder() {
    return DataFolderSlot();
}
