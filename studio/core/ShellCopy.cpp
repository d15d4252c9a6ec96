// Copying and moving files and folders for the studio's paste, drops, gallery and page
// conversion: collisions are answered by the user, and nothing is ever copied over its own
// source or deleted before its copy is complete.
#include <mutex>
#include <set>

#include "platform/debug/Debug.h"
#include "platform/files/FileOps.h"
#include "platform/files/Hidden.h"
#include "platform/files/Listing.h"
#include "platform/files/PathText.h"
#include "platform/prompts/Prompts.h"
#include "studio/core/ClipBoard.h"
#include "studio/core/ShellUtils.h"

namespace {

using platform::FileError;

std::mutex gHooksMutex;
RenameQuestion gRenameQuestion;
CopyProgressFactory gProgressFactory;

constexpr const char* kCopyCaption = "Error copying file";

RenameChoice AskRename(const std::string& existing, const std::string& proposed) {
    RenameQuestion question;
    {
        std::lock_guard<std::mutex> lock(gHooksMutex);
        question = gRenameQuestion;
    }
    return question ? question(existing, proposed) : RenameChoice{};
}

std::unique_ptr<CopyProgressView> MakeProgress(QWidget* owner) {
    CopyProgressFactory factory;
    {
        std::lock_guard<std::mutex> lock(gHooksMutex);
        factory = gProgressFactory;
    }
    return factory ? factory(owner, "Copying files...") : nullptr;
}

int ReportCopyError(FileError error, const std::string& target) {
    switch (error) {
        case FileError::AccessDenied:
            platform::ShowMessage(nullptr, "Access denied\nError copying file to " + target + ".",
                                  kCopyCaption);
            return kCopyCancelled;
        case FileError::WriteProtected:
            platform::ShowMessage(
                nullptr, "Target is write protected\nError copying file to " + target + ".",
                kCopyCaption);
            return kCopyFailed;
        default:
            platform::ShowMessage(nullptr, target, kCopyCaption);
            return kCopyFailed;
    }
}

int CopyChecked(const std::string& source, const std::string& target,
                const std::string& targetFolder, std::string& name, bool& renameAll,
                bool& overwriteAll, bool forMove) {
    const std::string folder = platform::WithTrailingSlash(targetFolder);
    platform::CopyOptions options;
    options.sync = forMove;  // a move deletes its source next: the copy must be on disk
    std::string to = target;
    // Every turn is an answer of the user or a name that was free a moment ago.
    for (int turn = 0; turn < 1000; ++turn) {
        FileError error = platform::CopyFileNoReplace(source, to, options);
        if (error == FileError::None) return kCopied;
        if (error != FileError::Exists) return ReportCopyError(error, to);

        RenameChoice::Kind action = RenameChoice::Cancel;
        if (renameAll) {
            action = RenameChoice::AutoRename;
        } else if (overwriteAll) {
            action = RenameChoice::Overwrite;
        } else {
            const RenameChoice choice = AskRename(name, MakeUniqueName(folder, name));
            action = choice.kind;
            if (action == RenameChoice::Cancel) return kCopyCancelled;
            if (action == RenameChoice::AutoRename && choice.all) renameAll = true;
            if (action == RenameChoice::Overwrite && choice.all) overwriteAll = true;
            if (action == RenameChoice::UseName) {
                // A name that would leave the folder is asked for again.
                if (platform::IsPlainName(choice.name)) {
                    name = choice.name;
                    to = folder + name;
                }
                continue;
            }
        }
        if (action == RenameChoice::AutoRename) {
            name = MakeUniqueName(folder, name);
            to = folder + name;
            continue;
        }
        // Overwriting a file with itself: it already holds what the copy would write.
        if (platform::SameFile(source, to)) return kCopied;
        error = platform::CopyFileReplacing(source, to, options);
        if (error == FileError::None) return kCopiedOver;
        return ReportCopyError(error, to);
    }
    return kCopyFailed;
}

// Deletes the source of a move once its copy is there in full.
void RemoveMovedSource(const std::string& source, const std::string& copy) {
    if (platform::SameFile(source, copy)) return;  // moved onto itself
    const auto sourceSize = platform::FileSizeOf(source);
    const auto copySize = platform::FileSizeOf(copy);
    if (!sourceSize || !copySize || *sourceSize != *copySize) {
        platform::DebugOutput("The copy of " + source + " is incomplete; the source stays\n");
        return;
    }
    if (platform::RemoveFile(source) == FileError::None) return;
    platform::ClearReadOnly(source);
    if (platform::RemoveFile(source) != FileError::None) {
        platform::DebugOutput("Cannot delete the moved file " + source + "\n");
    }
}

// A hidden animation file beside the picture, which travels with it.
std::string HiddenAnimationOf(const std::string& picture) {
    const std::string companion = CompanionPath(picture, ".vte");
    if (companion.empty() || !platform::PathExists(companion)) return {};
    return platform::IsHidden(companion) ? companion : std::string();
}

bool IsSameFolder(const std::string& a, const std::string& b) {
    return platform::AbsolutePath(a) == platform::AbsolutePath(b) || platform::SameFile(a, b);
}

// Whether `inner` lies inside `outer`, by name or, for the part of it that exists, by
// identity (so a link or another spelling of the folder counts too).
bool IsInside(const std::string& inner, const std::string& outer) {
    const std::string in = platform::AbsolutePath(inner);
    const std::string out = platform::AbsolutePath(outer);
    if (in.size() > out.size() && in.compare(0, out.size(), out) == 0 &&
        (out == "/" || in[out.size()] == '/')) {
        return true;
    }
    for (std::string up = in; up != "/";) {
        if (platform::PathExists(up) && platform::SameFile(up, out)) return true;
        up = platform::ParentOf(up);
    }
    return false;
}

bool EnsureFolderChain(const std::string& folder) {
    if (platform::IsDirectory(folder)) return true;
    const std::string parent = platform::ParentOf(folder);
    if (parent != folder && !EnsureFolderChain(parent)) return false;
    const FileError error = platform::CreateFolder(folder);
    return error == FileError::None ||
           (error == FileError::Exists && platform::IsDirectory(folder));
}

bool RunCopyBatch(QWidget* owner, const std::vector<platform::CopyJob>& jobs) {
    const auto view = MakeProgress(owner);
    const FileError error =
        platform::CopyBatch(jobs, MakeUniqueName, [&](const platform::CopyBatchProgress& p) {
            return !view || view->Update(p.bytesDone, p.bytesTotal, p.current);
        });
    if (error != FileError::None && error != FileError::Cancelled) {
        platform::DebugOutput("Copying files failed\n");
    }
    return error == FileError::None;
}

}  // namespace

