#pragma once

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "imaging/JpegWriter.h"
#include "platform/bitmap/DibSection.h"

// Runs a program of the system (found on a fixed PATH) with a plain environment and waits
// for it; true when it exits with 0. The reference commands of the benchmarks run this way
// so that no shell start-up is measured.
inline bool RunProgram(std::vector<std::string> args) {
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

// Prints as usual and keeps each benchmark's real times, for the ratios the programs print.
// The times are kept by function name, from single runs and from the median aggregate
// alike, so a ratio prints whether or not only aggregates are reported.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Times& times = times_[run.run_name.function_name];
            if (run.run_type == Run::RT_Iteration) {
                times.each.push_back(run.GetAdjustedRealTime());
            } else if (run.aggregate_name == "median") {
                times.median = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    // The median real time of the benchmark's repetitions; 0 when it did not run.
    double Median(const std::string& function) const {
        const auto found = times_.find(function);
        if (found == times_.end()) return 0;
        if (found->second.median > 0) return found->second.median;
        std::vector<double> each = found->second.each;
        if (each.empty()) return 0;
        std::sort(each.begin(), each.end());
        const std::size_t half = each.size() / 2;
        return each.size() % 2 == 1 ? each[half] : (each[half - 1] + each[half]) / 2;
    }

    // Prints "label: ratio" of two benchmarks' medians when both ran.
    void PrintRatio(const char* label, const std::string& measured,
                    const std::string& reference) const {
        const double a = Median(measured);
        const double b = Median(reference);
        if (a > 0 && b > 0) std::printf("%s: %.2f\n", label, a / b);
    }

private:
    struct Times {
        std::vector<double> each;
        double median = 0;
    };
    std::map<std::string, Times> times_;
};

// A JPEG of smooth gradients with fine grain, so the file compresses like a photograph does;
// `index` varies the picture. Ends the program when it cannot be written.
inline void WritePhoto(const std::string& path, int width, int height, int index, int quality) {
    auto dib = platform::DibSection::Create(width, -height, 24);
    std::uint32_t seed = 12345u + static_cast<std::uint32_t>(index);
    for (int y = 0; y < height; ++y) {
        std::uint8_t* p = dib->Row(y);
        for (int x = 0; x < width; ++x, p += 3) {
            seed = seed * 1664525u + 1013904223u;
            const int grain = static_cast<int>(seed >> 28) - 8;
            p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / width + grain, 0, 255));
            p[1] = static_cast<std::uint8_t>(std::clamp(y * 255 / height + grain, 0, 255));
            p[2] = static_cast<std::uint8_t>(
                std::clamp(((x + y) / 16 + index * 40) % 256 + grain, 0, 255));
        }
    }
    PictureInfo info;
    info.SetFromBitmapInfoHeader(dib->header(), nullptr);
    info.pixels = dib->Row(0);
    if (!SaveJPG(info, path, quality)) std::abort();
}
