#pragma once

class PidlPath;

// What the file list asks of the folder tree beside it: to show a folder (the tree then
// tells the list), and to hold its drive watchers while the list changes files itself.
class FolderTree {
public:
    virtual ~FolderTree() = default;

    // True when every item of the path was found.
    virtual bool SelectPath(const PidlPath& path, bool select) = 0;
    virtual void StopWatchers() = 0;
    virtual void StartWatchers() = 0;
    virtual void Refresh() = 0;
};
