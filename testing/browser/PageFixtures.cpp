#include "testing/browser/PageFixtures.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "imaging/JpegWriter.h"
#include "imaging/PictureLoader.h"
#include "platform/bitmap/DibSection.h"
#include "platform/registry/Registry.h"
#include "studio/core/DataFolder.h"
#include "studio/core/FileSelection.h"
#include "studio/core/PidlPath.h"
#include "studio/core/Properties.h"
#include "studio/projects/Animation.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/PageImage.h"
#include "studio/projects/PageScan.h"
#include "studio/projects/PageWriter.h"
#include "studio/projects/TemplateEscaping.h"
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
    animation.SetSpeed(200);   // the fastest moves
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
    static const std::vector<std::string> names{"Mum's birthday.jpg", "say \"cheese\" <b>.jpg",
                                                "a&b #1 50%.jpg",
                                                "Gr\xC3\xB6\xC3\x9F"
                                                "e.jpg",
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
    std::string text =
        "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Names</title></head><body>\n";
    for (const std::string& name : OddNames()) {
        text += "<p><img src=\"" + EncodeUrlComponent(name) + "\" alt=\"" + EscapeHtml(name) +
                "\"></p>\n";
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

// ---- Targa pictures of every kind the studio reads.

struct TargaKind {
    const char* name;
    int imageType;  // 1, 2, 3 plain; 9, 10, 11 run-length encoded
    int depth;
    int descriptor;  // 0x20 top row first, 0x10 rightmost pixel first
    int mapBits;     // colour-map entry size, 0 without a map
};

const TargaKind kTargaKinds[] = {
    {"true24.tga", 2, 24, 0x00, 0},   {"true32-rle.tga", 10, 32, 0x28, 0},
    {"rgb15.tga", 2, 15, 0x20, 0},    {"rgb16-rle.tga", 10, 16, 0x00, 0},
    {"mapped.tga", 1, 8, 0x20, 24},   {"mapped-rle.tga", 9, 8, 0x00, 16},
    {"gray.tga", 3, 8, 0x00, 0},      {"gray-rle.tga", 11, 8, 0x30, 0},
    {"mirrored.tga", 2, 24, 0x10, 0},
};

constexpr int kTargaWidth = 150;
constexpr int kTargaHeight = 100;

// The picture's value at a picture point (top-left origin): flat blocks on the left that
// make runs, one per pixel on the right that make literal packets, and a frame of one
// colour whose runs cross the row ends.
unsigned TargaValue(int x, int y) {
    if (x < 4 || x >= kTargaWidth - 4) return 0x123456u;
    if (x < kTargaWidth / 2)
        return static_cast<unsigned>((x / 10) * 0x2F1B07 + (y / 5) * 0x0A1C31) & 0xFFFFFFu;
    return static_cast<unsigned>(x * 0x010307 + y * 0x070301 + x * y) & 0xFFFFFFu;
}

void Put(std::vector<std::uint8_t>& out, unsigned value, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// One pixel's bytes as the kind stores `value` (0xRRGGBB): colour-map and gray kinds store
// a byte of it.
std::vector<std::uint8_t> TargaPixel(const TargaKind& kind, unsigned value) {
    std::vector<std::uint8_t> pixel;
    const unsigned r = value >> 16 & 255, g = value >> 8 & 255, b = value & 255;
    if (kind.depth == 15 || kind.depth == 16) {
        Put(pixel, (r >> 3) << 10 | (g >> 3) << 5 | b >> 3 | 0x8000u, 2);
    } else if (kind.depth >= 24) {
        Put(pixel, value, 3);
        if (kind.depth == 32) pixel.push_back(static_cast<std::uint8_t>(r ^ g));
    } else {
        pixel.push_back(static_cast<std::uint8_t>((r + g + b) / 3));
    }
    return pixel;
}

bool WriteTarga(const std::string& path, const TargaKind& kind) {
    std::vector<std::uint8_t> file;
    const bool mapped = kind.mapBits != 0;
    const int pixelDepth = mapped ? 8 : kind.depth;
    const char id[] = "test";
    file = {static_cast<std::uint8_t>(sizeof id - 1), static_cast<std::uint8_t>(mapped ? 1 : 0),
            static_cast<std::uint8_t>(kind.imageType), 0, 0};
    Put(file, mapped ? 256 : 0, 2);
    file.push_back(static_cast<std::uint8_t>(kind.mapBits));
    Put(file, 0, 4);  // origin
    Put(file, kTargaWidth, 2);
    Put(file, kTargaHeight, 2);
    file.push_back(static_cast<std::uint8_t>(pixelDepth));
    file.push_back(static_cast<std::uint8_t>(kind.descriptor));
    file.insert(file.end(), id, id + sizeof id - 1);
    for (unsigned i = 0; mapped && i < 256; ++i) {  // a map of colours the index says nothing of
        const unsigned colour =
            ((i * 0x3B) & 255) | ((255 - i) << 8) | ((i * 0x61 + 17) & 255) << 16;
        if (kind.mapBits == 24) {
            Put(file, colour, 3);
        } else {
            Put(file, (colour >> 19 & 31) << 10 | (colour >> 11 & 31) << 5 | (colour >> 3 & 31), 2);
        }
    }
    // The pixels in the file's order, then stored plain or as packets.
    std::vector<std::vector<std::uint8_t>> pixels;
    for (int row = 0; row < kTargaHeight; ++row) {
        const int y = kind.descriptor & 0x20 ? row : kTargaHeight - 1 - row;
        for (int column = 0; column < kTargaWidth; ++column) {
            const int x = kind.descriptor & 0x10 ? kTargaWidth - 1 - column : column;
            pixels.push_back(TargaPixel(kind, TargaValue(x, y)));
        }
    }
    if (kind.imageType < 9) {
        for (const auto& pixel : pixels) file.insert(file.end(), pixel.begin(), pixel.end());
    } else {
        for (std::size_t i = 0; i < pixels.size();) {
            std::size_t same = 1;
            while (same < 128 && i + same < pixels.size() && pixels[i + same] == pixels[i]) ++same;
            if (same > 1) {
                file.push_back(static_cast<std::uint8_t>(0x80 | (same - 1)));
                file.insert(file.end(), pixels[i].begin(), pixels[i].end());
                i += same;
                continue;
            }
            std::size_t literal = 1;
            while (literal < 128 && i + literal < pixels.size() &&
                   (i + literal + 1 >= pixels.size() ||
                    pixels[i + literal + 1] != pixels[i + literal])) {
                ++literal;
            }
            file.push_back(static_cast<std::uint8_t>(literal - 1));
            for (std::size_t k = 0; k < literal; ++k)
                file.insert(file.end(), pixels[i + k].begin(), pixels[i + k].end());
            i += literal;
        }
    }
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    return static_cast<bool>(out);
}

// The studio's own decode of a picture, as a binary PPM.
bool WriteStudioDecode(const std::string& picture, const std::string& path) {
    PictureInfo info;
    auto dib = LoadPictureAsDIB(picture, &info, nullptr, nullptr);
    if (!dib || dib->bitCount() != 24) return false;
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << dib->width() << " " << dib->height() << "\n255\n";
    for (int y = 0; y < dib->height(); ++y) {
        const std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < dib->width(); ++x, p += 3) out << p[2] << p[1] << p[0];
    }
    return static_cast<bool>(out);
}

// "targa/": a grid gallery of one picture of each kind, "reference/" with the studio's
// decode of each, and "odd/page.htm" with viewers of a damaged Targa, one of an absurd
// size and a ".lwf" picture.
bool MakeTargaPages(Studio& studio, const std::string& root) {
    const std::string folder = root + "/targa";
    const std::string pictures = folder + "/pictures";
    fs::create_directories(pictures);
    fs::create_directories(folder + "/reference");
    std::vector<std::string> names;
    for (const TargaKind& kind : kTargaKinds) {
        const std::string picture = pictures + "/" + kind.name;
        if (!WriteTarga(picture, kind) ||
            !WriteStudioDecode(picture, folder + "/reference/" + kind.name + ".ppm")) {
            return Fail(std::string("no Targa picture ") + kind.name);
        }
        names.emplace_back(kind.name);
    }
    Gallery gallery(studio.properties);
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(pictures, names);
    if (!gallery.AddFiles("", selection)) return Fail("Targa pictures not added");
    gallery.SetWindowWidth(640);
    gallery.SetWindowHeight(480);
    gallery.SetTemplate("grid");
    gallery.SetTitle("grid");
    if (!gallery.Export(PidlPath(folder))) return Fail("no export of the Targa gallery");

    const std::string odd = folder + "/odd";
    fs::create_directories(odd);
    if (!WriteTarga(odd + "/damaged.tga", kTargaKinds[1])) return Fail("no damaged Targa");
    fs::resize_file(odd + "/damaged.tga", fs::file_size(odd + "/damaged.tga") / 2);
    // 12000 x 12000 in packets of 128 pixels: a small file, too big a picture for a page.
    std::vector<std::uint8_t> huge{0, 0, 10, 0,    0,    0,    0,    0,  0,
                                   0, 0, 0,  0xE0, 0x2E, 0xE0, 0x2E, 24, 0x20};
    for (std::size_t i = 0; i < 12000u * 12000u / 128u; ++i) Put(huge, 0x204080FFu, 4);
    std::ofstream(odd + "/huge.tga", std::ios::binary)
        .write(reinterpret_cast<const char*>(huge.data()),
               static_cast<std::streamsize>(huge.size()));
    std::ofstream(odd + "/picture.lwf", std::ios::binary) << "\xFF\x4F\xFF\x51 JPEG 2000 data";
    std::string text = "<!DOCTYPE html><html><head><title>Odd</title></head><body>\n";
    const char* const oddNames[] = {"damaged.tga", "huge.tga", "picture.lwf"};
    for (const char* name : oddNames) text += std::string("<p><img src=\"") + name + "\"></p>\n";
    text += "</body></html>\n";
    VantelifyPage page;
    page.text = text;
    page.headOffset = static_cast<int>(text.find("<head>") + 6);
    for (const char* name : oddNames) {
        const std::string tag = std::string("<img src=\"") + name + "\">";
        PageImage image;
        image.start = static_cast<int>(text.find(tag));
        image.length = static_cast<int>(tag.size());
        image.zoomable = true;
        image.zoomSource = image.pagePicture = name;
        image.pageWidth = 320;
        image.pageHeight = 240;
        page.images.push_back(image);
    }
    std::ofstream(odd + "/page.htm", std::ios::binary) << BuildPageText(page);
    const std::string script =
        gallery.GenerateFromTemplate(GetDataFolder() + "vantelo.js", odd + "/", "vantelo.js");
    return !script.empty() ? true : Fail("no page script for the odd Targa page");
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
    const std::string text =
        head +
        "<p>One</p><img src=\"small.jpg\">\n<p>Two</p><img src=\"other.jpg\">\n"
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
    const std::string linked = head +
                               "<p><a href=\"elsewhere.htm\"><img src=\"small.jpg\"></a></p>\n"
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
           MakeConvertedPage(folder + "/converted") && MakeNamedPages(studio, folder) &&
           MakeTargaPages(studio, folder);
}

}  // namespace page_fixtures
