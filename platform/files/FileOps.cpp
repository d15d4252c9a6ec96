#include "platform/files/FileOps.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/files/PathText.h"
#include "platform/files/ReplacingWriter.h"
#include "platform/files/UniqueFd.h"

namespace platform {

FileError ErrorFromErrno(int error) {
    switch (error) {
        case 0:
            return FileError::None;
        case EACCES:
        case EPERM:
            return FileError::AccessDenied;
        case EROFS:
            return FileError::WriteProtected;
        case EEXIST:
        case ENOTEMPTY:
            return FileError::Exists;
        case ENOENT:
        case ENOTDIR:
            return FileError::NotFound;
        case EXDEV:
            return FileError::CrossDevice;
        case ETXTBSY:
        case EBUSY:
            return FileError::InUse;
        default:
            return FileError::Other;
    }
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

bool IsDirectory(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::uint64_t> FileSizeOf(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::nullopt;
    return static_cast<std::uint64_t>(st.st_size);
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {};
    struct stat sb {};
    if (::stat(a.c_str(), &sa) != 0 || ::stat(b.c_str(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

void CopyUserAttributes(int from, int to) {
    const ssize_t length = ::flistxattr(from, nullptr, 0);
    if (length <= 0) return;
    std::vector<char> names(static_cast<std::size_t>(length));
    const ssize_t got = ::flistxattr(from, names.data(), names.size());
    if (got <= 0) return;
    std::vector<char> value;
    for (std::size_t i = 0; i < static_cast<std::size_t>(got);) {
        const std::string name(names.data() + i);
        i += name.size() + 1;
        if (name.rfind("user.", 0) != 0) continue;
        const ssize_t size = ::fgetxattr(from, name.c_str(), nullptr, 0);
        if (size < 0) continue;
        value.resize(static_cast<std::size_t>(size));
        const ssize_t read = ::fgetxattr(from, name.c_str(), value.data(), value.size());
        if (read < 0) continue;
        // The target's file system may refuse user attributes; the data matter more.
        (void)::fsetxattr(to, name.c_str(), value.data(), static_cast<std::size_t>(read), 0);
    }
}

int OpenForReading(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd >= 0) {
        const int flags = ::fcntl(fd, F_GETFL);
        if (flags != -1) (void)::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    return fd;
}

namespace {

// Copies the bytes of one open file into another.
FileError CopyBytes(int in, int out, const CopyOptions& options) {
    constexpr std::size_t kBlock = 1 << 20;
    std::uint64_t done = 0;
    bool plain = false;  // copy_file_range refused: read and write instead
    std::vector<char> buffer;
    for (;;) {
        ssize_t n = -1;
        if (!plain) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kBlock, 0);
            if (n < 0 && done == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP ||
                 errno == EBADF)) {
                plain = true;
                continue;
            }
        } else {
            if (buffer.empty()) buffer.resize(kBlock);
            n = ::read(in, buffer.data(), buffer.size());
            if (n > 0 &&
                !WriteAll(out, std::string_view(buffer.data(), static_cast<std::size_t>(n)))) {
                return ErrorFromErrno(errno);
            }
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            return ErrorFromErrno(errno);
        }
        if (n == 0) break;
        done += static_cast<std::uint64_t>(n);
        if (options.progress && !options.progress(done)) return FileError::Cancelled;
    }

    // The copy is only good when it holds as many bytes as the source has now.
    struct stat now {};
    struct stat copied {};
    if (::fstat(in, &now) != 0 || ::fstat(out, &copied) != 0) return ErrorFromErrno(errno);
    if (now.st_size != copied.st_size || static_cast<std::uint64_t>(copied.st_size) != done) {
        return FileError::Other;
    }
    return FileError::None;
}

// The bytes with the metadata that travels with a copy.
FileError CopyContents(int in, const struct stat& source, int out, const CopyOptions& options) {
    if (const FileError r = CopyBytes(in, out, options); r != FileError::None) return r;
    (void)::fchmod(out, source.st_mode & 07777);
    CopyUserAttributes(in, out);
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    (void)::futimens(out, times);
    if (options.sync && ::fsync(out) != 0) return ErrorFromErrno(errno);
    return FileError::None;
}

}  // namespace

FileError CopyFileNoReplace(const std::string& from, const std::string& to,
                            const CopyOptions& options) {
    UniqueFd in(OpenForReading(from));
    if (!in.ok()) return ErrorFromErrno(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return ErrorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return FileError::Other;

    UniqueFd out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600));
    if (!out.ok()) return ErrorFromErrno(errno);
    FileError result = CopyContents(in.get(), st, out.get(), options);
    if (out.Close() != 0 && result == FileError::None) result = ErrorFromErrno(errno);
    // The target was created by this call (O_EXCL), so removing it loses nothing.
    if (result != FileError::None) ::unlink(to.c_str());
    return result;
}

FileError CopyFileReplacing(const std::string& from, const std::string& to,
                            const CopyOptions& options) {
    if (SameFile(from, to)) return FileError::Exists;
    struct stat named {};
    if (::lstat(to.c_str(), &named) == 0 && S_ISDIR(named.st_mode)) return FileError::Exists;
    UniqueFd in(OpenForReading(from));
    if (!in.ok()) return ErrorFromErrno(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return ErrorFromErrno(errno);
    if (!S_ISREG(st.st_mode)) return FileError::Other;

    ReplacingWriter out;
    ReplaceOptions replace;
    replace.metadataFrom = in.get();
    replace.keepModificationTime = true;
    // A copy puts a file at the name. Written through a link, it would land wherever the
    // link leads, which whoever may write the target's folder chooses.
    replace.replaceLink = true;
    if (const FileError r = out.Open(to, replace); r != FileError::None) return r;
    // The writer flushes to disk before the copy takes the target's name.
    CopyOptions plain = options;
    plain.sync = false;
    if (const FileError r = CopyBytes(in.get(), out.fd(), plain); r != FileError::None) {
        return r;
    }
    return out.Commit();
}

FileError RenameNoReplace(const std::string& from, const std::string& to) {
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return FileError::None;
    }
    if (errno != EINVAL && errno != ENOSYS) return ErrorFromErrno(errno);

    // The file system cannot refuse a replacement by itself.
    struct stat st {};
    if (::lstat(from.c_str(), &st) != 0) return ErrorFromErrno(errno);
    if (!S_ISDIR(st.st_mode)) {
        // A hard link fails when the name is taken, so nothing can be replaced.
        if (::link(from.c_str(), to.c_str()) == 0) {
            if (::unlink(from.c_str()) != 0) {
                const int error = errno;
                ::unlink(to.c_str());
                return ErrorFromErrno(error);
            }
            return FileError::None;
        }
        if (errno == EEXIST || errno == EXDEV || errno == ENOENT) return ErrorFromErrno(errno);
    }
    // Folders (and file systems without hard links): look first. rename() would replace
    // only an empty folder or, for a file, a file that appeared in between.
    if (PathExists(to)) return FileError::Exists;
    if (::rename(from.c_str(), to.c_str()) != 0) return ErrorFromErrno(errno);
    return FileError::None;
}

bool WriteAll(int fd, std::string_view data) {
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

FileError RemoveFile(const std::string& path) {
    if (::unlink(path.c_str()) != 0) return ErrorFromErrno(errno);
    return FileError::None;
}

bool ClearReadOnly(const std::string& path) {
    // A link has no mark of its own; the file it names is not ours to open up.
    struct stat named {};
    if (::lstat(path.c_str(), &named) != 0 || S_ISLNK(named.st_mode)) return false;
    // The change goes through a descriptor of the file itself: O_NOFOLLOW refuses a link
    // that took the name since it was looked at, and needs no /proc, as a chmod of a name
    // that must not be followed does. Only files and folders are opened; opening a device
    // may do something.
    if (S_ISREG(named.st_mode) || S_ISDIR(named.st_mode)) {
        UniqueFd fd(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
        if (fd.ok()) {
            struct stat st {};
            if (::fstat(fd.get(), &st) != 0) return false;
            // Another thing that took the name since it was looked at keeps its mode.
            if (st.st_dev != named.st_dev || st.st_ino != named.st_ino) return false;
            return ::fchmod(fd.get(), (st.st_mode & 07777) | S_IWUSR) == 0;
        }
        // A file its owner may not read can still have its mode changed by name.
        if (errno != EACCES && errno != EPERM) return false;
    }
    return ::fchmodat(AT_FDCWD, path.c_str(), (named.st_mode & 07777) | S_IWUSR,
                      AT_SYMLINK_NOFOLLOW) == 0;
}

FileError CreateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0777) != 0) return ErrorFromErrno(errno);
    return FileError::None;
}

FileError RemoveEmptyFolder(const std::string& path) {
    if (::rmdir(path.c_str()) != 0) return ErrorFromErrno(errno);
    return FileError::None;
}

FileError CopyBatch(const std::vector<CopyJob>& jobs, const CollisionNamer& renameOnCollision,
                    const std::function<bool(const CopyBatchProgress&)>& progress) {
    CopyBatchProgress state;
    state.fileCount = jobs.size();
    for (const CopyJob& job : jobs) state.bytesTotal += FileSizeOf(job.from).value_or(0);

    for (const CopyJob& job : jobs) {
        state.current = job.from;
        if (progress && !progress(state)) return FileError::Cancelled;
        const std::uint64_t before = state.bytesDone;
        CopyOptions options;
        options.progress = [&](std::uint64_t done) {
            state.bytesDone = before + done;
            return !progress || progress(state);
        };
        std::string target = job.to;
        FileError result = CopyFileNoReplace(job.from, target, options);
        // Another name is asked for while the one given is taken; a name that keeps
        // being taken (or a namer that gives none) ends the batch.
        for (int attempt = 0; result == FileError::Exists && renameOnCollision && attempt < 100;
             ++attempt) {
            const std::string folder = ParentOf(target);
            const std::string name = renameOnCollision(folder, NameOf(job.to));
            if (name.empty() || !IsPlainName(name)) break;
            target = folder + "/" + name;
            result = CopyFileNoReplace(job.from, target, options);
        }
        if (result != FileError::None) return result;
        state.bytesDone = before + FileSizeOf(target).value_or(0);
        ++state.fileIndex;
    }
    if (progress) progress(state);
    return FileError::None;
}

}  // namespace platform
