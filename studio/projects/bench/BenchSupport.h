#pragma once

#include <benchmark/benchmark.h>
#include <spawn.h>
#include <sys/wait.h>

#include <map>
#include <string>
#include <vector>

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
