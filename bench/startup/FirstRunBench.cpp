// The first generate run in a fresh process against the later runs of the same process: the
// program, started on an Xvfb display, waits about as long as a person takes to reach the
// button, then times its runs against the stand-in services on this machine. Later runs are
// timed back to back and each after the same idle as the first; the goal holds against the
// latter, as a person's presses come. Several fresh processes are run; the figures are medians
// over them.

#include "ProbeRunner.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <optional>
#include <signal.h>
#include <spawn.h>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char **environ;

namespace {
constexpr int Processes = 9;
constexpr double RatioGoal = 1.2;

// The stand-in on ports the system picks, its output in a file so that it never blocks.
class Standin
{
public:
    Standin()
    {
        char path[] = "/tmp/lumetta-standin-XXXXXX";
        const int fd = mkstemp(path);
        if (fd < 0)
            return;
        close(fd);
        m_logPath = path;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, path, O_WRONLY | O_TRUNC, 0600);
        std::string program = LUMETTA_STANDIN_PROGRAM;
        char *argv[] = {program.data(), nullptr};
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv, environ) != 0)
            m_pid = 0;
        posix_spawn_file_actions_destroy(&actions);
        for (int i = 0; i < 500 && m_pid != 0 && m_api.empty(); ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            std::ifstream log(m_logPath);
            std::string line;
            if (std::getline(log, line) && line.find(' ') != std::string::npos) {
                std::istringstream words(line);
                words >> m_api >> m_shortener;
            }
        }
    }
    ~Standin()
    {
        if (m_pid != 0) {
            kill(m_pid, SIGTERM);
            waitpid(m_pid, nullptr, 0);
        }
        if (!m_logPath.empty())
            std::filesystem::remove(m_logPath);
    }
    bool ready() const { return !m_shortener.empty(); }
    const std::string &api() const { return m_api; }
    const std::string &shortener() const { return m_shortener; }

private:
    pid_t m_pid = 0;
    std::string m_logPath;
    std::string m_api;
    std::string m_shortener;
};

struct ProcessFigures
{
    double first;
    double laterMedian;     // back to back
    double laterIdleMedian; // each after the same idle as the first
};

std::vector<double> numbersOf(const std::string &line)
{
    std::istringstream numbers(line);
    std::vector<double> values;
    for (double value = 0; numbers >> value;)
        values.push_back(value);
    return values;
}

std::optional<ProcessFigures> parse(const std::string &text)
{
    std::istringstream lines(text);
    std::string times, idleTimes, verdict;
    std::getline(lines, times);
    std::getline(lines, idleTimes);
    std::getline(lines, verdict);
    const std::vector<double> values = numbersOf(times);
    const std::vector<double> idleValues = numbersOf(idleTimes);
    if (verdict != "ok" || values.size() < 2 || idleValues.empty())
        return std::nullopt;
    return ProcessFigures{
        values.front(), ProbeRunner::median(std::vector<double>(values.begin() + 1, values.end())),
        ProbeRunner::median(idleValues)};
}
} // namespace

int main()
{
    const auto directory = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    const std::string probe = (directory / "startup_probe_first_run").string();
    Standin standin;
    if (!standin.ready()) {
        std::fprintf(stderr, "bench_first_run: the stand-in did not start\n");
        return 1;
    }
    const auto display = ProbeRunner::startXvfb();
    if (!display) {
        std::fprintf(stderr, "bench_first_run: cannot start Xvfb\n");
        return 1;
    }
    const std::vector<std::string> arguments{standin.api(), standin.shortener(),
                                             LUMETTA_STANDIN_CA};
    std::vector<double> firsts, laters, laterIdles, ratios, idleRatios;
    bool failed = false;
    // The first process warms the disk caches and is not counted.
    for (int process = 0; process <= Processes && !failed; ++process) {
        const auto output = ProbeRunner::run(probe, arguments, *display);
        const auto figures = output ? parse(output->text) : std::nullopt;
        failed = !figures;
        if (figures && process > 0) {
            firsts.push_back(figures->first);
            laters.push_back(figures->laterMedian);
            laterIdles.push_back(figures->laterIdleMedian);
            ratios.push_back(figures->first / figures->laterMedian);
            idleRatios.push_back(figures->first / figures->laterIdleMedian);
        }
    }
    ProbeRunner::stopXvfb(*display);
    if (failed) {
        std::fprintf(stderr, "bench_first_run: a probe did not report whole runs\n");
        return 1;
    }
    const double ratio = ProbeRunner::median(ratios);
    const double idleRatio = ProbeRunner::median(idleRatios);
    std::printf("generate runs against the stand-in, medians over %d fresh processes\n", Processes);
    std::printf("  first run, after an idle:         %7.2f ms\n", ProbeRunner::median(firsts));
    std::printf("  later runs, back to back:         %7.2f ms (first over these %.2f)\n",
                ProbeRunner::median(laters), ratio);
    std::printf("  later runs, each after that idle: %7.2f ms\n", ProbeRunner::median(laterIdles));
    std::printf("  first over later runs after the same idle %.2f (goal <= %.1f): %s\n", idleRatio,
                RatioGoal, idleRatio <= RatioGoal ? "met" : "NOT met");
    return 0;
}
