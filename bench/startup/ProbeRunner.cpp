#include "ProbeRunner.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <ctime>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace ProbeRunner {
namespace {

std::vector<char *> pointersTo(std::vector<std::string> &strings)
{
    std::vector<char *> result;
    for (auto &string : strings)
        result.push_back(string.data());
    result.push_back(nullptr);
    return result;
}

std::vector<std::string> probeEnvironment(const Display &display)
{
    std::vector<std::string> result;
    for (char **entry = environ; *entry; ++entry) {
        if (std::strncmp(*entry, "DISPLAY=", 8) != 0 &&
            std::strncmp(*entry, "QT_QPA_PLATFORM=", 16) != 0)
            result.emplace_back(*entry);
    }
    result.push_back("DISPLAY=" + display.name);
    result.push_back("QT_QPA_PLATFORM=xcb");
    return result;
}

} // namespace

long long monotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

std::optional<Display> startXvfb()
{
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return std::nullopt;
    std::vector<std::string> args{"Xvfb",      "-displayfd", std::to_string(pipeFds[1]),
                                  "-screen",   "0",          "1280x1024x24",
                                  "-nolisten", "tcp"};
    std::vector<char *> argv = pointersTo(args);
    pid_t pid = 0;
    if (posix_spawnp(&pid, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0)
        return std::nullopt;
    close(pipeFds[1]);
    std::string name;
    char c = 0;
    while (read(pipeFds[0], &c, 1) == 1 && c != '\n')
        name.push_back(c);
    close(pipeFds[0]);
    if (name.empty()) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        return std::nullopt;
    }
    return Display{pid, ":" + name};
}

void stopXvfb(const Display &display)
{
    kill(display.xvfbPid, SIGTERM);
    waitpid(display.xvfbPid, nullptr, 0);
}

std::optional<Output> run(const std::string &path, const std::vector<std::string> &arguments,
                          const Display &display)
{
    int out[2];
    if (pipe(out) != 0)
        return std::nullopt;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    std::vector<std::string> environment = probeEnvironment(display);
    std::vector<char *> envp = pointersTo(environment);
    std::vector<std::string> args{path};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv = pointersTo(args);
    pid_t pid = 0;
    Output output{monotonicNanoseconds(), {}};
    const int spawned =
        posix_spawn(&pid, path.c_str(), &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (spawned != 0) {
        close(out[0]);
        return std::nullopt;
    }
    char buffer[256];
    ssize_t got = 0;
    while ((got = read(out[0], buffer, sizeof buffer)) > 0)
        output.text.append(buffer, static_cast<size_t>(got));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return output;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

} // namespace ProbeRunner
