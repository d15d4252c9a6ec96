#include <filesystem>
#include <tuple>

#include <gtest/gtest.h>

#include "platform/files/ReplacingWriter.h"
#include "studio/core/DataFolder.h"
#include "studio/core/PidlPath.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using gallery_testing::WriteText;
using testing_support::ReadFile;
using FileSet = std::set<std::string>;
namespace fs = std::filesystem;

class GalleryPages : public ::testing::Test {
protected:
    void SetUp() override {
        templates = env.root().Path("data") + "/templates/";
        fs::create_directories(templates + "t");
        WriteText(templates + "main.htm", "<p>main</p>");
        SetDataFolder(env.root().Path("data"));
        gallery.Initialize(nullptr);
        gallery.SetTemplate("t");
        gallery.SetTitle("Trip");
        work = gallery.GetWorkingFolder();
    }
    void TearDown() override { SetDataFolder(""); }

    void AddImages(int count) {
        for (int n = 1; n <= count; ++n) gallery.Append("p" + std::to_string(n) + ".jpg");
    }
    // The template expanded into the working folder, with three images, image `image`
    // current on page `page` of 3.
    std::string Expand(const std::string& text, int image = 1, int page = 1) {
        if (gallery.images.empty()) AddImages(3);
        gallery.currentImage = image;
        gallery.currentPage = page;
        gallery.pageTotal = 3;
        gallery.imagesPerPage = 1;
        WriteText(env.root().Path("in.vtt"), text);
        const std::string path =
            gallery.GenerateFromTemplate(env.root().Path("in.vtt"), work, "out.htm");
        EXPECT_EQ(path, work + "out.htm");
        return ReadFile(path);
    }
    FileSet Pages() const {
        FileSet pages;
        for (const std::string& name : FilesIn(work)) {
            if (name.ends_with(".htm")) pages.insert(name);
        }
        return pages;
    }

    GalleryEnvironment env;
    OpenGallery gallery{env.properties()};
    std::string templates;
    std::string work;
    testing_support::ScriptedPrompts prompts;
};

TEST_F(GalleryPages, PagesFollowTheImagesOfTheIndexTemplateUpToTheLastImage) {
    WriteText(
        templates + "thumb_t.htm",
        "P{{pagenumber}}/{{pagetotal}}:{{imageindex}}{{nextimage}},{{imageindex}}{{nextimage}},"
        "{{imageindex}}{{nextimage}},{{imageindex}}{{endpage}};{{nextpage}}");
    AddImages(10);
    EXPECT_EQ(gallery.Generate(), work + "index1.htm");
    EXPECT_EQ(Pages(), (FileSet{"index1.htm", "index2.htm", "index3.htm"}));
    EXPECT_EQ(ReadFile(work + "index1.htm"), "P1/3:1,2,3,4;index2.htm");
    EXPECT_EQ(ReadFile(work + "index3.htm"), "P3/3:9,10;index4.htm");
    EXPECT_EQ(gallery.GetPageFile(2), work + "index3.htm");
    EXPECT_EQ(gallery.GetPageFile(3) + gallery.GetPageFile(-1), "");

    // Without "{{nextpage}}" one page holds every image.
    WriteText(templates + "thumb_t.htm", "{{imageindex}}{{nextimage}}{{imageindex}}");
    gallery.Generate();
    EXPECT_EQ(Pages(), FileSet{"index1.htm"});
    EXPECT_EQ(ReadFile(work + "index1.htm"), "12");

    // Stepping back more than forward: the pages never pass the last image.
    WriteText(templates + "thumb_t.htm",
              "{{imageindex}}{{nextimage}}{{previmage}}{{previmage}}{{nextpage}}");
    gallery.images.resize(5);
    gallery.Generate();
    EXPECT_EQ(Pages().size(), 5u);

    // A page per image without any "{{nextimage}}".
    WriteText(templates + "thumb_t.htm", "{{imageurl}} {{nextpage}}");
    gallery.Generate();
    EXPECT_EQ(Pages().size(), 5u);
    EXPECT_EQ(ReadFile(work + "index5.htm"), "p5.jpg index6.htm");
}

