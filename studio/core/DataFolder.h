#pragma once

#include <filesystem>
#include <string>
#include <system_error>
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

// The data folder of a program that lives in `programFolder`: the "kvtdata" installed beside
// it, else the one of the source tree it was built from. With a trailing '/'.
inline std::string FindDataFolder(std::string programFolder) {
    if (!programFolder.empty() && programFolder.back() != '/') programFolder += '/';
    const std::string installed = programFolder + "kvtdata/";
    std::error_code error;
    if (std::filesystem::is_directory(installed, error)) return installed;
#ifdef VANTELO_SOURCE_DATA_FOLDER
    return VANTELO_SOURCE_DATA_FOLDER;
#else
    return installed;
#endif
}
