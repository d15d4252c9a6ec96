#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/BmpDecoder.h"
#include "imaging/PictureConverter.h"
#include "imaging/tests/BmpWriter.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;  // 12 megapixels

const std::vector<std::uint8_t>& File24() {
    static const std::vector<std::uint8_t> file = [] {
        test_pictures::BmpPicture p;
        p.width = kWidth;
        p.height = kHeight;
        p.pixels.resize(static_cast<std::size_t>(kWidth) * 3 * kHeight);
        for (std::size_t i = 0; i < p.pixels.size(); ++i) {
            p.pixels[i] = static_cast<std::uint8_t>(i * 7 + i / 9973);
        }
        return p.Build();
    }();
    return file;
}

// Decoding into a 24-bit bitmap's rows, as the picture loader does.
void DecodeBmp24(benchmark::State& state) {
    const auto& file = File24();
    const std::size_t pitch = static_cast<std::size_t>(kWidth) * 3;
    std::vector<std::uint8_t> out(pitch * kHeight);
    PictureConverter converter;
    converter.bitsPerPixel = 24;
    for (auto _ : state) {
        BmpDecoder decoder;
        decoder.SetSource(file.data(), file.size());
        if (!decoder.ReadHead()) state.SkipWithError("header refused");
        decoder.ReadImage(out.data(), static_cast<std::ptrdiff_t>(pitch), &converter);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(out.size()));
}

// The reference: copying the file's pixel bytes.
void CopyBmp24Pixels(benchmark::State& state) {
    const auto& file = File24();
    const std::size_t bytes = static_cast<std::size_t>(kWidth) * 3 * kHeight;
    std::vector<std::uint8_t> out(bytes);
    for (auto _ : state) {
        std::memcpy(out.data(), file.data() + (file.size() - bytes), bytes);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(bytes));
}

BENCHMARK(DecodeBmp24)->Unit(benchmark::kMillisecond);
BENCHMARK(CopyBmp24Pixels)->Unit(benchmark::kMillisecond);

}  // namespace
