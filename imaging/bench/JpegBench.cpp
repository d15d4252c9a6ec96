// JPEG decoding against libjpeg-turbo's own TurboJPEG interface, on 12-megapixel
// photograph-like pictures at quality 90: a single-scan one that this program writes with
// SaveJPG, a progressive one and a sequential one with one scan per component (both kinds
// decode through the library's whole-image buffer). Read the pairs side by side: Load*
// against Reference* of the same picture and scale. On a busy machine run
// with --benchmark_enable_random_interleaving=true --benchmark_repetitions=5 so that both
// sides of a pair see the same load.
#include <benchmark/benchmark.h>
#include <turbojpeg.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

#include "imaging/IPTCData.h"
#include "imaging/JpegWriter.h"
#include "imaging/PictureLoader.h"
#include "imaging/tests/JpegFixtures.h"
#include "platform/bitmap/DibSection.h"
#include "platform/files/MappedFile.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

// Smooth shading, edges and grain, so the file compresses like a photograph (about 2 bits
// a pixel at quality 90) rather than like a flat test card.
std::vector<std::uint8_t> Photograph() {
    std::vector<std::uint8_t> bgr(static_cast<std::size_t>(kWidth) * kHeight * 3);
    std::uint32_t seed = 12345;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 28) - 8;
            const double shade = 0.5 + 0.5 * std::sin(x * 0.004) * std::cos(y * 0.006);
            const bool stripe = ((x / 97 + y / 61) & 3) == 0;
            const int base = static_cast<int>(shade * 200) + (stripe ? 40 : 0);
            std::uint8_t* p = &bgr[(static_cast<std::size_t>(y) * kWidth + x) * 3];
            for (int c = 0; c < 3; ++c) {
                const int v = base + grain + c * 17 * ((x >> 6) & 1) - c * 9;
                p[c] = static_cast<std::uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return bgr;
}

enum class Kind { SingleScan, Progressive, NonInterleaved };

class Picture {
public:
    explicit Picture(Kind kind) {
        static const char* const kNames[] = {"photo", "progressive", "noninterleaved"};
        const int index = static_cast<int>(kind);
        folder_ = std::filesystem::temp_directory_path() /
                  ("jpeg-bench-" + std::to_string(::getpid()) + "-" + kNames[index]);
        std::filesystem::create_directories(folder_);
        path_ = (folder_ / (std::string(kNames[index]) + ".jpg")).string();
        std::vector<std::uint8_t> pixels = Photograph();
        if (kind != Kind::SingleScan) {
            // The library's own progressive script, or one sequential scan per component.
            const jpeg_fixtures::Bytes file =
                jpeg_fixtures::Encode({.width = kWidth,
                                       .height = kHeight,
                                       .progressive = kind == Kind::Progressive,
                                       .scanPerComponent = kind == Kind::NonInterleaved},
                                      pixels);
            std::ofstream(path_, std::ios::binary)
                .write(reinterpret_cast<const char*>(file.data()),
                       static_cast<std::streamsize>(file.size()));
        } else {
            PictureInfo info;
            info.pixels = pixels.data();
            info.width = kWidth;
            info.height = kHeight;
            info.bitsPerPixel = 24;
            info.rowBytes = kWidth * 3;
            if (!SaveJPG(info, path_, 90)) std::abort();
        }
        IPTCData record;
        record.Clear();
        record.caption = "A photograph for the benchmark";
        record.keywords = {"sea", "sky"};
        if (!record.SaveToJpegFile(path_)) std::abort();
        std::fprintf(stderr, "benchmark picture %s: %d x %d, %ju bytes\n", kNames[index], kWidth,
                     kHeight, static_cast<std::uintmax_t>(std::filesystem::file_size(path_)));
    }
    ~Picture() {
        std::error_code ec;
        std::filesystem::remove_all(folder_, ec);
    }
    const std::string& path() const { return path_; }

private:
    std::filesystem::path folder_;
    std::string path_;
};

