#include "platform/PathForms.h"

#include <vector>

bool PathThrough(DWORD(WINAPI* call)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path, std::wstring& result,
                 DWORD& error)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = call(path.c_str(), buffer.data(), DWORD(buffer.size()));
        if (length == 0) {
            error = GetLastError();
            return false;
        }
        if (length < buffer.size()) {
            result.assign(buffer.data(), length);
            return true;
        }
        buffer.resize(length + 1);
    }
}

std::wstring LongPath(const std::wstring& path)
{
    std::wstring result;
    DWORD ignored = 0;
    PathThrough(&GetLongPathNameW, path, result, ignored);
    return result;
}
