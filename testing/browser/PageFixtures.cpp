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
#include "studio/projects/PageScan.h"
#include "studio/projects/PageWriter.h"
#include "studio/projects/TemplateEscaping.h"
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
    // The same picture without points, in a folder of its own.
    fs::create_directories(folder + "/animation-without-points");
    Animation empty(studio.properties);
    empty.Initialize(nullptr);
    if (!empty.Open(picture)) return Fail("animation picture not opened again");
    if (!empty.ExportTo(folder + "/animation-without-points/index.htm")) {
        return Fail("no animation page without points");
    }
    return true;
}

// Pictures whose names hold what photo names hold: quotes, '&', '#', '%', blanks, letters
// beyond ASCII, and markup.
const std::vector<std::string>& OddNames() {
    static const std::vector<std::string> names{
        "Mum's birthday.jpg", "say \"cheese\" <b>.jpg", "a&b #1 50%.jpg", "Gr\xC3\xB6\xC3\x9F" "e.jpg",
        "<img src=x onerror=window.ran=1>.jpg"};
    return names;
}

bool WriteOddPictures(const std::string& folder) {
    fs::create_directories(folder);
    int width = 700;
    for (const std::string& name : OddNames()) {
        if (!WritePicture(folder + "/" + name, width, 500)) return Fail("no picture " + name);
        width += 100;
    }
    return true;
}

// Galleries, an animation and a converted page of the odd names, below `folder`/names.
bool MakeNamedPages(Studio& studio, const std::string& root) {
    const std::string folder = root + "/names";
    const std::string pictures = folder + "/pictures";
    if (!WriteOddPictures(pictures)) return false;
    Gallery gallery(studio.properties);
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(pictures, OddNames());
    if (!gallery.AddFiles("", selection)) return Fail("odd pictures not added");
    gallery.SetWindowWidth(640);
    gallery.SetWindowHeight(480);
    for (const char* name : {"grid", "slides"}) {
        gallery.SetTemplate(name);
        gallery.SetTitle(name);
        if (!gallery.Export(PidlPath(folder))) return Fail(std::string("no export of odd ") + name);
    }

    const std::string animated = folder + "/animation-picture/" + OddNames()[1];
    fs::create_directories(folder + "/animation-picture");
    fs::create_directories(folder + "/animation");
    if (!WritePicture(animated, 1200, 800)) return Fail("no odd animation picture");
    Animation animation(studio.properties);
    animation.Initialize(nullptr);
    if (!animation.Open(animated)) return Fail("odd animation picture not opened");
    animation.InsertPoint(-1, {"", {300, 200, 1}, {320, 200}});
    animation.InsertPoint(-1, {"", {600, 400, 2}, {320, 200}});
    if (!animation.ExportTo(folder + "/animation/index.htm")) return Fail("no odd animation page");

    // A page written elsewhere, addressing its pictures as such a page does, converted as
    // the studio converts it: every picture becomes a viewer.
    const std::string converted = folder + "/converted";
    if (!WriteOddPictures(converted)) return false;
    std::string text = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Names</title></head><body>\n";
    for (const std::string& name : OddNames()) {
        text += "<p><img src=\"" + EncodeUrlComponent(name) + "\" alt=\"" + EscapeHtml(name) + "\"></p>\n";
    }
    text += "</body></html>\n";
    VantelifyPage page;
    page.text = text;
    bool hasBody = true;
    bool foreign = false;
    std::string absolute = fs::absolute(converted).generic_string() + "/";
    page.images = ScanPage(text, absolute, page.headOffset, hasBody, foreign);
    if (page.images.size() != OddNames().size()) return Fail("odd pictures not found on the page");
    for (PageImage& image : page.images) {
        FillPageDefaults(image, absolute);
        image.zoomable = true;
    }
    std::ofstream(converted + "/page.htm", std::ios::binary) << BuildPageText(page);
    const std::string script =
        gallery.GenerateFromTemplate(GetDataFolder() + "vantelo.js", converted + "/", "vantelo.js");
    return !script.empty() ? true : Fail("no page script for the odd page");
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

    // A viewer in place of a picture inside a link to another page.
    const std::string linked = head + "<p><a href=\"elsewhere.htm\"><img src=\"small.jpg\"></a></p>\n"
                                      "</body></html>\n";
    VantelifyPage link;
    link.text = linked;
    link.headOffset = static_cast<int>(linked.find("<head>") + 6);
    PageImage inLink;
    const std::string tag = "<img src=\"small.jpg\">";
    inLink.start = static_cast<int>(linked.find(tag));
    inLink.length = static_cast<int>(tag.size());
    inLink.zoomable = true;
    inLink.zoomSource = "big.jpg";
    inLink.zoomWidth = 800;
    inLink.zoomHeight = 600;
    inLink.pagePicture = "small.jpg";
    inLink.pageWidth = 400;
    inLink.pageHeight = 300;
    link.images = {inLink};
    std::ofstream(folder + "/linked.htm", std::ios::binary) << BuildPageText(link);
    std::ofstream(folder + "/elsewhere.htm", std::ios::binary)
        << "<!DOCTYPE html><html><head><title>Elsewhere</title></head><body></body></html>\n";

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
           MakeConvertedPage(folder + "/converted") && MakeNamedPages(studio, folder);
}

}  // namespace page_fixtures
