// Writes the fuzz targets' starting inputs: small valid pictures of every kind each decoder
// reads, each followed by the harness's route byte. Run once to fill fuzz/inputs/; the
// fuzzer grows its own corpus from them.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "imaging/IPTCData.h"
#include "imaging/JpegWriter.h"
#include "imaging/tests/BmpWriter.h"
#include "imaging/tests/PngWriter.h"
#include "testing/VersionedElf.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

int written = 0;

void Save(const fs::path& folder, const std::string& name, Bytes bytes, bool routed = true) {
    // Alternate the routes so that every way of taking rows starts with some inputs.
    if (routed) bytes.push_back(static_cast<std::uint8_t>(written % 8 | (written % 5) << 3));
    std::ofstream out(folder / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    ++written;
}

Bytes Pattern(std::size_t n, int seed) {
    Bytes out(n);
    for (std::size_t i = 0; i < n; ++i)
        out[i] = static_cast<std::uint8_t>(i * 37 + static_cast<std::size_t>(seed) * 11);
    return out;
}

void WriteBmps(const fs::path& folder) {
    using test_pictures::BmpPicture;
    for (int bits : {1, 4, 8, 16, 24}) {
        BmpPicture p;
        p.bits = bits;
        p.width = 7;
        p.height = bits == 8 ? -3 : 3;
        if (bits <= 8) {
            for (int i = 0; i < (1 << bits); ++i)
                p.palette.push_back(static_cast<std::uint32_t>(i) * 0x010305u);
        }
        const std::size_t row =
            ((static_cast<std::size_t>(p.width) * static_cast<std::size_t>(bits) + 31) / 32) * 4;
        p.pixels = Pattern(row * 3, bits);
        Save(folder, "plain" + std::to_string(bits) + ".bmp", p.Build());
        if (bits == 16) {
            p.compression = 3;
            p.masks = {0xF800, 0x07E0, 0x001F};
            Save(folder, "bitfields16.bmp", p.Build());
        }
        if (bits == 1 || bits == 24) {
            p.headerSize = 12;
            Save(folder, "core" + std::to_string(bits) + ".bmp", p.Build());
        }
    }
    BmpPicture rle;
    rle.bits = 8;
    rle.compression = 1;
    rle.width = 6;
    rle.height = 6;
    rle.palette = {0x000001, 0x0000FF, 0x00FF00, 0xFF0000};
    rle.pixels = {3, 1, 0, 3, 2, 3, 1, 0, 0, 0, 9, 2, 0, 0, 0, 2, 2, 2, 2, 3, 0, 1};
    Save(folder, "rle8.bmp", rle.Build());
    rle.bits = 4;
    rle.compression = 2;
    rle.pixels = {5,    0x12, 0, 3, 0x31, 0x20, 0, 0, 0,    5, 0x12,
                  0x31, 0x20, 0, 0, 2,    1,    1, 1, 0x30, 0, 1};
    Save(folder, "rle4.bmp", rle.Build());
}

void WritePngs(const fs::path& folder) {
    using test_pictures::PngPicture;
    struct Kind {
        int colourType, depth;
    };
    const Kind kinds[] = {{0, 1}, {0, 2}, {0, 4}, {0, 8}, {0, 16}, {2, 8}, {2, 16},
                          {3, 1}, {3, 2}, {3, 4}, {3, 8}, {4, 8},  {6, 8}, {6, 16}};
    for (const Kind& k : kinds) {
        for (bool interlaced : {false, true}) {
            if (interlaced && k.depth == 16 && k.colourType == 0) continue;
            PngPicture p;
            p.width = 9;
            p.height = 5;
            p.colourType = k.colourType;
            p.bitDepth = k.depth;
            p.interlaced = interlaced;
            const int channels = k.colourType == 2   ? 3
                                 : k.colourType == 4 ? 2
                                 : k.colourType == 6 ? 4
                                                     : 1;
            if (k.colourType == 3) {
                for (int i = 0; i < (1 << k.depth); ++i) {
                    p.palette.push_back(
                        {static_cast<std::uint8_t>(i), static_cast<std::uint8_t>(255 - i), 7});
                }
            }
            const std::size_t row =
                (static_cast<std::size_t>(p.width * channels * k.depth) + 7) / 8;
            for (int y = 0; y < p.height; ++y) {
                Bytes r = Pattern(row, y + k.depth);
                // Palette indices beyond the palette are left to the fuzzer.
                if (k.colourType == 3 && k.depth == 8) {
                    for (auto& b : r) b = static_cast<std::uint8_t>(b % 255);
                }
                p.rows.push_back(r);
            }
            Save(folder,
                 "type" + std::to_string(k.colourType) + "-" + std::to_string(k.depth) +
                     (interlaced ? "-interlaced" : "") + ".png",
                 test_pictures::WritePng(p));
        }
    }
}

void WriteTargas(const fs::path& folder) {
    struct Kind {
        int type, depth, mapType;
        Bytes pixels;
    };
    const Kind kinds[] = {
        {1, 8, 1, Pattern(12, 1)},
        {2, 16, 0, Pattern(24, 2)},
        {2, 24, 0, Pattern(36, 3)},
        {2, 32, 0, Pattern(48, 4)},
        {3, 8, 0, Pattern(12, 5)},
        {9, 8, 1, {0x83, 1, 0x01, 2, 3, 0x85, 0, 0x00, 1}},
        {10, 24, 0, {0x82, 1, 2, 3, 0x01, 4, 5, 6, 7, 8, 9, 0x86, 9, 9, 9}},
        {11, 8, 0, {0x8B, 200}},
    };
    for (const Kind& k : kinds) {
        for (int descriptor : {0x00, 0x20}) {
            Bytes out = {2,
                         static_cast<std::uint8_t>(k.mapType),
                         static_cast<std::uint8_t>(k.type),
                         0,
                         0,
                         static_cast<std::uint8_t>(k.mapType ? 4 : 0),
                         0,
                         static_cast<std::uint8_t>(k.mapType ? 24 : 0),
                         0,
                         0,
                         0,
                         0,
                         4,
                         0,
                         3,
                         0,
                         static_cast<std::uint8_t>(k.depth),
                         static_cast<std::uint8_t>(descriptor)};
            out.insert(out.end(), {'i', 'd'});
            if (k.mapType) {
                const Bytes map = Pattern(12, 9);
                out.insert(out.end(), map.begin(), map.end());
            }
            out.insert(out.end(), k.pixels.begin(), k.pixels.end());
            Save(folder,
                 "type" + std::to_string(k.type) + "-" + std::to_string(k.depth) +
                     (descriptor ? "-topdown" : "") + ".tga",
                 out);
        }
    }
}

Bytes ReadBack(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    Bytes bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    fs::remove(path);
    return bytes;
}

IPTCData SomeRecord() {
    IPTCData record;
    record.Clear();
    record.caption = "Harbour at dusk";
    record.byline = "A. Author";
    record.urgency = "5";
    record.keywords = {"sea", "boats"};
    record.supplementalCategories = {"travel"};
    return record;
}

void WriteJpegs(const fs::path& folder) {
    const fs::path scratch = folder / "scratch.jpg";
    struct Kind {
        int width, height, bits, quality;
    };
    for (const Kind& k : {Kind{13, 7, 24, 90}, Kind{16, 16, 32, 40}, Kind{9, 20, 16, 75}}) {
        PictureInfo picture;
        picture.width = k.width;
        picture.height = k.height;
        picture.bitsPerPixel = k.bits;
        picture.rowBytes = k.width * k.bits / 8;
        if (k.bits == 16) {
            picture.redBits = picture.greenBits = picture.blueBits = 5;
        }
        Bytes pixels = Pattern(static_cast<std::size_t>(picture.rowBytes * k.height), k.bits);
        picture.pixels = pixels.data();
        if (!SaveJPG(picture, scratch.string(), k.quality)) continue;
        const std::string name = "colour" + std::to_string(k.bits);
        Save(folder, name + ".jpg", ReadBack(scratch));
        if (k.bits == 24) {
            SaveJPG(picture, scratch.string(), k.quality);
            SomeRecord().WriteJpegFile(scratch.string());
            Save(folder, name + "-iptc.jpg", ReadBack(scratch));
        }
    }
}

void WriteIptcSegments(const fs::path& folder) {
    const Bytes signature = {'P', 'h', 'o', 't', 'o', 's', 'h', 'o', 'p', ' ', '3', '.', '0', 0};
    const Bytes header = {'8', 'B', 'I', 'M', 0x04, 0x04, 0, 0, 0, 0};
    Bytes plain = signature;
    plain.insert(plain.end(), header.begin(), header.end());
    const Bytes block = SomeRecord().BuildDataSets();
    plain.insert(plain.end(), block.begin(), block.end());
    Save(folder, "record.app13", plain, false);

    // Another resource first, and datasets of records 1 and 3 around record 2.
    Bytes mixed = signature;
    mixed.insert(mixed.end(), {'8', 'B', 'I', 'M', 0x03, 0xED, 0, 0, 0, 0, 0, 2, 7, 7});
    mixed.insert(mixed.end(), header.begin(), header.end());
    const Bytes others = {0x1C, 0x01, 0x5A, 0x00, 0x03, 0x1B, 0x25,
                          0x47, 0x1C, 0x03, 0x0A, 0x00, 0x01, 0x02};
    const Bytes datasets = SomeRecord().BuildDataSets(others);
    mixed.insert(mixed.end(), datasets.begin(), datasets.end());
    Save(folder, "mixed.app13", mixed, false);
}

}  // namespace

