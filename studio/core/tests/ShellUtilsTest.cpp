#include "studio/core/ShellUtils.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <memory>

#include "platform/files/FileOps.h"
#include "platform/registry/Registry.h"
#include "platform/shellns/ShellNamespace.h"
#include "studio/core/PidlPath.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"
#include "testing/TempDir.h"

namespace {

using testing_support::TempDir;

// The registry and the Trash of the whole program live in a temporary folder, set before
// any test can reach them.
class TemporaryHome final : public ::testing::Environment {
public:
    void SetUp() override {
        folder_ = std::make_unique<TempDir>();
        ::setenv("VANTELO_REGISTRY_DIR", folder_->Path("registry").c_str(), 1);
        ::setenv("XDG_DATA_HOME", folder_->Path("data").c_str(), 1);
    }
    void TearDown() override { folder_.reset(); }

private:
    std::unique_ptr<TempDir> folder_;
};
::testing::Environment* const kTemporaryHome =
    ::testing::AddGlobalTestEnvironment(new TemporaryHome);

TEST(ShellUtils, NamesAndPaths) {
    // No codec library: LuraWave files are not pictures the studio can show.
    ::setenv("VANTELO_LWF_CODEC", "/nonexistent/lwf215p.so", 1);
    for (const char* name : {"A.JPEG", "c.Jpe", "d.png", "e.BMP", "f.tga", ".jpg"}) {
        EXPECT_TRUE(IsImageFile(name)) << name;
    }
    for (const char* name : {"jpg", "x.jpgx", "x.gif", "x.LWF", ""}) {
        EXPECT_FALSE(IsImageFile(name)) << name;
    }
    EXPECT_TRUE(IsHtmlFile("index.HTM") && IsHtmlFile("index.html") && IsAnimationFile("x.VTE"));

    std::string name = "/pics/x.tga";
    ReplaceExtension(name, ".jpg");
    EXPECT_EQ(name, "/pics/x.jpg");
    name = "/a/v1.2/README";
    ReplaceExtension(name, ".jpg");
    EXPECT_EQ(name, "/a/v1.2/README");
    EXPECT_EQ(CompanionPath("/pics/x.jpg", ".vte"), "/pics/x.vte");
    EXPECT_EQ(CompanionPath("/a/v1.2/README", ".vte"), "/a/v1.2/README.vte");
    EXPECT_EQ(CompanionPath("/pics/x.vte", ".vte"), "");

    TempDir dir;
    EXPECT_EQ(MakeUniqueName(dir.path(), "x.jpg"), "x.jpg");
    for (const char* file : {"x.jpg", "x_1.jpg", "y_4.jpg", "z_0.jpg", "README"}) {
        dir.Write(file, "");
    }
    EXPECT_EQ(MakeUniqueName(dir.path() + "/", "x.jpg"), "x_2.jpg");
    EXPECT_EQ(MakeUniqueName(dir.path(), "y_4.jpg"), "y_5.jpg");
    EXPECT_EQ(MakeUniqueName(dir.path(), "z_0.jpg"), "z_0_1.jpg");
    EXPECT_EQ(MakeUniqueName(dir.path(), "README"), "README_1");

    // Display names are cut to their buffer at character boundaries.
    const PidlPath file(dir.Write("h\xC3\xA9llo.jpg", ""));
    PidlPath parent, item;
    file.GetParent(parent);
    file.GetLastItem(item);
    char buffer[260];
    const auto folder = parent.GetShellFolder();
    const unsigned normal = platform::shellns::kNameNormal;
    ASSERT_TRUE(DisplayNameOf(folder.get(), item.GetPidl(), normal, buffer, sizeof buffer));
    EXPECT_STREQ(buffer, "h\xC3\xA9llo.jpg");
    ASSERT_TRUE(DisplayNameOf(folder.get(), item.GetPidl(), normal, buffer, 3));
    EXPECT_STREQ(buffer, "h");
}

TEST(ShellUtils, CanonicalUrlsLoseDotSegmentsAndEscapes) {
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"images/./a%20b.jpg", "images/a b.jpg"},
        {"a/b/../c.JPG", "a/c.JPG"},
        {"../up.jpg", "../up.jpg"},
        {"http://host/x/../y%41.jpg?q=%42/../#f", "http://host/yA.jpg?q=B/../#f"},
        {"/../x.jpg", "/x.jpg"},
        {"bad%zz%4", "bad%zz%4"},
        {"nul%00.jpg", "nul%00.jpg"},
    };
    for (const Case& c : cases) {
        std::string text = c.in;
        EXPECT_TRUE(CanonicalizeUrl(text)) << c.in;
        EXPECT_EQ(text, c.out) << c.in;
    }
    // Longer than the 388 characters of the buffer: refused and left as it was.
    std::string longText(388, 'a');
    EXPECT_FALSE(CanonicalizeUrl(longText));
    EXPECT_EQ(longText.size(), 388u);
}

