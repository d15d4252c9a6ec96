#include "studio/projects/Vantelifier.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "studio/projects/PageChoices.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageSave.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using platform::MessageButtons;
using platform::PromptAnswer;
using testing_support::ReadFile;

struct FakeNavigator : PageNavigator {
    bool Navigate(const std::string& url) override {
        visited.push_back(url);
        return true;
    }
    std::vector<std::string> visited;
};

struct FakeScriptWriter : PageScriptWriter {
    bool WriteVanteloScript(const std::string& folder) override {
        folders.push_back(folder);
        if (fail) return false;
        std::ofstream(folder + "vantelo.js", std::ios::binary) << "ours";
        return true;
    }
    std::vector<std::string> folders;
    bool fail = false;
};

bool Exists(const std::string& path) {
    return std::filesystem::exists(path);
}

class VantelifierTest : public ::testing::Test {
protected:
    VantelifierTest() {
        pagePath = dir.Write("site/page.htm", "<head></head><body></body>");
        folder = dir.path() + "/site/";
        page.text = "<head></head><body></body>";
        page.headOffset = 6;
    }
    std::unique_ptr<Vantelifier> Open() {
        return std::make_unique<Vantelifier>(navigator, scripts, PidlPath(pagePath));
    }
    // Each message asked so far, as "caption: text".
    std::vector<std::string> Messages() const {
        std::vector<std::string> messages;
        for (const auto& call : prompts.calls())
            messages.push_back(call.caption + ": " + call.text);
        return messages;
    }

    testing_support::TempDir dir;
    testing_support::ScriptedPrompts prompts;
    FakeNavigator navigator;
    FakeScriptWriter scripts;
    std::string pagePath;
    std::string folder;
    VantelifyPage page;
};

TEST_F(VantelifierTest, PreviewsTakeTheLowestFreeNameAndKeepIt) {
    dir.Write("site/vtf0.vtpreview", "someone's");
    auto project = Open();
    project->WritePreview(page);
    page.text = "<head>changed";
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited, std::vector<std::string>(2, folder + "vtf1.vtpreview"));
    EXPECT_EQ(project->GetPreviewPath(), folder + "vtf1.vtpreview");
    EXPECT_TRUE(project->IsPageOrPreview(folder + "VTF1.vtpreview"));
    EXPECT_EQ(ReadFile(folder + "vtf1.vtpreview"),
              "<head><script src='vantelo.js'></script>changed");
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "ours");
    project.reset();
    EXPECT_FALSE(Exists(folder + "vtf1.vtpreview"));
    EXPECT_FALSE(Exists(folder + "vantelo.js"));
    EXPECT_EQ(ReadFile(folder + "vtf0.vtpreview"), "someone's");
    EXPECT_TRUE(Exists(pagePath));
}

TEST_F(VantelifierTest, AnExistingScriptIsUsedOrBackedUpAndPutBack) {
    const std::string ask =
        "Vantelify preview: There already exists an vantelo.js. Do you want to use the existing "
        "vantelo.js file?";
    dir.Write("site/vantelo.js", "mine");
    dir.Write("site/vantelo.bak", "older");
    auto project = Open();
    prompts.Answer(PromptAnswer::Yes);
    project->WritePreview(page);
    EXPECT_EQ(prompts.calls()[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(scripts.folders.empty());

    prompts.Answer(PromptAnswer::No);
    project->WritePreview(page);
    EXPECT_EQ(Messages(), (std::vector<std::string>{ask, ask,
                                                    "Vantelify preview: The previous vantelo.js "
                                                    "files as been backed up as vantelo_1.bak"}));
    EXPECT_EQ(ReadFile(folder + "vantelo_1.bak"), "mine");
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "ours");
    // The project's own script is written afresh without asking again.
    project->WritePreview(page);
    EXPECT_EQ(prompts.calls().size(), 3u);
    EXPECT_EQ(scripts.folders.size(), 2u);

    project.reset();
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "mine");
    EXPECT_EQ(ReadFile(folder + "vantelo.bak"), "older");
    EXPECT_FALSE(Exists(folder + "vantelo_1.bak"));
}