// Library files: one with a version block, one without, and the first cut short in its
// section table and in its block.
void WriteVersionBlocks(const fs::path& folder) {
    const auto save = [&](const std::string& name, const std::string& bytes) {
        Save(folder, name, Bytes(bytes.begin(), bytes.end()), false);
    };
    const std::string versioned = testing_support::MakeVersionedElf(
        {1, 5, 0, 1},
        {{"FileDescription", "Vantelo plugin"}, {"OriginalFilename", "NPLensObj.so"}});
    save("versioned.so", versioned);
    save("unversioned.so", testing_support::MakeElfWithoutVersion());
    save("cut-in-table.so", versioned.substr(0, versioned.size() - 40));
    const std::size_t block =
        testing_support::ElfSectionEntry(versioned, testing_support::ElfLayout::kVersionSection);
    std::string shortBlock = versioned;
    testing_support::PutLE(shortBlock, block + testing_support::ElfLayout::kSizeField, 60, 8);
    save("cut-in-block.so", shortBlock);
}

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_make_inputs <folder>\n");
        return 2;
    }
    const fs::path root(argv[1]);
    for (const char* kind : {"bmp", "png", "targa", "jpeg", "iptc", "version_block"})
        fs::create_directories(root / kind);
    WriteBmps(root / "bmp");
    WritePngs(root / "png");
    WriteTargas(root / "targa");
    WriteJpegs(root / "jpeg");
    WriteIptcSegments(root / "iptc");
    WriteVersionBlocks(root / "version_block");
    std::printf("wrote %d inputs\n", written);
    return 0;
}
