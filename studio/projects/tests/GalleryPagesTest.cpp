#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "studio/shell/PidlPath.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using testing_support::DebugCapture;
using testing_support::ReadFile;
using testing_support::ScriptedPrompts;
using FileSet = std::set<std::string>;
namespace fs = std::filesystem;

void WriteText(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Four images a page, the page's images listed and a link to the next page.
constexpr char kFourAPage[] =
    "P{{pagenumber}}/{{pagetotal}}:{{imageindex}}{{nextimage}},{{imageindex}}{{nextimage}},"
    "{{imageindex}}{{nextimage}},{{imageindex}}{{endpage}};{{nextpage}}";

class GalleryPages : public ::testing::Test {
protected:
    void SetUp() override {
        data = env.root().Path("data") + "/";
        templates = data + "templates/";
        fs::create_directories(templates + "t");
        WriteText(templates + "main.htm", "<p>main</p>");
        SetDataFolder(data);
        gallery.Initialize(nullptr);
        gallery.SetTemplate("t");
        gallery.SetTitle("Trip");
        work = gallery.GetWorkingFolder();
    }
    void TearDown() override { SetDataFolder(""); }

    void AddImages(int count) {
        for (int n = 1; n <= count; ++n) gallery.Append("p" + std::to_string(n) + ".jpg");
    }
    FileSet Pages() const {
        FileSet pages;
        for (const std::string& name : FilesIn(work)) {
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".htm") == 0) pages.insert(name);
        }
        return pages;
    }

    GalleryEnvironment env;
    OpenGallery gallery{env.properties()};
    std::string data;
    std::string templates;
    std::string work;
    ScriptedPrompts prompts;
};

TEST_F(GalleryPages, PagesFollowTheImagesOfTheIndexTemplate) {
    WriteText(templates + "thumb_t.htm", kFourAPage);
    AddImages(10);
    EXPECT_EQ(gallery.Generate(), work + "index1.htm");
    EXPECT_EQ(gallery.imagesPerPage, 4);
    EXPECT_EQ(gallery.pageTotal, 3);
    EXPECT_EQ(Pages(), (FileSet{"index1.htm", "index2.htm", "index3.htm"}));
    EXPECT_EQ(ReadFile(work + "index1.htm"), "P1/3:1,2,3,4;index2.htm");
    EXPECT_EQ(ReadFile(work + "index2.htm"), "P2/3:5,6,7,8;index3.htm");
    EXPECT_EQ(ReadFile(work + "index3.htm"), "P3/3:9,10;index4.htm");
    EXPECT_EQ(gallery.GetPageFile(0), work + "index1.htm");
    EXPECT_EQ(gallery.GetPageFile(2), work + "index3.htm");
    EXPECT_EQ(gallery.GetPageFile(3), "");
    EXPECT_EQ(gallery.GetPageFile(50), "");

    // Fewer images than a page holds, and a template without "{{nextpage}}".
    gallery.images.resize(4);
    gallery.Generate();
    EXPECT_EQ(gallery.pageTotal, 1);
    EXPECT_EQ(Pages(), FileSet{"index1.htm"});

    WriteText(templates + "thumb_t.htm", "{{imageindex}}{{nextimage}}{{imageindex}}");
    AddImages(96);
    bool single = false;
    EXPECT_EQ(gallery.CountImagesPerPage(single), 2);
    EXPECT_TRUE(single);
    gallery.Generate();
    EXPECT_EQ(gallery.pageTotal, 1);
    EXPECT_EQ(Pages(), FileSet{"index1.htm"});
    EXPECT_EQ(ReadFile(work + "index1.htm"), "12");
}

TEST_F(GalleryPages, PageCountIsBoundedByTheImages) {
    // Stepping back more than forward: the pages never reach the last image.
    WriteText(templates + "thumb_t.htm",
              "{{imageindex}}{{nextimage}}{{previmage}}{{previmage}}{{nextpage}}");
    AddImages(5);
    EXPECT_EQ(gallery.Generate(), work + "index1.htm");
    EXPECT_EQ(Pages().size(), 5u);

    // A page per image without any "{{nextimage}}".
    WriteText(templates + "thumb_t.htm", "{{imageurl}} {{nextpage}}");
    gallery.Generate();
    EXPECT_EQ(gallery.pageTotal, 5);
    EXPECT_EQ(Pages(), (FileSet{"index1.htm", "index2.htm", "index3.htm", "index4.htm",
                                "index5.htm"}));
    EXPECT_EQ(ReadFile(work + "index5.htm"), "p5.jpg index6.htm");
}