// Each picture is made when a benchmark first asks for it.
const Picture& ThePicture(Kind kind = Kind::SingleScan) {
    switch (kind) {
        case Kind::Progressive: {
            static const Picture progressive(Kind::Progressive);
            return progressive;
        }
        case Kind::NonInterleaved: {
            static const Picture nonInterleaved(Kind::NonInterleaved);
            return nonInterleaved;
        }
        default: {
            static const Picture single(Kind::SingleScan);
            return single;
        }
    }
}

void LoadThroughTheLoader(benchmark::State& state, Vector2<int> wanted,
                          Kind kind = Kind::SingleScan) {
    const std::string& path = ThePicture(kind).path();
    for (auto _ : state) {
        Vector2<int> size = wanted;
        auto dib = LoadPictureAsDIB(path, nullptr, &size, nullptr);
        if (!dib) state.SkipWithError("decoding failed");
        benchmark::DoNotOptimize(dib.get());
    }
}

// The same work with the library's own interface: map the file, make a zero-filled
// blue-green-red bitmap of rows padded to 4 bytes, decode into it.
void LoadThroughTurboJpeg(benchmark::State& state, int scaleDenominator,
                          Kind kind = Kind::SingleScan) {
    const std::string& path = ThePicture(kind).path();
    tjhandle handle = tjInitDecompress();
    for (auto _ : state) {
        platform::MappedFile file;
        file.Open(path);
        int width = 0, height = 0, subsampling = 0, colourspace = 0;
        tjDecompressHeader3(handle, file.data(), static_cast<unsigned long>(file.size()), &width,
                            &height, &subsampling, &colourspace);
        width = (width + scaleDenominator - 1) / scaleDenominator;
        height = (height + scaleDenominator - 1) / scaleDenominator;
        const int pitch = (width * 3 + 3) & ~3;
        std::unique_ptr<std::uint8_t[]> bits(
            new std::uint8_t[static_cast<std::size_t>(pitch) * height]());
        if (tjDecompress2(handle, file.data(), static_cast<unsigned long>(file.size()), bits.get(),
                          width, pitch, height, TJPF_BGR, 0) != 0) {
            state.SkipWithError(tjGetErrorStr2(handle));
        }
        benchmark::DoNotOptimize(bits.get());
    }
    tjDestroy(handle);
}

void LoadFull(benchmark::State& state) {
    LoadThroughTheLoader(state, {0, 0});
}
void ReferenceFull(benchmark::State& state) {
    LoadThroughTurboJpeg(state, 1);
}
void LoadEighth(benchmark::State& state) {
    LoadThroughTheLoader(state, {160, 120});
}
void ReferenceEighth(benchmark::State& state) {
    LoadThroughTurboJpeg(state, 8);
}
void LoadProgressive(benchmark::State& state) {
    LoadThroughTheLoader(state, {0, 0}, Kind::Progressive);
}
void ReferenceProgressive(benchmark::State& state) {
    LoadThroughTurboJpeg(state, 1, Kind::Progressive);
}
void LoadNonInterleaved(benchmark::State& state) {
    LoadThroughTheLoader(state, {0, 0}, Kind::NonInterleaved);
}
void ReferenceNonInterleaved(benchmark::State& state) {
    LoadThroughTurboJpeg(state, 1, Kind::NonInterleaved);
}

// What the file information needs: the header and the IPTC block, no pixels.
void HeaderAndIptc(benchmark::State& state) {
    const std::string& path = ThePicture().path();
    for (auto _ : state) {
        platform::MappedFile file;
        file.Open(path);
        IPTCData record;
        PictureLoader loader;
        loader.SetIPTCTarget(&record);
        if (!loader.Open(path, file.data(), file.size()) || record.keywords.size() != 2) {
            state.SkipWithError("header or IPTC block not read");
        }
        benchmark::DoNotOptimize(record.caption.data());
    }
}

BENCHMARK(LoadFull)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReferenceFull)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LoadEighth)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReferenceEighth)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LoadProgressive)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReferenceProgressive)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(LoadNonInterleaved)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(ReferenceNonInterleaved)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(HeaderAndIptc)->Unit(benchmark::kMicrosecond);

}  // namespace
