// Safe loading: a library named like the rich edit control's, planted in the
// program's folder, is never loaded, even when Wine is told to prefer a
// native copy of it for this program (which makes it follow the Windows
// search order, where the program's folder comes first).
#include "Outcomes.h"
#include "ProgramUnderTest.h"
#include "ProgramWindows.h"
#include "WindowQuery.h"

#include <gtest/gtest.h>

namespace {

std::wstring PlantedLibraryPath()
{
    wchar_t path[MAX_PATH];
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring self(path, length);
    return self.substr(0, self.find_last_of(L'\\') + 1) + L"planted\\riched32.dll";
}

}  // namespace

TEST(PlantedLibraryJourney, TheProgramNeverLoadsALibraryPlantedBesideIt)
{
    ProgramUnderTest program;
    ASSERT_TRUE(CopyFileW(PlantedLibraryPath().c_str(), program.PathOf(L"riched32.dll").c_str(), FALSE))
        << "the planted library was not built";

    // Per-program override: prefer a native riched32 over Wine's own.
    const std::string key = program.RegistryKey();
    const std::string exeName = key.substr(key.find_last_of('\\') + 1) + ".exe";
    const std::string appDefaults = "Software\\Wine\\AppDefaults\\" + exeName;
    HKEY overrides = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, (appDefaults + "\\DllOverrides").c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS, nullptr, &overrides, nullptr),
              ERROR_SUCCESS);
    const char value[] = "native,builtin";
    RegSetValueExA(overrides, "riched32", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), sizeof(value));
    RegCloseKey(overrides);

    HWND main = program.StartToMainWindow();
    program.CloseAndWait(main);
    DeleteRegistryTree(appDefaults);

    EXPECT_FALSE(program.ReadFile(L"planted-library-loaded").has_value())
        << "the program loaded the riched32.dll planted in its folder";
}
