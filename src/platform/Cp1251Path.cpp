#include "platform/Cp1251Path.h"

#include "platform/WideText.h"
#include "platform/Win32.h"

#include <vector>

namespace {

std::wstring PathThrough(DWORD(WINAPI* call)(LPCWSTR, LPWSTR, DWORD), const std::wstring& path)
{
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = call(path.c_str(), buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(length + 1);
    }
}

std::vector<std::wstring> Components(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find(L'\\', start);
        parts.push_back(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            return parts;
        start = end + 1;
    }
}

bool SameEntry(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

std::optional<std::string> Cp1251PathOf(const std::wstring& path)
{
    if (FitsCp1251(path))
        return Narrow(path);
    // The short form has the same components as the long one; only those
    // that do not fit are taken from it, so the operator still reads the
    // rest of the path as it is.
    std::vector<std::wstring> longParts = Components(path);
    std::vector<std::wstring> shortParts = Components(PathThrough(&GetShortPathNameW, path));
    if (shortParts.size() != longParts.size())
        return std::nullopt;
    std::wstring result;
    for (size_t i = 0; i < longParts.size(); ++i) {
        const std::wstring& part = FitsCp1251(longParts[i]) ? longParts[i] : shortParts[i];
        if (!FitsCp1251(part))
            return std::nullopt;
        result += (i == 0 ? L"" : L"\\") + part;
    }
    std::wstring reached = PathThrough(&GetLongPathNameW, result);
    if (reached.empty() || !SameEntry(reached, PathThrough(&GetLongPathNameW, path)))
        return std::nullopt;
    return Narrow(result);
}
