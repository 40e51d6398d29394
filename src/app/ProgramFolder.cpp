#include "app/ProgramFolder.h"

#include "platform/ModulePath.h"
#include "platform/WideText.h"

std::wstring GetProgramFolderPath()
{
    std::wstring path = ModulePath();
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

std::string GetProgramFolder()
{
    return Narrow(GetProgramFolderPath());
}