TEST_F(GalleryPages, GenerationRenewsPagesDataAndScripts) {
    WriteText(templates + "thumb_t.vtt", "vtt {{title}}<a href=\"{{imagepageurl}}\">");
    WriteText(templates + "thumb_t.htm", "htm");
    WriteText(templates + "image_t.htm", "{{imageurl}}");
    WriteText(templates + "t/style.css", "body{}");
    WriteText(templates + "t/page.js", "var t='{{title}}';var n={{pagetotal}};");
    WriteText(templates + "t/upper.JS", "{{title}}");
    fs::create_directories(templates + "t/sub");
    WriteText(work + "old.htm", "stale");
    WriteText(work + "data/old.css", "stale");
    AddImages(2);

    testing_support::DebugCapture debug;
    gallery.pageTotal = 7;
    EXPECT_EQ(gallery.Generate(), work + "index1.htm");
    EXPECT_TRUE(debug.Contains("Directories not cleared at the moment\n"));
    EXPECT_EQ(Pages(), (FileSet{"index1.htm", "index1_1.htm"}));
    // Scripts are expanded (before the pages are counted); other data files are copied.
    EXPECT_EQ(FilesIn(work + "data"), (FileSet{"page.js", "style.css", "upper.JS"}));
    EXPECT_EQ(ReadFile(work + "data/page.js"), "var t='Trip';var n=7;");
    EXPECT_EQ(ReadFile(work + "data/upper.JS"), "{{title}}");
    EXPECT_EQ(ReadFile(work + "index1.htm"), "vtt Trip<a href=\"index1_1.htm\">");
    EXPECT_EQ(ReadFile(work + "index1_1.htm"), "p1.jpg");

    // No index template: no page.
    fs::remove(templates + "thumb_t.vtt");
    fs::remove(templates + "thumb_t.htm");
    EXPECT_EQ(gallery.Generate(), "");
    EXPECT_TRUE(Pages().empty());
}

TEST_F(GalleryPages, ExportMakesANewFolderInsideTheChosenOneEachTime) {
    WriteText(templates + "thumb_t.htm",
              "{{if export==1}}export{{endif}}{{if export==0}}preview{{endif}}");
    WriteText(templates + "t/style.css", "body{}");
    AddImages(1);
    WriteText(work + "p1.jpg", "picture");
    const std::string target = env.root().Path("out/inner");
    fs::create_directories(target);

    ASSERT_TRUE(gallery.Export(PidlPath(target)));
    ASSERT_TRUE(gallery.Export(PidlPath(target)));
    EXPECT_EQ(FilesIn(target + "/Trip"), (FileSet{"main.htm", "index1.htm", "p1.jpg"}));
    EXPECT_EQ(FilesIn(target + "/Trip/data"), FileSet{"style.css"});
    EXPECT_EQ(ReadFile(target + "/Trip_1/index1.htm"), "export");
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text,
              "The Gallery has been successfully exported!\n\nThe files are located in:\n" +
                  target + "/Trip_1/");
    EXPECT_EQ(prompts.calls()[1].caption, "Gallery export");
    EXPECT_FALSE(gallery.IsModified());
    gallery.Generate();
    EXPECT_EQ(ReadFile(work + "index1.htm"), "preview");

    EXPECT_EQ(Gallery::ExportFolderName("a/b\\c\td"), "a_b_c_d");
    for (const char* title : {"../escape", "..", "/", ""}) {
        gallery.SetTitle(title);
        ASSERT_TRUE(gallery.Export(PidlPath(target))) << title;
    }
    EXPECT_EQ(FilesIn(env.root().Path("out")), FileSet{});
    FileSet folders;
    for (const auto& entry : fs::directory_iterator(target)) {
        folders.insert(entry.path().filename().string());
    }
    EXPECT_EQ(folders, (FileSet{"Trip", "Trip_1", ".._escape", "Vantelo", "Vantelo_1", "_"}));
}

