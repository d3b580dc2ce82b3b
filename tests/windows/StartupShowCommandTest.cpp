#include "StartupShowCommand.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace {

constexpr const char *ReportVariable = "LUMETTA_REPORT_SHOW_COMMAND";

// Starts this test executable again, running only the reporting case below, with a show
// command given the way a shortcut gives it (or none); the child's exit code is the show
// command it saw.
DWORD showCommandSeenByChild(std::optional<WORD> showCommand)
{
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring commandLine =
        L"\"" + std::wstring(self) + L"\" --gtest_filter=StartupShowCommand.ReportedByTheChild";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (showCommand) {
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = *showCommand;
    }
    SetEnvironmentVariableA(ReportVariable, "1");
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0,
                                        nullptr, nullptr, &startup, &process);
    SetEnvironmentVariableA(ReportVariable, nullptr);
    if (!started)
        return DWORD(-1);
    WaitForSingleObject(process.hProcess, 60000);
    DWORD exitCode = DWORD(-1);
    GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return exitCode;
}

} // namespace

// The child's whole job: exit with the show command it was started with.
TEST(StartupShowCommand, ReportedByTheChild)
{
    if (std::getenv(ReportVariable) == nullptr)
        GTEST_SKIP() << "runs only as the child of the case below";
    std::exit(StartupShowCommand());
}

TEST(StartupShowCommand, ShortcutsShowCommandReachesTheProgram)
{
    EXPECT_EQ(showCommandSeenByChild(SW_SHOWMAXIMIZED), 3u);
    EXPECT_EQ(showCommandSeenByChild(SW_SHOWMINNOACTIVE), 7u);
    EXPECT_EQ(showCommandSeenByChild(std::nullopt), 1u); // no show command: the normal window
}
