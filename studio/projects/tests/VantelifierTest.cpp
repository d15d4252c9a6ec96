#include "studio/projects/Vantelifier.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "studio/projects/PageChoices.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageSave.h"
#include "studio/projects/PageText.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using platform::MessageButtons;
using platform::PromptAnswer;
using testing_support::ReadFile;

constexpr const char* kAskScript =
    "There already exists an vantelo.js. Do you want to use the existing vantelo.js file?";

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

    std::unique_ptr<Vantelifier> Open(const std::string& path) {
        return std::make_unique<Vantelifier>(navigator, scripts, PidlPath(path));
    }

    testing_support::TempDir dir;
    testing_support::ScriptedPrompts prompts;
    FakeNavigator navigator;
    FakeScriptWriter scripts;
    std::string pagePath;
    std::string folder;
    VantelifyPage page;
};

TEST_F(VantelifierTest, NamesAndComparesThePageAndItsPreview) {
    auto project = Open(pagePath);
    EXPECT_EQ(project->GetPagePath(), pagePath);
    EXPECT_EQ(project->GetPageFolder(), folder);
    EXPECT_EQ(project->GetPreviewPath(), pagePath);
    EXPECT_TRUE(project->IsPageOrPreview(ToLowerAscii(pagePath)));
    EXPECT_FALSE(project->IsPageOrPreview(""));
    EXPECT_FALSE(project->IsModified());

    project->WritePreview(page);
    EXPECT_EQ(project->GetPreviewPath(), folder + "vtf0.vtpreview");
    EXPECT_TRUE(project->IsPageOrPreview(folder + "VTF0.vtpreview"));

    const auto none = Open(dir.Path("site/missing.htm"));
    EXPECT_EQ(none->GetPagePath(), "");
    EXPECT_FALSE(none->IsPageOrPreview(""));
    none->WritePreview(page);
    EXPECT_EQ(navigator.visited.size(), 1u);
}

TEST_F(VantelifierTest, PreviewsTakeTheLowestFreeNameAndKeepIt) {
    auto project = Open(pagePath);
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited, std::vector<std::string>{folder + "vtf0.vtpreview"});
    EXPECT_EQ(ReadFile(folder + "vtf0.vtpreview"),
              "<head><script src='vantelo.js'></script></head><body></body>");
    EXPECT_EQ(scripts.folders, std::vector<std::string>{folder});
    project.reset();
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
    EXPECT_FALSE(Exists(folder + "vantelo.js"));
    EXPECT_TRUE(Exists(pagePath));

    // A preview file that is not the project's own keeps its name and its content.
    dir.Write("site/vtf0.vtpreview", "someone's");
    project = Open(pagePath);
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited.back(), folder + "vtf1.vtpreview");
    page.text = "<head>changed";
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited.back(), folder + "vtf1.vtpreview");
    EXPECT_EQ(ReadFile(folder + "vtf1.vtpreview"),
              "<head><script src='vantelo.js'></script>changed");
    project.reset();
    EXPECT_FALSE(Exists(folder + "vtf1.vtpreview"));
    EXPECT_EQ(ReadFile(folder + "vtf0.vtpreview"), "someone's");
}

TEST_F(VantelifierTest, AnExistingScriptCanBeUsedAsItIs) {
    dir.Write("site/vantelo.js", "mine");
    auto project = Open(pagePath);
    prompts.Answer(PromptAnswer::Yes);
    project->WritePreview(page);
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, kAskScript);
    EXPECT_EQ(prompts.calls()[0].caption, "Vantelify preview");
    EXPECT_EQ(prompts.calls()[0].buttons, MessageButtons::YesNo);
    EXPECT_TRUE(scripts.folders.empty());
    EXPECT_EQ(navigator.visited.size(), 1u);

    // Asked again on the next preview, and the script is never touched.
    prompts.Answer(PromptAnswer::Yes);
    project->WritePreview(page);
    EXPECT_EQ(prompts.calls().size(), 2u);
    project.reset();
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "mine");
    EXPECT_FALSE(Exists(folder + "vantelo.bak"));
}

