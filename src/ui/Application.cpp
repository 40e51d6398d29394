#include "ui/Application.h"

#include "platform/ModulePath.h"
#include "platform/WideText.h"
#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
#include "ui/portable/AppTitle.h"
#include "ui/Form.h"

#include <algorithm>
#include <new>

TApplication* Application = nullptr;

namespace {

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR param)
{
    auto* first = reinterpret_cast<std::wstring*>(param);
    // A numeric identifier travels as "#<number>", which the loader accepts.
    *first = IS_INTRESOURCE(name) ? L"#" + std::to_wstring(reinterpret_cast<ULONG_PTR>(name)) : std::wstring(name);
    return FALSE;
}

// Vista's shutdown block reason, looked up at run time so that no import
// ties the program to a particular version of user32.
void SetShutdownBlockReason(HWND window, const wchar_t* reason)
{
    if (!window)
        return;
    if (reason) {
        using Create = BOOL(WINAPI*)(HWND, LPCWSTR);
        if (auto create = SystemFunction<Create>(L"user32.dll", "ShutdownBlockReasonCreate"))
            create(window, reason);
    } else {
        using Destroy = BOOL(WINAPI*)(HWND);
        if (auto destroy = SystemFunction<Destroy>(L"user32.dll", "ShutdownBlockReasonDestroy"))
            destroy(window);
    }
}

}  // namespace

// The executable's icon as Explorer shows it: its first icon group, at the
// asked size; the system's application icon when it has none. Shared icons:
// the system frees them with the module.
HICON TApplication::LoadProgramIcon(int width, int height)
{
    HMODULE module = GetModuleHandleW(nullptr);
    std::wstring first;
    EnumResourceNamesW(module, RT_GROUP_ICON, &TakeFirstName, reinterpret_cast<LONG_PTR>(&first));
    HICON icon = nullptr;
    if (!first.empty())
        icon = static_cast<HICON>(LoadImageW(module, first.c_str(), IMAGE_ICON, width, height, LR_SHARED));
    return icon ? icon : LoadIconW(nullptr, IDI_APPLICATION);
}

TApplication::TApplication() : OnShutdownBlock(&SetShutdownBlockReason) {}

TApplication::~TApplication()
{
    DestroyForms();
    Unbind();
    DestroyHandle();
    if (oleInitialized_)
        CoUninitialize();
    if (Application == this)
        Application = nullptr;
}

void TApplication::Initialize()
{
    if (Handle())
        return;
    // The framework's own COM initialisation for the thread; OLE is already
    // up, so this only adds a reference.
    oleInitialized_ = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_WIN95_CLASSES | ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&icc);

    title_ = ApplicationTitle(ModulePath());
    // The hidden window carries the taskbar button and the Alt+Tab entry:
    // it shows the executable's own icon, in both sizes.
    bigIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON));
    smallIcon_ = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON));
    WNDCLASSEXW wc{};
    wc.hIcon = bigIcon_;
    wc.hIconSm = smallIcon_;
    RegisterWindowClass(L"TApplication", wc);
    // A zero-sized window: it owns the forms, so minimising it hides them all.
    if (HWND hwnd = CreateBound(
            0, L"TApplication", title_.c_str(), WS_POPUP | WS_CAPTION | WS_CLIPSIBLINGS | WS_SYSMENU | WS_MINIMIZEBOX,
            GetSystemMetrics(SM_CXSCREEN) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 0, 0, nullptr, nullptr)) {
        SendMessageW(hwnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(bigIcon_));
        SendMessageW(hwnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    }
}

