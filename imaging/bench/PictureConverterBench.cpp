#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "imaging/PictureConverter.h"

namespace {

constexpr int kWidth = 4096;

std::vector<std::uint8_t> SourceRow() {
    std::vector<std::uint8_t> row(kWidth * 3);
    for (std::size_t i = 0; i < row.size(); ++i) row[i] = static_cast<std::uint8_t>(i * 7);
    return row;
}

void ConvertRow(benchmark::State& state, int bits, int greenBits) {
    const auto source = SourceRow();
    PictureConverter converter;
    converter.bitsPerPixel = bits;
    converter.greenBits = greenBits;
    std::vector<std::uint8_t> out(static_cast<std::size_t>(kWidth * bits / 8));
    for (auto _ : state) {
        converter.Convert(source.data(), out.data(), nullptr, kWidth, 24, 16, 8, 0, 8, 8, 8);
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(out.size()));
}

// The reference: copying an output row of the same size.
void CopyRow(benchmark::State& state, int bits) {
    const std::vector<std::uint8_t> source(static_cast<std::size_t>(kWidth * bits / 8), 1);
    std::vector<std::uint8_t> out(source.size());
    for (auto _ : state) {
        std::memcpy(out.data(), source.data(), out.size());
        benchmark::DoNotOptimize(out.data());
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            static_cast<std::int64_t>(out.size()));
}

BENCHMARK_CAPTURE(ConvertRow, rgb24_to_24, 24, 8);
BENCHMARK_CAPTURE(CopyRow, memcpy_24, 24);
BENCHMARK_CAPTURE(ConvertRow, rgb24_to_32, 32, 8);
BENCHMARK_CAPTURE(CopyRow, memcpy_32, 32);
BENCHMARK_CAPTURE(ConvertRow, rgb24_to_565, 16, 6);
BENCHMARK_CAPTURE(ConvertRow, rgb24_to_555, 16, 5);
BENCHMARK_CAPTURE(CopyRow, memcpy_16, 16);

}  // namespace
