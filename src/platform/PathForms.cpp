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

namespace {

const std::wstring kUncPrefix = L"\\\\?\\UNC\\", kLocalPrefix = L"\\\\?\\";

}  // namespace

bool HasLongPathPrefix(const std::wstring& path)
{
    return path.compare(0, kLocalPrefix.size(), kLocalPrefix) == 0;
}

std::wstring WithLongPathPrefix(const std::wstring& path)
{
    if (HasLongPathPrefix(path))
        return path;
    if (path.compare(0, 2, L"\\\\") == 0)
        return kUncPrefix + path.substr(2);
    return kLocalPrefix + path;
}

std::wstring WithoutLongPathPrefix(const std::wstring& path)
{
    if (path.compare(0, kUncPrefix.size(), kUncPrefix) == 0)
        return L"\\\\" + path.substr(kUncPrefix.size());
    if (HasLongPathPrefix(path))
        return path.substr(kLocalPrefix.size());
    return path;
}
