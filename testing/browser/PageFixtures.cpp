#include "testing/browser/PageFixtures.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "platform/registry/Registry.h"
#include "studio/projects/Animation.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageWriter.h"
#include "studio/shell/DataFolder.h"
#include "studio/shell/FileSelection.h"
#include "studio/shell/PidlPath.h"
#include "studio/shell/Properties.h"
#include "testing/ScriptedPrompts.h"

namespace page_fixtures {
namespace {

namespace fs = std::filesystem;

bool Fail(const std::string& what) {
    std::fprintf(stderr, "page fixtures: %s\n", what.c_str());
    return false;
}

// What every project needs: its own registry and temporary folder inside `folder`, the
// shipped data folder, and prompts that nobody answers.
struct Studio {
    explicit Studio(const std::string& folder)
        : registry(folder + "/registry"), properties(registry) {
        if (const char* old = std::getenv("TMPDIR")) previousTmp = old;
        fs::create_directories(folder + "/tmp");
        setenv("TMPDIR", (folder + "/tmp").c_str(), 1);
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
    }
    ~Studio() {
        if (previousTmp.empty()) {
            unsetenv("TMPDIR");
        } else {
            setenv("TMPDIR", previousTmp.c_str(), 1);
        }
    }
    Studio(const Studio&) = delete;
    Studio& operator=(const Studio&) = delete;
    std::string previousTmp;
    platform::Registry registry;
    Properties properties;
    testing_support::ScriptedPrompts prompts;
};

bool MakeGalleries(Studio& studio, const std::string& folder) {
    const std::string pictures = folder + "/pictures";
    fs::create_directories(pictures);
    const std::vector<std::string> names{"first.jpg", "second.jpg", "third.jpg"};
    const int sizes[][2] = {{1200, 800}, {600, 900}, {1000, 1000}};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (!WritePicture(pictures + "/" + names[i], sizes[i][0], sizes[i][1])) {
            return Fail("no picture " + names[i]);
        }
    }
    Gallery gallery(studio.properties);
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(pictures, names);
    if (!gallery.AddFiles("", selection)) return Fail("pictures not added");
    // The viewer window the gallery's pages give their viewers.
    gallery.SetWindowWidth(640);
    gallery.SetWindowHeight(480);
    for (const char* name : {"grid", "slides"}) {
        gallery.SetTemplate(name);
        gallery.SetTitle(name);
        if (!gallery.Export(PidlPath(folder))) return Fail(std::string("no export of ") + name);
    }
    return true;
}

bool MakeAnimation(Studio& studio, const std::string& folder) {
    const std::string picture = folder + "/animation-picture/tour.jpg";
    fs::create_directories(folder + "/animation-picture");
    fs::create_directories(folder + "/animation");
    if (!WritePicture(picture, 1200, 800)) return Fail("no animation picture");
    Animation animation(studio.properties);
    animation.Initialize(nullptr);
    if (!animation.Open(picture)) return Fail("animation picture not opened");
    animation.SetSpeed(200);  // the fastest moves
    animation.SetPlayMode(0);  // once
    const Vector3 points[] = {{300, 200, 1}, {600, 400, 2}, {900, 600, 0.5f}};
    for (const Vector3& point : points) animation.InsertPoint(-1, {"", point, {320, 200}});
    if (!animation.ExportTo(folder + "/animation/index.htm")) return Fail("no animation page");
    return true;
}

}  // namespace

bool WritePicture(const std::string& path, int width, int height) {
    auto dib = platform::DibSection::Create(width, -height, 24);
    if (!dib) return false;
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            const bool line = x % 50 < 2 || y % 50 < 2;
            p[0] = line ? 20 : static_cast<std::uint8_t>(255 * x / width);   // blue
            p[1] = line ? 20 : static_cast<std::uint8_t>(255 * y / height);  // green
            p[2] = line ? 20 : 200;                                          // red
        }
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    return SaveJPG(info, path, 90);
}

bool MakeConvertedPage(const std::string& folder) {
    if (!WritePicture(folder + "/big.jpg", 800, 600) ||
        !WritePicture(folder + "/small.jpg", 400, 300) ||
        !WritePicture(folder + "/other.jpg", 640, 480)) {
        return Fail("no pictures for the converted page");
    }
    const std::string head = "<!DOCTYPE html><html><head><title>Converted</title></head><body>\n";
    const std::string text = head + "<p>One</p><img src=\"small.jpg\">\n<p>Two</p><img src=\"other.jpg\">\n"
                              "</body></html>\n";
    VantelifyPage page;
    page.text = text;
    page.headOffset = static_cast<int>(text.find("<head>") + 6);
    // Each <img> tag becomes a viewer of `source` (zoom size `zoom`, 0 for its own) in a
    // place of `place`.
    auto zoomable = [&text](const std::string& tag, const std::string& source, Vector2<int> zoom,
                            Vector2<int> place) {
        PageImage image;
        image.start = static_cast<int>(text.find(tag));
        image.length = static_cast<int>(tag.size());
        image.zoomable = true;
        image.zoomSource = source;
        image.zoomWidth = zoom.x;
        image.zoomHeight = zoom.y;
        image.pagePicture = tag.substr(10, tag.size() - 12);
        image.pageWidth = place.x;
        image.pageHeight = place.y;
        return image;
    };
    page.images = {zoomable("<img src=\"small.jpg\">", "big.jpg", {800, 600}, {400, 300}),
                   zoomable("<img src=\"other.jpg\">", "other.jpg", {0, 0}, {640, 480})};
    std::ofstream(folder + "/page.htm", std::ios::binary) << BuildPageText(page);

    // The page script as the studio expands it beside a converted page.
    Studio studio(folder + "/.studio");
    Gallery gallery(studio.properties);
    gallery.Initialize(nullptr);
    const std::string script =
        gallery.GenerateFromTemplate(GetDataFolder() + "vantelo.js", folder + "/", "vantelo.js");
    return !script.empty() && fs::is_regular_file(script) ? true : Fail("no page script");
}

bool MakeAll(const std::string& folder) {
    Studio studio(folder + "/.studio");
    fs::create_directories(folder + "/converted");
    return MakeGalleries(studio, folder) && MakeAnimation(studio, folder) &&
           MakeConvertedPage(folder + "/converted");
}

}  // namespace page_fixtures
