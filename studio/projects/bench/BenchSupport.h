#pragma once

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdint>
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

// Prints as usual and keeps each benchmark's real time, for the ratios the programs print.
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
