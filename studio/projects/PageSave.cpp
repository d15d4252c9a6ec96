#include "studio/projects/PageSave.h"

#include "platform/files/ReplacingWriter.h"
#include "platform/prompts/Prompts.h"
#include "platform/text/Ascii.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageText.h"
#include "studio/projects/PageWriter.h"
#include "studio/projects/Vantelifier.h"

bool WritePage(const VantelifyPage& page, const std::string& path) {
    if (page.headOffset == VantelifyPage::kNoHead) {
        platform::ShowMessage(nullptr, "Missing <head> tag in document. Failed to Vantelify", "");
        return false;
    }
    return platform::WriteFileReplacing(path, BuildPageText(page)) == platform::FileError::None;
}

bool SavePage(const VantelifyPage& page, Vantelifier& project, PageScriptWriter& scriptWriter,
              const std::string& path) {
    const std::string folder = FolderOf(path);
    const std::string pageFolder = project.GetPageFolder();
    if (platform::ToLowerAscii(folder) != platform::ToLowerAscii(pageFolder)) {
        const platform::PromptAnswer answer = platform::ShowMessage(
            nullptr,
            "The destination directory is not the same as the original html files.\n"
            "This will cause relative paths to fail if they are used on the page.\n"
            "It is reommended that you save the file in the same directory as the source "
            "file.\nDo you want to proceed and save?",
            "Saving", platform::MessageButtons::OkCancel);
        if (answer != platform::PromptAnswer::Ok) return false;
    }
    // The script goes first, so that a failed save never leaves the page (perhaps written
    // over the original) asking for a script that is not there. A page without a head is
    // refused by WritePage before anything is written.
    const bool saved = page.headOffset == VantelifyPage::kNoHead
                           ? WritePage(page, path)
                           : scriptWriter.WriteVanteloScript(folder) && WritePage(page, path);
    if (saved) {
        project.SetModified(false);
        project.SetScriptSaved(folder);
        return true;
    }
    platform::ShowMessage(nullptr, "Failed to save the vantelfied page", "Save error");
    return false;
}
