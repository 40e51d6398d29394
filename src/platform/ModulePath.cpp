#include "platform/ModulePath.h"

#include "platform/FaultSeam.h"
#include "platform/PathForms.h"
#include "platform/Win32.h"

#include <vector>

namespace {

std::wstring SystemModulePath()
{
    // The path may be longer than MAX_PATH; grow until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        DWORD length = GetModuleFileNameW(nullptr, buffer.data(), DWORD(buffer.size()));
        if (length == 0)
            return std::wstring();
        if (length < buffer.size())
            return std::wstring(buffer.data(), length);
        buffer.resize(buffer.size() * 2);
    }
}

// What the system makes of a path without the prefix: a name that ends in a
// dot or a blank, or a "." or ".." component, would name something else.
std::wstring FullPath(const std::wstring& path)
{
    wchar_t buffer[MAX_PATH];
    DWORD length = GetFullPathNameW(path.c_str(), MAX_PATH, buffer, nullptr);
    return length == 0 || length >= MAX_PATH ? std::wstring() : std::wstring(buffer, length);
}

// The plain form where it names the same file and fits in MAX_PATH.
std::wstring WithoutPrefix(const std::wstring& path)
{
    const std::wstring plain = WithoutLongPathPrefix(path);
    return plain == path || (plain.size() < MAX_PATH && FullPath(plain) == plain) ? plain : path;
}

}  // namespace

std::wstring ModulePath()
{
    // Worked out once a start: the long form asks the file system for every
    // folder on the way, and the title, the program folder and every
    // registry read and write of the windows' places want it.
    static std::wstring known;
    static unsigned knownStart = 0;
    if (known.empty() || knownStart != FaultSeam::StartCount()) {
        knownStart = FaultSeam::StartCount();
        const std::wstring through = FaultSeam::StartedThrough();
        const std::wstring started = through.empty() ? SystemModulePath() : through;
        const std::wstring longForm = LongPath(started);
        known = WithoutPrefix(longForm.empty() ? started : longForm);
    }
    return known;
}
