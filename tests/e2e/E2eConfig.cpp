#include "E2eConfig.h"

#include "platform/Win32.h"

#include <cstdio>

namespace {

E2eConfig& MutableConfig()
{
    static E2eConfig config;
    return config;
}

std::wstring WithTrailingBackslash(std::wstring path)
{
    if (!path.empty() && path.back() != L'\\')
        path += L'\\';
    return path;
}

}  // namespace

const E2eConfig& Config()
{
    return MutableConfig();
}

std::wstring ToWindowsPath(const std::wstring& path)
{
    std::wstring result = path;
    if (!result.empty() && result.front() == L'/')
        result = L"Z:" + result;
    for (wchar_t& c : result)
        if (c == L'/')
            c = L'\\';
    wchar_t full[MAX_PATH * 4];
    DWORD length = GetFullPathNameW(result.c_str(), static_cast<DWORD>(std::size(full)), full, nullptr);
    if (length == 0 || length >= std::size(full))
        return result;
    return full;
}

bool ParseConfig(int argc, wchar_t** argv)
{
    E2eConfig& config = MutableConfig();
    if (argc < 2) {
        std::fprintf(stderr, "usage: e2e_tests <AutoPeriod.exe> [<screenshot folder>] [gtest flags]\n");
        return false;
    }
    config.ProgramPath = ToWindowsPath(argv[1]);
    DWORD attributes = GetFileAttributesW(config.ProgramPath.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        std::fprintf(stderr, "e2e_tests: no program at %ls\n", config.ProgramPath.c_str());
        return false;
    }
    config.ProgramFolder = config.ProgramPath.substr(0, config.ProgramPath.find_last_of(L'\\') + 1);
    if (argc >= 3) {
        config.ScreenshotFolder = WithTrailingBackslash(ToWindowsPath(argv[2]));
        CreateDirectoryW(config.ScreenshotFolder.c_str(), nullptr);
    }
    return true;
}
