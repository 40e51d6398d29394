#include "ui/Application.h"

#include "platform/WideText.h"
#include "runtime/AppTitle.h"
#include "runtime/Exceptions.h"
#include "ui/Form.h"

#include <algorithm>

TApplication* Application = nullptr;

namespace {

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    auto* first = reinterpret_cast<std::wstring*>(param);
    // A numeric identifier travels as "#<number>", which the loader accepts.
    *first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name);
    return FALSE;
}

}  // namespace

// The executable's icon as Explorer shows it: its first icon group, at the
// asked size; the system's application icon when it has none. Shared icons:
// the system frees them with the module.
HICON TApplication::LoadProgramIcon(int width, int height)
{
    HMODULE module = GetModuleHandleW(nullptr);
    std::wstring first;
    EnumResourceNamesW(module, RT_GROUP_ICON, &TakeFirstName,
                       reinterpret_cast<LONG_PTR>(&first));
    HICON icon = nullptr;
    if (!first.empty())
        icon = static_cast<HICON>(LoadImageW(module, first.c_str(), IMAGE_ICON, width, height, LR_SHARED));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

TApplication::TApplication() = default;

TApplication::~TApplication()
{
    DestroyForms();
    if (handle_)
        DestroyWindow(handle_);
    if (oleInitialized_)
        CoUninitialize();
    if (Application == this)
        Application = nullptr;
}

std::string TApplication::ExeName() const
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
    return Narrow(path);
}

void TApplication::Initialize()
{
    if (handle_)
        return;
    // The framework's own COM initialisation for the thread; OLE is already
    // up, so this only adds a reference.
    oleInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    title_ = ApplicationTitle(ExeName());
    // The hidden window carries the taskbar button and the Alt+Tab entry:
    // it shows the executable's own icon, in both sizes.
    bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = &TApplication::WindowProc;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"TApplication";
    wc.hIcon = bigIcon_;
    wc.hIconSm = smallIcon_;
    RegisterClassExW(&wc);
    // A zero-sized window: it owns the forms, so minimising it hides them all.
    handle_ = CreateWindowExW(0, L"TApplication", Wide(title_).c_str(),
                              WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
                              GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0,
                              nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (handle_) {
        SendMessageW(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        SendMessageW(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }
}

LRESULT CALLBACK TApplication::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    try {
        if (message == WM_SYSCOMMAND) {
            switch (wParam & 0xFFF0) {
            case SC_MINIMIZE:
                // The owned forms hide with their owner.
                ShowWindow(hwnd, SW_MINIMIZE);
                return 0;
            case SC_RESTORE:
                ShowWindow(hwnd, SW_RESTORE);
                if (Application && Application->MainForm() && Application->MainForm()->Handle())
                    SetActiveWindow(Application->MainForm()->Handle());
                return 0;
            }
        }
        if (message == WM_CLOSE) {
            // Closing the program from outside (task list, taskkill) closes
            // the main form, with its save, rather than the owner window.
            if (Application && Application->MainForm())
                Application->MainForm()->Close();
            return 0;
        }
        if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && Application && Application->MainForm()) {
            // Pass activation on to the form the user works with.
            HWND target = Application->MainForm()->Handle();
            if (HWND popup = GetLastActivePopup(hwnd); popup && popup != hwnd && IsWindowVisible(popup))
                target = popup;
            if (target && IsWindowVisible(target) && IsWindowEnabled(target))
                SetActiveWindow(target);
            return 0;
        }
        return DefWindowProcW(hwnd, message, wParam, lParam);
    } catch (...) {
        if (Application)
            Application->HandleException(std::current_exception());
        return 0;
    }
}

void TApplication::CreateForm(TForm& form)
{
    forms_.push_back(&form);
    if (!mainForm_)
        mainForm_ = &form;
    form.Create();
}

void TApplication::Run()
{
    if (!mainForm_)
        return;
    if (handle_)
        ShowWindow(handle_, SW_SHOWNOACTIVATE);
    mainForm_->Show();
    while (!terminated_ && HandleMessage()) {
    }
}

void TApplication::Terminate()
{
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::DestroyForms()
{
    for (auto it = forms_.rbegin(); it != forms_.rend(); ++it)
        (*it)->Destroy();
}

bool TApplication::Dispatch(MSG& msg)
{
    try {
        HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (TForm* form = TForm::FromHandle(top)) {
            if (form->PreTranslateMessage(msg))
                return true;
        } else if (top && top != handle_ && IsDialogMessageW(top, &msg)) {
            return true;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    } catch (...) {
        HandleException(std::current_exception());
    }
    return true;
}

bool TApplication::HandleMessage()
{
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
        return false;
    }
    return Dispatch(msg);
}

void TApplication::ProcessMessages()
{
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return;
        }
        Dispatch(msg);
    }
}

void TApplication::HandleException(const std::exception_ptr& error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        if (OnException)
            OnException(e);
    } catch (...) {
        if (OnException)
            OnException(Exception("Unknown error"));
    }
}

namespace {
struct DisableContext {
    HWND except;
    HWND app;
    std::vector<HWND> windows;
};

BOOL CALLBACK DisableOne(HWND hwnd, LPARAM param)
{
    auto* c = reinterpret_cast<DisableContext*>(param);
    if (hwnd != c->except && hwnd != c->app && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
        EnableWindow(hwnd, FALSE);
        c->windows.push_back(hwnd);
    }
    return TRUE;
}
}  // namespace

std::vector<HWND> TApplication::DisableTaskWindows(HWND except)
{
    DisableContext context{except, handle_, {}};
    EnumThreadWindows(GetCurrentThreadId(), &DisableOne, reinterpret_cast<LPARAM>(&context));
    return context.windows;
}

void TApplication::EnableTaskWindows(const std::vector<HWND>& windows)
{
    for (HWND hwnd : windows)
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
}
