#include "studio/projects/Gallery.h"

#include <filesystem>

#include <gtest/gtest.h>

#include "imaging/IPTCData.h"
#include "imaging/PictureLoader.h"
#include "studio/core/ShellUtils.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::OpenGallery;
using gallery_testing::WriteJpeg;
using testing_support::ReadFile;
using Names = std::vector<std::string>;
namespace fs = std::filesystem;

Vector2<int> SizeOf(const std::string& path) {
    PictureInfo info;
    if (!ReadPictureInfo(path, &info)) return {-1, -1};
    return {info.width, info.height};
}

// Rename questions answered from a list, each one recorded.
class ScriptedRename {
public:
    ScriptedRename() {
        previous_ = SetRenameQuestion([this](const std::string& existing, const std::string&) {
            asked.push_back(existing);
            if (answers.empty()) return RenameChoice{};
            RenameChoice choice = answers.front();
            answers.erase(answers.begin());
            return choice;
        });
    }
    ~ScriptedRename() { SetRenameQuestion(previous_); }
    ScriptedRename(const ScriptedRename&) = delete;
    ScriptedRename& operator=(const ScriptedRename&) = delete;

    std::vector<RenameChoice> answers;
    Names asked;

private:
    RenameQuestion previous_;
};

// An initialised gallery and a folder of pictures to add.
class GalleryTest : public ::testing::Test {
protected:
    GalleryTest() {
        gallery.Initialize(nullptr);
        fs::create_directories(source);
    }

    // Adds files of the picture folder, in this order.
    bool Add(const Names& names, const std::string& before = "") {
        FileSelection selection;
        selection.SetFromNames(source, names);
        return gallery.AddFiles(before, selection);
    }
    std::string Source(const std::string& name) const { return source + "/" + name; }
    // The working folder holds exactly the listed copies and their thumbnails.
    void ExpectFolderHoldsExactly(const Names& names) {
        std::set<std::string> expected;
        for (const std::string& name : names) {
            expected.insert(name);
            expected.insert(Gallery::ThumbnailName(name));
            EXPECT_EQ(SizeOf(folder + Gallery::ThumbnailName(name)), Vector2<int>(48, 48)) << name;
        }
        EXPECT_EQ(FilesIn(folder), expected);
        EXPECT_EQ(gallery.Names(), names);
    }

    gallery_testing::GalleryEnvironment env;
    testing_support::ScriptedPrompts prompts;
    OpenGallery gallery{env.properties()};
    const std::string folder = env.tmp() + "KVTTmp/";
    const std::string source = env.root().Path("pictures");
};

TEST_F(GalleryTest, WorkingFoldersAreEmptiedOnlyByTheirHolder) {
    ASSERT_EQ(gallery.GetWorkingFolder(), folder);
    env.root().Write("tmp/KVTTmp/a.jpg", "picture");
    // A name that is a link is passed over: emptying it would delete through the link.
    env.root().Write("victim/precious.jpg", "keep me");
    fs::create_directory_symlink(env.root().Path("victim"), env.tmp() + "KVTTmp_1");
    {
        Gallery second(env.properties());
        second.Initialize(nullptr);
        EXPECT_EQ(second.GetWorkingFolder(), env.tmp() + "KVTTmp_2/");
        env.root().Write("tmp/KVTTmp_2/b.jpg", "picture");
        env.root().Write("tmp/KVTTmp_2/data/b.js", "script");
        // Never initialised: it holds no folder, and writes and empties none.
        OpenGallery scratch(env.properties());
        EXPECT_EQ(scratch.GetWorkingFolder(), folder);
        FileSelection selection;
        selection.SetFromNames(env.tmp() + "KVTTmp_2", {"b.jpg"});
        EXPECT_FALSE(scratch.AddFiles("", selection));
        EXPECT_EQ(prompts.calls().back().text, "Failed to copy image to temporary");
        EXPECT_EQ(prompts.calls().back().caption, "Generator");
        scratch.Append("a.jpg");
        scratch.RemoveImage("a.jpg");
    }
    EXPECT_EQ(FilesIn(folder), std::set<std::string>{"a.jpg"});
    EXPECT_TRUE(FilesIn(env.tmp() + "KVTTmp_2/").empty());
    EXPECT_TRUE(FilesIn(env.tmp() + "KVTTmp_2/data/").empty());
    EXPECT_EQ(ReadFile(env.root().Path("victim/precious.jpg")), "keep me");

    // A new gallery empties what an earlier run left behind.
    env.root().Write("tmp/KVTTmp_2/old.jpg", "left over");
    fs::permissions(env.tmp() + "KVTTmp_2/old.jpg", fs::perms::owner_read);
    Gallery third(env.properties());
    third.Initialize(nullptr);
    EXPECT_TRUE(FilesIn(env.tmp() + "KVTTmp_2/").empty());
}

