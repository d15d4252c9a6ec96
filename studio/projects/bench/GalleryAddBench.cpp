// Adding 50 photographs of 12 megapixels to a gallery (checked copy into the working
// folder and a 48 x 48 thumbnail each) against `cp` of the same files followed by
// `vipsthumbnail` of them to 48 x 48, both on one thread, in the same run. The program ends
// by printing the ratio of the two times. The files are written with the JPEG writer at
// quality 90 before the first measurement (that takes a while). On a busy machine run with
// --benchmark_enable_random_interleaving=true --benchmark_repetitions=3.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "platform/registry/Registry.h"
#include "studio/core/FileSelection.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/bench/BenchSupport.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kFiles = 50;

// The photographs and a temporary folder of their own (also the gallery's TMPDIR), removed
// at the end.
struct Photos {
    std::string root;
    std::string folder;
    std::vector<std::string> names;
    Photos() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantelo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        folder = root + "/photos";
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(root + "/tmp");
        std::filesystem::create_directories(root + "/copies");
        for (int i = 0; i < kFiles; ++i) {
            names.push_back("photo" + std::to_string(i) + ".jpg");
            WritePhoto(folder + "/" + names.back(), kWidth, kHeight, i, 90);
        }
    }
    ~Photos() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

Photos& TestPhotos() {
    static Photos photos;
    return photos;
}

void BM_GalleryAddFiles(benchmark::State& state) {
    Photos& photos = TestPhotos();
    setenv("TMPDIR", (photos.root + "/tmp").c_str(), 1);
    platform::Registry registry(photos.root + "/registry");
    Properties properties(registry);  // the defaults: 48 x 48, quality 75
    Gallery gallery(properties);
    gallery.Initialize(nullptr);
    FileSelection selection;
    selection.SetFromNames(photos.folder, photos.names);
    for (auto _ : state) {
        if (!gallery.AddFiles("", selection) || gallery.GetImageCount() != kFiles) {
            state.SkipWithError("AddFiles failed");
            break;
        }
        state.PauseTiming();
        gallery.RemoveAllImages();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_GalleryAddFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_CpAndVipsthumbnail(benchmark::State& state) {
    Photos& photos = TestPhotos();
    const std::string copies = photos.root + "/copies";
    std::vector<std::string> cp = {"cp"};
    std::vector<std::string> vips = {"vipsthumbnail", "-s", "48x48", "-o",
                                     copies + "/tmb_%s.jpg[Q=75]"};
    for (const std::string& name : photos.names) {
        cp.push_back(photos.folder + "/" + name);
        vips.push_back(copies + "/" + name);
    }
    cp.push_back(copies + "/");
    for (auto _ : state) {
        if (!RunProgram(cp)) {
            state.SkipWithError("cp failed");
            break;
        }
        if (!RunProgram(vips)) {
            state.SkipWithError("vipsthumbnail failed or is missing (Debian libvips-tools)");
            break;
        }
        state.PauseTiming();
        for (const auto& entry : std::filesystem::directory_iterator(copies)) {
            std::filesystem::remove(entry.path());
        }
        state.ResumeTiming();
    }
}
BENCHMARK(BM_CpAndVipsthumbnail)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TestPhotos();  // written before any timing starts
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("AddFiles / (cp + vipsthumbnail)", "BM_GalleryAddFiles",
                        "BM_CpAndVipsthumbnail");
    benchmark::Shutdown();
    return 0;
}
