// One copy of AutoPeriod.exe in a fresh folder of its own, named as an
// operator's folder is (<temp>\AP_E2E_<driver pid>_<n>\Базы 1С\), under a
// file name of its own (AP_E2E_<pid>_<n>.exe), so that each journey has its
// own Bases.dat, Readme.rtf and registry key HKCU\Software\AP_E2E_<pid>_<n>.
// The destructor ends a copy that is still running, deletes the registry key
// and removes the folder.
//
//   ProgramUnderTest program;
//   program.WriteFile(L"Bases.dat", BaseListBytes({...}));
//   HWND main = program.StartToMainWindow();
//   ...
//   program.CloseAndWait(main);   // exit code 0 or a failure
#pragma once

#include "platform/Handles.h"

#include <optional>
#include <string>
#include <string_view>

class ProgramUnderTest {
public:
    // With the Readme.rtf that the build puts beside the program, or none;
    // in a folder of that name; under that file name without ".exe" (empty:
    // AP_E2E_<pid>_<n>).
    explicit ProgramUnderTest(bool withReadme = true, const std::wstring& folderName = L"Базы 1С",
                              const std::wstring& exeName = std::wstring());
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;
    ~ProgramUnderTest();

    // The folder, ending in a backslash, and a file in it.
    const std::wstring& Folder() const { return folder_; }
    std::wstring PathOf(std::wstring_view fileName) const { return folder_ + std::wstring(fileName); }
    std::optional<std::string> ReadFile(std::wstring_view fileName) const;
    void WriteFile(std::wstring_view fileName, std::string_view bytes) const;

    // HKCU-relative key of the window state store, and a window's subkey.
    const std::string& RegistryKey() const { return registryKey_; }
    std::string RegistryKey(std::string_view section) const { return registryKey_ + "\\" + std::string(section); }
    // The application title: the file name cut at its first full stop,
    // every character after the first lower-cased.
    const std::wstring& Title() const { return title_; }

    // At `dpi` dots per inch, or at the desktop's with 0: Wine takes the
    // density from the registry when a process starts, so the value stands
    // there until the program takes input.
    void Start(int dpi = 0);
    bool Running() const;
    DWORD ProcessId() const { return processId_; }
    // The main window once it is shown.
    HWND WaitForMainWindow() const;
    // Start, then the main window once it is shown.
    HWND StartToMainWindow(int dpi = 0)
    {
        Start(dpi);
        return WaitForMainWindow();
    }
    // Waits for the process to end and returns its exit code.
    DWORD WaitForExit(int timeoutMs = 10000);
    // Closes the main window with its close box and waits for the end;
    // an exit code other than 0 is a DriverError.
    void CloseAndWait(HWND mainWindow);

private:
    std::wstring root_, folder_, exePath_, title_;
    std::string registryKey_;
    UniqueHandle process_;
    DWORD processId_ = 0;
};
