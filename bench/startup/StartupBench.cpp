// Starts one Xvfb, then runs the program's start-up probe and the bare-window probe in turns,
// and prints the median time from spawning each process to its first paint, the median
// resident memory shortly after, and how the program compares with the bare window.

#include "ProbeRunner.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace {
constexpr int Runs = 15;
constexpr double TimeGoal = 1.5;     // at most this many times the bare window's start-up
constexpr double MemoryGoalMiB = 10; // at most this much more resident memory

struct Sample
{
    double milliseconds;
    double residentMiB;
};

std::optional<Sample> runProbe(const std::string &path, const ProbeRunner::Display &display)
{
    const auto output = ProbeRunner::run(path, {}, display);
    long long paintedAt = 0;
    long residentKiB = 0;
    if (!output || std::sscanf(output->text.c_str(), "%lld %ld", &paintedAt, &residentKiB) != 2)
        return std::nullopt;
    return Sample{static_cast<double>(paintedAt - output->spawnedAtNs) / 1e6, residentKiB / 1024.0};
}

struct Figures
{
    double milliseconds;
    double residentMiB;
};

Figures medians(const std::vector<Sample> &samples)
{
    std::vector<double> times, memory;
    for (const Sample &sample : samples) {
        times.push_back(sample.milliseconds);
        memory.push_back(sample.residentMiB);
    }
    return {ProbeRunner::median(times), ProbeRunner::median(memory)};
}
} // namespace

int main()
{
    const auto directory = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string program = (directory / "startup_probe_lumetta").string();
    const std::string bare = (directory / "startup_probe_bare").string();
    const auto display = ProbeRunner::startXvfb();
    if (!display) {
        std::fprintf(stderr, "bench_startup: cannot start Xvfb\n");
        return 1;
    }

    std::vector<Sample> programSamples, bareSamples;
    bool failed = false;
    // The first round warms the caches of both and is not counted.
    for (int run = 0; run <= Runs && !failed; ++run) {
        const auto programSample = runProbe(program, *display);
        const auto bareSample = runProbe(bare, *display);
        failed = !programSample || !bareSample;
        if (!failed && run > 0) {
            programSamples.push_back(*programSample);
            bareSamples.push_back(*bareSample);
        }
    }
    ProbeRunner::stopXvfb(*display);
    if (failed) {
        std::fprintf(stderr, "bench_startup: a probe did not report\n");
        return 1;
    }

    const Figures ours = medians(programSamples);
    const Figures yardstick = medians(bareSamples);
    const double ratio = ours.milliseconds / yardstick.milliseconds;
    const double extraMiB = ours.residentMiB - yardstick.residentMiB;
    std::printf("start-up to first paint, median of %d runs under Xvfb %s\n", Runs,
                display->name.c_str());
    std::printf("  Dalvo Lumetta: %7.1f ms  %6.1f MiB resident\n", ours.milliseconds,
                ours.residentMiB);
    std::printf("  bare window:   %7.1f ms  %6.1f MiB resident\n", yardstick.milliseconds,
                yardstick.residentMiB);
    std::printf("  time ratio %.2f (goal <= %.1f): %s\n", ratio, TimeGoal,
                ratio <= TimeGoal ? "met" : "NOT met");
    std::printf("  extra memory %.1f MiB (goal <= %.0f MiB): %s\n", extraMiB, MemoryGoalMiB,
                extraMiB <= MemoryGoalMiB ? "met" : "NOT met");
    return 0;
}
