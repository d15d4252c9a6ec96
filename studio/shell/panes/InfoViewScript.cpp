#include <fstream>
#include <iterator>

#include <QTemporaryDir>

#include "platform/files/ReplacingWriter.h"
#include "platform/prompts/Prompts.h"
#include "studio/projects/Gallery.h"
#include "studio/shell/DataFile.h"
#include "studio/shell/panes/InfoView.h"

namespace {

constexpr char kScriptName[] = "vantelo.js";

bool ReadWhole(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

}  // namespace

bool InfoView::WriteVanteloScript(const std::string& folder) {
    const std::string source = FindDataFile("AppData/vantelo.js");
    // The expansion goes to a private folder first: the gallery reports a failed write but
    // does not say so to its caller, and a page must never be saved without its script.
    QTemporaryDir scratch;
    if (!scratch.isValid()) return false;
    const std::string scratchFolder = scratch.path().toStdString() + "/";
    std::string text;
    {
        // Never initialised: it must not take or empty a gallery's working folder.
        Gallery expander;
        if (expander.GenerateFromTemplate(source, scratchFolder, kScriptName).empty()) {
            return false;
        }
    }
    if (!ReadWhole(scratchFolder + kScriptName, text)) return false;
    if (platform::WriteFileReplacing(folder + kScriptName, text) != platform::FileError::None) {
        platform::ShowMessage(parentWidget(), "Failed to write generated file", "Error");
        return false;
    }
    return true;
}
