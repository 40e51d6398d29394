// The program's entry: OLE, the application object, the four windows in
// their fixed order, the message loop, and a clean end.
#include "ui/ReportException.h"
#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/NewBaseUnit.h"
#include "forms/SelectDirectoryUnit.h"
#include "shelltree/ShellFolder.h"
#include "platform/Win32.h"
#include "runtime/ScopeGuard.h"
#include "ui/Application.h"
#include "ui/Window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, LPWSTR, int)
{
    // Libraries loaded by name (the rich edit control's, the shell's) come
    // from the system folder only, never from the program's folder or the
    // current one, where anybody may have put a file of that name.
    // SetDefaultDllDirectories came with KB2533623: on Windows 7 and Vista
    // without it a static import would keep the program from starting, so
    // it is looked up; without it, SetDllDirectoryW("") still drops the
    // current folder and the rich edit library is loaded by its full path.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    if (HMODULE kernel = GetModuleHandleW(L"kernel32.dll"))
        if (auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
                reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories"))))
            setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryW(L"");

    // The shell namespace of the folder chooser needs OLE on this thread.
    OleInitialize(nullptr);
    int exitCode = 0;
    {
        TShellLayer shellLayer;  // the desktop record, freed after every window
        TApplication application;
        Application = &application;
        application.OnException = ReportException;
        // What fails outside every handler (a window that cannot be made, a
        // missing system library) is reported before the program ends.
        exitCode = GuardedCall(
            [&] {
                application.Initialize();

                TMainForm mainForm;
                TSelectDirectoryForm selectDirectoryForm;
                TNewBaseForm newBaseForm;
                THelpForm helpForm;
                MainForm = &mainForm;
                SelectDirectoryForm = &selectDirectoryForm;
                NewBaseForm = &newBaseForm;
                HelpForm = &helpForm;
                // The forms go while they are whole, however this block ends.
                ScopeGuard destroyForms([&] { application.DestroyForms(); });

                application.CreateForm(mainForm);
                application.CreateForm(selectDirectoryForm);
                application.CreateForm(newBaseForm);
                application.CreateForm(helpForm);
                application.Run();
                return 0;
            },
            1);
        MainForm = nullptr;
        SelectDirectoryForm = nullptr;
        NewBaseForm = nullptr;
        HelpForm = nullptr;
    }
    OleUninitialize();
    return exitCode;
}