TEST_F(GalleryPages, GenerationRenewsPagesDataAndScripts) {
    WriteText(templates + "thumb_t.vtt", "vtt {{title}}<a href=\"{{imagepageurl}}\">");
    WriteText(templates + "thumb_t.htm", "htm");
    WriteText(templates + "image_t.htm", "{{imageurl}}");
    WriteText(templates + "t/style.css", "body{}");
    WriteText(templates + "t/page.js", "var t='{{title}}';var n={{pagetotal}};");
    fs::create_directories(templates + "t/sub");
    WriteText(work + "old.htm", "stale");
    WriteText(work + "keep.jpg", "picture");
    WriteText(work + "data/old.css", "stale");
    AddImages(2);

    DebugCapture debug;
    gallery.pageTotal = 7;
    EXPECT_EQ(gallery.Generate(), work + "index1.htm");
    EXPECT_TRUE(debug.Contains("Directories not cleared at the moment\n"));
    EXPECT_EQ(Pages(), (FileSet{"index1.htm", "index1_1.htm"}));
    EXPECT_TRUE(fs::exists(work + "keep.jpg"));
    EXPECT_EQ(FilesIn(work + "data"), (FileSet{"page.js", "style.css"}));
    // Scripts are made before the pages are counted.
    EXPECT_EQ(ReadFile(work + "data/page.js"), "var t='Trip';var n=7;");
    EXPECT_EQ(ReadFile(work + "index1.htm"), "vtt Trip<a href=\"index1_1.htm\">");
    EXPECT_EQ(ReadFile(work + "index1_1.htm"), "p1.jpg");
    EXPECT_TRUE(gallery.IsGeneratedPage(work + "index1_1.htm"));
    EXPECT_FALSE(gallery.IsGeneratedPage(work + "data/page.js"));

    // No index template: no page.
    fs::remove(templates + "thumb_t.vtt");
    fs::remove(templates + "thumb_t.htm");
    EXPECT_EQ(gallery.Generate(), "");
    EXPECT_EQ(gallery.imagesPerPage, 0);
    EXPECT_EQ(gallery.pageTotal, 1);
    EXPECT_TRUE(Pages().empty());
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(GalleryPages, ExportMakesANewFolderEachTime) {
    WriteText(templates + "thumb_t.htm",
              "{{if export==1}}export{{endif}}{{if export==0}}preview{{endif}}");
    WriteText(templates + "t/style.css", "body{}");
    AddImages(1);
    WriteText(work + "p1.jpg", "picture");
    const std::string target = env.root().Path("out");
    fs::create_directories(target);

    ASSERT_TRUE(gallery.Export(PidlPath(target)));
    ASSERT_TRUE(gallery.Export(PidlPath(target)));
    EXPECT_EQ(FilesIn(target + "/Trip"), (FileSet{"main.htm", "index1.htm", "p1.jpg"}));
    EXPECT_EQ(FilesIn(target + "/Trip/data"), FileSet{"style.css"});
    EXPECT_EQ(ReadFile(target + "/Trip_1/index1.htm"), "export");
    EXPECT_EQ(ReadFile(target + "/Trip_1/main.htm"), "<p>main</p>");
    EXPECT_EQ(ReadFile(work + "index1.htm"), "export");
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text,
              "The Gallery has been successfully exported!\n\nThe files are located in:\n" +
                  target + "/Trip_1/");
    EXPECT_EQ(prompts.calls()[1].caption, "Gallery export");
    EXPECT_FALSE(gallery.Changed());
    gallery.Generate();
    EXPECT_EQ(ReadFile(work + "index1.htm"), "preview");
}

TEST_F(GalleryPages, ExportStaysInsideTheChosenFolder) {
    WriteText(templates + "thumb_t.htm", "x");
    AddImages(1);
    const std::string target = env.root().Path("out/inner");
    fs::create_directories(target);
    EXPECT_EQ(Gallery::ExportFolderName(".."), "Vantelo");
    EXPECT_EQ(Gallery::ExportFolderName(""), "Vantelo");
    EXPECT_EQ(Gallery::ExportFolderName("a/b\\c\td"), "a_b_c_d");

    for (const char* title : {"../escape", "..", "/"}) {
        gallery.SetTitle(title);
        ASSERT_TRUE(gallery.Export(PidlPath(target))) << title;
    }
    EXPECT_EQ(FilesIn(env.root().Path("out")), FileSet{});
    FileSet folders;
    for (const auto& entry : fs::directory_iterator(target)) {
        folders.insert(entry.path().filename().string());
    }
    EXPECT_EQ(folders, (FileSet{".._escape", "Vantelo", "_"}));
}

TEST_F(GalleryPages, ExportFailuresAreReported) {
    AddImages(1);
    const std::string target = env.root().Path("out");
    fs::create_directories(target);

    EXPECT_FALSE(gallery.Export(PidlPath()));
    EXPECT_TRUE(prompts.calls().empty());

    // No index template: nothing to export.
    EXPECT_FALSE(gallery.Export(PidlPath(target)));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to export gallery successfully");
    EXPECT_EQ(prompts.calls()[0].caption, "Gallery export");
    EXPECT_TRUE(fs::is_empty(target));

    // No entry page.
    WriteText(templates + "thumb_t.htm", "x");
    fs::remove(templates + "main.htm");
    EXPECT_FALSE(gallery.Export(PidlPath(target)));
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text, "Failed to export gallery successfully");
}

TEST_F(GalleryPages, DataFileCopyFailureIsReported) {
    WriteText(templates + "thumb_t.htm", "x");
    WriteText(templates + "t/a.css", "a");
    fs::create_directories(templates + "t");
    AddImages(1);
    // A name the working folder's data/ already has as a folder cannot be copied.
    fs::create_directories(work + "data/a.css");
    EXPECT_FALSE(gallery.CopyTemplateDataFiles(work));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to copy template data files");
    EXPECT_EQ(prompts.calls()[0].caption, "File copy error");
}

TEST_F(GalleryPages, NothingIsWrittenIntoAFolderNotHeld) {
    WriteText(templates + "thumb_t.htm", "x");
    OpenGallery other(env.properties());  // the folder is held by `gallery`
    other.Initialize(nullptr);
    ASSERT_NE(other.GetWorkingFolder(), work);
    WriteText(work + "old.htm", "kept");
    Gallery unheld(env.properties());
    unheld.SetTemplate("t");
    ASSERT_EQ(unheld.GetWorkingFolder(), work);
    EXPECT_EQ(unheld.Generate(), "");
    EXPECT_EQ(ReadFile(work + "old.htm"), "kept");
}

}  // namespace
