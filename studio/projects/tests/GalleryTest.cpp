#include "studio/projects/Gallery.h"

#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "testing/DebugCapture.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

TEST(Gallery, ModifiedOnlyWithImagesAndRealChanges) {
    GalleryEnvironment env;
    {
        OpenGallery gallery(env.properties());
        EXPECT_EQ(gallery.GetWorkingFolder(), env.tmp() + "KVTTmp/");
        gallery.SetTitle("Holiday");
        EXPECT_FALSE(gallery.IsModified());
        gallery.Append("a.jpg");
        EXPECT_TRUE(gallery.IsModified());

        gallery.SetModified(false);
        gallery.SetWindowWidth(320);
        gallery.SetWindowHeight(200);
        EXPECT_FALSE(gallery.IsModified());
        gallery.SetTemplate("classic");
        EXPECT_TRUE(gallery.IsModified());
    }
    // Nothing is made on disk before Initialize.
    EXPECT_TRUE(fs::is_empty(env.tmp()));
}

TEST(Gallery, WindowSizeFollowsIntoThePointsOfTheFirstImage) {
    GalleryEnvironment env;
    OpenGallery gallery(env.properties());
    gallery.Append("a.jpg");
    gallery.Append("b.jpg");
    gallery.images[0].points.push_back({"p1", {}, {320, 200}});
    gallery.images[0].points.push_back({"p2", {}, {100, 100}});
    gallery.images[1].points.push_back({"q", {}, {1, 1}});
    gallery.SetWindowWidth(640);
    gallery.SetWindowHeight(480);
    for (const AnimationPoint& point : gallery.images[0].points) {
        EXPECT_EQ(point.size, Vector2<int>(640, 480));
    }
    EXPECT_EQ(gallery.images[1].points.front().size, Vector2<int>(1, 1));
    EXPECT_EQ(gallery.GetWindowWidth(), 640);
    EXPECT_EQ(gallery.GetWindowHeight(), 480);
}

TEST(Gallery, InitializeEmptiesItsFolderAndFindsTheTemplates) {
    GalleryEnvironment env;
    const std::string folder = env.tmp() + "KVTTmp/";
    fs::create_directories(folder + "data/keep");
    env.root().Write("tmp/KVTTmp/old.jpg", "x");
    env.root().Write("tmp/KVTTmp/data/old.js", "x");
    env.root().Write("tmp/KVTTmp/data/keep/inner.txt", "x");
    fs::permissions(folder + "old.jpg", fs::perms::owner_read);
    SetDataFolder(env.root().Path("data"));
    {
        Gallery gallery(env.properties());
        gallery.SetTitle("x");
        gallery.Initialize(nullptr);
        EXPECT_EQ(gallery.GetWorkingFolder(), folder);
        EXPECT_TRUE(FilesIn(folder).empty());
        EXPECT_TRUE(FilesIn(folder + "data/").empty());
        EXPECT_TRUE(fs::exists(folder + "data/keep/inner.txt"));
        EXPECT_EQ(gallery.GetTemplateFolder(), env.root().Path("data") + "/templates/");
        env.root().Write("tmp/KVTTmp/page.htm", "x");
        env.root().Write("tmp/KVTTmp/data/script.js", "x");
    }
    // The folders stay, emptied.
    EXPECT_TRUE(fs::is_directory(folder + "data"));
    EXPECT_TRUE(FilesIn(folder).empty());
    EXPECT_TRUE(FilesIn(folder + "data/").empty());
    SetDataFolder("");
}

