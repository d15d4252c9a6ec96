#include "platform/files/ReplacingWriter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <vector>

#include "platform/files/PathText.h"
#include "platform/text/Text.h"

namespace platform {
namespace {

std::atomic<ReplaceFault> gFault{ReplaceFault::None};
std::atomic<unsigned> gCounter{0};

// A new file beside the target. The name is short whatever the target's, so a name near
// the file system's 255-byte limit still has room for it; the leading dot keeps it out of
// the file lists while it is being written.
UniqueFd CreateTemporary(const std::string& folder, mode_t mode, std::string& path) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        path = folder + "/.~vt" +
               FormatC("%x.%x", static_cast<unsigned>(::getpid()), gCounter.fetch_add(1));
        UniqueFd fd(::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode));
        if (fd.ok() || errno != EEXIST) {
            if (!fd.ok()) path.clear();
            return fd;
        }
    }
    path.clear();
    errno = EEXIST;
    return UniqueFd();
}

// Copies the first `limit` bytes of one file over the start of another, by offsets, so
// neither descriptor's position matters.
FileError CopyRange(int in, int out, off_t limit) {
    std::vector<char> buffer(1 << 16);
    off_t at = 0;
    while (at < limit) {
        const auto want = static_cast<std::size_t>(
            std::min<off_t>(limit - at, static_cast<off_t>(buffer.size())));
        const ssize_t n = ::pread(in, buffer.data(), want, at);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return ErrorFromErrno(errno);
        if (n == 0) return FileError::Other;  // shorter than it was
        for (ssize_t done = 0; done < n;) {
            const ssize_t w =
                ::pwrite(out, buffer.data() + done, static_cast<std::size_t>(n - done), at + done);
            if (w < 0 && errno == EINTR) continue;
            if (w <= 0) return w < 0 ? ErrorFromErrno(errno) : FileError::Other;
            done += w;
        }
        at += n;
    }
    return FileError::None;
}

off_t SizeOf(int fd) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? st.st_size : -1;
}

}  // namespace

void DeferredFlush::AddFolder(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    for (const Folder& known : folders_) {
        if (known.path == folder) return;
    }
    Folder added;
    added.path = folder;
    added.fd = UniqueFd(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!added.fd.ok()) added.error = errno;
    folders_.push_back(std::move(added));
}

FileError DeferredFlush::Flush() {
    if (failed_ == FileError::None) failed_ = FlushFolders();
    return failed_;
}

FileError DeferredFlush::FlushFolders() {
    if (gFault == ReplaceFault::DeferredFlush) return FileError::Other;
    // One flush of the whole file system costs a single journal commit, where flushing
    // each file costs one per file; it also puts the folders' new entries on disk.
    std::vector<dev_t> flushed;
    for (const Folder& folder : folders_) {
        if (!folder.fd.ok()) return ErrorFromErrno(folder.error != 0 ? folder.error : EBADF);
        struct stat st {};
        if (::fstat(folder.fd.get(), &st) != 0) return ErrorFromErrno(errno);
        if (std::find(flushed.begin(), flushed.end(), st.st_dev) != flushed.end()) continue;
        if (::syncfs(folder.fd.get()) != 0) return ErrorFromErrno(errno);
        flushed.push_back(st.st_dev);
    }
    return FileError::None;
}

void InjectReplaceFaultForTesting(ReplaceFault fault) {
    gFault = fault;
}

ReplacingWriter::~ReplacingWriter() {
    Abort();
}