LRESULT TApplication::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND hwnd = Handle();
    if (message == WM_SYSCOMMAND) {
        switch (wParam & 0xFFF0) {
        case SC_MINIMIZE:
            // The owned forms hide with their owner.
            ShowWindow(hwnd, SW_MINIMIZE);
            return 0;
        case SC_RESTORE:
            ShowWindow(hwnd, SW_RESTORE);
            if (mainForm_ && mainForm_->Handle())
                SetActiveWindow(mainForm_->Handle());
            return 0;
        }
    }
    if (message == WM_QUERYENDSESSION)
        return QueryEndSession() ? TRUE : FALSE;
    if (message == WM_ENDSESSION) {
        EndSession(wParam != FALSE);
        return 0;
    }
    if (message == WM_CLOSE) {
        // Closing the program from outside (task list, taskkill) closes
        // the main form, with its save, rather than the owner window.
        if (mainForm_)
            mainForm_->Close();
        return 0;
    }
    if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE && mainForm_) {
        // Pass activation on to the form the user works with.
        HWND target = mainForm_->Handle();
        if (HWND popup = GetLastActivePopup(hwnd); popup && popup != hwnd && IsWindowVisible(popup))
            target = popup;
        if (target && IsWindowVisible(target) && IsWindowEnabled(target))
            SetActiveWindow(target);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool TApplication::QueryEndSession()
{
    if (!mainForm_ || !mainForm_->Handle() || terminated_)
        return true;
    // Asked again, or told of the end, while the first save's error box is
    // still up: the answer stands, with one box and one save at a time.
    if (savingForSession_)
        return false;
    // The reason goes up before the operator is asked anything: Windows
    // shows it on its own screen while the box waits.
    HWND window = mainForm_->Handle();
    if (OnShutdownBlock)
        OnShutdownBlock(window, mainForm_->CloseRefusedReason.c_str());
    // RunClose reports its own failure, so the operator learns why the
    // session does not end.
    SaveForSession();
    if (sessionSaved_ && OnShutdownBlock)
        OnShutdownBlock(window, nullptr);
    return sessionSaved_;
}

void TApplication::EndSession(bool ending)
{
    // A session ended without asking (or after a refusal that was
    // overridden) still gets one more attempt to write the list; but not
    // while an attempt is already showing its box.
    if (ending && !sessionSaved_ && !savingForSession_ && !terminated_ && mainForm_ && mainForm_->Handle())
        SaveForSession();
    if (!ending)
        sessionSaved_ = false;
}

void TApplication::SaveForSession()
{
    savingForSession_ = true;
    ScopeGuard done([this] { savingForSession_ = false; });
    sessionSaved_ = mainForm_->RunClose();
}

void TApplication::CreateForm(TForm& form)
{
    forms_.push_back(&form);
    form.application_ = this;
    if (!mainForm_)
        mainForm_ = &form;
    form.Create();
}

void TApplication::Run()
{
    if (!mainForm_)
        return;
    if (Handle())
        ShowWindow(Handle(), SW_SHOWNOACTIVATE);
    mainForm_->Show();
    while (!terminated_ && ProcessOneMessage()) {}
}

void TApplication::Terminate()
{
    terminated_ = true;
    PostQuitMessage(0);
}

void TApplication::DestroyForms()
{
    std::vector<TForm*> forms = std::move(forms_);
    forms_.clear();
    mainForm_ = nullptr;
    for (auto it = forms.rbegin(); it != forms.rend(); ++it) {
        (*it)->application_ = nullptr;
        (*it)->Destroy();
    }
}

void TApplication::ForgetForm(TForm& form)
{
    std::erase(forms_, &form);
    if (mainForm_ == &form)
        mainForm_ = nullptr;
}

bool TApplication::Dispatch(MSG& msg)
{
    GuardedCall([&] {
        HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
        if (TForm* form = TForm::FromHandle(top)) {
            if (form->PreTranslateMessage(msg))
                return;
        } else if (top && top != Handle() && IsDialogMessageW(top, &msg)) {
            return;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    });
    return true;
}

bool TApplication::ProcessOneMessage()
{
    MSG msg;
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) {
        PostQuitMessage(got == 0 ? static_cast<int>(msg.wParam) : 0);
        return false;
    }
    return Dispatch(msg);
}

void TApplication::HandleException(const std::exception_ptr& error) noexcept
{
    try {
        try {
            std::rethrow_exception(error);
        } catch (const std::exception& e) {
            if (OnException)
                OnException(e);
        } catch (...) {
            if (OnException)
                OnException(Exception("Unknown error"));
        }
    } catch (...) {
        // The report itself failed (no memory, a window that cannot be made):
        // the system's own box still says what went wrong.
        ShowPlainErrorBox(Handle(), error);
    }
}

namespace {

// The thread's windows, gathered without letting an exception out of the
// enumeration's callback.
struct ThreadWindows {
    std::vector<HWND> windows;
    bool complete = true;
};

BOOL CALLBACK CollectOne(HWND hwnd, LPARAM param) noexcept
{
    auto* collected = reinterpret_cast<ThreadWindows*>(param);
    try {
        collected->windows.push_back(hwnd);
        return TRUE;
    } catch (...) {
        collected->complete = false;
        return FALSE;
    }
}

}  // namespace

std::vector<HWND> TApplication::DisableTaskWindows(HWND except)
{
    ThreadWindows all;
    EnumThreadWindows(GetCurrentThreadId(), &CollectOne, reinterpret_cast<LPARAM>(&all));
    if (!all.complete)
        throw std::bad_alloc();
    std::vector<HWND> disabled;
    disabled.reserve(all.windows.size());
    for (HWND hwnd : all.windows) {
        if (hwnd != except && hwnd != Handle() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) {
            EnableWindow(hwnd, FALSE);
            disabled.push_back(hwnd);
        }
    }
    return disabled;
}

void TApplication::EnableTaskWindows(const std::vector<HWND>& windows)
{
    for (HWND hwnd : windows)
        if (IsWindow(hwnd))
            EnableWindow(hwnd, TRUE);
}
