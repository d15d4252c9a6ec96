// Thumbnails of 12-megapixel photographs: the studio's JPEG thumbnail writer against
// vipsthumbnail making JPEG thumbnails of the same size from the same files, both on one
// thread. The files are generated with the JPEG writer at quality 90.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "studio/core/ShellUtils.h"

extern char** environ;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kFiles = 2;

// Smooth gradients with fine grain, so the files compress like photographs do.
std::string WritePhoto(const std::string& folder, int index) {
    auto dib = platform::DibSection::Create(kWidth, -kHeight, 24);
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(index);
    for (int y = 0; y < kHeight; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < kWidth; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 28) - 8;
            p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / kWidth + grain, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / kHeight + grain, 0, 255));
            p[2] = static_cast<std::uint8_t>(
                std::clamp(((x + y) / 16 + index * 40) % 256 + grain, 0, 255));
        }
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    const std::string path = folder + "/photo" + std::to_string(index) + ".jpg";
    if (!SaveJPG(info, path, 90)) std::abort();
    return path;
}

// The generated files, in a temporary folder removed at the end.
struct Photos {
    std::string folder;
    std::vector<std::string> files;
    Photos() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantelo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        folder = pattern;
        for (int i = 0; i < kFiles; ++i) files.push_back(WritePhoto(folder, i));
    }
    ~Photos() {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }
    std::string Path(const std::string& name) const { return folder + "/" + name; }
};

Photos& TestPhotos() {
    static Photos photos;
    return photos;
}

void BM_SaveThumbnailJpeg(benchmark::State& state) {
    Photos& photos = TestPhotos();
    const std::string target = photos.Path("studio_thumb.jpg");
    std::size_t i = 0;
    for (auto _ : state) {
        const std::string& source = photos.files[i++ % photos.files.size()];
        if (!SaveThumbnailJpeg({48, 48}, source, target, 75, nullptr, nullptr, nullptr, nullptr,
                               0xFFFFFF, 0)) {
            state.SkipWithError("SaveThumbnailJpeg failed");
            break;
        }
    }
}
BENCHMARK(BM_SaveThumbnailJpeg)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_Vipsthumbnail(benchmark::State& state) {
    Photos& photos = TestPhotos();
    const std::string output = photos.Path("vips_thumb.jpg") + "[Q=75]";
    std::vector<std::string> env = {"VIPS_CONCURRENCY=1", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::size_t i = 0;
    for (auto _ : state) {
        std::string source = photos.files[i++ % photos.files.size()];
        std::string size = "48x48";
        std::string out = output;
        std::string s = "-s", o = "-o", program = "vipsthumbnail";
        char* argv[] = {program.data(), source.data(), s.data(), size.data(),
                        o.data(),       out.data(),    nullptr};
        pid_t pid = 0;
        if (::posix_spawnp(&pid, "vipsthumbnail", nullptr, nullptr, argv, envp.data()) != 0) {
            state.SkipWithError("vipsthumbnail is not installed (Debian libvips-tools)");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("vipsthumbnail failed");
            break;
        }
    }
}
BENCHMARK(BM_Vipsthumbnail)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