TEST_F(VantelifierTest, AScriptASaveWroteIsNeverDeleted) {
    auto project = Open();
    project->WritePreview(page);
    project->SetModified(true);
    page.text = "<head><body>new</body>";
    ASSERT_TRUE(SavePage(page, *project, scripts, pagePath));
    EXPECT_FALSE(project->IsModified());
    // A later preview writes the script again; it still belongs to the saved page.
    project->WritePreview(page);
    project.reset();
    EXPECT_TRUE(Exists(folder + "vantelo.js"));
    EXPECT_EQ(ReadFile(pagePath), "<head><script src='vantelo.js'></script><body>new</body>");
    // The page was replaced whole: nothing but it and its script is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 2);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(VantelifierTest, SavingIntoAnotherFolderAsksFirst) {
    auto project = Open();
    project->SetModified(true);
    const std::string other = dir.path() + "/other/";
    std::filesystem::create_directories(other);
    prompts.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(SavePage(page, *project, scripts, other + "out.htm"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].buttons, MessageButtons::OkCancel);
    EXPECT_TRUE(prompts.calls()[0].text.starts_with("The destination directory is not the same"));
    EXPECT_FALSE(Exists(other + "out.htm"));

    prompts.Answer(PromptAnswer::Ok);
    EXPECT_TRUE(SavePage(page, *project, scripts, other + "out.htm"));
    EXPECT_EQ(ReadFile(other + "vantelo.js"), "ours");
    EXPECT_FALSE(project->IsModified());
}

TEST_F(VantelifierTest, FailuresAreReported) {
    auto project = Open();
    project->SetModified(true);
    scripts.fail = true;
    EXPECT_FALSE(SavePage(page, *project, scripts, pagePath));
    EXPECT_TRUE(project->IsModified());
    // The page is not replaced by one that asks for a script that is not there.
    EXPECT_EQ(ReadFile(pagePath), "<head></head><body></body>");
    // A preview whose script cannot be written still shows the page.
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited.size(), 1u);

    // A page without a plain head tag is refused.
    page.headOffset = VantelifyPage::kNoHead;
    EXPECT_FALSE(WritePage(page, folder + "refused.htm"));
    EXPECT_FALSE(Exists(folder + "refused.htm"));
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited.size(), 1u);
    EXPECT_EQ(Messages(),
              (std::vector<std::string>{"Save error: Failed to save the vantelfied page",
                                        ": Missing <head> tag in document. Failed to Vantelify",
                                        ": Missing <head> tag in document. Failed to Vantelify"}));
}

TEST_F(VantelifierTest, MovingToAnotherFolderCleansUpTheFirst) {
    auto project = Open();
    project->WritePreview(page);
    const std::string otherPage = dir.Write("two/page.htm", "<head>");
    project->SetPage(PidlPath(otherPage));
    project->WritePreview(page);
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
    EXPECT_FALSE(Exists(folder + "vantelo.js"));
    EXPECT_TRUE(Exists(dir.path() + "/two/vtf0.vtpreview"));
}

TEST_F(VantelifierTest, PerPictureChoicesMarkTheProjectChanged) {
    auto project = Open();
    page.images.resize(2);
    SetZoomable(page, 0, true, *project);
    EXPECT_TRUE(project->IsModified());
    SetZoomable(page, 1, true, *project);
    SetZoomable(page, 7, true, *project);
    EXPECT_EQ(Messages(),
              std::vector<std::string>{"Warning: Vantelifing more than one image on a "
                                       "page will probably result in poor performance"});
    project->SetModified(false);
    EXPECT_FALSE(ChooseZoomSource(page, 0, folder + "notes.txt", *project));
    EXPECT_FALSE(project->IsModified());
    EXPECT_TRUE(ChooseZoomSource(page, 0, folder + "big/Photo.JPG", *project));
    EXPECT_EQ(page.images[0].zoomSource, "big/Photo.JPG");
    EXPECT_TRUE(project->IsModified());
    EXPECT_TRUE(ChoosePagePicture(page, 0, dir.path() + "/small.jpg", false, *project));
    EXPECT_EQ(page.images[0].pagePicture, "../small.jpg");
    EXPECT_EQ(navigator.visited.size(), 1u);
}

}  // namespace
