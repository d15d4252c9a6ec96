#include "studio/projects/Gallery.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "studio/projects/tests/GalleryTesting.h"
#include "testing/DebugCapture.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(Gallery, WorkingFoldersAreEmptiedOnlyByTheirHolder) {
    GalleryEnvironment env;
    env.root().Write("tmp/KVTTmp/old.jpg", "left over");
    env.root().Write("tmp/KVTTmp/data/old.js", "left over");
    fs::permissions(env.tmp() + "KVTTmp/old.jpg", fs::perms::owner_read);
    Gallery first(env.properties());
    first.Initialize(nullptr);
    EXPECT_EQ(first.GetWorkingFolder(), env.tmp() + "KVTTmp/");
    EXPECT_TRUE(FilesIn(env.tmp() + "KVTTmp/").empty());
    EXPECT_TRUE(FilesIn(env.tmp() + "KVTTmp/data/").empty());
    env.root().Write("tmp/KVTTmp/a.jpg", "picture");
    {
        Gallery second(env.properties());
        second.Initialize(nullptr);
        EXPECT_EQ(second.GetWorkingFolder(), env.tmp() + "KVTTmp_1/");
        env.root().Write("tmp/KVTTmp_1/b.jpg", "picture");
        // Never initialised: it holds no folder and empties none.
        Gallery scratch(env.properties());
        EXPECT_EQ(scratch.GetWorkingFolder(), env.tmp() + "KVTTmp/");
    }
    EXPECT_TRUE(fs::exists(env.tmp() + "KVTTmp/a.jpg"));
    EXPECT_FALSE(fs::exists(env.tmp() + "KVTTmp_1/b.jpg"));
    EXPECT_TRUE(fs::is_directory(env.tmp() + "KVTTmp_1/data"));
}

TEST(Gallery, AWorkingFolderNameThatIsALinkIsPassedOver) {
    GalleryEnvironment env;
    const std::string victim = env.root().Path("victim");
    env.root().Write("victim/precious.jpg", "keep me");
    fs::create_directory_symlink(victim, env.tmp() + "KVTTmp");
    {
        Gallery gallery(env.properties());
        gallery.Initialize(nullptr);
        EXPECT_EQ(gallery.GetWorkingFolder(), env.tmp() + "KVTTmp_1/");
    }
    EXPECT_EQ(testing_support::ReadFile(victim + "/precious.jpg"), "keep me");
}

TEST(Gallery, MovesKeepEveryImage) {
    GalleryEnvironment env;
    OpenGallery gallery(env.properties());
    for (const char* name : {"a", "b", "c", "d"}) gallery.Append(name);
    testing_support::DebugCapture debug;

    EXPECT_EQ(gallery.MoveImageUp("a"), 0);
    EXPECT_EQ(gallery.MoveImageDown("d"), 3);
    EXPECT_EQ(gallery.MoveImageUp("x"), -1);
    EXPECT_EQ(gallery.MoveImageUp("c"), 1);
    EXPECT_EQ(gallery.Names(), (Names{"a", "c", "b", "d"}));
    EXPECT_EQ(gallery.MoveImageDown("c"), 2);
    gallery.MoveImageBefore("d", "b");
    EXPECT_EQ(gallery.Names(), (Names{"a", "d", "b", "c"}));
    gallery.MoveImageBefore("a", "");
    EXPECT_EQ(gallery.Names(), (Names{"d", "b", "c", "a"}));
    EXPECT_TRUE(debug.lines().empty());

    gallery.MoveImageBefore("a", "nowhere");
    EXPECT_EQ(debug.lines(), (Names{"Failed to find the item Insert before\n"}));
    gallery.MoveImageBefore("nothing", "a");
    EXPECT_TRUE(debug.Contains("Failed to find the item to be moved\n"));
    EXPECT_EQ(gallery.Names(), (Names{"d", "b", "c", "a"}));
}

TEST(Gallery, RemovingDeletesOnlyTheImagesOwnFiles) {
    GalleryEnvironment env;
    OpenGallery gallery(env.properties());
    gallery.Initialize(nullptr);
    const std::string folder = gallery.GetWorkingFolder();
    for (const char* name : {"a.jpg", "tmb_a.jpg", "a.vte", "b.png", "tmb_b.jpg", "index1.htm"}) {
        env.root().Write(std::string("tmp/KVTTmp/") + name, "x");
    }
    gallery.Append("a.jpg");
    gallery.Append("b.png");
    gallery.RemoveImage("a.jpg");
    EXPECT_EQ(gallery.Names(), Names{"b.png"});
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"b.png", "tmb_b.jpg", "index1.htm"}));

    // Never a listed image's files, never anything outside the working folder.
    env.root().Write("outside.jpg", "x");
    gallery.RemoveImage("../outside.jpg");
    gallery.RemoveImage("tmb_b.jpg");
    EXPECT_TRUE(fs::exists(env.root().Path("outside.jpg")));
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"b.png", "tmb_b.jpg", "index1.htm"}));

    gallery.RemoveAllImages();
    EXPECT_EQ(gallery.GetImageCount(), 0);
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"index1.htm"});
}

TEST(Gallery, VariablesInByteOrderSkippingUndeclaredOnes) {
    GalleryEnvironment env;
    OpenGallery gallery(env.properties());
    EXPECT_EQ(gallery.GetVariableText("missing"), "");
    EXPECT_TRUE(gallery.variables.empty());
    for (const char* name : {"zeta", "Alpha", "\xC3\xA9t\xC3\xA9", "beta"}) {
        gallery.SetVariable(TemplateVariable(1, name, "", "", ""));
    }
    EXPECT_EQ(gallery.GetVariable("aaa").varType, kVarNone);
    Names seen;
    for (bool more = gallery.FirstVariable(); more; more = gallery.NextVariable()) {
        seen.push_back(gallery.GetCurrentVariable()->name);
    }
    EXPECT_EQ(seen, (Names{"Alpha", "beta", "zeta", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(gallery.GetCurrentVariable(), nullptr);
}

}  // namespace
