#include <filesystem>

#include <gtest/gtest.h>

#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "testing/DebugCapture.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using gallery_testing::WriteText;
using testing_support::ReadFile;
using Tokens = std::vector<std::string>;

// A gallery of three images with a template "t" in a data folder of its own.
class TemplateLanguage : public ::testing::Test {
protected:
    void SetUp() override {
        templates = env.root().Path("data") + "/templates/";
        std::filesystem::create_directories(templates);
        SetDataFolder(env.root().Path("data"));
        gallery.Initialize(nullptr);
        gallery.SetTemplate("t");
        gallery.SetTitle("T");
        for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) gallery.Append(name);
        gallery.currentImage = 1;
        gallery.currentPage = 1;
        gallery.pageTotal = 3;
        gallery.imagesPerPage = 1;
    }
    void TearDown() override { SetDataFolder(""); }

    // The template expanded into the working folder.
    std::string Expand(const std::string& text) {
        WriteText(env.root().Path("in.vtt"), text);
        const std::string path = gallery.GenerateFromTemplate(env.root().Path("in.vtt"),
                                                              gallery.GetWorkingFolder(), "out.htm");
        EXPECT_EQ(path, gallery.GetWorkingFolder() + "out.htm");
        return ReadFile(path);
    }

    GalleryEnvironment env;
    OpenGallery gallery{env.properties()};
    std::string templates;
    testing_support::ScriptedPrompts prompts;
};

TEST(TemplateLexer, TokensFollowTheCharacterClasses) {
    const std::vector<std::pair<std::string, Tokens>> cases = {
        {" pagenumber==1", {"pagenumber", "==", "1"}},
        {"pagenumber == 1", {"pagenumber ", "==", "1"}},
        {"12ab.3 x", {"12ab.3", "x"}},
        {"!x", {"!", "x"}},
        {"string;cat, x.y ;T", {"string", ";", "cat, x.y ", ";", "T"}},
        {"\"\"==''", {"\"\"", "==", "''"}},
        {"\xC3\xA4" "1 b", {"\xC3\xA4" "1 b"}},
    };
    for (const auto& [text, expected] : cases) {
        Tokens tokens;
        std::size_t position = 0;
        do {
            tokens.push_back(Gallery::NextToken(text, position));
        } while (position < text.size());
        EXPECT_EQ(tokens, expected) << text;
    }
}

TEST_F(TemplateLanguage, TemplatesExpandToExactText) {
    struct Case {
        const char* text;
        const char* expected;
        int currentImage = 1;
        int currentPage = 1;
    };
    const Case cases[] = {
        // An empty result takes every line break after it along; a printed one none.
        {"a{{nothing}}\r\n\r\nb", "ab"},
        {"a{{nothing}}\n\r\n\r \nb", "a \nb"},
        {"a{{title}}\r\nb", "aT\r\nb"},
        {"{{title\r\n}}|{{imagewidth 7}}|{{unknown word}}", "T||"},
        // Conditional blocks.
        {"{{if 0}}x{{if 1}}y{{endif}}z{{endif}}w", "w"},
        {"{{if 1}}a{{if 0}}b{{endif}}c{{endif}}", "ac"},
        {"{{if 0}}never closed", ""},
        {"{{if pagenumber==2}}P2{{endif}}", "P2", 1, 2},
        {"{{if pagenumber == 2}}x{{endif}}", "", 1, 2},
        {"{{if pagenumber!=2}}x{{endif}}-", "-", 1, 2},
        {"{{if title==T}}x{{endif}}-", "-"},
        {"{{if iptc_caption!=''}}C{{endif}}{{if iptc_nofield==''}}N{{endif}}", "N"},
        // Declarations: the first one holds.
        {"{{if 0}}{{v=string;c;t;d;inside}}{{endif}}[{{v}}]", "[inside]"},
        {"{{v=string;c;t;d;one}}{{v=string;c;t;d;two}}{{v}}", "one"},
        {"{{b=bool;c;t;d;1;off;on}}{{if b}}on{{endif}}", "on"},
        {"{{s=stringlist;c;t;d;b;a;b;c}}{{s}}|{{z=stringlist;c;t;d;q;a;b}}{{z}}|", "b||"},
        // Stepping through the images.
        {"{{imageurl}} {{nextimage}}{{imageurl}} {{nextimage}}{{imageurl}}{{nextimage}}X"
         "{{imageurl}}{{endpage}}E{{imageindex}}",
         "a.jpg b.jpg c.jpgE4"},
        {"{{previmage}}[{{imageurl}}]{{imageindex}}", "[]0"},
        {"{{if 0}}{{nextimage}}{{previmage}}{{endif}}{{imageindex}}", "1"},
        {"{{nextimage}}{{if 0}}{{endpage}}{{endif}}x", "x", 3},
    };
    for (const Case& c : cases) {
        gallery.variables.clear();
        gallery.currentImage = c.currentImage;
        gallery.currentPage = c.currentPage;
        EXPECT_EQ(Expand(c.text), c.expected) << c.text;
    }
    EXPECT_TRUE(prompts.calls().empty());
}

