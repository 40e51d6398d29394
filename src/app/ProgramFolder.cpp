#include "app/ProgramFolder.h"

#include "platform/Win32.h"
#include "platform/WideText.h"

#include <vector>

namespace {

std::wstring ExecutablePath()
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

}  // namespace

std::wstring GetProgramFolderPath()
{
    std::wstring path = ExecutablePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string GetProgramFolder()
{
    return Narrow(GetProgramFolderPath());
}
