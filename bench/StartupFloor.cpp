// The floor for the program's start-up: the platform work AutoPeriod.exe
// cannot avoid before its main window shows, and nothing else. OLE on the
// thread, the common controls of version 6 (the same manifest), the rich
// edit library from the system folder, the desktop's folders enumerated with
// their names and small icons; then one top-level window of class
// "StartupFloor" is shown, and WM_CLOSE ends the process. StartupBench
// starts it in turn with AutoPeriod.exe.
#include <windows.h>
#include <commctrl.h>
#include <ole2.h>
#include <shlobj.h>

namespace {

LRESULT CALLBACK FloorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// The desktop's folders, each with its in-folder name and its small icon,
// as a folder tree asks for them when it lists the desktop.
void ListDesktopFolders()
{
    IShellFolder* desktop = nullptr;
    if (FAILED(SHGetDesktopFolder(&desktop)) || !desktop)
        return;
    SHFILEINFOW info{};
    SHGetFileInfoW(L"C:\\", 0, &info, sizeof(info), SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
    IEnumIDList* items = nullptr;
    if (desktop->EnumObjects(nullptr, SHCONTF_FOLDERS, &items) == S_OK && items) {
        LPITEMIDLIST id = nullptr;
        while (items->Next(1, &id, nullptr) == S_OK && id) {
            STRRET name{};
            if (SUCCEEDED(desktop->GetDisplayNameOf(id, SHGDN_INFOLDER, &name)) && name.uType == STRRET_WSTR)
                CoTaskMemFree(name.pOleStr);
            SHGetFileInfoW(reinterpret_cast<LPCWSTR>(id), 0, &info, sizeof(info),
                           SHGFI_PIDL | SHGFI_SYSICONINDEX | SHGFI_SMALLICON);
            CoTaskMemFree(id);
            id = nullptr;
        }
        items->Release();
    }
    desktop->Release();
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int)
{
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    OleInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&controls);
    HMODULE richEdit = LoadLibraryExW(L"riched32.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    ListDesktopFolders();

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = FloorProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = L"StartupFloor";
    RegisterClassW(&windowClass);
    HWND window = CreateWindowExW(0, L"StartupFloor", L"Floor", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, 640,
                                  480, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    if (richEdit)
        FreeLibrary(richEdit);
    OleUninitialize();
    return 0;
}