RenameQuestion SetRenameQuestion(RenameQuestion question) {
    std::lock_guard<std::mutex> lock(gHooksMutex);
    std::swap(question, gRenameQuestion);
    return question;
}

CopyProgressFactory SetCopyProgressFactory(CopyProgressFactory factory) {
    std::lock_guard<std::mutex> lock(gHooksMutex);
    std::swap(factory, gProgressFactory);
    return factory;
}

bool CopyFileWithProgress(QWidget* owner, const std::string& from, const std::string& to) {
    return RunCopyBatch(owner, {{from, to}});
}

bool CopyFilesWithProgress(const std::string& fromFolder, const std::string& toFolder) {
    const std::vector<std::string> files = ListFiles(fromFolder, "*.*", false);
    if (files.empty()) return true;
    if (!EnsureFolderChain(platform::AbsolutePath(toFolder))) return false;
    std::vector<platform::CopyJob> jobs;
    for (const std::string& file : files) {
        jobs.push_back({file, platform::WithTrailingSlash(toFolder) + platform::NameOf(file)});
    }
    return RunCopyBatch(nullptr, jobs);
}

int CopyFileChecked(const std::string& source, const std::string& target,
                    const std::string& targetFolder, std::string& name, bool& renameAll,
                    bool& overwriteAll) {
    return CopyChecked(source, target, targetFolder, name, renameAll, overwriteAll, false);
}