TEST(Gallery, TwoGalleriesNeverShareOrEmptyEachOthersFolder) {
    GalleryEnvironment env;
    Gallery first(env.properties());
    first.Initialize(nullptr);
    env.root().Write("tmp/KVTTmp/a.jpg", "picture");
    {
        Gallery second(env.properties());
        second.Initialize(nullptr);
        EXPECT_EQ(second.GetWorkingFolder(), env.tmp() + "KVTTmp_1/");
        env.root().Write("tmp/KVTTmp_1/b.jpg", "picture");
        // A gallery that was never initialised holds no folder and empties none.
        Gallery scratch(env.properties());
        EXPECT_EQ(scratch.GetWorkingFolder(), env.tmp() + "KVTTmp/");
    }
    EXPECT_TRUE(fs::exists(env.tmp() + "KVTTmp/a.jpg"));
    EXPECT_FALSE(fs::exists(env.tmp() + "KVTTmp_1/b.jpg"));
    // Once released, the next gallery takes the first free name again.
    Gallery third(env.properties());
    third.Initialize(nullptr);
    EXPECT_EQ(third.GetWorkingFolder(), env.tmp() + "KVTTmp_1/");
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
    EXPECT_EQ(gallery.MoveImageDown("x"), -1);
    EXPECT_EQ(gallery.Names(), (Names{"a", "b", "c", "d"}));

    EXPECT_EQ(gallery.MoveImageUp("c"), 1);
    EXPECT_EQ(gallery.Names(), (Names{"a", "c", "b", "d"}));
    EXPECT_EQ(gallery.MoveImageDown("c"), 2);
    EXPECT_EQ(gallery.Names(), (Names{"a", "b", "c", "d"}));

    gallery.MoveImageBefore("d", "b");
    EXPECT_EQ(gallery.Names(), (Names{"a", "d", "b", "c"}));
    gallery.MoveImageBefore("a", "c");
    EXPECT_EQ(gallery.Names(), (Names{"d", "b", "a", "c"}));
    gallery.MoveImageBefore("d", "");
    EXPECT_EQ(gallery.Names(), (Names{"b", "a", "c", "d"}));
    gallery.MoveImageBefore("c", "c");
    EXPECT_EQ(gallery.Names(), (Names{"b", "a", "c", "d"}));
    EXPECT_TRUE(debug.lines().empty());

    gallery.MoveImageBefore("a", "nowhere");
    EXPECT_EQ(debug.lines(), (Names{"Failed to find the item Insert before\n"}));
    gallery.MoveImageBefore("nothing", "a");
    EXPECT_TRUE(debug.Contains("Failed to find the item to be moved\n"));
    EXPECT_EQ(gallery.Names(), (Names{"b", "a", "c", "d"}));
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
    gallery.SetModified(false);

    gallery.RemoveImage("a.jpg");
    EXPECT_EQ(gallery.Names(), Names{"b.png"});
    EXPECT_TRUE(gallery.IsModified());
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"b.png", "tmb_b.jpg", "index1.htm"}));

    // A name that is not listed still has its files deleted, but never a listed image's
    // files and never anything outside the working folder.
    env.root().Write("outside.jpg", "x");
    gallery.RemoveImage("../outside.jpg");
    gallery.RemoveImage("tmb_b.jpg");
    EXPECT_TRUE(fs::exists(env.root().Path("outside.jpg")));
    EXPECT_EQ(FilesIn(folder), (std::set<std::string>{"b.png", "tmb_b.jpg", "index1.htm"}));

    gallery.RemoveImage("b.png");
    EXPECT_FALSE(gallery.IsModified());
    gallery.Append("c.jpg");
    env.root().Write("tmp/KVTTmp/c.jpg", "x");
    gallery.RemoveAllImages();
    EXPECT_EQ(gallery.GetImageCount(), 0);
    EXPECT_FALSE(gallery.Changed());
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"index1.htm"});
}

TEST(Gallery, VariableDictionary) {
    GalleryEnvironment env;
    OpenGallery gallery(env.properties());
    EXPECT_EQ(gallery.GetVariableText("missing"), "");
    EXPECT_TRUE(gallery.variables.empty());
    EXPECT_FALSE(gallery.FirstVariable());
    EXPECT_EQ(gallery.GetCurrentVariable(), nullptr);

    TemplateVariable& looked = gallery.GetVariable("looked");
    EXPECT_EQ(looked.varType, kVarNone);
    EXPECT_EQ(gallery.variables.size(), 1u);

    // Byte order: capitals before small letters, bytes above 127 last.
    for (const char* name : {"zeta", "Alpha", "\xC3\xA9t\xC3\xA9", "beta"}) {
        TemplateVariable v(1, name, "", "", "");
        gallery.SetVariable(v);
    }
    gallery.GetVariable("aaa");  // undeclared, skipped by the cursor
    Names seen;
    for (bool more = gallery.FirstVariable(); more; more = gallery.NextVariable()) {
        seen.push_back(gallery.GetCurrentVariable()->name);
    }
    EXPECT_EQ(seen, (Names{"Alpha", "beta", "zeta", "\xC3\xA9t\xC3\xA9"}));
    EXPECT_EQ(gallery.GetCurrentVariable(), nullptr);
    EXPECT_FALSE(gallery.NextVariable());

    TemplateVariable edited = gallery.GetVariable("beta");
    edited.SetValue(42);
    gallery.SetVariable(edited);
    EXPECT_EQ(gallery.GetVariableText("beta"), "42");
    EXPECT_EQ(gallery.GetVariableText("aaa"), "");

    gallery.ClearVariables();
    EXPECT_TRUE(gallery.variables.empty());
    EXPECT_FALSE(gallery.FirstVariable());
}

}  // namespace
