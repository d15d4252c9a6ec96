#include <filesystem>

#include <gtest/gtest.h>

#include "imaging/IPTCData.h"
#include "imaging/JpegWriter.h"
#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/Progress.h"
#include "studio/shell/ShellUtils.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using Names = std::vector<std::string>;
using FileSet = std::set<std::string>;
namespace fs = std::filesystem;

// A JPEG picture of the size, its colour set by `seed`.
void WriteJpeg(const std::string& path, int width, int height, int seed = 0) {
    auto dib = platform::DibSection::Create(width, -height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < width * 3; ++x) p[x] = static_cast<std::uint8_t>(x * 7 + y * 3 + seed);
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    ASSERT_TRUE(SaveJPG(info, path, 90)) << path;
}

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

// The busy window's calls, as text.
class RecordedProgress final : public Progress {
public:
    RecordedProgress() {
        SetProgressSource([this] { return this; });
    }
    ~RecordedProgress() override { SetProgressSource({}); }
    void SetTexts(const char*, const char*) override {}
    void Step(int position, const char* first, const char* second) override {
        calls.push_back(std::to_string(position) + " " + first + " " + second);
    }
    void SetRange(int minimum, int maximum) override {
        calls.push_back("range " + std::to_string(minimum) + ".." + std::to_string(maximum));
    }
    void StepIt() override {}
    Names calls;
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
    bool Add(const Names& names, const std::string& before = "",
             const FileSelection::ImageLookup& view = {}) {
        FileSelection selection;
        selection.SetFromNames(source, names);
        return gallery.AddFiles(before, selection, view);
    }
    std::string Source(const std::string& name) const { return source + "/" + name; }
    // The working folder holds exactly the listed copies and their thumbnails.
    void ExpectFolderHoldsExactly(const Names& names) {
        FileSet expected;
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
    env.root().Write("pictures/notes.txt", "not a picture");
    IPTCData iptc;
    iptc.Clear();
    iptc.byline = "Ann";
    iptc.keywords = {"sea", "sky"};
    ASSERT_TRUE(iptc.WriteJpegFile(Source("a.jpg")));
    RecordedProgress progress;

    gallery.SetModified(false);
    EXPECT_TRUE(Add({"a.jpg", "notes.txt", "b.JPEG"}));
    EXPECT_TRUE(gallery.IsModified());
    ExpectFolderHoldsExactly({"a.jpg", "b.JPEG"});
    EXPECT_EQ(progress.calls, (Names{"range 0..6", "1 Generating thumbnails... " + Source("a.jpg"),
                                     "2 Generating thumbnails... " + Source("notes.txt"),
                                     "3 Generating thumbnails... " + Source("b.JPEG")}));

    const GalleryImage& a = *gallery.GetImage(1);
    EXPECT_EQ(testing_support::ReadFile(folder + "a.jpg"),
              testing_support::ReadFile(Source("a.jpg")));
    EXPECT_EQ(a.fileSize, static_cast<std::int64_t>(fs::file_size(Source("a.jpg"))));
    EXPECT_EQ(a.imageBytes, 0);
    gallery.currentImage = 1;
    std::string text;
    EXPECT_TRUE(gallery.GetBuiltInVariable("imagewidth", "", text));
    EXPECT_EQ(text, "64");
    EXPECT_TRUE(gallery.GetBuiltInVariable("imageheight", " 2", text));
    EXPECT_EQ(text, "60");
    EXPECT_EQ(gallery.GetIptcVariable("byline"), "Ann");
    EXPECT_EQ(gallery.GetIptcVariable("keywords"), "sea,sky");
    EXPECT_FALSE(gallery.GetImage(2)->iptc.valid);
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(GalleryAdd, InsertsBeforeAnImageInSelectionOrder) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg", "d.jpg"}) WriteJpeg(Source(name), 20, 20);
    EXPECT_TRUE(Add({"a.jpg", "b.jpg"}));
    EXPECT_TRUE(Add({"d.jpg", "c.jpg"}, "b.jpg"));
    EXPECT_EQ(gallery.Names(), (Names{"a.jpg", "d.jpg", "c.jpg", "b.jpg"}));
    // An unknown name appends.
    fs::rename(Source("a.jpg"), Source("e.jpg"));
    EXPECT_TRUE(Add({"e.jpg"}, "zzz.jpg"));
    EXPECT_EQ(gallery.Names().back(), "e.jpg");
}

TEST_F(GalleryAdd, TheFileListsRecordIsTakenWhenItHasOne) {
    WriteJpeg(Source("a.jpg"), 16, 8);
    const FileSelection::ImageLookup view = [this](const PidlPath& path) {
        std::optional<GalleryImage> known;
        if (path.GetPath() == Source("a.jpg")) {
            known.emplace();
            known->fileName = path.GetPath();
            known->width = 1600;
            known->height = 800;
            known->imageBytes = 38400;
        }
        return known;
    };
    EXPECT_TRUE(Add({"a.jpg"}, "", view));
    const GalleryImage& image = *gallery.GetImage(1);
    EXPECT_EQ(image.fileName, "a.jpg");
    EXPECT_EQ(image.width, 1600);
    EXPECT_EQ(image.imageBytes, 38400);
    EXPECT_EQ(image.fileSize, static_cast<std::int64_t>(fs::file_size(Source("a.jpg"))));
}

TEST_F(GalleryAdd, DerivedNamesThatClashGetUniqueNames) {
    WriteJpeg(Source("x.jpg"), 20, 20, 1);
    WriteJpeg(Source("x.jpeg"), 20, 20, 2);
    WriteJpeg(Source("y.jpg"), 20, 20, 3);
    WriteJpeg(Source("tmb_y.jpg"), 20, 20, 4);
    WriteJpeg(Source("tmb_z.jpg"), 20, 20, 5);
    WriteJpeg(Source("z.jpg"), 20, 20, 6);
    EXPECT_TRUE(Add({"x.jpg", "x.jpeg", "y.jpg", "tmb_y.jpg"}));
    // The thumbnail comes second this time: the picture takes the new name.
    EXPECT_TRUE(Add({"tmb_z.jpg", "z.jpg"}));
    ExpectFolderHoldsExactly({"x.jpg", "x_1.jpeg", "y.jpg", "tmb_y_1.jpg", "tmb_z.jpg", "z_1.jpg"});
    EXPECT_EQ(testing_support::ReadFile(folder + "x_1.jpeg"),
              testing_support::ReadFile(Source("x.jpeg")));
    EXPECT_EQ(testing_support::ReadFile(folder + "tmb_y_1.jpg"),
              testing_support::ReadFile(Source("tmb_y.jpg")));
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

    // Overwriting keeps one entry for the name.
    WriteJpeg(Source("a.jpg"), 40, 10);
    rename.answers.push_back({RenameChoice::Overwrite, false, ""});
    EXPECT_TRUE(Add({"a.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg"});
    EXPECT_EQ(gallery.GetImage(1)->width, 40);

    // Renaming adds a second copy.
    rename.answers.push_back({RenameChoice::AutoRename, false, ""});
    EXPECT_TRUE(Add({"a.jpg"}));
    ExpectFolderHoldsExactly({"a.jpg", "a_1.jpg"});

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

TEST_F(GalleryAdd, AFailedCopyStopsWithItsMessage) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    WriteJpeg(Source("b.jpg"), 20, 20);
    EXPECT_TRUE(Add({"a.jpg"}));
    fs::remove_all(folder);
    EXPECT_FALSE(Add({"b.jpg"}));
    ASSERT_FALSE(prompts.calls().empty());
    EXPECT_EQ(prompts.calls().back().text, "Failed to copy image to temporary");
    EXPECT_EQ(prompts.calls().back().caption, "Generator");
    EXPECT_EQ(gallery.Names(), Names{"a.jpg"});
}

TEST_F(GalleryAdd, AGalleryWithoutAFolderOfItsOwnWritesNothing) {
    WriteJpeg(Source("a.jpg"), 20, 20);
    EXPECT_TRUE(Add({"a.jpg"}));
    // Named after the folder the first gallery holds, but never initialised.
    OpenGallery scratch(env.properties());
    ASSERT_EQ(scratch.GetWorkingFolder(), folder);
    EXPECT_FALSE(scratch.HoldsWorkingFolder());
    FileSelection selection;
    selection.SetFromNames(source, {"a.jpg"});
    EXPECT_FALSE(scratch.AddFiles("", selection));
    EXPECT_EQ(prompts.calls().back().text, "Failed to copy image to temporary");
    scratch.RemoveImage("a.jpg");
    ExpectFolderHoldsExactly({"a.jpg"});
}

TEST_F(GalleryAdd, MovingAndRemovingKeepTheFolderExact) {
    for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) WriteJpeg(Source(name), 20, 20);
    EXPECT_TRUE(Add({"a.jpg", "b.jpg", "c.jpg"}));
    EXPECT_EQ(gallery.MoveImageUp("a.jpg"), 0);
    EXPECT_EQ(gallery.MoveImageDown("c.jpg"), 2);
    gallery.MoveImageBefore("c.jpg", "nothing");
    gallery.MoveImageBefore("c.jpg", "b.jpg");
    ExpectFolderHoldsExactly({"a.jpg", "c.jpg", "b.jpg"});
    gallery.RemoveImage("c.jpg");
    ExpectFolderHoldsExactly({"a.jpg", "b.jpg"});
    gallery.RemoveAllImages();
    ExpectFolderHoldsExactly({});
}

TEST_F(GalleryAdd, RegeneratedThumbnailsFollowThePreferences) {
    for (const char* name : {"a.jpg", "b.jpg"}) WriteJpeg(Source(name), 64, 32);
    EXPECT_TRUE(Add({"a.jpg", "b.jpg"}));
    env.properties().SetThumbSize({20, 10});
    RecordedProgress progress;
    EXPECT_TRUE(gallery.RegenerateThumbnails());
    EXPECT_EQ(progress.calls,
              (Names{"0 Regenerating thumbs... a.jpg", "1 Regenerating thumbs... b.jpg"}));
    EXPECT_EQ(SizeOf(folder + "tmb_a.jpg"), Vector2<int>(20, 10));
    EXPECT_EQ(SizeOf(folder + "tmb_b.jpg"), Vector2<int>(20, 10));

    // A copy that can no longer be read is passed over silently.
    env.root().Write("tmp/KVTTmp/a.jpg", "broken");
    EXPECT_TRUE(gallery.RegenerateThumbnails());
    EXPECT_TRUE(prompts.calls().empty());
}

}  // namespace