int CopyOrMoveFile(const std::string& source, const std::string& target,
                   const std::string& targetFolder, std::string& name, bool& renameAll,
                   bool& overwriteAll) {
    const bool move = CopyMode() == 1;
    const std::string animation = HiddenAnimationOf(source);
    const int result =
        CopyChecked(source, target, targetFolder, name, renameAll, overwriteAll, move);
    // The animation goes only where its picture went.
    if (result != kCopied && result != kCopiedOver) return result;
    const std::string folder = platform::WithTrailingSlash(targetFolder);
    const std::string placed = folder + name;
    if (move) RemoveMovedSource(source, placed);

    if (!animation.empty()) {
        std::string animationName = platform::NameOf(CompanionPath(placed, ".vte"));
        if (!animationName.empty()) {
            const int copied = CopyChecked(animation, folder + animationName, folder, animationName,
                                           renameAll, overwriteAll, move);
            if (move && (copied == kCopied || copied == kCopiedOver)) {
                RemoveMovedSource(animation, folder + animationName);
            }
        }
    }
    return result;
}

int CopyFolder(const std::string& source, const std::string& target, bool& renameAll,
               bool& overwriteAll) {
    const std::string from = platform::WithTrailingSlash(source);
    std::string to = platform::WithTrailingSlash(target);
    if (IsSameFolder(from, to)) {
        const std::string base = platform::WithTrailingSlash(platform::ParentOf(from)) +
                                 "Copy of " + platform::NameOf(from);
        std::string candidate = base;
        for (int n = 1; platform::PathExists(candidate); ++n) {
            if (n > 99) {
                platform::ShowMessage(nullptr, "To many directories with similar names",
                                      "Copy dir error");
                return kCopyCancelled;
            }
            candidate = base + std::to_string(n);
        }
        to = candidate + "/";
    } else if (IsInside(to, from)) {
        // A folder copied into itself would copy its own copy without end.
        platform::DebugOutput("Cannot copy " + from + " into itself\n");
        return kCopyFailed;
    }

    bool readable = false;
    const auto entries = platform::ListDirectory(from, "*", &readable);
    if (!readable) return kCopyFailed;
    const FileError made = platform::CreateFolder(to);
    if (made != FileError::None && !(made == FileError::Exists && platform::IsDirectory(to))) {
        return ReportCopyError(made, to);
    }

    // Animation files that go along with their pictures are not copied on their own.
    std::set<std::string> carried;
    for (const auto& entry : entries) {
        if (entry.kind != platform::DirEntry::Kind::File || IsAnimationFile(entry.name)) continue;
        const std::string animation = HiddenAnimationOf(from + entry.name);
        if (!animation.empty()) carried.insert(platform::NameOf(animation));
    }

    const bool move = CopyMode() == 1;
    int result = entries.empty() ? kCopied : kCopyFailed;
    // One entry that failed fails the folder, whatever the entries after it do.
    bool failed = false;
    for (const auto& entry : entries) {
        if (carried.count(entry.name) != 0) continue;
        if (entry.kind == platform::DirEntry::Kind::Folder) {
            if (entry.symlink) {
                platform::DebugOutput("Linked folder " + from + entry.name + " not followed\n");
                continue;
            }
            result =
                CopyFolder(from + entry.name + "/", to + entry.name + "/", renameAll, overwriteAll);
        } else if (entry.kind == platform::DirEntry::Kind::File) {
            std::string name = entry.name;
            result = CopyOrMoveFile(from + entry.name, to + entry.name, to, name, renameAll,
                                    overwriteAll);
        } else {
            platform::DebugOutput("SystemFile should not be here!\n");
            continue;
        }
        if (result == kCopyCancelled) break;
        failed = failed || result == kCopyFailed;
    }
    if (failed && result != kCopyCancelled) result = kCopyFailed;
    if (move && (result == kCopied || result == kCopiedOver)) {
        // Only an emptied folder goes; whatever could not be moved keeps it.
        platform::RemoveEmptyFolder(from);
    }
    return result;
}

int CopyMode() {
    return TheClipBoard().GetMode();
}
