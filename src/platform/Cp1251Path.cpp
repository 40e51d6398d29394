#include "platform/Cp1251Path.h"

#include "platform/PathForms.h"
#include "platform/WideText.h"
#include "platform/Win32.h"

#include <vector>

namespace {

// Both separators: the short form keeps a typed "/" where it stood.
std::vector<std::wstring> Components(const std::wstring& path)
{
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t end = path.find_first_of(L"\\/", start);
        parts.push_back(path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start));
        if (end == std::wstring::npos)
            return parts;
        start = end + 1;
    }
}

bool SameEntry(const std::wstring& a, const std::wstring& b)
{
    return !a.empty() && CompareStringOrdinal(a.c_str(), int(a.size()), b.c_str(), int(b.size()), TRUE) == CSTR_EQUAL;
}

// The composed form, unless the path as typed names an entry that the
// composed one does not: a folder whose name really holds a base letter and
// a combining mark is reached by its own name.
std::wstring ExactForm(const std::wstring& typed)
{
    std::wstring composed = Composed(typed);
    if (composed == typed || GetFileAttributesW(typed.c_str()) == INVALID_FILE_ATTRIBUTES)
        return composed;
    return SameEntry(LongPath(composed), LongPath(typed)) ? composed : typed;
}

}  // namespace

Cp1251Path Cp1251PathOf(const std::wstring& typed)
{
    if (FitsCp1251(typed))
        return {Narrow(typed)};
    const std::wstring path = ExactForm(typed);
    if (FitsCp1251(path))
        return {Narrow(path)};
    // The short form has the same components as the long one; only those
    // that do not fit are taken from it, so the operator still reads the
    // rest of the path as it is.
    std::wstring shortPath;
    DWORD error = 0;
    if (!PathThrough(&GetShortPathNameW, path, shortPath, error))
        return {std::nullopt, error};
    std::vector<std::wstring> longParts = Components(path);
    std::vector<std::wstring> shortParts = Components(shortPath);
    if (shortParts.size() != longParts.size())
        return {};
    std::wstring result;
    for (size_t i = 0; i < longParts.size(); ++i) {
        const std::wstring& part = FitsCp1251(longParts[i]) ? longParts[i] : shortParts[i];
        if (!FitsCp1251(part))
            return {};
        result += (i == 0 ? L"" : L"\\") + part;
    }
    std::wstring reached;
    if (!PathThrough(&GetLongPathNameW, result, reached, error))
        return {std::nullopt, error};
    if (!SameEntry(reached, LongPath(path)))
        return {};
    return {Narrow(result)};
}
