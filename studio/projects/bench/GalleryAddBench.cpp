// Adding 50 photographs of 12 megapixels to a gallery (checked copy into the working
// folder and a 48 x 48 thumbnail each) against `cp` of the same files followed by
// `vipsthumbnail` of them to 48 x 48, both on one thread, in the same run. The program ends
// by printing the ratio of the two times. The files are written with the JPEG writer at
// quality 90 before the first measurement (that takes a while). On a busy machine run with
// --benchmark_enable_random_interleaving=true --benchmark_repetitions=3.
#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

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
#include "studio/projects/Gallery.h"
#include "studio/shell/FileSelection.h"

extern char** environ;

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kFiles = 50;

// Smooth gradients with fine grain, so the files compress like photographs do.
void WritePhoto(const std::string& path, int index) {
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
    if (!SaveJPG(info, path, 90)) std::abort();
}

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
            WritePhoto(folder + "/" + names.back(), i);
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

bool Run(std::vector<std::string> args) {
    std::vector<std::string> env = {"VIPS_CONCURRENCY=1", "PATH=/usr/bin:/bin"};
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (::posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), envp.data()) != 0) {
        return false;
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
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
        if (!Run(cp)) {
            state.SkipWithError("cp failed");
            break;
        }
        if (!Run(vips)) {
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

// Prints as usual and keeps each benchmark's time for the ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (!run.error_occurred) times[run.benchmark_name()] = run.GetAdjustedRealTime();
        }
        ConsoleReporter::ReportRuns(runs);
    }
    std::map<std::string, double> times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TestPhotos();  // written before any timing starts
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto add = reporter.times.find("BM_GalleryAddFiles/iterations:3/real_time");
    const auto reference = reporter.times.find("BM_CpAndVipsthumbnail/iterations:3/real_time");
    if (add != reporter.times.end() && reference != reporter.times.end() && reference->second > 0) {
        std::printf("AddFiles / (cp + vipsthumbnail): %.2f\n", add->second / reference->second);
    }
    benchmark::Shutdown();
    return 0;
}
