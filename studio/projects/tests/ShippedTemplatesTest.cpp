// Every template of the studio's data folder, exported with real pictures: the pages must
// hold no tag and no reference to a file the export lacks.

#include <algorithm>
#include <filesystem>

#include <gtest/gtest.h>
#include <gumbo.h>

#include "studio/core/DataFolder.h"
#include "studio/core/PidlPath.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/tests/GalleryTesting.h"
#include "studio/projects/tests/PageLinks.h"
#include "testing/ScriptedPrompts.h"

namespace {

using gallery_testing::CollectLinks;
using gallery_testing::FilesIn;
using testing_support::ReadFile;
namespace fs = std::filesystem;

TEST(ShippedTemplates, ExportedGalleriesAreComplete) {
    gallery_testing::GalleryEnvironment env;
    testing_support::ScriptedPrompts prompts;
    SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
    const std::string templates = GetDataFolder() + "templates/";
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(templates)) {
        const std::string file = entry.path().filename().string();
        if (file.starts_with("thumb_")) names.push_back(entry.path().stem().string().substr(6));
    }
    std::sort(names.begin(), names.end());
    ASSERT_GE(names.size(), 2u);

    // More pictures than one index page of any template shows.
    const std::string pictures = env.root().Path("pictures");
    fs::create_directories(pictures);
    std::vector<std::string> files;
    for (int n = 1; n <= 25; ++n) {
        files.push_back("photo " + std::to_string(n) + ".jpg");
        gallery_testing::WriteJpeg(pictures + "/" + files.back(), 120 + n * 4, 90 + n * 2, n);
    }
    gallery_testing::OpenGallery gallery(env.properties());
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(pictures, files);
    ASSERT_TRUE(gallery.AddFiles("", selection));

    const std::string out = env.root().Path("export");
    fs::create_directories(out);
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        gallery.SetTemplate(name);
        gallery.SetTitle(name);
        ASSERT_TRUE(gallery.Export(PidlPath(out)));
        const std::string folder = out + "/" + name + "/";
        const std::set<std::string> exported = FilesIn(folder);
        EXPECT_TRUE(exported.count("main.htm"));
        EXPECT_TRUE(exported.count("index1.htm"));
        for (const std::string& file : files) {
            EXPECT_TRUE(exported.count(file) && exported.count(Gallery::ThumbnailName(file)))
                << file;
        }

        int pages = 0;
        for (const std::string& file : exported) {
            if (!file.ends_with(".htm")) continue;
            ++pages;
            SCOPED_TRACE(file);
            const std::string text = ReadFile(folder + file);
            EXPECT_EQ(text.find("{{"), std::string::npos);
            EXPECT_TRUE(text.starts_with("<!DOCTYPE html>"));
            GumboOutput* output =
                gumbo_parse_with_options(&kGumboDefaultOptions, text.data(), text.size());
            std::vector<std::string> urls;
            CollectLinks(output->root, urls);
            gumbo_destroy_output(&kGumboDefaultOptions, output);
            for (std::string url : urls) {
                // Only files of the export: no scheme, no fragment of the same page.
                if (url.empty() || url[0] == '#' || url.find(':') != std::string::npos) continue;
                url = url.substr(0, url.find_first_of("?#"));
                // Addresses are percent-encoded; the files carry the names.
                std::string onDisk;
                for (std::size_t i = 0; i < url.size(); ++i) {
                    if (url[i] == '%' && i + 2 < url.size()) {
                        onDisk += static_cast<char>(std::stoi(url.substr(i + 1, 2), nullptr, 16));
                        i += 2;
                    } else {
                        onDisk += url[i];
                    }
                }
                EXPECT_TRUE(fs::is_regular_file(folder + onDisk)) << url;
            }
        }
        EXPECT_GE(pages, 2) << "the entry page and at least one index page";
        for (const std::string& file : FilesIn(folder + "data")) {
            if (file.ends_with(".js")) {
                EXPECT_EQ(ReadFile(folder + "data/" + file).find("{{"), std::string::npos) << file;
            }
        }
    }
    SetDataFolder("");
}

}  // namespace
