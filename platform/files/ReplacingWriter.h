#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "platform/files/FileOps.h"
#include "platform/files/UniqueFd.h"

namespace platform {

// New files written one after another, made durable together at the end instead of one by
// one: a folder of new files replaces nothing, so no file needs to be on disk before the
// next is written, only all of them before the writer says they are saved.
class DeferredFlush {
public:
    DeferredFlush() = default;
    DeferredFlush(const DeferredFlush&) = delete;
    DeferredFlush& operator=(const DeferredFlush&) = delete;

    // A folder whose new files (and names) Flush is to put on disk, given before anything
    // is written there: a write-back error is seen only when it comes after this. A folder
    // that cannot be opened makes Flush fail.
    void AddFolder(const std::string& folder);
    // Puts everything written into the folders on disk, their entries included: once per
    // file system, which is flushed whole. The first failure is returned, by this call and
    // every later one: a file system reports a lost write-back once, so a second flush would
    // find it clean with the data gone. Nothing written there counts as saved then.
    FileError Flush();

private:
    FileError FlushFolders();

    struct Folder {
        std::string path;
        UniqueFd fd;
        int error = 0;  // why it could not be opened
    };
    std::vector<Folder> folders_;
    FileError failed_ = FileError::None;
};

struct ReplaceOptions {
    // An open file whose permission bits, user extended attributes and (when asked) time
    // the result takes, as a copy takes its source's; -1: those of the file replaced.
    int metadataFrom = -1;
    // Carries the modification time over as well; a rewritten file otherwise gets now.
    bool keepModificationTime = false;
    // Permission bits of a file that did not exist before (the umask applies).
    mode_t newFileMode = 0666;
    // A symbolic link at the name is replaced by the new file instead of written through;
    // the file it names is never opened.
    bool replaceLink = false;
    // A new file (nothing at the name) is not flushed on its own: its folder joins this
    // batch, and the file is saved only once the batch's Flush succeeds. A file that
    // replaces another is still flushed before it takes the name.
    DeferredFlush* flushLater = nullptr;
};

// The one way a user's file is rewritten. The bytes go to a temporary file with a short
// name in the target's folder; Commit flushes it to disk, carries over the metadata and
// only then puts it in the target's place, so any failure leaves the target byte-identical
// and no temporary file behind. (A new file written with a DeferredFlush waits for the
// batch's flush instead.)
//
// - A target with no write bit set is refused (AccessDenied), also for root, whose open
//   would succeed: the user protected it.
// - Nothing but a regular file is ever opened, and without blocking: a named pipe with a
//   picture's name is refused, not waited on.
// - A symbolic link is written through: the file it names is rewritten, the link stays
//   (unless the options say to replace it).
// - A file with other hard links is rewritten in place from the complete temporary copy,
//   so every name sees the new bytes; its old bytes are kept aside first and put back if
//   that write fails.
// - A new file never replaces one that appeared meanwhile.
class ReplacingWriter {
public:
    ReplacingWriter() = default;
    ~ReplacingWriter();
    ReplacingWriter(const ReplacingWriter&) = delete;
    ReplacingWriter& operator=(const ReplacingWriter&) = delete;

    FileError Open(const std::string& path, const ReplaceOptions& options = {});
    // The temporary file, for writers that work on a descriptor.
    int fd() const { return temporary_.get(); }
    const std::string& temporaryPath() const { return temporaryPath_; }
    // A stdio stream on the temporary file, for writers built on one; Commit flushes it.
    std::FILE* Stream();
    bool Write(std::string_view data);
    FileError Commit();
    // Drops the temporary file; the target is untouched.
    void Abort();

private:
    FileError Finish();
    FileError ApplyMetadata();
    FileError RewriteInPlace();

    std::string target_;
    std::string temporaryPath_;
    UniqueFd temporary_;
    UniqueFd original_;  // the file replaced, when there is one
    bool replacesLink_ = false;
    std::FILE* stream_ = nullptr;
    ReplaceOptions options_;
    bool failed_ = false;
};

// Writes a whole file through a ReplacingWriter. A new file gets options.newFileMode.
FileError WriteFileReplacing(const std::string& path, std::string_view data,
                             const ReplaceOptions& options = {});

// Points at which the tests make a replacement fail, to see that nothing is lost.
enum class ReplaceFault { None, BeforeRename, DuringInPlaceWrite, DeferredFlush };
void InjectReplaceFaultForTesting(ReplaceFault fault);

}  // namespace platform
