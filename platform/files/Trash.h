#pragma once

#include <string>

#include "platform/files/FileOps.h"

namespace platform {

// Deleting to the freedesktop.org Trash. A file or folder on the file system of the home
// trash goes there; one on another mount goes to that mount's own trash. Every trashed
// item has its info file (original path and deletion date) so a file manager can put it
// back. When trashing is impossible the item stays where it is and the failure is
// reported: nothing is ever deleted for good here.

// $XDG_DATA_HOME/Trash, or ~/.local/share/Trash when XDG_DATA_HOME is unset or relative.
std::string HomeTrashDirectory();

// Moves `path` to the trash that serves it. `trashedAs` receives where it went.
FileError MoveToTrash(const std::string& path, std::string* trashedAs = nullptr);

// The trash of the mount whose top folder is `topdir`: topdir/.Trash/$uid when
// topdir/.Trash is a real folder with the sticky bit set, else topdir/.Trash-$uid. With
// `create`, the folder is made when missing. Empty when it cannot serve (a link, a foreign
// owner, a folder that cannot be made).
std::string VolumeTrashDirectory(const std::string& topdir, bool create);

// Moves `path` into the trash folder `trash` (files/ and info/ made as needed) under a
// free name, recording `recordedPath` (absolute, or relative to the mount's top folder
// for a mount's trash) in the info file.
FileError MoveIntoTrash(const std::string& path, const std::string& trash,
                        const std::string& recordedPath, std::string* trashedAs = nullptr);

}  // namespace platform