TEST(ShellUtils, QueriesListingAndDeletingForGood) {
    TempDir dir;
    dir.Write("b.htm", "12345");
    dir.Write("a.htm", "1");
    dir.Write("sub.htm/inner.htm", "");
    const std::string readOnly = dir.Write("c.htm", "");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    ASSERT_EQ(::mkfifo(dir.Path("pipe.htm").c_str(), 0600), 0);

    EXPECT_EQ(GetFileSize(dir.Path("b.htm")), 5u);
    EXPECT_EQ(GetFileSize(dir.Path("*.htm")), 1u);  // the first match: a.htm
    EXPECT_FALSE(FileExists(dir.Path("missing")));

    const std::string folder = dir.path() + "/";
    EXPECT_EQ(ListFiles(dir.path(), "*.htm", false),
              (std::vector<std::string>{folder + "a.htm", folder + "b.htm", folder + "c.htm",
                                        folder + "pipe.htm"}));
    EXPECT_EQ(ListFiles(folder, "*.htm", true).size(), 5u);

    testing_support::DebugCapture debug;
    EXPECT_TRUE(DeleteMatchingFiles(dir.path(), "*.htm", true));
    EXPECT_EQ(ListFiles(dir.path(), "*.*", true),
              (std::vector<std::string>{folder + "pipe.htm", folder + "sub.htm"}));
    EXPECT_EQ(debug.lines(), (std::vector<std::string>{"SystemFile should not be here!\n",
                                                       "Directories not cleared at the moment\n"}));
}

TEST(ShellUtils, DeletingGoesToTheTrash) {
    TempDir dir;
    const std::string data = ::getenv("XDG_DATA_HOME");
    dir.Write("pics/x.jpg", "x");
    dir.Write("pics/y.jpg", "y");
    testing_support::ScriptedPrompts prompts;
    // A file of a folder, then the folder with the rest.
    EXPECT_TRUE(DeleteFiles(nullptr, {dir.Path("pics/x.jpg"), dir.Path("pics")}));
    EXPECT_FALSE(platform::PathExists(dir.Path("pics")));
    EXPECT_EQ(testing_support::ReadFile(data + "/Trash/files/x.jpg"), "x");
    EXPECT_EQ(testing_support::ReadFile(data + "/Trash/files/pics/y.jpg"), "y");
    EXPECT_TRUE(platform::IsDirectory(data + "/Trash/files/pics"));
    EXPECT_TRUE(prompts.calls().empty());

    // A file named like a pattern is that file alone.
    dir.Write("more/*.jpg", "star");
    dir.Write("more/kept.jpg", "kept");
    EXPECT_TRUE(DeleteFiles(nullptr, {dir.Path("more/*.jpg")}));
    EXPECT_FALSE(platform::PathExists(dir.Path("more/*.jpg")));
    EXPECT_EQ(testing_support::ReadFile(dir.Path("more/kept.jpg")), "kept");
    // ... and when it has gone meanwhile, nothing else goes in its place.
    dir.Write("more/holiday1.jpg", "1");
    dir.Write("more/holiday2.JPG", "2");
    testing_support::DebugCapture debugLines;
    EXPECT_FALSE(DeleteFiles(nullptr, {dir.Path("more/*.jpg")}, kDeleteNoErrorUi));
    EXPECT_EQ(testing_support::ReadFile(dir.Path("more/holiday1.jpg")), "1");
    EXPECT_EQ(testing_support::ReadFile(dir.Path("more/holiday2.JPG")), "2");

    testing_support::DebugCapture quiet;
    const std::string gone = dir.Path("gone.jpg");
    EXPECT_FALSE(DeleteFiles(nullptr, {gone}));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Cannot move " + gone + " to the Trash.");
    EXPECT_EQ(prompts.calls()[0].caption, "Delete");
    EXPECT_FALSE(DeleteFiles(nullptr, {gone}, kDeleteNoErrorUi));
    EXPECT_EQ(prompts.calls().size(), 1u);
}

