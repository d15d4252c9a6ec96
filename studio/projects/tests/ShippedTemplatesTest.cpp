// Every template of the studio's data folder, exported with real pictures: the pages must
// hold no tag and no reference to a file the export lacks.

#include <filesystem>
#include <cctype>

#include <gumbo.h>
#include <gtest/gtest.h>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/shell/DataFolder.h"
#include "studio/shell/PidlPath.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::FilesIn;
using gallery_testing::GalleryEnvironment;
using gallery_testing::OpenGallery;
using testing_support::ReadFile;
namespace fs = std::filesystem;

constexpr int kPictures = 25;

void WriteJpeg(const std::string& path, int width, int height, int seed) {
    auto dib = platform::DibSection::Create(width, -height, 24);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < width * 3; ++x) p[x] = static_cast<std::uint8_t>(x * 5 + y * 3 + seed * 40);
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    ASSERT_TRUE(SaveJPG(info, path, 85)) << path;
}

// The templates of the data folder: each "thumb_" file names one.
std::vector<std::string> ShippedTemplates(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const std::string file = entry.path().filename().string();
        if (file.rfind("thumb_", 0) == 0) names.push_back(entry.path().stem().string().substr(6));
    }
    std::sort(names.begin(), names.end());
    return names;
}

// A reference that names a file of the export: no scheme, no fragment of the same page.
bool IsLocal(const std::string& url) {
    if (url.empty() || url[0] == '#') return false;
    std::size_t i = 0;
    while (i < url.size() && (std::isalnum(static_cast<unsigned char>(url[i])) ||
                              url[i] == '+' || url[i] == '.' || url[i] == '-')) {
        ++i;
    }
    const bool scheme =
        i > 0 && i < url.size() && url[i] == ':' && std::isalpha(static_cast<unsigned char>(url[0]));
    return !scheme;
}

struct References {
    std::vector<std::string> urls;
    std::vector<std::string> scripts;  // inline script texts
};

void Collect(const GumboNode* node, References& out);

void CollectChildren(const GumboVector& children, References& out) {
    for (unsigned i = 0; i < children.length; ++i) {
        Collect(static_cast<const GumboNode*>(children.data[i]), out);
    }
}

void Collect(const GumboNode* node, References& out) {
    if (node->type != GUMBO_NODE_ELEMENT) return;
    const GumboElement& element = node->v.element;
    for (const char* name : {"href", "src"}) {
        if (const GumboAttribute* attribute = gumbo_get_attribute(&element.attributes, name)) {
            out.urls.push_back(attribute->value);
        }
    }
    if (element.tag == GUMBO_TAG_SCRIPT || element.tag == GUMBO_TAG_NOSCRIPT) {
        for (unsigned i = 0; i < element.children.length; ++i) {
            const auto* child = static_cast<const GumboNode*>(element.children.data[i]);
            if (child->type != GUMBO_NODE_TEXT) continue;
            const std::string text = child->v.text.text;
            if (element.tag == GUMBO_TAG_SCRIPT) {
                out.scripts.push_back(text);
            } else {
                // A parser with scripting on keeps the fallback as text: parse it on its own.
                GumboOutput* inner = gumbo_parse(text.c_str());
                Collect(inner->root, out);
                gumbo_destroy_output(&kGumboDefaultOptions, inner);
            }
        }
    }
    CollectChildren(element.children, out);
}

References ParsePage(const std::string& path) {
    const std::string text = ReadFile(path);
    GumboOutput* output = gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
    References references;
    Collect(output->root, references);
    gumbo_destroy_output(&kGumboDefaultOptions, output);
    return references;
}

// Picture names the page's scripts hand to the page script.
std::vector<std::string> ScriptPictures(const std::string& script) {
    std::vector<std::string> names;
    std::size_t at = 0;
    while ((at = script.find_first_of("'\"", at)) != std::string::npos) {
        const std::size_t end = script.find(script[at], at + 1);
        if (end == std::string::npos) break;
        const std::string text = script.substr(at + 1, end - at - 1);
        if (text.size() > 4 && text.compare(text.size() - 4, 4, ".jpg") == 0) {
            names.push_back(text);
        }
        at = end + 1;
    }
    return names;
}

TEST(ShippedTemplates, ExportedGalleriesAreComplete) {
    GalleryEnvironment env;
    testing_support::ScriptedPrompts prompts;
    SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
    const std::string templates = GetDataFolder() + "templates/";
    const std::vector<std::string> names = ShippedTemplates(templates);
    ASSERT_GE(names.size(), 2u);

    const std::string pictures = env.root().Path("pictures");
    fs::create_directories(pictures);
    std::vector<std::string> files;
    for (int n = 1; n <= kPictures; ++n) {
        files.push_back("photo " + std::to_string(n) + ".jpg");
        WriteJpeg(pictures + "/" + files.back(), 120 + n * 4, 90 + n * 2, n);
    }

    OpenGallery gallery(env.properties());
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(pictures, files);
    ASSERT_TRUE(gallery.AddFiles("", selection));
    ASSERT_EQ(gallery.GetImageCount(), kPictures);

    const std::string out = env.root().Path("export");
    fs::create_directories(out);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        EXPECT_TRUE(fs::exists(templates + "help_" + name + ".htm"));
        EXPECT_TRUE(fs::exists(templates + name + ".jpg"));
        EXPECT_TRUE(fs::is_directory(templates + name));

        gallery.SetTemplate(name);
        gallery.SetTitle(name);
        ASSERT_TRUE(gallery.Export(PidlPath(out)));
        const std::string folder = out + "/" + name + "/";
        const std::set<std::string> exported = FilesIn(folder);
        EXPECT_TRUE(exported.count("main.htm"));
        EXPECT_TRUE(exported.count("index1.htm"));
        for (const std::string& file : files) {
            EXPECT_TRUE(exported.count(file)) << file;
            EXPECT_TRUE(exported.count(Gallery::ThumbnailName(file))) << file;
        }
        EXPECT_TRUE(fs::exists(folder + "data/vantelo.js"));

        int pages = 0;
        for (const std::string& file : exported) {
            if (fs::path(file).extension() != ".htm") continue;
            ++pages;
            SCOPED_TRACE(file);
            const std::string text = ReadFile(folder + file);
            EXPECT_EQ(text.find("{{"), std::string::npos);
            EXPECT_EQ(text.rfind("<!DOCTYPE html>", 0), 0u);
            const References references = ParsePage(folder + file);
            EXPECT_FALSE(references.urls.empty());
            std::vector<std::string> urls = references.urls;
            for (const std::string& script : references.scripts) {
                for (const std::string& picture : ScriptPictures(script)) urls.push_back(picture);
            }
            for (std::string url : urls) {
                if (!IsLocal(url)) continue;
                url = url.substr(0, url.find_first_of("?#"));
                EXPECT_TRUE(fs::is_regular_file(folder + url)) << url;
            }
        }
        EXPECT_GE(pages, 2) << "the entry page and at least one index page";
        for (const std::string& file : FilesIn(folder + "data")) {
            if (fs::path(file).extension() == ".js") {
                EXPECT_EQ(ReadFile(folder + "data/" + file).find("{{"), std::string::npos) << file;
            }
        }
    }
    SetDataFolder("");
}

}  // namespace
