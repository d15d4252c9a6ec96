#include "studio/projects/PageSave.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/prompts/Prompts.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageText.h"
#include "studio/projects/PageWriter.h"
#include "studio/projects/Vantelifier.h"

namespace {

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

// Writes a whole file through a temporary one beside it that then replaces the target, so
// that a failed write never leaves the user's page half written.
bool WriteFileReplacing(const std::string& path, std::string_view bytes) {
    const std::size_t slash = path.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::string temporary = folder + "." + name + ".XXXXXX";
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) return false;
    struct stat existing {};
    const mode_t mode = ::stat(path.c_str(), &existing) == 0 ? (existing.st_mode & 07777) : 0644;
    bool ok = ::fchmod(fd, mode) == 0;
    for (std::size_t done = 0; ok && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        ok = n > 0;
        if (ok) done += static_cast<std::size_t>(n);
    }
    ok = ::close(fd) == 0 && ok;
    ok = ok && std::rename(temporary.c_str(), path.c_str()) == 0;
    if (!ok) ::unlink(temporary.c_str());
    return ok;
}

}  // namespace

bool WritePage(const VantelifyPage& page, const std::string& path) {
    if (page.headOffset == VantelifyPage::kNoHead) {
        platform::ShowMessage(nullptr, "Missing <head> tag in document. Failed to Vantelify", "");
        return false;
    }
    return WriteFileReplacing(path, BuildPageText(page));
}

bool SavePage(const VantelifyPage& page, Vantelifier& project, PageScriptWriter& scriptWriter,
              const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string pageFolder = project.GetPageFolder();
    if (ToLowerAscii(folder) != ToLowerAscii(pageFolder)) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            nullptr,
            "The destination directory is not the same as the original html files.\n"
            "This will cause relative paths to fail if they are used on the page.\n"
            "It is reommended that you save the file in the same directory as the source "
            "file.\nDo you want to proceed and save?",
            "Saving", platform::MessageButtons::OkCancel);
        if (answer != platform::PromptAnswer::Ok) return false;
    }
    if (WritePage(page, path) && scriptWriter.WriteVanteloScript(folder)) {
        project.SetModified(false);
        project.SetScriptSaved(folder);
        return true;
    }
    platform::ShowMessage(nullptr, "Failed to save the vantelfied page", "Save error");
    return false;
}
