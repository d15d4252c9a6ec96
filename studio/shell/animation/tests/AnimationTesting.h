#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "studio/core/FileSelection.h"
#include "studio/shell/commands/CommandFactory.h"
#include "testing/DebugCapture.h"
#include "testing/FakeViewerPane.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

class Animation;
class FileView;
class InfoExtraSheet;
class VanteloView;

namespace animation_testing {

// Points the system's temporary folder (TMPDIR), where working folders are made, into a
// test's own folder while it lives.
class TemporaryFolderOverride {
public:
    explicit TemporaryFolderOverride(const std::string& folder);
    ~TemporaryFolderOverride();
    TemporaryFolderOverride(const TemporaryFolderOverride&) = delete;
    TemporaryFolderOverride& operator=(const TemporaryFolderOverride&) = delete;

private:
    std::optional<std::string> old_;
};

// The animation sheet and the studio's commands around a viewer pane with a fake browser,
// without the frame: the temporary folder (TMPDIR), the data folder of the source tree,
// scripted prompts. The browser's page holds a viewer unless a test says otherwise, and a
// finished load reaches the sheet as the info pane would pass it on.
class AnimationStudio {
public:
    AnimationStudio();
    ~AnimationStudio();
    AnimationStudio(const AnimationStudio&) = delete;
    AnimationStudio& operator=(const AnimationStudio&) = delete;

    // A small JPEG picture in the pictures folder; its path.
    std::string WritePicture(const std::string& name) const;
    // The file as the only selected item.
    void Select(const std::string& path);
    // A file list showing the pictures folder, loaded.
    FileView& ShowFileList();

    // New animation with the picture, its page shown and loaded.
    Animation& StartWith(const std::string& picture);
    // Adds points at these viewer positions (centre x; y 100, zoom 1) named A, B, C, ...
    void AddPoints(const std::vector<float>& xs);
    void FinishLoad();
    std::vector<std::string> PointNames() const;
    std::vector<std::string> RowTexts() const;
    // The javascript: navigations sent to the browser, in order.
    std::vector<std::string> ScriptNavigations() const;

    testing_support::TempDir temp;
    TemporaryFolderOverride tmp{temp.Path("tmp")};
    std::string pictures;  // with a trailing '/'
    testing_support::ScriptedPrompts prompts;
    testing_support::DebugCapture debug;
    FileSelection selection;
    CommandFactory factory;
    std::unique_ptr<VanteloView> viewer;
    testing_support::FakeBrowser* browser = nullptr;
    std::unique_ptr<InfoExtraSheet> sheet;
    std::unique_ptr<FileView> fileView;

private:
    CommandFactory* oldFactory_ = nullptr;
};

}  // namespace animation_testing
