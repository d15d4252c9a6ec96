#include "studio/projects/Gallery.h"

#include <algorithm>

#include "platform/text/Ascii.h"
#include "studio/core/DataFolder.h"

namespace {

constexpr char kWorkingFolderName[] = "KVTTmp";

}  // namespace

Gallery::Gallery(Properties& properties_)
    : workingFolder(WorkingFolder::TemporaryFolder() + kWorkingFolderName + "/"),
      properties(properties_) {}

Gallery::~Gallery() {
    // Only a folder this gallery holds is emptied: a second gallery of the same process (the
    // one that writes the page script) or another studio may be working in the other one.
    if (folderLock_.IsHeld()) {
        folderLock_.DeleteFiles();
        folderLock_.DeleteFiles("data");
    }
}

void Gallery::Initialize(QWidget* parent) {
    parentWindow = parent;
    if (folderLock_.Claim(WorkingFolder::TemporaryFolder(), kWorkingFolderName)) {
        workingFolder = folderLock_.Path();
        folderLock_.DeleteFiles();
        folderLock_.MakeSubfolder("data");
        folderLock_.DeleteFiles("data");
    }
    // A folder that cannot be held stays unused: later writes report their own failures.
    templatesFolder = GetDataFolder() + GetTemplateSubfolder();
    changed = false;
}

std::string Gallery::GetExtraVariable(const std::string& /*name*/,
                                      const std::string& /*arguments*/) {
    return {};
}

void Gallery::SetTemplate(const std::string& name) {
    templateName = name;
    changed = true;
    generatedPages.clear();
}

void Gallery::SetTitle(const std::string& text) {
    title = text;
    changed = true;
}

void Gallery::SetWindowWidth(int width) {
    if (width == windowWidth) return;
    windowWidth = width;
    changed = true;
    if (!images.empty()) {
        for (AnimationPoint& point : images.front().points) point.size.x = width;
    }
}

void Gallery::SetWindowHeight(int height) {
    if (height == windowHeight) return;
    windowHeight = height;
    changed = true;
    if (!images.empty()) {
        for (AnimationPoint& point : images.front().points) point.size.y = height;
    }
}

GalleryImage* Gallery::GetImage(int n) {
    if (n < 1 || n > GetImageCount()) return nullptr;
    return &images[static_cast<std::size_t>(n - 1)];
}

const GalleryImage* Gallery::GetImage(int n) const {
    if (n < 1 || n > GetImageCount()) return nullptr;
    return &images[static_cast<std::size_t>(n - 1)];
}

std::string Gallery::FindGeneratedPage(const std::string& path) const {
    const auto found =
        std::find_if(generatedPages.begin(), generatedPages.end(),
                     [&](const std::string& page) { return platform::EqualsNoCase(page, path); });
    return found != generatedPages.end() ? *found : std::string();
}

// ---- Template variables

TemplateVariable& Gallery::GetVariable(const std::string& name) {
    TemplateVariable& variable = variables[name];
    if (variable.name.empty()) variable.SetName(name);
    return variable;
}

std::string Gallery::GetVariableText(const std::string& name) const {
    const auto it = variables.find(name);
    return it != variables.end() ? it->second.GetValueText() : std::string();
}

void Gallery::SetVariable(const TemplateVariable& variable) {
    variables[variable.name] = variable;
}

void Gallery::ClearVariables() {
    variables.clear();
    variableCursor = variables.end();
}

bool Gallery::FirstVariable() {
    variableCursor = variables.begin();
    while (variableCursor != variables.end() && variableCursor->second.varType == kVarNone) {
        ++variableCursor;
    }
    return variableCursor != variables.end();
}

bool Gallery::NextVariable() {
    if (variableCursor == variables.end()) return false;
    do {
        ++variableCursor;
    } while (variableCursor != variables.end() && variableCursor->second.varType == kVarNone);
    return variableCursor != variables.end();
}

TemplateVariable* Gallery::GetCurrentVariable() {
    return variableCursor != variables.end() ? &variableCursor->second : nullptr;
}
