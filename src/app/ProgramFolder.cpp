#include "app/ProgramFolder.h"

#include "platform/Handles.h"
#include "platform/WideText.h"
#include "runtime/AppTitle.h"

#include <vector>

namespace {

struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

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

} // namespace

std::wstring GetProgramFolderPath()
{
    std::wstring path = ExecutablePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string GetProgramFolder()
{
    return Narrow(GetProgramFolderPath());
}

bool FileExists(const std::wstring& fileName)
{
    // A wildcard would let the search match some other entry; no file has one
    // in its name. (A "?" is also what an unrepresentable character became
    // in a single-byte name.)
    if (fileName.empty() || fileName.find_first_of(L"*?") != std::wstring::npos)
        return false;
    // Searching the folder rather than asking for the attributes: the entry
    // counts only when its folder can be read.
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(fileName.c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool FileExists(const std::string& fileName)
{
    return FileExists(Wide(fileName));
}