FileError ReplacingWriter::Open(const std::string& path, const ReplaceOptions& options) {
    Abort();
    options_ = options;
    failed_ = false;
    target_ = path;
    replacesLink_ = false;
    struct stat link {};
    const bool named = ::lstat(path.c_str(), &link) == 0;
    if (named && S_ISLNK(link.st_mode) && options.replaceLink) {
        // Whatever the link names stays untouched: the rename takes the link's name.
        replacesLink_ = true;
    } else if (named) {
        if (S_ISLNK(link.st_mode)) {
            // Renaming over the link would leave the file it names as it was.
            char* real = ::realpath(path.c_str(), nullptr);
            if (real == nullptr) return ErrorFromErrno(errno);
            target_ = real;
            std::free(real);
        }
        struct stat st {};
        if (::stat(target_.c_str(), &st) != 0) return ErrorFromErrno(errno);
        if (S_ISDIR(st.st_mode)) return FileError::Exists;
        if (!S_ISREG(st.st_mode)) return FileError::Other;
        // Root may write anything; a file without write bits was protected on purpose.
        if ((st.st_mode & 0222) == 0) return FileError::AccessDenied;
        if (::faccessat(AT_FDCWD, target_.c_str(), W_OK, AT_EACCESS) != 0) {
            return ErrorFromErrno(errno);
        }
        original_ =
            UniqueFd(::open(target_.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
        if (!original_.ok()) return ErrorFromErrno(errno);
        // It may have changed into something else since it was looked at.
        struct stat opened {};
        if (::fstat(original_.get(), &opened) != 0 || !S_ISREG(opened.st_mode)) {
            original_.Close();
            return FileError::Other;
        }
    } else if (errno != ENOENT) {
        return ErrorFromErrno(errno);
    }
    if (options.flushLater != nullptr && !original_.ok() && !replacesLink_) {
        // Before the first byte: the flush reports only the write-back errors that come
        // after the folder was opened.
        options.flushLater->AddFolder(ParentOf(target_));
    }
    temporary_ = CreateTemporary(ParentOf(target_), original_.ok() ? 0600 : options.newFileMode,
                                 temporaryPath_);
    if (!temporary_.ok()) {
        const int error = errno;
        original_.Close();
        return ErrorFromErrno(error);
    }
    return FileError::None;
}

std::FILE* ReplacingWriter::Stream() {
    if (stream_ == nullptr && temporary_.ok()) {
        const int copy = ::dup(temporary_.get());
        if (copy >= 0) {
            stream_ = ::fdopen(copy, "wb");
            if (stream_ == nullptr) ::close(copy);
        }
    }
    return stream_;
}

bool ReplacingWriter::Write(std::string_view data) {
    bool ok = temporary_.ok();
    if (ok && stream_ != nullptr) {
        ok = data.empty() || std::fwrite(data.data(), 1, data.size(), stream_) == data.size();
    } else if (ok) {
        ok = WriteAll(temporary_.get(), data);
    }
    failed_ = failed_ || !ok;
    return ok;
}

FileError ReplacingWriter::Commit() {
    const FileError result = temporary_.ok() ? Finish() : FileError::Other;
    Abort();  // a temporary file still there was copied in place or failed
    return result;
}

FileError ReplacingWriter::Finish() {
    if (stream_ != nullptr) {
        bool ok = std::fflush(stream_) == 0 && std::ferror(stream_) == 0;
        ok = std::fclose(stream_) == 0 && ok;
        stream_ = nullptr;
        if (!ok) return FileError::Other;
    }
    if (failed_) return FileError::Other;
    if (const FileError r = ApplyMetadata(); r != FileError::None) return r;
    // The rename drops the old file, so the new one must be on disk first: after a crash
    // the name holds the old file or the whole new one, never an empty one. A new file
    // drops nothing; its batch puts it on disk later.
    const bool deferred = options_.flushLater != nullptr && !original_.ok() && !replacesLink_;
    if (!deferred && ::fsync(temporary_.get()) != 0) return ErrorFromErrno(errno);
    if (gFault == ReplaceFault::BeforeRename) return FileError::Other;

    if (replacesLink_) {
        if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0) return ErrorFromErrno(errno);
        temporaryPath_.clear();
        return FileError::None;
    }
    if (!original_.ok()) {
        // A file that appeared meanwhile is not ours to replace.
        const FileError r = RenameNoReplace(temporaryPath_, target_);
        if (r == FileError::None) temporaryPath_.clear();
        return r;
    }
    struct stat st {};
    if (::fstat(original_.get(), &st) != 0) return ErrorFromErrno(errno);
    if (st.st_nlink > 1) return RewriteInPlace();
    if (::rename(temporaryPath_.c_str(), target_.c_str()) != 0) return ErrorFromErrno(errno);
    temporaryPath_.clear();
    return FileError::None;
}

FileError ReplacingWriter::ApplyMetadata() {
    const int from = options_.metadataFrom >= 0 ? options_.metadataFrom : original_.get();
    if (from < 0) return FileError::None;  // a new file of our own
    const int out = temporary_.get();
    struct stat st {};
    if (::fstat(from, &st) != 0) return ErrorFromErrno(errno);
    struct stat replaced {};
    if (original_.ok() && ::fstat(original_.get(), &replaced) == 0 &&
        (replaced.st_uid != ::geteuid() || replaced.st_gid != ::getegid())) {
        // Only a privileged process can give a file away; the others keep it as theirs.
        [[maybe_unused]] const int ignored = ::fchown(out, replaced.st_uid, replaced.st_gid);
    }
    // After the owner: changing it clears the set-id bits.
    if (::fchmod(out, st.st_mode & 07777) != 0) return ErrorFromErrno(errno);
    CopyUserAttributes(from, out);
    if (options_.keepModificationTime) {
        const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
        (void)::futimens(out, times);
    }
    return FileError::None;
}

FileError ReplacingWriter::RewriteInPlace() {
    UniqueFd out(::open(target_.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
    if (!out.ok()) return ErrorFromErrno(errno);
    struct stat a {};
    struct stat b {};
    if (::fstat(out.get(), &a) != 0 || ::fstat(original_.get(), &b) != 0) {
        return ErrorFromErrno(errno);
    }
    if (a.st_dev != b.st_dev || a.st_ino != b.st_ino) return FileError::Other;

    // The old bytes go aside first, so a write that stops half-way can be undone.
    std::string asidePath;
    UniqueFd aside = CreateTemporary(ParentOf(target_), 0600, asidePath);
    if (!aside.ok()) return ErrorFromErrno(errno);
    const off_t oldSize = b.st_size;
    const off_t newSize = SizeOf(temporary_.get());
    FileError result =
        newSize < 0 ? FileError::Other : CopyRange(original_.get(), aside.get(), oldSize);
    if (result == FileError::None && ::fsync(aside.get()) != 0) result = ErrorFromErrno(errno);
    if (result != FileError::None) {
        ::unlink(asidePath.c_str());
        return result;
    }

    if (gFault == ReplaceFault::DuringInPlaceWrite) {
        (void)CopyRange(temporary_.get(), out.get(), newSize / 2);
        result = FileError::Other;
    } else {
        result = CopyRange(temporary_.get(), out.get(), newSize);
        if (result == FileError::None && ::ftruncate(out.get(), newSize) != 0) {
            result = ErrorFromErrno(errno);
        }
        if (result == FileError::None && ::fsync(out.get()) != 0) result = ErrorFromErrno(errno);
    }
    if (result != FileError::None) {
        // Best effort: the same write that just failed may fail again, and then the old
        // bytes are still in the file aside, which is kept for the user.
        const bool restored = CopyRange(aside.get(), out.get(), oldSize) == FileError::None &&
                              ::ftruncate(out.get(), oldSize) == 0 && ::fsync(out.get()) == 0;
        if (restored) ::unlink(asidePath.c_str());
        return result;
    }
    if (options_.keepModificationTime) {
        struct stat st {};
        const int from = options_.metadataFrom >= 0 ? options_.metadataFrom : original_.get();
        if (::fstat(from, &st) == 0) {
            const struct timespec times[2] = {{0, UTIME_OMIT}, st.st_mtim};
            (void)::futimens(out.get(), times);
        }
    }
    ::unlink(asidePath.c_str());
    return FileError::None;
}

void ReplacingWriter::Abort() {
    if (stream_ != nullptr) {
        std::fclose(stream_);
        stream_ = nullptr;
    }
    temporary_.Close();
    original_.Close();
    if (!temporaryPath_.empty()) {
        ::unlink(temporaryPath_.c_str());
        temporaryPath_.clear();
    }
}

FileError WriteFileReplacing(const std::string& path, std::string_view data,
                             const ReplaceOptions& options) {
    ReplacingWriter writer;
    if (const FileError r = writer.Open(path, options); r != FileError::None) return r;
    if (!writer.Write(data)) {
        const int error = errno;
        writer.Abort();
        return error != 0 ? ErrorFromErrno(error) : FileError::Other;
    }
    return writer.Commit();
}

}  // namespace platform