TEST_F(TemplateLanguage, EachTemplateStartsOutsideEveryBlock) {
    EXPECT_EQ(Expand("{{if 0}}{{nextimage}}{{nextimage}}{{nextimage}}"), "");
    gallery.currentImage = 3;
    EXPECT_EQ(Expand("{{nextimage}}gone"), "");
    EXPECT_EQ(Expand("back"), "back");
}

TEST_F(TemplateLanguage, ImagePageUrlWritesThePageOfTheCurrentImage) {
    WriteText(templates + "image_t.htm", "<{{imageurl}}|{{imageindex}}>{{nothing}}\r\n{{imagepageurl}}.");
    gallery.currentImage = 2;
    EXPECT_EQ(Expand("[{{imagepageurl}}]{{imageurl}}"), "[index1_2.htm]b.jpg");
    // Line breaks after empty results stay on image pages; a page never writes itself.
    EXPECT_EQ(ReadFile(gallery.GetWorkingFolder() + "index1_2.htm"), "<b.jpg|2>\r\n.");

    std::filesystem::remove(templates + "image_t.htm");
    EXPECT_EQ(Expand("[{{imagepageurl}}]"), "[]");
}

TEST_F(TemplateLanguage, UnmatchedOpeningStaysTextAfterTheMessage) {
    EXPECT_EQ(Expand("ab{{title}}{{cd}"), "abT{{cd}");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Error in template {{ not matched");
    EXPECT_EQ(prompts.calls()[0].caption, "Error");
    EXPECT_EQ(Expand("{{if 0}}x{{"), "");
}

TEST_F(TemplateLanguage, UnwritableOutputIsReported) {
    WriteText(env.root().Path("in.vtt"), "x");
    const std::string missing = env.root().Path("no/such/folder/");
    EXPECT_EQ(gallery.GenerateFromTemplate(env.root().Path("in.vtt"), missing, "o.htm"),
              missing + "o.htm");
    ASSERT_EQ(prompts.calls().size(), 1u);
    EXPECT_EQ(prompts.calls()[0].text, "Failed to write generated file");
}

TEST_F(TemplateLanguage, StrayEndifAndBadDeclarationsLeaveDebugLines) {
    testing_support::DebugCapture debug;
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"{{endif}}", "{{endif}} detected without matching {{if}}\n"},
        {"{{v=string=c;t;d;x}}", "SetVariable missing ; after type\n"},
        {"{{v=string;c=t;d;x}}", "SetVariable missing ; after Cathegory\n"},
        {"{{v=string;c;t}}", "SetVariable missing ; after Title\n"},
        {"{{v=string;c;t;d}}", "SetVariable missing ; after desc\n"},
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
    EXPECT_EQ(gallery.GetVariable("v").varType, kVarColor);
}

}  // namespace