TEST(ShellUtils, DeletingAsksOnceAboutWhatWasChosen) {
    TempDir dir;
    dir.Write("pics/x.jpg", "x");
    testing_support::ScriptedPrompts prompts;
    prompts.Answer(platform::PromptAnswer::Yes);
    EXPECT_TRUE(ConfirmDelete(nullptr, {dir.Path("pics") + "/"}));
    EXPECT_FALSE(ConfirmDelete(nullptr, {dir.Path("pics/x.jpg"), dir.Path("pics/y.jpg")}));
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[0].caption, "Confirm Folder Delete");
    EXPECT_EQ(prompts.calls()[0].text,
              "Are you sure you want to move the folder 'pics' and all its contents to the Trash?");
    EXPECT_EQ(prompts.calls()[0].buttons, platform::MessageButtons::YesNo);
    EXPECT_EQ(prompts.calls()[1].text, "Are you sure you want to move these 2 items to the Trash?");
    // Nothing chosen, nothing asked.
    EXPECT_FALSE(ConfirmDelete(nullptr, {}));
    EXPECT_EQ(prompts.calls().size(), 2u);
}

TEST(ShellUtils, FolderBrowsingStartsWhereItEndedLastTime) {
    testing_support::ScriptedPrompts prompts;
    prompts.AnswerPath("/chosen/folder");
    prompts.AnswerPath(std::nullopt);
    EXPECT_EQ(BrowseForFolder(nullptr, "Select location for the gallery folder"), "/chosen/folder");
    EXPECT_EQ(BrowseForFolder(nullptr, "again"), "");
    EXPECT_EQ(BrowseForFolder(nullptr, "and again"), "");
    ASSERT_EQ(prompts.calls().size(), 3u);
    EXPECT_EQ(prompts.calls()[0].text, "Select location for the gallery folder");
    EXPECT_EQ(prompts.calls()[2].caption, "/chosen/folder");  // kept over a cancelled browse
}

TEST(ShellUtils, SwitchingTheViewerControlOffAndOnLeavesItsRegistration) {
    EXPECT_FALSE(IsViewerControlDisabled());
    EXPECT_FALSE(SetViewerControlEnabled(false));  // nothing registered

    platform::RegKey key;
    ASSERT_EQ(platform::RegKey::Create(
                  platform::Registry::Default(), platform::RegHive::ClassesRoot,
                  std::string("CLSID\\") + kViewerControlClsid + "\\InprocServer32", "", key),
              platform::RegResult::Ok);
    ASSERT_EQ(key.SetString("", VANTELO_FAKE_SERVER), platform::RegResult::Ok);
    EXPECT_TRUE(ProbeViewerControl());
    EXPECT_TRUE(SetViewerControlEnabled(true));  // on already: nothing changes
    EXPECT_EQ(key.GetString("Disabled"), std::nullopt);

    EXPECT_TRUE(SetViewerControlEnabled(false));
    EXPECT_TRUE(IsViewerControlDisabled());
    EXPECT_FALSE(ProbeViewerControl());
    // Off again keeps the library name it put aside.
    EXPECT_TRUE(SetViewerControlEnabled(false));
    EXPECT_EQ(key.GetString("Disabled"), VANTELO_FAKE_SERVER);

    EXPECT_TRUE(SetViewerControlEnabled(true));
    EXPECT_EQ(key.GetString(""), VANTELO_FAKE_SERVER);
    EXPECT_TRUE(ProbeViewerControl());
}

}  // namespace
