#include "ProgramUnderTest.h"

#include "E2eConfig.h"
#include "Operator.h"
#include "Outcomes.h"
#include "ProgramWindows.h"
#include "WindowQuery.h"

#include "runtime/ScopeGuard.h"

#include <cwctype>

namespace {

int NextCopyNumber()
{
    static int counter = 0;
    return ++counter;
}

}  // namespace

ProgramUnderTest::ProgramUnderTest(bool withReadme, const std::wstring& folderName, const std::wstring& exeName)
{
    std::wstring unique =
        L"AP_E2E_" + std::to_wstring(GetCurrentProcessId()) + L"_" + std::to_wstring(NextCopyNumber());
    std::wstring baseName = exeName.empty() ? unique : exeName;
    title_ = baseName.substr(0, 1);
    for (wchar_t c : baseName.substr(1))
        title_ += static_cast<wchar_t>(std::towlower(c));
    registryKey_ = "Software\\" + Utf8(baseName);

    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    root_ = std::wstring(temp) + unique + L"\\";
    folder_ = root_ + folderName + L"\\";
    RemoveFolderTree(root_);
    if (!CreateDirectoryW(root_.c_str(), nullptr) || !CreateDirectoryW(folder_.c_str(), nullptr))
        throw DriverError("cannot create the folder " + Utf8(folder_));
    exePath_ = folder_ + baseName + L".exe";
    if (!CopyFileW(Config().ProgramPath.c_str(), exePath_.c_str(), FALSE))
        throw DriverError("cannot copy the program to " + Utf8(exePath_));
    if (withReadme) {
        std::wstring readme = Config().ProgramFolder + L"Readme.rtf";
        if (!CopyFileW(readme.c_str(), PathOf(L"Readme.rtf").c_str(), FALSE))
            throw DriverError("cannot copy " + Utf8(readme));
    }
    DeleteRegistryTree(registryKey_);
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (Running()) {
        TerminateProcess(process_.Get(), 1);
        WaitForSingleObject(process_.Get(), 5000);
    }
    DeleteRegistryTree(registryKey_);
    RemoveFolderTree(root_);
}

std::optional<std::string> ProgramUnderTest::ReadFile(std::wstring_view fileName) const
{
    return ReadBytes(PathOf(fileName));
}

void ProgramUnderTest::WriteFile(std::wstring_view fileName, std::string_view bytes) const
{
    WriteBytes(PathOf(fileName), bytes);
}

void ProgramUnderTest::Start(int dpi)
{
    if (Running())
        throw DriverError("the program is still running");
    RegKey desktop;
    DWORD saved = 0, size = sizeof(saved), type = 0;
    bool hadValue = false;
    if (dpi) {
        if (RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, desktop.Receive(), nullptr) != ERROR_SUCCESS)
            throw DriverError("cannot open HKCU\\Control Panel\\Desktop");
        hadValue = RegQueryValueExW(desktop.Get(), L"LogPixels", nullptr, &type, reinterpret_cast<BYTE*>(&saved),
                                    &size) == ERROR_SUCCESS &&
                   type == REG_DWORD;
        DWORD value = static_cast<DWORD>(dpi);
        RegSetValueExW(desktop.Get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }
    ScopeGuard restore([&] {
        if (!dpi)
            return;
        if (hadValue)
            RegSetValueExW(desktop.Get(), L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&saved),
                           sizeof(saved));
        else
            RegDeleteValueW(desktop.Get(), L"LogPixels");
    });
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info{};
    std::wstring commandLine = L"\"" + exePath_ + L"\"";
    if (!CreateProcessW(exePath_.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder_.c_str(),
                        &startup, &info))
        throw DriverError("cannot start " + Utf8(exePath_) + ": error " + std::to_string(GetLastError()));
    CloseHandle(info.hThread);
    process_.Reset(info.hProcess);
    processId_ = info.dwProcessId;
    if (dpi)
        WaitForInputIdle(process_.Get(), 10000);
}

bool ProgramUnderTest::Running() const
{
    return process_ && WaitForSingleObject(process_.Get(), 0) == WAIT_TIMEOUT;
}

HWND ProgramUnderTest::WaitForMainWindow() const
{
    return WaitForWindow(processId_, kMainFormClass, kMainFormCaption);
}

DWORD ProgramUnderTest::WaitForExit(int timeoutMs)
{
    if (!process_)
        throw DriverError("the program was never started");
    if (WaitForSingleObject(process_.Get(), static_cast<DWORD>(timeoutMs)) != WAIT_OBJECT_0)
        throw DriverError("the program did not end within " + std::to_string(timeoutMs) + " ms");
    DWORD code = 0;
    GetExitCodeProcess(process_.Get(), &code);
    return code;
}

void ProgramUnderTest::CloseAndWait(HWND mainWindow)
{
    CloseWithCloseBox(mainWindow);
    DWORD code = WaitForExit();
    if (code != 0)
        throw DriverError("the program ended with exit code " + std::to_string(code));
}
