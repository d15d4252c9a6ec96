// Exporting a gallery of 100 photographs (thumbnails already made) with the shipped grid
// template, against `cp -r` of the same working folder followed by `sync -f` on the copy, in
// the same run; the program ends by printing the ratio of the two median times. Also the
// expansion of one index page that shows 100 images, alone and with the 100 image pages it
// writes. On a busy machine run with
// --benchmark_enable_random_interleaving=true --benchmark_repetitions=3.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"
#include "platform/registry/Registry.h"
#include "studio/core/DataFolder.h"
#include "studio/core/FileSelection.h"
#include "studio/core/PidlPath.h"
#include "studio/projects/Gallery.h"
#include "studio/projects/bench/BenchSupport.h"

namespace {

namespace fs = std::filesystem;

constexpr int kWidth = 1600;
constexpr int kHeight = 1200;
constexpr int kFiles = 100;

// A gallery whose expansion state the benchmark may set.
class BenchGallery : public Gallery {
public:
    using Gallery::Gallery;
    void StartPage() {
        currentImage = 1;
        currentPage = 1;
        imagesPerPage = kFiles;
    }
};

// The photographs added to a gallery with the grid template, in a temporary folder of their
// own (also the gallery's TMPDIR), removed at the end.
struct Setup {
    std::string root;
    platform::Registry* registry = nullptr;
    Properties* properties = nullptr;
    BenchGallery* gallery = nullptr;

    Setup() {
        std::string pattern = (fs::temp_directory_path() / "vantelo-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        root = pattern;
        const std::string photos = root + "/photos";
        fs::create_directories(photos);
        fs::create_directories(root + "/tmp");
        std::vector<std::string> names;
        for (int i = 0; i < kFiles; ++i) {
            names.push_back("photo" + std::to_string(i) + ".jpg");
            WritePhoto(photos + "/" + names.back(), kWidth, kHeight, i, 85);
        }
        setenv("TMPDIR", (root + "/tmp").c_str(), 1);
        SetDataFolder(VANTELO_SOURCE_DATA_FOLDER);
        registry = new platform::Registry(root + "/registry");
        properties = new Properties(*registry);
        gallery = new BenchGallery(*properties);
        gallery->Initialize(nullptr);
        gallery->SetTemplate("grid");
        FileSelection selection;
        selection.SetFromNames(photos, names);
        if (!gallery->AddFiles("", selection) || gallery->Generate().empty()) std::abort();

        // One index page of every image.
        std::string cell;
        {
            std::ifstream in(std::string(VANTELO_SOURCE_DATA_FOLDER) + "templates/thumb_grid.htm");
            cell.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        const std::size_t from = cell.find("<li class=\"cell\">");
        const std::size_t to = cell.find("</li>", from) + 6;
        std::string page = "<ul>\n";
        for (int i = 0; i < kFiles; ++i) {
            if (i > 0) page += "{{nextimage}}\n";
            page += cell.substr(from, to - from);
        }
        page += "{{endpage}}</ul>\n";
        std::ofstream(root + "/index100.vtt") << page;
        // The same page with links that name the image pages without writing them.
        for (std::size_t at = page.find("{{imagepageurl}}"); at != std::string::npos;
             at = page.find("{{imagepageurl}}", at)) {
            page.replace(at, 16, "{{nextimagepageurl}}");
        }
        std::ofstream(root + "/links100.vtt") << page;
    }
    ~Setup() {
        delete gallery;
        delete properties;
        delete registry;
        SetDataFolder("");
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
};

Setup& TheSetup() {
    static Setup setup;
    return setup;
}

void BM_GalleryExport(benchmark::State& state) {
    Setup& setup = TheSetup();
    const std::string target = setup.root + "/exports";
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        fs::create_directories(target);
        state.ResumeTiming();
        if (!setup.gallery->Export(PidlPath(target))) {
            state.SkipWithError("export failed");
            break;
        }
    }
}
BENCHMARK(BM_GalleryExport)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

void BM_CpWorkingFolder(benchmark::State& state) {
    Setup& setup = TheSetup();
    const std::string target = setup.root + "/copy";
    std::string work = setup.gallery->GetWorkingFolder();
    work.pop_back();
    for (auto _ : state) {
        state.PauseTiming();
        fs::remove_all(target);
        state.ResumeTiming();
        // The export reports success only once its files are on disk; so does the reference.
        if (!RunProgram({"cp", "-r", work, target}) || !RunProgram({"sync", "-f", target})) {
            state.SkipWithError("cp or sync failed");
            break;
        }
    }
}
BENCHMARK(BM_CpWorkingFolder)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(10);

// The index page alone: 100 cells of tags, one file written.
void BM_ExpandIndexPage100(benchmark::State& state) {
    Setup& setup = TheSetup();
    const std::string folder = setup.root + "/links/";
    fs::create_directories(folder);
    for (auto _ : state) {
        setup.gallery->StartPage();
        benchmark::DoNotOptimize(
            setup.gallery->GenerateFromTemplate(setup.root + "/links100.vtt", folder, "i.htm"));
    }
}
BENCHMARK(BM_ExpandIndexPage100)->Unit(benchmark::kMillisecond)->UseRealTime();

// The index page with the 100 image pages it writes: mostly the file system's time.
void BM_ExpandIndexPage100WithImagePages(benchmark::State& state) {
    Setup& setup = TheSetup();
    const std::string folder = setup.root + "/pages/";
    fs::create_directories(folder);
    for (auto _ : state) {
        // As in a generation, the pages are written afresh, not over older ones.
        state.PauseTiming();
        for (const std::string& dir : {folder, setup.gallery->GetWorkingFolder()}) {
            for (const auto& entry : fs::directory_iterator(dir)) {
                if (entry.path().extension() == ".htm") fs::remove(entry.path());
            }
        }
        state.ResumeTiming();
        setup.gallery->StartPage();
        benchmark::DoNotOptimize(
            setup.gallery->GenerateFromTemplate(setup.root + "/index100.vtt", folder, "i.htm"));
    }
}
BENCHMARK(BM_ExpandIndexPage100WithImagePages)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    TheSetup();  // pictures and thumbnails made before any timing starts
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio("Export / cp -r + sync -f", "BM_GalleryExport", "BM_CpWorkingFolder");
    benchmark::Shutdown();
    return 0;
}
