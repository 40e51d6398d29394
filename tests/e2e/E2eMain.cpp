// Entry of the end-to-end driver: GoogleTest takes its flags, the rest names
// the program under test. The ANSI code page is printed because the English
// locale run depends on it.
#include "E2eConfig.h"

#include "platform/Win32.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string_view>

int wmain(int argc, wchar_t** argv)
{
    // Started by the driver itself to learn which code page a process that
    // it starts gets: the same way it starts the program under test.
    if (argc == 2 && std::wstring_view(argv[1]) == kReportCodePageArgument)
        return static_cast<int>(GetACP());
    testing::InitGoogleTest(&argc, argv);
    if (!ParseConfig(argc, argv))
        return 2;
    std::printf("e2e: program %ls, ANSI code page %u\n", Config().ProgramPath.c_str(), GetACP());
    std::fflush(stdout);
    OleInitialize(nullptr);
    int result = RUN_ALL_TESTS();
    OleUninitialize();
    return result;
}
