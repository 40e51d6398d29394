#include "platform/FileExists.h"

#include "platform/Handles.h"
#include "platform/PathForms.h"
#include "platform/WideText.h"

bool FileExists(const std::wstring& fileName)
{
    // A wildcard would let the search match some other entry; no file has one
    // in its name. (A "?" is also what an unrepresentable character became
    // in a single-byte name.)
    // The "\\?\" before a long path or a path taken whole is no wildcard.
    const size_t from = HasLongPathPrefix(fileName) ? 4 : 0;
    if (fileName.empty() || fileName.find_first_of(L"*?", from) != std::wstring::npos)
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