TEST_F(GalleryPages, ExportFailuresAreReported) {
    AddImages(1);
    const std::string target = env.root().Path("out");
    fs::create_directories(target);
    // No index template: nothing to export.
    EXPECT_FALSE(gallery.Export(PidlPath(target)));
    EXPECT_TRUE(fs::is_empty(target));
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to export gallery successfully");
    EXPECT_EQ(prompts.calls()[0].caption, "Gallery export");
}

TEST_F(GalleryPages, AnExportWhoseFilesCannotBePutOnDiskFails) {
    WriteText(templates + "thumb_t.htm", "{{imagepageurl}}{{nextimage}}{{imagepageurl}}");
    WriteText(templates + "image_t.htm", "image {{imageurl}}");
    WriteText(templates + "t/style.css", "body{}");
    AddImages(2);
    const std::string target = env.root().Path("out");
    fs::create_directories(target);
    {
        platform::InjectReplaceFaultForTesting(platform::ReplaceFault::DeferredFlush);
        const bool exported = gallery.Export(PidlPath(target));
        platform::InjectReplaceFaultForTesting(platform::ReplaceFault::None);
        EXPECT_FALSE(exported);
    }
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to export gallery successfully");

    // Flushed at the end instead of one by one, the files are all there and whole.
    ASSERT_TRUE(gallery.Export(PidlPath(target)));
    ASSERT_EQ(prompts.calls().size(), 2u);
    EXPECT_EQ(prompts.calls()[1].text,
              "The Gallery has been successfully exported!\n\nThe files are located in:\n" +
                  target + "/Trip_1/");
    EXPECT_EQ(FilesIn(target + "/Trip_1"),
              (FileSet{"main.htm", "index1.htm", "index1_1.htm", "index1_2.htm"}));
    EXPECT_EQ(FilesIn(target + "/Trip_1/data"), FileSet{"style.css"});
    EXPECT_EQ(ReadFile(target + "/Trip_1/index1_2.htm"), "image p2.jpg");
    EXPECT_EQ(ReadFile(target + "/Trip_1/data/style.css"), "body{}");
    // The working folder holds no temporary file either.
    for (const std::string& name : FilesIn(work)) EXPECT_NE(name.rfind(".~vt", 0), 0u) << name;
}

TEST_F(GalleryPages, NothingIsWrittenIntoAFolderNotHeld) {
    WriteText(templates + "thumb_t.htm", "x");
    WriteText(work + "old.htm", "kept");
    Gallery unheld(env.properties());  // named after the folder `gallery` holds
    unheld.SetTemplate("t");
    ASSERT_EQ(unheld.GetWorkingFolder(), work);
    EXPECT_EQ(unheld.Generate(), "");
    EXPECT_EQ(ReadFile(work + "old.htm"), "kept");
}