TEST_F(GalleryTest, CopiesPicturesWithThumbnailsAndWhatTheFilesTell) {
    WriteJpeg(Source("a.jpg"), 64, 48);
    WriteJpeg(Source("b.JPEG"), 30, 60);
    WriteJpeg(Source("c.jpg"), 20, 20);
    env.root().Write("pictures/notes.txt", "not a picture");
    IPTCData iptc;
    iptc.Clear();
    iptc.keywords = {"sea", "sky"};
    ASSERT_TRUE(iptc.WriteJpegFile(Source("a.jpg")));

    EXPECT_TRUE(Add({"a.jpg", "notes.txt", "b.JPEG"}));
    EXPECT_TRUE(Add({"c.jpg"}, "b.JPEG"));
    ExpectFolderHoldsExactly({"a.jpg", "c.jpg", "b.JPEG"});
    EXPECT_EQ(ReadFile(folder + "a.jpg"), ReadFile(Source("a.jpg")));
    EXPECT_TRUE(prompts.calls().empty());

    // A picture the file list does not know takes its size and record from its copy.
    gallery.currentImage = 1;
    std::string text;
    EXPECT_TRUE(gallery.GetBuiltInVariable("imageheight", " 3", text));
    EXPECT_EQ(text, "60");
    EXPECT_EQ(gallery.GetIptcVariable("keywords"), "sea,sky");

    env.properties().SetThumbSize({20, 10});
    env.root().Write("tmp/KVTTmp/a.jpg", "broken");  // passed over silently
    EXPECT_TRUE(gallery.RegenerateThumbnails());
    EXPECT_EQ(SizeOf(folder + "tmb_c.jpg"), Vector2<int>(20, 10));
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(GalleryTest, DerivedNamesThatClashGetUniqueNames) {
    const char* names[] = {"x.jpg", "x.jpeg", "y.jpg", "tmb_y.jpg", "tmb_z.jpg", "z.jpg"};
    for (int i = 0; i < 6; ++i) WriteJpeg(Source(names[i]), 20, 20, i);
    EXPECT_TRUE(Add({"x.jpg", "x.jpeg", "y.jpg", "tmb_y.jpg"}));
    // The thumbnail comes first this time: the picture takes the new name.
    EXPECT_TRUE(Add({"tmb_z.jpg", "z.jpg"}));
    ExpectFolderHoldsExactly({"x.jpg", "x_1.jpeg", "y.jpg", "tmb_y_1.jpg", "tmb_z.jpg", "z_1.jpg"});
    EXPECT_EQ(ReadFile(folder + "tmb_y_1.jpg"), ReadFile(Source("tmb_y.jpg")));

    // Removing never takes another listed image's files, nor anything outside the folder.
    env.root().Write("tmp/outside.jpg", "x");
    gallery.RemoveImage("../outside.jpg");
    gallery.RemoveImage("x.jpg");
    gallery.RemoveImage("tmb_z.jpg");
    ExpectFolderHoldsExactly({"x_1.jpeg", "y.jpg", "tmb_y_1.jpg", "z_1.jpg"});
    EXPECT_TRUE(fs::exists(env.tmp() + "outside.jpg"));
    gallery.RemoveAllImages();
    ExpectFolderHoldsExactly({});
}

TEST_F(GalleryTest, TheSameFileTwiceAsksTheUser) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    WriteJpeg(Source("c.jpg"), 20, 20);
    ScriptedRename rename;
    EXPECT_TRUE(Add({"a.jpg", "c.jpg"}));
    // Overwriting keeps one entry for the name, refreshed.
    WriteJpeg(Source("a.jpg"), 40, 10);
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_TRUE(Add({"a.jpg"}));
    EXPECT_EQ(gallery.GetImage(1)->width, 40);
    // A name typed by the user that would share a thumbnail is changed too.
    rename.answers.push_back({RenameChoice::UseName, false, "c.jpeg"});
    EXPECT_TRUE(Add({"c.jpg"}));
    EXPECT_EQ(rename.asked, (Names{"a.jpg", "c.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg", "c.jpg", "c_1.jpeg"});
    // Even when the user overwrites a thumbnail with it, that thumbnail's picture keeps one.
    rename.answers.push_back({RenameChoice::UseName, false, "tmb_a.jpg"});
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_TRUE(Add({"c.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg", "c.jpg", "c_1.jpeg", "tmb_a_1.jpg"});
    gallery.RemoveImage("tmb_a_1.jpg");
    // Cancel stops the whole addition.
    EXPECT_FALSE(Add({"a.jpg", "c.jpg"}));
    EXPECT_EQ(rename.asked.size(), 5u);
}

TEST_F(GalleryTest, APictureWithoutAThumbnailLeavesNothingBehind) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    env.root().Write("pictures/broken.jpg", "not really a JPEG");
    WriteJpeg(Source("c.jpg"), 20, 20);
    EXPECT_FALSE(Add({"a.jpg", "broken.jpg", "c.jpg"}));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to generate thumbnail");
    EXPECT_EQ(prompts.calls()[0].caption, "Generator");
    ExpectFolderHoldsExactly({"a.jpg"});

    // Overwriting a listed picture with a broken one takes the entry out with its files.
    ScriptedRename rename;
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    fs::copy_file(Source("broken.jpg"), Source("a.jpg"), fs::copy_options::overwrite_existing);
    EXPECT_FALSE(Add({"a.jpg"}));
    ExpectFolderHoldsExactly({});
}

TEST_F(GalleryTest, MovesKeepEveryImage) {
    for (const char* name : {"a", "b", "c", "d"}) gallery.Append(name);
    testing_support::DebugCapture debug;
    EXPECT_EQ(gallery.MoveImageUp("a"), 0);
    EXPECT_EQ(gallery.MoveImageDown("d"), 3);
    EXPECT_EQ(gallery.MoveImageUp("x"), -1);
    EXPECT_EQ(gallery.MoveImageUp("c"), 1);
    gallery.MoveImageBefore("d", "c");
    gallery.MoveImageBefore("a", "");
    EXPECT_EQ(gallery.Names(), (Names{"d", "c", "b", "a"}));
    EXPECT_TRUE(debug.lines().empty());

    gallery.MoveImageBefore("a", "nowhere");
    EXPECT_EQ(debug.lines(), (Names{"Failed to find the item Insert before\n"}));
    gallery.MoveImageBefore("nothing", "a");
    EXPECT_TRUE(debug.Contains("Failed to find the item to be moved\n"));
    EXPECT_EQ(gallery.Names(), (Names{"d", "c", "b", "a"}));
}

}  // namespace
