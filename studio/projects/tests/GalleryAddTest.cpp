#include <filesystem>

#include <gtest/gtest.h>

#include "imaging/IPTCData.h"
#include "imaging/PictureLoader.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/ShellUtils.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
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

class GalleryAdd : public ::testing::Test {
protected:
    GalleryAdd() : gallery(env.properties()) {
        gallery.Initialize(nullptr);
        folder = gallery.GetWorkingFolder();
        source = env.root().Path("pictures");
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

    GalleryEnvironment env;
    testing_support::ScriptedPrompts prompts;
    OpenGallery gallery;
    std::string folder;
    std::string source;
};

TEST_F(GalleryAdd, CopiesPicturesWithThumbnailsAndWhatTheFilesTell) {
    WriteJpeg(Source("a.jpg"), 64, 48);
    WriteJpeg(Source("b.JPEG"), 30, 60);
    WriteJpeg(Source("c.jpg"), 20, 20);
    env.root().Write("pictures/notes.txt", "not a picture");
    IPTCData iptc;
    iptc.Clear();
    iptc.byline = "Ann";
    iptc.keywords = {"sea", "sky"};
    ASSERT_TRUE(iptc.WriteJpegFile(Source("a.jpg")));

    gallery.SetModified(false);
    EXPECT_TRUE(Add({"a.jpg", "notes.txt", "b.JPEG"}));
    EXPECT_TRUE(gallery.IsModified());
    EXPECT_TRUE(Add({"c.jpg"}, "b.JPEG"));
    ExpectFolderHoldsExactly({"a.jpg", "c.jpg", "b.JPEG"});
    EXPECT_EQ(ReadFile(folder + "a.jpg"), ReadFile(Source("a.jpg")));
    EXPECT_EQ(gallery.GetImage(1)->fileSize,
              static_cast<std::int64_t>(fs::file_size(Source("a.jpg"))));

    // A picture the file list does not know takes its size and record from its copy.
    gallery.currentImage = 1;
    std::string text;
    EXPECT_TRUE(gallery.GetBuiltInVariable("imagewidth", "", text));
    EXPECT_EQ(text, "64");
    EXPECT_TRUE(gallery.GetBuiltInVariable("imageheight", " 3", text));
    EXPECT_EQ(text, "60");
    EXPECT_EQ(gallery.GetIptcVariable("keywords"), "sea,sky");
    EXPECT_FALSE(gallery.GetImage(2)->iptc.valid);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(GalleryAdd, DerivedNamesThatClashGetUniqueNames) {
    const char* names[] = {"x.jpg", "x.jpeg", "y.jpg", "tmb_y.jpg", "tmb_z.jpg", "z.jpg"};
    for (int i = 0; i < 6; ++i) WriteJpeg(Source(names[i]), 20, 20, i);
    EXPECT_TRUE(Add({"x.jpg", "x.jpeg", "y.jpg", "tmb_y.jpg"}));
    // The thumbnail comes first this time: the picture takes the new name.
    EXPECT_TRUE(Add({"tmb_z.jpg", "z.jpg"}));
    ExpectFolderHoldsExactly({"x.jpg", "x_1.jpeg", "y.jpg", "tmb_y_1.jpg", "tmb_z.jpg", "z_1.jpg"});
    EXPECT_EQ(ReadFile(folder + "x_1.jpeg"), ReadFile(Source("x.jpeg")));
    EXPECT_EQ(ReadFile(folder + "tmb_y_1.jpg"), ReadFile(Source("tmb_y.jpg")));
    EXPECT_TRUE(prompts.calls().empty());

    // Removing one never takes the other's files with it.
    gallery.RemoveImage("x.jpg");
    gallery.RemoveImage("tmb_z.jpg");
    ExpectFolderHoldsExactly({"x_1.jpeg", "y.jpg", "tmb_y_1.jpg", "z_1.jpg"});
}

TEST_F(GalleryAdd, TheSameFileTwiceAsksTheUser) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    WriteJpeg(Source("b.jpg"), 20, 20);
    ScriptedRename rename;
    EXPECT_TRUE(Add({"a.jpg"}));

    // Cancel stops the whole addition.
    EXPECT_FALSE(Add({"a.jpg", "b.jpg"}));
    EXPECT_EQ(rename.asked, Names{"a.jpg"});
    ExpectFolderHoldsExactly({"a.jpg"});

    // Overwriting keeps one entry for the name, refreshed.
    WriteJpeg(Source("a.jpg"), 40, 10);
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_TRUE(Add({"a.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg"});
    EXPECT_EQ(gallery.GetImage(1)->width, 40);

    rename.answers.push_back({RenameChoice::AutoRename, false, ""});
    EXPECT_TRUE(Add({"a.jpg"}));
    // A name typed by the user that would share a thumbnail is changed too.
    WriteJpeg(Source("c.jpg"), 20, 20);
    EXPECT_TRUE(Add({"c.jpg"}));
    rename.answers.push_back({RenameChoice::UseName, false, "c.jpeg"});
    EXPECT_TRUE(Add({"c.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg", "a_1.jpg", "c.jpg", "c_1.jpeg"});
}

TEST_F(GalleryAdd, APictureWithoutAThumbnailLeavesNothingBehind) {
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

TEST_F(GalleryAdd, AGalleryWithoutAFolderOfItsOwnWritesNothing) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    EXPECT_TRUE(Add({"a.jpg"}));
    // Named after the folder the first gallery holds, but never initialised.
    OpenGallery scratch(env.properties());
    ASSERT_EQ(scratch.GetWorkingFolder(), folder);
    FileSelection selection;
    selection.SetFromNames(source, {"a.jpg"});
    EXPECT_FALSE(scratch.AddFiles("", selection));
    EXPECT_EQ(prompts.calls().back().text, "Failed to copy image to temporary");
    EXPECT_EQ(prompts.calls().back().caption, "Generator");
    scratch.RemoveImage("a.jpg");
    ExpectFolderHoldsExactly({"a.jpg"});
}

TEST_F(GalleryAdd, RegeneratedThumbnailsFollowThePreferences) {
    for (const char* name : {"a.jpg", "b.jpg"}) WriteJpeg(Source(name), 64, 32);
    EXPECT_TRUE(Add({"a.jpg", "b.jpg"}));
    env.properties().SetThumbSize({20, 10});
    env.root().Write("tmp/KVTTmp/a.jpg", "broken");  // passed over silently
    EXPECT_TRUE(gallery.RegenerateThumbnails());
    EXPECT_EQ(SizeOf(folder + "tmb_b.jpg"), Vector2<int>(20, 10));
    EXPECT_TRUE(prompts.calls().empty());
}

}  // namespace
