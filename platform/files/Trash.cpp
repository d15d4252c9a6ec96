#include "platform/files/Trash.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <optional>

#include "platform/files/PathText.h"
#include "platform/text/Text.h"

namespace platform {

namespace {

bool IsOwnRealFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid();
}

// Makes a private folder unless it is there; true when a folder of ours stands there.
bool EnsurePrivateFolder(const std::string& path) {
    if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    return IsOwnRealFolder(path);
}

bool EnsureFolderChain(const std::string& path) {
    if (IsOwnRealFolder(path)) return true;
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
    const std::string parent = ParentOf(path);
    if (parent != path && !EnsureFolderChain(parent)) return false;
    return ::mkdir(path.c_str(), 0700) == 0 || errno == EEXIST;
}

std::string DeletionDate() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    ::localtime_r(&now, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%S", &local);
    return text;
}

// The top folder of the mount that holds `path`: the highest folder above it on the same
// device.
std::string MountTopOf(const std::string& absolute) {
    std::string folder = ParentOf(absolute);
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0) return {};
    while (folder != "/") {
        const std::string up = ParentOf(folder);
        struct stat upSt {};
        if (::stat(up.c_str(), &upSt) != 0 || upSt.st_dev != st.st_dev) break;
        folder = up;
    }
    return folder;
}

// The path as the system resolves it, the last component kept as it is (a link goes to the
// trash, not what it points to). Resolving ".." by name instead would, after a link to a
// folder, name another file than the caller's.
std::optional<std::string> ResolvedPath(const std::string& path, int* error) {
    const std::string name = NameOf(path);
    const bool whole = name.empty() || name == "." || name == "..";
    const std::unique_ptr<char, void (*)(void*)> real(
        ::realpath(whole ? path.c_str() : ParentOf(path).c_str(), nullptr), std::free);
    if (real == nullptr) {
        *error = errno;
        return std::nullopt;
    }
    std::string out(real.get());
    if (!whole) out = (out == "/" ? "" : out) + "/" + name;
    return out;
}

}  // namespace

std::string HomeTrashDirectory() {
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && data[0] == '/') return std::string(data) + "/Trash";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.local/share/Trash";
}

std::string VolumeTrashDirectory(const std::string& topdir, bool create) {
    const std::string uid = FormatC("%u", static_cast<unsigned>(::getuid()));
    const std::string base = topdir == "/" ? "" : topdir;
    const std::string shared = base + "/.Trash";
    struct stat st {};
    // A shared trash counts only when it is a real folder with the sticky bit, so that
    // no other user can have prepared it to catch our files.
    if (::lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX) != 0) {
        const std::string mine = shared + "/" + uid;
        if (create ? EnsurePrivateFolder(mine) : IsOwnRealFolder(mine)) return mine;
    }
    const std::string own = base + "/.Trash-" + uid;
    if (create ? EnsurePrivateFolder(own) : IsOwnRealFolder(own)) return own;
    return {};
}

FileError MoveIntoTrash(const std::string& path, const std::string& trash,
                        const std::string& recordedPath, std::string* trashedAs) {
    const std::string files = trash + "/files";
    const std::string info = trash + "/info";
    if (!EnsurePrivateFolder(trash) || !EnsurePrivateFolder(files) || !EnsurePrivateFolder(info)) {
        return FileError::AccessDenied;
    }
    const std::string name = NameOf(path);
    const std::string record = "[Trash Info]\nPath=" + PercentEncodePath(recordedPath) +
                               "\nDeletionDate=" + DeletionDate() + "\n";
    for (int n = 1; n < 10000; ++n) {
        const std::string candidate = n == 1 ? name : name + FormatC(".%d", n);
        const std::string infoFile = info + "/" + candidate + ".trashinfo";
        // The info file, made exclusively, reserves the name in the trash.
        const int fd = ::open(infoFile.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return ErrorFromErrno(errno);
        }
        const bool written = WriteAll(fd, record);
        if (::close(fd) != 0 || !written) {
            ::unlink(infoFile.c_str());
            return FileError::Other;
        }
        const std::string target = files + "/" + candidate;
        const FileError moved = RenameNoReplace(path, target);
        if (moved == FileError::None) {
            if (trashedAs != nullptr) *trashedAs = target;
            return FileError::None;
        }
        ::unlink(infoFile.c_str());
        if (moved != FileError::Exists) return moved;
    }
    return FileError::Other;
}

FileError MoveToTrash(const std::string& path, std::string* trashedAs) {
    int error = 0;
    const auto resolved = ResolvedPath(path, &error);
    if (!resolved) return ErrorFromErrno(error);
    const std::string& absolute = *resolved;
    if (absolute == "/") return FileError::AccessDenied;
    struct stat item {};
    if (::lstat(absolute.c_str(), &item) != 0) return ErrorFromErrno(errno);

    // The home trash serves its own file system, whether or not it exists yet: the device
    // is that of the nearest folder that does.
    const std::string home = HomeTrashDirectory();
    std::string probe = home;
    struct stat homeSt {};
    while (::stat(probe.c_str(), &homeSt) != 0) {
        if (probe == "/" || probe == ".") return FileError::Other;
        probe = ParentOf(probe);
    }
    if (homeSt.st_dev == item.st_dev) {
        if (!EnsureFolderChain(ParentOf(home))) return FileError::AccessDenied;
        const FileError result = MoveIntoTrash(absolute, home, absolute, trashedAs);
        // A bind mount shares the device but not the rename: only then the mount's trash.
        if (result != FileError::CrossDevice) return result;
    }

    const std::string top = MountTopOf(absolute);
    if (top.empty()) return FileError::Other;
    const std::string trash = VolumeTrashDirectory(top, true);
    if (trash.empty()) return FileError::AccessDenied;
    const std::string relative = top == "/" ? absolute.substr(1) : absolute.substr(top.size() + 1);
    return MoveIntoTrash(absolute, trash, relative, trashedAs);
}

}  // namespace platform
