#include "studio/projects/Vantelifier.h"

#include "platform/files/FileOps.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Ascii.h"
#include "platform/text/Text.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageSave.h"
#include "studio/projects/PageText.h"

namespace {

constexpr const char* kScriptName = "vantelo.js";
constexpr const char* kBackupName = "vantelo.bak";

}  // namespace

Vantelifier::Vantelifier(PageNavigator& navigator, PageScriptWriter& scriptWriter,
                         const PidlPath& page)
    : navigator_(navigator), scriptWriter_(scriptWriter) {
    SetPage(page);
}

Vantelifier::~Vantelifier() {
    CleanUpPreviewFolder();
}

void Vantelifier::SetPage(const PidlPath& page) {
    page_ = page;
    changed_ = false;
}

std::string Vantelifier::GetPagePath() const {
    std::string path;
    if (page_.IsValid()) page_.GetPath(path);
    return path;
}

std::string Vantelifier::GetPageFolder() const {
    return FolderOf(GetPagePath());
}

std::string Vantelifier::GetPreviewPath() const {
    return previewFolder_.empty() ? GetPagePath() : previewFolder_ + previewName_;
}

bool Vantelifier::IsPageOrPreview(std::string_view address) const {
    const std::string page = GetPagePath();
    if (page.empty() || address.empty()) return false;
    const std::string lower = platform::ToLowerAscii(address);
    return lower == platform::ToLowerAscii(page) ||
           lower == platform::ToLowerAscii(GetPreviewPath());
}

void Vantelifier::SetScriptSaved(const std::string& folder) {
    savedScriptFolders_.insert(folder);
    if (folder == previewFolder_) keepScript_ = true;
}

void Vantelifier::CleanUpPreviewFolder() {
    if (!previewName_.empty()) platform::RemoveFile(previewFolder_ + previewName_);
    const bool saved = savedScriptFolders_.count(previewFolder_) > 0;
    if (!scriptName_.empty() && !keepScript_ && !saved)
        platform::RemoveFile(previewFolder_ + scriptName_);
    // The user's own script, moved aside for the project's, comes back unless a page saved
    // here now relies on the project's script.
    if (!backupName_.empty() && !saved) {
        platform::RenameNoReplace(previewFolder_ + backupName_, previewFolder_ + kScriptName);
    }
    previewName_.clear();
    scriptName_.clear();
    backupName_.clear();
    keepScript_ = true;
}

void Vantelifier::WritePreview(const VantelifyPage& page) {
    const std::string pageFolder = GetPageFolder();
    if (pageFolder.empty()) return;
    if (previewFolder_ != pageFolder) {
        CleanUpPreviewFolder();
        previewFolder_ = pageFolder;
        for (int n = 0;; ++n) {
            previewName_ = platform::FormatC("vtf%d.vtpreview", n);
            if (!platform::PathExists(previewFolder_ + previewName_)) break;
        }
    }
    if (!WritePage(page, previewFolder_ + previewName_)) return;

    bool writeScript = true;
    if (scriptName_.empty() && keepScript_ && platform::PathExists(previewFolder_ + kScriptName)) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            nullptr,
            "There already exists an vantelo.js. Do you want to use the existing vantelo.js "
            "file?",
            "Vantelify preview", platform::MessageButtons::YesNo);
        if (answer == platform::PromptAnswer::Yes) {
            writeScript = false;
        } else {
            // An older backup is kept: the new one takes the first free name beside it.
            std::string name = MakeUniqueName(previewFolder_, kBackupName);
            bool renameAll = false;
            bool overwriteAll = false;
            const int copied = CopyFileChecked(previewFolder_ + kScriptName, previewFolder_ + name,
                                               previewFolder_, name, renameAll, overwriteAll);
            if (copied == 1 || copied == 2) {
                backupName_ = name;
                platform::ShowMessage(nullptr,
                                      "The previous vantelo.js files as been backed up as " + name,
                                      "Vantelify preview");
            } else {
                // Without a backup the user's script is not overwritten.
                writeScript = false;
            }
        }
    }
    if (writeScript) {
        scriptName_ = kScriptName;
        if (scriptWriter_.WriteVanteloScript(previewFolder_)) {
            keepScript_ = savedScriptFolders_.count(previewFolder_) > 0;
        }
    }
    navigator_.Navigate(previewFolder_ + previewName_);
}
