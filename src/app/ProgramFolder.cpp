#include "app/ProgramFolder.h"

#include "platform/ModulePath.h"
#include "platform/PathForms.h"
#include "platform/Win32.h"
#include "platform/WideText.h"

namespace {

// The longest name the program gives a file of its own in its folder
// ("Bases.dat.9.tmp"), with room to spare.
constexpr size_t kLongestOwnName = 20;

}  // namespace

std::wstring GetProgramFolder()
{
    const std::wstring path = ModulePath();
    const std::wstring folder = path.substr(0, path.find_last_of(L'\\') + 1);
    // A folder so deep that the program's own files would pass MAX_PATH is
    // named in the form that has no such limit.
    return folder.size() + kLongestOwnName < MAX_PATH ? folder : WithLongPathPrefix(folder);
}
