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

std::string GetProgramFolder()
{
    return FolderOfPath(Narrow(ExecutablePath()));
}

bool FileExists(const std::string& fileName)
{
    // A wildcard would let the search match some other entry; no file has one
    // in its name.
    if (fileName.empty() || fileName.find_first_of("*?") != std::string::npos)
        return false;
    // Searching the folder rather than asking for the attributes: the entry
    // counts only when its folder can be read.
    WIN32_FIND_DATAW data;
    UniqueFindHandle find(FindFirstFileW(Wide(fileName).c_str(), &data));
    return find && (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}