TEST_F(GalleryPages, TemplatesExpandToExactText) {
    const std::tuple<const char*, const char*, int, int> cases[] = {
        // An empty result takes every line break after it along; a printed one none.
        {"a{{nothing}}\r\n\r\nb", "ab", 1, 1},
        {"a{{nothing}}\n\r\n\r \nb", "a \nb", 1, 1},
        {"a{{title}}\r\nb", "aTrip\r\nb", 1, 1},
        {"{{title\r\n}}|{{imagewidth 7}}|{{unknown word}}", "Trip||", 1, 1},
        // Conditional blocks.
        {"{{if 0}}x{{if 1}}y{{endif}}z{{endif}}w", "w", 1, 1},
        {"{{if 1}}a{{if 0}}b{{endif}}c{{endif}}", "ac", 1, 1},
        {"{{if 0}}never closed", "", 1, 1},
        {"{{if pagenumber==2}}P2{{endif}}", "P2", 1, 2},
        {"{{if pagenumber == 2}}x{{endif}}{{if pagenumber!=2}}y{{endif}}-", "-", 1, 2},
        {"{{if title==Trip}}x{{endif}}-", "-", 1, 1},
        {"{{if \"\"==''}}Q{{endif}}{{if a!=b}}N{{endif}}{{if 12ab}}D{{endif}}", "QND", 1, 1},
        {"{{if iptc_caption!=''}}C{{endif}}{{if iptc_nofield==''}}N{{endif}}", "N", 1, 1},
        {"{{if iptc_caption==''}}E{{endif}}", "E", 9, 1},
        // Declarations: the first one holds.
        {"{{if 0}}{{v=string;c;t;d;inside}}{{endif}}[{{v}}]", "[inside]", 1, 1},
        {"{{v=string;c;t;d;one}}{{v=string;c;t;d;two}}{{v}}", "one", 1, 1},
        {"{{b=bool;c;t;d;1;off;on}}{{if b}}on{{endif}}", "on", 1, 1},
        {"{{s=stringlist;c;t;d;b;a;b;c}}{{s}}|{{z=stringlist;c;t;d;q;a;b}}{{z}}|", "b||", 1, 1},
        // Stepping through the images.
        {"{{imageurl}} {{nextimage}}{{imageurl}} {{nextimage}}{{imageurl}}{{nextimage}}X"
         "{{imageurl}}{{endpage}}E{{imageindex}}",
         "p1.jpg p2.jpg p3.jpgE4", 1, 1},
        {"{{previmage}}[{{imageurl}}]{{imageindex}}", "[]0", 1, 1},
        {"{{if 0}}{{nextimage}}{{previmage}}{{endif}}{{imageindex}}", "1", 1, 1},
        {"{{nextimage}}{{if 0}}{{endpage}}{{endif}}x", "x", 3, 1},
    };
    for (const auto& [text, expected, image, page] : cases) {
        gallery.variables.clear();
        EXPECT_EQ(Expand(text, image, page), expected) << text;
    }
    // Each template starts outside every block.
    EXPECT_EQ(Expand("{{if 0}}{{nextimage}}{{nextimage}}{{nextimage}}"), "");
    EXPECT_EQ(Expand("{{nextimage}}gone", 3), "");
    EXPECT_EQ(Expand("back"), "back");
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(GalleryPages, ImagePageUrlWritesThePageOfTheCurrentImage) {
    WriteText(templates + "image_t.htm",
              "<{{imageurl}}|{{imageindex}}>{{nothing}}\r\n{{imagepageurl}}.");
    EXPECT_EQ(Expand("[{{imagepageurl}}]{{imageurl}}", 2), "[index1_2.htm]p2.jpg");
    // Line breaks after empty results stay on image pages; a page never writes itself.
    EXPECT_EQ(ReadFile(work + "index1_2.htm"), "<p2.jpg|2>\r\n.");
    fs::remove(templates + "image_t.htm");
    EXPECT_EQ(Expand("[{{imagepageurl}}]"), "[]");
}

TEST_F(GalleryPages, UnmatchedOpeningStaysTextAfterTheMessage) {
    EXPECT_EQ(Expand("ab{{title}}{{cd}"), "abTrip{{cd}");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Error in template {{ not matched");
    EXPECT_EQ(prompts.calls()[0].caption, "Error");
    EXPECT_EQ(Expand("{{if 0}}x{{"), "");
}

TEST_F(GalleryPages, StrayEndifAndBadDeclarationsLeaveDebugLines) {
    testing_support::DebugCapture debug;
    const std::pair<std::string, std::string> cases[] = {
        {"{{endif}}", "{{endif}} detected without matching {{if}}\n"},
        {"{{v=string=c;t;d;x}}", "SetVariable missing ; after type\n"},
        {"{{v=bool;c;t;d;1 px;no;yes}}", "SetVariable missing ; after default text\n"},
        {"{{v=bool;c;t;d;1;no}}", "SetVariable missing ; after false text\n"},
    };
    for (const auto& [text, line] : cases) {
        debug.Clear();
        EXPECT_EQ(Expand(text + "x"), "x");
        EXPECT_EQ(debug.lines(), std::vector<std::string>{line}) << text;
        EXPECT_EQ(gallery.GetVariable("v").varType, kVarNone) << text;
    }
    EXPECT_TRUE(prompts.calls().empty());
    Expand("{{v=1,c;t;d;x}}");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Old template variable format");
    EXPECT_EQ(prompts.calls()[0].caption, "v");

    // An unknown type stays undeclared and may be declared again.
    debug.Clear();
    EXPECT_EQ(Expand("{{v=colour;c;t;d;x}}[{{v}}]{{v=color;c;Title;Desc;ff00}}{{v}}"), "[]ff00");
    EXPECT_EQ(debug.lines(), std::vector<std::string>{"Unknown type\n"});
}

}  // namespace

namespace {

// A picture's name lands in pages as what it is where it lands; the author's own texts (the
// title, variables) go in as written.
TEST_F(GalleryPages, PictureNamesAreMadeSafeWhereTheyLand) {
    gallery.Append("Mum's \"big\" <b>&#1 50%.jpg");
    gallery.Append(
        "Gr\xC3\xB6\xC3\x9F"
        "e.jpg");
    gallery.SetTitle("<em>Trip</em>");
    const std::pair<const char*, const char*> rows[] = {
        // HTML text and quoted attributes: character references.
        {"<p>{{imagename}}</p>", "<p>Mum&#39;s &quot;big&quot; &lt;b&gt;&amp;#1 50%</p>"},
        {"<img alt=\"{{imagename}}\" src=\"{{imageurl}}\">",
         "<img alt=\"Mum&#39;s &quot;big&quot; &lt;b&gt;&amp;#1 50%\" "
         "src=\"Mum%27s%20%22big%22%20%3Cb%3E%26%231%2050%25.jpg\">"},
        // A bare attribute value takes no blank either.
        {"<img alt={{imagename}}>",
         "<img alt=Mum&#39;s&#32;&quot;big&quot;&#32;&lt;b&gt;&amp;#1&#32;50%>"},
        {"<a href='{{thumburl 2}}'>", "<a href='tmb_Gr%C3%B6%C3%9Fe.jpg'>"},
        // Scripts: inside a string, escapes; outside one, a string of its own.
        {"<script>f('{{imagename}}');</script>",
         "<script>f('Mum\\x27s \\x22big\\x22 \\x3Cb\\x3E\\x26#1 50%');</script>"},
        {"<script>var n = {{imagename 2}};</script>",
         "<script>var n = \"Gr\xC3\xB6\xC3\x9F"
         "e\";</script>"},
        {"<script>s([{{allimages}}]);</script>",
         "<script>s([\"Mum%27s%20%22big%22%20%3Cb%3E%26%231%2050%25.jpg\",\"Gr%C3%B6%C3%9Fe.jpg\"])"
         ";</script>"},
        {"<script>// it's\nx = \"{{imageurl 2}}\";</script>",
         "<script>// it's\nx = \"Gr%C3%B6%C3%9Fe.jpg\";</script>"},
        // After a closed script, text again; an event attribute is script inside an attribute.
        {"<script>a=1;</script>{{imagename 2}}<i onclick=\"go('{{imagename}}')\">",
         "<script>a=1;</script>Gr\xC3\xB6\xC3\x9F"
         "e<i onclick=\"go('Mum\\x27s \\x22big\\x22 \\x3Cb\\x3E\\x26#1 50%')\">"},
        // The author's title goes in as typed.
        {"<h1>{{title}}</h1>", "<h1><em>Trip</em></h1>"},
    };
    for (const auto& [text, expected] : rows) {
        gallery.SetTitle("<em>Trip</em>");
        EXPECT_EQ(Expand(text, 1), expected) << text;
    }
}

}  // namespace
