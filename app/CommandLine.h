#pragma once

#include <optional>

// The program's command line: --help and --version print and end the program before any
// window opens or any stored file is read. Gives the exit code when the program should end
// here, nothing when it should start as usual (no arguments).
std::optional<int> RunCommandLine(int argc, char **argv);
