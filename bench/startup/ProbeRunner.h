#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

// Runs probe programs on an Xvfb display of their own, one fresh process at a time.
namespace ProbeRunner {

struct Display
{
    pid_t xvfbPid;
    std::string name; // ":N"
};

// Starts Xvfb on a free display it picks itself.
std::optional<Display> startXvfb();
void stopXvfb(const Display &display);

long long monotonicNanoseconds();

struct Output
{
    long long spawnedAtNs; // the monotonic clock just before the process was spawned
    std::string text;      // everything it wrote on standard output
};

// Runs the program with the arguments on the display (platform xcb) and waits for its end.
std::optional<Output> run(const std::string &path, const std::vector<std::string> &arguments,
                          const Display &display);

double median(std::vector<double> values);

} // namespace ProbeRunner
