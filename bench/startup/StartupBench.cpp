// Starts one Xvfb, then runs the program's start-up probe and the bare-window probe in turns,
// and prints the median time from spawning each process to its first paint, the median
// resident memory shortly after, and how the program compares with the bare window.

#include <algorithm>
#include <array>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
constexpr int Runs = 15;
constexpr double TimeGoal = 1.5;     // at most this many times the bare window's start-up
constexpr double MemoryGoalMiB = 10; // at most this much more resident memory

struct Sample
{
    double milliseconds;
    double residentMiB;
};

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

// Starts Xvfb on a free display it picks itself; returns its pid and display number.
std::optional<std::pair<pid_t, std::string>> startXvfb()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return std::nullopt;
    const std::string fd = std::to_string(pipeFds[1]);
    std::vector<std::string> args{"Xvfb", "-displayfd",   fd,          "-screen",
                                  "0",    "1280x1024x24", "-nolisten", "tcp"};
    std::vector<char *> argv;
    for (auto &arg : args)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    close(pipeFds[1]);
    std::string display;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
        display.push_back(c);
    close(pipeFds[0]);
    if (display.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return std::nullopt;
    }
    return std::make_pair(pid, ":" + display);
}

std::vector<char *> probeEnvironment(std::vector<std::string> &storage, const std::string &display)
{
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0 &&
            std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            storage.emplace_back(*entry);
    }
    storage.push_back("DISPLAY=" + display);
    storage.push_back("QT_QPA_PLATFORM=xcb");
    std::vector<char *> result;
    for (auto &entry : storage)
        result.push_back(entry.data());
    result.push_back(nullptr);
    return result;
}

std::optional<Sample> runProbe(const std::string &path, const std::string &display)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> storage;
    std::vector<char *> environment = probeEnvironment(storage, display);
    std::string program = path;
    std::array<char *, 2> argv{program.data(), nullptr};
    pid_t pid = 0;
    const long long spawnedAt = monotonicNanoseconds();
    const int spawned =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), environment.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return std::nullopt;
    }
    std::string text;
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long paintedAt = 0;
    long residentKiB = 0;
    if (std::sscanf(text.c_str(), "%lld %ld", &paintedAt, &residentKiB) != 2)
        return std::nullopt;
    return Sample{static_cast<double>(paintedAt - spawnedAt) / 1e6, residentKiB / 1024.0};
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
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
    return {median(times), median(memory)};
}
} // namespace

int main()
{
    const auto directory = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string program = (directory / "startup_probe_lumetta").string();
    const std::string bare = (directory / "startup_probe_bare").string();
    const auto xvfb = startXvfb();
    if (!xvfb) {
        std::fprintf(stderr, "bench_startup: cannot start Xvfb\n");
        return 1;
    }
    const auto &[xvfbPid, display] = *xvfb;

    std::vector<Sample> programSamples, bareSamples;
    bool failed = false;
    // The first round warms the caches of both and is not counted.
    for (int run = 0; run <= Runs && !failed; ++run) {
        const auto programSample = runProbe(program, display);
        const auto bareSample = runProbe(bare, display);
        failed = !programSample || !bareSample;
        if (!failed && run > 0) {
            programSamples.push_back(*programSample);
            bareSamples.push_back(*bareSample);
        }
    }
    kill(xvfbPid, SIGTERM);
    waitpid(xvfbPid, nullptr, 0);
    if (failed) {
        std::fprintf(stderr, "bench_startup: a probe did not report\n");
        return 1;
    }

    const Figures ours = medians(programSamples);
    const Figures yardstick = medians(bareSamples);
    const double ratio = ours.milliseconds / yardstick.milliseconds;
    const double extraMiB = ours.residentMiB - yardstick.residentMiB;
    std::printf("start-up to first paint, median of %d runs under Xvfb %s\n", Runs,
                display.c_str());
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