TEST_F(VantelifierTest, AReplacedScriptIsBackedUpAndPutBackOnClose) {
    dir.Write("site/vantelo.js", "mine");
    auto project = Open(pagePath);
    prompts.Answer(PromptAnswer::No);
    project->WritePreview(page);
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text,
              "The previous vantelo.js files as been backed up as vantelo.bak");
    EXPECT_EQ(prompts.calls()[1].caption, "Vantelify preview");
    EXPECT_EQ(ReadFile(folder + "vantelo.bak"), "mine");
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "ours");

    // The project's own script is written afresh without asking again.
    project->WritePreview(page);
    EXPECT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(scripts.folders.size(), 2u);

    project.reset();
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "mine");
    EXPECT_FALSE(Exists(folder + "vantelo.bak"));
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
}

TEST_F(VantelifierTest, AnOlderBackupIsKept) {
    dir.Write("site/vantelo.js", "mine");
    dir.Write("site/vantelo.bak", "older");
    auto project = Open(pagePath);
    prompts.Answer(PromptAnswer::No);
    project->WritePreview(page);
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text,
              "The previous vantelo.js files as been backed up as vantelo_1.bak");
    EXPECT_EQ(ReadFile(folder + "vantelo_1.bak"), "mine");
    project.reset();
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "mine");
    EXPECT_EQ(ReadFile(folder + "vantelo.bak"), "older");
    EXPECT_FALSE(Exists(folder + "vantelo_1.bak"));
}

TEST_F(VantelifierTest, AScriptASaveWroteIsNeverDeleted) {
    auto project = Open(pagePath);
    project->WritePreview(page);
    EXPECT_EQ(ReadFile(folder + "vantelo.js"), "ours");
    project->SetModified(true);
    ASSERT_TRUE(SavePage(page, *project, scripts, folder + "out.htm"));
    EXPECT_FALSE(project->IsModified());
    EXPECT_TRUE(prompts.calls().empty());
    // A later preview writes the script again; it still belongs to the saved page.
    project->WritePreview(page);
    project.reset();
    EXPECT_TRUE(Exists(folder + "vantelo.js"));
    EXPECT_TRUE(Exists(folder + "out.htm"));
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
}

