#include "imaging/Jpeg_internal.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "platform/debug/Debug.h"

namespace jpeg_internal {
namespace {

[[noreturn]] void ErrorExit(j_common_ptr cinfo) {
    // pub is the first member of ErrorManager, so the library's pointer is ours.
    auto* errors = reinterpret_cast<ErrorManager*>(cinfo->err);
    std::longjmp(errors->jump, 1);
}

void OutputMessage(j_common_ptr cinfo) {
    char line[JMSG_LENGTH_MAX + 1];
    (*cinfo->err->format_message)(cinfo, line);
    const std::size_t length = std::strlen(line);
    line[length] = '\n';
    // Called from inside the library: nothing may be thrown back through its frames.
    try {
        platform::DebugOutput(std::string_view(line, length + 1));
    } catch (...) {
    }
}

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

jpeg_error_mgr* InstallErrorManager(ErrorManager& errors) {
    jpeg_std_error(&errors.pub);
    errors.pub.error_exit = ErrorExit;
    errors.pub.output_message = OutputMessage;
    return &errors.pub;
}

ReplacingFile::~ReplacingFile() {
    Abort();
}

bool ReplacingFile::Open(const std::string& path) {
    Abort();
    target_ = path;
    replacing_ = false;
    struct stat original {};
    if (::stat(path.c_str(), &original) == 0) {
        if (!S_ISREG(original.st_mode)) return false;
        // Through a symbolic link the file it names is replaced, not the link.
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved) == nullptr) return false;
        target_ = resolved;
        replacing_ = true;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::size_t slash = target_.rfind('/');
    const std::string folder =
        slash == std::string::npos ? std::string(".") : target_.substr(0, slash);
    const std::string base = slash == std::string::npos ? target_ : target_.substr(slash + 1);
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary_ = folder + "/." + base + "." + std::to_string(::getpid()) + "." +
                     std::to_string(temporaryCounter.fetch_add(1)) + ".tmp";
        fd = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) {
        temporary_.clear();
        return false;
    }
    if (replacing_) {
        // Ownership can only be carried over by a privileged process; the bits always.
        if (original.st_uid != ::geteuid() || original.st_gid != ::getegid()) {
            [[maybe_unused]] const int ignored = ::fchown(fd, original.st_uid, original.st_gid);
        }
        if (::fchmod(fd, original.st_mode & 07777) != 0) {
            ::close(fd);
            ::unlink(temporary_.c_str());
            temporary_.clear();
            return false;
        }
    }
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return false;
    }
    return true;
}

bool ReplacingFile::Write(const void* data, std::size_t size) {
    return file_ != nullptr && (size == 0 || std::fwrite(data, 1, size, file_) == size);
}

bool ReplacingFile::Commit() {
    if (file_ == nullptr) return false;
    bool ok = std::fflush(file_) == 0 && std::ferror(file_) == 0;
    // A replaced file must be on disk before the rename makes it the only copy.
    if (ok && replacing_) ok = ::fsync(::fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok) {
        if (replacing_) {
            ok = ::rename(temporary_.c_str(), target_.c_str()) == 0;
        } else {
            // A file that appeared meanwhile is not ours to replace.
            ok = ::renameat2(AT_FDCWD, temporary_.c_str(), AT_FDCWD, target_.c_str(),
                             RENAME_NOREPLACE) == 0;
            if (!ok && (errno == EINVAL || errno == ENOSYS)) {
                ok = ::link(temporary_.c_str(), target_.c_str()) == 0;
                if (ok) ::unlink(temporary_.c_str());
            }
        }
    }
    if (!ok) ::unlink(temporary_.c_str());
    temporary_.clear();
    return ok;
}

void ReplacingFile::Abort() {
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    if (!temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}

}  // namespace jpeg_internal
