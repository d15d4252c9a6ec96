#include "studio/shell/animation/tests/AnimationTesting.h"

#include <cstdlib>
#include <filesystem>

#include <QListWidget>

#include "studio/core/DataFolder.h"
#include "studio/projects/Animation.h"
#include "studio/shell/animation/InfoExtraSheet.h"
#include "studio/shell/commands/CommandIds.h"
#include "studio/shell/commands/OpenProjects.h"
#include "studio/shell/commands/StudioCommands.h"
#include "studio/shell/fileview/FileView.h"
#include "studio/shell/fileview/tests/FileViewTestSupport.h"
#include "studio/shell/viewer/VanteloView.h"
#include "testing/QtTestApp.h"
#include "testing/StudioEnvironment.h"

namespace animation_testing {

TemporaryFolderOverride::TemporaryFolderOverride(const std::string& folder) {
    if (const char* old = std::getenv("TMPDIR")) old_ = old;
    std::filesystem::create_directories(folder);
    setenv("TMPDIR", folder.c_str(), 1);
}

TemporaryFolderOverride::~TemporaryFolderOverride() {
    if (old_) {
        setenv("TMPDIR", old_->c_str(), 1);
    } else {
        unsetenv("TMPDIR");
    }
}

AnimationStudio::AnimationStudio() {
    testing_support::StudioEnvironment::Get();
    testing_support::TestApplication();
    pictures = temp.Path("pictures") + "/";
    std::filesystem::create_directories(pictures);
    SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);

    ViewerPaneControls controls;
    controls.makeViewer = [](QWidget* parent) {
        return std::make_unique<testing_support::FakeViewerControl>(parent);
    };
    controls.makeBrowser = [this](QWidget* parent) {
        auto made = std::make_unique<testing_support::FakeBrowser>(parent);
        browser = made.get();
        return made;
    };
    viewer = std::make_unique<VanteloView>(controls);
    viewer->resize(500, 400);
    browser->hasViewer = true;
    browser->viewer = {320, 200, 0, 0, 1};
    sheet = std::make_unique<InfoExtraSheet>();
    sheet->SetViewerView(viewer.get());
    viewer->SetPageLoadedHandler([this] { sheet->OnPageLoaded(); });

    RegisterStudioCommands(factory);
    factory.SetViews(nullptr, nullptr, nullptr, nullptr, viewer.get(), &selection);
    factory.SetSheets(nullptr, sheet.get(), nullptr, nullptr);
    oldFactory_ = SetCommandFactory(&factory);
}

AnimationStudio::~AnimationStudio() {
    SetCurrentAnimation(nullptr);
    SetCommandFactory(oldFactory_);
    fileView.reset();
    sheet.reset();
    viewer.reset();
    SetDataFolder("");
}

std::string AnimationStudio::WritePicture(const std::string& name) const {
    const std::string path = pictures + name;
    ::WritePicture(path, QColor(40, 90, 160));
    return path;
}

void AnimationStudio::Select(const std::string& path) {
    const std::filesystem::path file(path);
    selection.SetFromNames(file.parent_path().string() + "/", {file.filename().string()});
}

FileView& AnimationStudio::ShowFileList() {
    fileView = std::make_unique<FileView>();
    fileView->SetSelection(&selection);
    fileView->SetFolder(PidlPath(pictures));
    WaitLoaded(*fileView);
    factory.SetViews(nullptr, nullptr, fileView.get(), nullptr, viewer.get(), &selection);
    return *fileView;
}

Animation& AnimationStudio::StartWith(const std::string& picture) {
    Select(picture);
    ExecuteCommand(kAnimationLoadImage);
    sheet->show();
    // The page shown before holds a viewer too (as another animation's page does), standing
    // at its start: it is no place of this animation's to keep.
    browser->viewer = {320, 200, 0, 0, 1};
    sheet->Update();
    FinishLoad();
    return *CurrentAnimation();
}

void AnimationStudio::AddPoints(const std::vector<float>& xs) {
    Animation* animation = CurrentAnimation();
    for (const float x : xs) {
        browser->viewer.posX = x - 160;
        ExecuteCommand(kAnimationPosAdd);
        animation->GetPoint(animation->GetPointCount() - 1)->name =
            std::string(1, static_cast<char>('A' + animation->GetPointCount() - 1));
    }
    sheet->Update();
    FinishLoad();
}

void AnimationStudio::FinishLoad() {
    browser->FinishLoad();
}

std::vector<std::string> AnimationStudio::PointNames() const {
    std::vector<std::string> names;
    Animation* animation = CurrentAnimation();
    for (int i = 0; animation != nullptr && i < animation->GetPointCount(); ++i) {
        names.push_back(animation->GetPoint(i)->name);
    }
    return names;
}

std::vector<std::string> AnimationStudio::RowTexts() const {
    std::vector<std::string> texts;
    const auto* list = sheet->findChild<QListWidget*>("1050");
    for (int row = 0; row < list->count(); ++row) {
        texts.push_back(list->item(row)->text().toStdString());
    }
    return texts;
}

std::vector<std::string> AnimationStudio::ScriptNavigations() const {
    std::vector<std::string> found;
    for (const std::string& url : browser->navigations) {
        if (url.rfind("javascript:", 0) == 0) found.push_back(url);
    }
    return found;
}

}  // namespace animation_testing
