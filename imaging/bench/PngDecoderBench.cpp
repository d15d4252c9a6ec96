#include <benchmark/benchmark.h>
#include <png.h>
#include <stdlib.h>

#include <csetjmp>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/PictureLoader.h"
#include "imaging/tests/PngWriter.h"
#include "platform/bitmap/DibSection.h"

namespace {

constexpr int kWidth = 2000;
constexpr int kHeight = 1500;

// A photograph-like picture (smooth shading with some grain) in a temporary folder that
// goes when the program ends.
class PngFile {
public:
    PngFile() {
        std::string pattern = (std::filesystem::temp_directory_path() / "pngbench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) return;
        folder_ = pattern;
        test_pictures::PngPicture p;
        p.width = kWidth;
        p.height = kHeight;
        std::uint32_t grain = 12345;
        for (int y = 0; y < kHeight; ++y) {
            std::vector<std::uint8_t> row;
            for (int x = 0; x < kWidth; ++x) {
                grain = grain * 1103515245u + 12345u;
                const int noise = static_cast<int>(grain >> 28) - 8;
                for (int c = 0; c < 3; ++c) {
                    const int v = (x * (c + 1) / 16 + y * (3 - c) / 12 + noise) & 0xFF;
                    row.push_back(static_cast<std::uint8_t>(v));
                }
            }
            p.rows.push_back(std::move(row));
        }
        const auto bytes = test_pictures::WritePng(p);
        path_ = (folder_ / "bench.png").string();
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }
    ~PngFile() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

const PngFile& File() {
    static const PngFile file;
    return file;
}

void LoadPngAsDIB(benchmark::State& state) {
    const std::string& path = File().path();
    for (auto _ : state) {
        auto dib = LoadPictureAsDIB(path, nullptr, nullptr, nullptr);
        if (!dib) state.SkipWithError("load failed");
        benchmark::DoNotOptimize(dib.get());
    }
}

// libpng alone: every row of the same file read into one buffer.
bool ReadRows(png_structp png, png_infop info, std::FILE* file, std::vector<std::uint8_t>* row) {
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    png_init_io(png, file);
    png_read_info(png, info);
    png_set_strip_16(png);
    png_read_update_info(png, info);
    row->resize(png_get_rowbytes(png, info));
    for (png_uint_32 y = 0; y < png_get_image_height(png, info); ++y) {
        png_read_row(png, row->data(), nullptr);
    }
    png_read_end(png, nullptr);
    return true;
}

void PlainLibpngLoop(benchmark::State& state) {
    const std::string& path = File().path();
    std::vector<std::uint8_t> row;
    for (auto _ : state) {
        std::FILE* file = std::fopen(path.c_str(), "rb");
        png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
        png_infop info = png_create_info_struct(png);
        if (file == nullptr || !ReadRows(png, info, file, &row)) state.SkipWithError("read failed");
        png_destroy_read_struct(&png, &info, nullptr);
        if (file != nullptr) std::fclose(file);
        benchmark::DoNotOptimize(row.data());
    }
}

BENCHMARK(LoadPngAsDIB)->Unit(benchmark::kMillisecond);
BENCHMARK(PlainLibpngLoop)->Unit(benchmark::kMillisecond);

}  // namespace
