#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// Why a file operation failed, in the cases the studio tells apart.
enum class FileError {
    None,
    AccessDenied,    // EACCES, EPERM
    WriteProtected,  // EROFS
    Exists,          // the target is there already
    NotFound,
    CrossDevice,  // a rename between file systems
    Cancelled,    // the progress callback asked to stop
    InUse,        // ETXTBSY, EBUSY: another program holds the file
    Other,
};

FileError ErrorFromErrno(int error);

// Whether something (a file, a folder, a dangling link) has that name.
bool PathExists(const std::string& path);
bool IsDirectory(const std::string& path);
// Size of what the name leads to (links followed); none when nothing is there.
std::optional<std::uint64_t> FileSizeOf(const std::string& path);
// Two names of one file (the same device and inode, so hard links and "a/../a" count).
bool SameFile(const std::string& a, const std::string& b);

// Options of a copy. The source's permission bits, modification time and user extended
// attributes (the hidden mark among them) always travel with the data.
struct CopyOptions {
    // Flushes the copy to disk before reporting success: a move deletes its source only
    // after this.
    bool sync = false;
    // Called after every block with the bytes copied so far; false stops the copy.
    std::function<bool(std::uint64_t done)> progress;
};

// Copies a regular file to a new name that must not exist yet (O_EXCL): the target is
// never replaced and never the source itself. A failed or stopped copy leaves no target.
FileError CopyFileNoReplace(const std::string& from, const std::string& to,
                            const CopyOptions& options = {});

// Copies over an existing target through a ReplacingWriter (see there), so a failure, a
// stop or a crash leaves the old target as it was. The copy takes the source's permission
// bits, modification time and user attributes. Refuses when the target is the source
// itself (Exists) or a folder. A symbolic link at the target's name is replaced by the copy;
// the file it names stays as it was.
FileError CopyFileReplacing(const std::string& from, const std::string& to,
                            const CopyOptions& options = {});

// Renames without ever replacing an existing target (renameat2 RENAME_NOREPLACE; where the
// file system lacks it, a hard link and unlink for files, a checked rename for folders).
FileError RenameNoReplace(const std::string& from, const std::string& to);

// Opens a file for reading without waiting: O_NONBLOCK keeps the open of a named pipe or a
// device from waiting for the other end, and is taken off again, so a regular file reads
// as usual. -1 with errno on failure.
int OpenForReading(const std::string& path);

// Writes every byte to an open file, across short writes and interruptions.
bool WriteAll(int fd, std::string_view data);

// Copies every "user." extended attribute (the hidden mark, desktop tags) from one open
// file to another, as far as the target's file system takes them.
void CopyUserAttributes(int from, int to);

// Deletes a file (not a folder) for good.
FileError RemoveFile(const std::string& path);
// Gives the owner write permission back, the nearest thing to clearing a read-only flag.
// A symbolic link is never followed: false, and what it names keeps its permissions.
bool ClearReadOnly(const std::string& path);
FileError CreateFolder(const std::string& path);
FileError RemoveEmptyFolder(const std::string& path);

// Several files copied one after another, each to its target or, when that name is taken,
// to the name `renameOnCollision` (folder, name) gives in the same folder. The progress
// callback sees the bytes of all files together and may stop the copy. Files copied
// before a failure or a stop stay; the first failure ends the batch.
struct CopyJob {
    std::string from;
    std::string to;
};
struct CopyBatchProgress {
    std::uint64_t bytesDone = 0;
    std::uint64_t bytesTotal = 0;
    std::size_t fileIndex = 0;
    std::size_t fileCount = 0;
    std::string current;  // the source being copied
};
using CollisionNamer =
    std::function<std::string(const std::string& folder, const std::string& name)>;
FileError CopyBatch(const std::vector<CopyJob>& jobs, const CollisionNamer& renameOnCollision,
                    const std::function<bool(const CopyBatchProgress&)>& progress);

}  // namespace platform