TEST_F(VantelifierTest, SavingIntoAnotherFolderAsksFirst) {
    auto project = Open(pagePath);
    project->SetModified(true);
    const std::string other = dir.path() + "/other/";
    std::filesystem::create_directories(other);

    prompts.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(SavePage(page, *project, scripts, other + "out.htm"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].caption, "Saving");
    EXPECT_EQ(prompts.calls()[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(prompts.calls()[0].text.rfind("The destination directory is not the same", 0), 0u);
    EXPECT_FALSE(Exists(other + "out.htm"));
    EXPECT_TRUE(project->IsModified());

    prompts.Answer(PromptAnswer::Ok);
    EXPECT_TRUE(SavePage(page, *project, scripts, other + "out.htm"));
    EXPECT_TRUE(Exists(other + "out.htm"));
    EXPECT_EQ(ReadFile(other + "vantelo.js"), "ours");
    EXPECT_FALSE(project->IsModified());
}

TEST_F(VantelifierTest, FailuresAreReported) {
    auto project = Open(pagePath);
    project->SetModified(true);
    scripts.fail = true;
    EXPECT_FALSE(SavePage(page, *project, scripts, folder + "out.htm"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to save the vantelfied page");
    EXPECT_EQ(prompts.calls()[0].caption, "Save error");
    EXPECT_TRUE(project->IsModified());

    // An unwritable target fails silently in the writer; the save reports it.
    EXPECT_FALSE(WritePage(page, folder + "no/such/folder/out.htm"));
    EXPECT_EQ(prompts.calls().size(), 1u);

    // A preview whose script cannot be written still shows the page and deletes nothing.
    project->WritePreview(page);
    EXPECT_EQ(navigator.visited.size(), 1u);
}

TEST_F(VantelifierTest, APageWithoutAPlainHeadTagIsRefused) {
    page.text = "<html><head lang=en></head><body><img src=a.jpg></body></html>";
    page.headOffset = VantelifyPage::kNoHead;
    auto project = Open(pagePath);
    EXPECT_FALSE(WritePage(page, folder + "out.htm"));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Missing <head> tag in document. Failed to Vantelify");
    EXPECT_EQ(prompts.calls()[0].caption, "");
    EXPECT_FALSE(Exists(folder + "out.htm"));

    project->WritePreview(page);
    EXPECT_EQ(prompts.calls().size(), 2u);
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
    EXPECT_TRUE(scripts.folders.empty());
    EXPECT_TRUE(navigator.visited.empty());
}

TEST_F(VantelifierTest, SavingOverThePageReplacesItWhole) {
    auto project = Open(pagePath);
    page.text = "<head><body>new</body>";
    ASSERT_TRUE(SavePage(page, *project, scripts, pagePath));
    EXPECT_EQ(ReadFile(pagePath), "<head><script src='vantelo.js'></script><body>new</body>");
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        EXPECT_EQ(entry.path().filename().string().find(".page.htm."), std::string::npos);
    }
}

TEST_F(VantelifierTest, MovingToAnotherFolderCleansUpTheFirst) {
    auto project = Open(pagePath);
    project->WritePreview(page);
    const std::string otherPage = dir.Write("two/page.htm", "<head>");
    project->SetPage(PidlPath(otherPage));
    project->WritePreview(page);
    EXPECT_FALSE(Exists(folder + "vtf0.vtpreview"));
    EXPECT_FALSE(Exists(folder + "vantelo.js"));
    EXPECT_TRUE(Exists(dir.path() + "/two/vtf0.vtpreview"));
}

TEST(PageRelativePath, GivesRealRelativePaths) {
    EXPECT_EQ(PageRelativePath("/site/", "/site/x.jpg"), "x.jpg");
    EXPECT_EQ(PageRelativePath("/site/", "/site/sub/x.jpg"), "sub/x.jpg");
    EXPECT_EQ(PageRelativePath("/site/", "/x.jpg"), "../x.jpg");
    EXPECT_EQ(PageRelativePath("/site/a/", "/site/b/c/x.jpg"), "../b/c/x.jpg");
}

TEST_F(VantelifierTest, PerPictureChoices) {
    auto project = Open(pagePath);
    page.images.resize(2);
    SetZoomable(page, 0, true, *project);
    EXPECT_TRUE(project->IsModified());
    EXPECT_TRUE(prompts.calls().empty());
    SetZoomable(page, 1, true, *project);
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text,
              "Vantelifing more than one image on a page will probably result in poor performance");
    EXPECT_EQ(prompts.calls()[0].caption, "Warning");
    EXPECT_TRUE(page.images[1].zoomable);
    SetZoomable(page, 1, false, *project);
    EXPECT_FALSE(page.images[1].zoomable);
    SetZoomable(page, 7, true, *project);

    project->SetModified(false);
    EXPECT_FALSE(ChooseZoomSource(page, 0, folder + "notes.txt", *project));
    EXPECT_FALSE(project->IsModified());
    EXPECT_TRUE(navigator.visited.empty());
    EXPECT_TRUE(ChooseZoomSource(page, 0, folder + "big/Photo.JPG", *project));
    EXPECT_EQ(page.images[0].zoomSource, "big/Photo.JPG");
    EXPECT_TRUE(project->IsModified());
    EXPECT_EQ(navigator.visited.size(), 1u);

    EXPECT_TRUE(ChoosePagePicture(page, 0, dir.path() + "/small.jpg", false, *project));
    EXPECT_EQ(page.images[0].pagePicture, "../small.jpg");
    EXPECT_EQ(navigator.visited.size(), 1u);

    PageImageFields fields{"z.jpg", 1, 2, "p.jpg", 3, 4};
    project->SetModified(false);
    ApplyFields(page, 1, fields, *project);
    EXPECT_EQ(page.images[1].zoomSource, "z.jpg");
    EXPECT_EQ(page.images[1].pageHeight, 4);
    EXPECT_TRUE(project->IsModified());
}

}  // namespace
