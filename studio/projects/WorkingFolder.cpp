#include "studio/projects/WorkingFolder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "platform/text/Text.h"

namespace {

// Enough for every studio of one machine; a temporary folder filled beyond it is broken.
constexpr int kMaxNumberedNames = 1000;

}  // namespace

WorkingFolder::~WorkingFolder() {
    Release();
}

std::string WorkingFolder::TemporaryFolder() {
    std::error_code ec;
    std::string folder = std::filesystem::temp_directory_path(ec).string();
    if (ec || folder.empty()) folder = "/tmp";
    if (folder.back() != '/') folder += '/';
    return folder;
}

bool WorkingFolder::Claim(const std::string& parent, const std::string& name) {
    Release();
    std::string base = parent;
    if (!base.empty() && base.back() != '/') base += '/';
    base += name;
    for (int n = 0; n <= kMaxNumberedNames; ++n) {
        const std::string candidate = n == 0 ? base : base + platform::FormatC("_%d", n);
        if (TryClaim(candidate)) return true;
    }
    return false;
}

bool WorkingFolder::TryClaim(const std::string& path) {
    if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return false;
    // Never through a link: whoever placed it could point it at files to be emptied.
    const int fd = open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != geteuid() ||
        flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    // Others must not be able to place files in it between our listings and deletions.
    if ((st.st_mode & 077) != 0) fchmod(fd, 0700);
    fd_ = fd;
    path_ = path + "/";
    return true;
}

void WorkingFolder::Release() {
    if (fd_ >= 0) close(fd_);
    fd_ = -1;
    path_.clear();
}

bool WorkingFolder::MakeSubfolder(const std::string& name) const {
    if (fd_ < 0) return false;
    if (mkdirat(fd_, name.c_str(), 0700) == 0) return true;
    struct stat st {};
    return errno == EEXIST && fstatat(fd_, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 &&
           S_ISDIR(st.st_mode);
}

bool WorkingFolder::DeleteFiles(const std::string& subfolder) const {
    if (fd_ < 0) return false;
    // A descriptor of its own: a listing through a copy of fd_ would share its position.
    const int dirFd = openat(fd_, subfolder.empty() ? "." : subfolder.c_str(),
                             O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dirFd < 0) return false;
    DIR* dir = fdopendir(dirFd);
    if (dir == nullptr) {
        close(dirFd);
        return false;
    }
    // Names first, deletions after: a folder listing is not stable while it changes.
    std::vector<std::string> names;
    while (const dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        names.emplace_back(entry->d_name);
    }
    bool allGone = true;
    for (const std::string& name : names) {
        struct stat st {};
        if (fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISDIR(st.st_mode)) continue;
        if (unlinkat(dirFd, name.c_str(), 0) != 0 && errno != ENOENT) allGone = false;
    }
    closedir(dir);
    return allGone;
}
