// What the driver is told on its command line: the program under test and
// where screenshots go.
//
//   e2e_tests.exe <AutoPeriod.exe> [<screenshot folder>] [gtest flags]
//
// Either path may be a Linux path (/work/...), as CTest passes it; it is
// reached through Wine's Z: drive.
#pragma once

#include <string>

struct E2eConfig {
    std::wstring ProgramPath;  // the built AutoPeriod.exe
    std::wstring ProgramFolder;  // its folder, with the shipped Readme.rtf; ends in a backslash
    std::wstring ScreenshotFolder;  // empty: no screenshots
};

const E2eConfig& Config();

// Reads the positional arguments left after GoogleTest took its own.
// Returns false, with a message on stderr, when they do not name a program.
bool ParseConfig(int argc, wchar_t** argv);

// Run with this single argument, the driver only ends with GetACP() as its
// exit code.
inline constexpr wchar_t kReportCodePageArgument[] = L"--exit-with-ansi-code-page";

// A Linux absolute path becomes its Z: form; anything else is made absolute.
std::wstring ToWindowsPath(const std::wstring& path);
