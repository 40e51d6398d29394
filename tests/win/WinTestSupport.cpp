#include "WinTestSupport.h"

#include "platform/Handles.h"
#include "platform/Win32.h"
#include "platform/WideText.h"
#include "ui/portable/AppTitle.h"
#include "runtime/Exceptions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <memory>

namespace {
std::vector<std::function<void()>>& PendingActions()
{
    static std::vector<std::function<void()>> actions;
    return actions;
}

void CALLBACK RunPendingActions(HWND, UINT, UINT_PTR id, DWORD)
{
    KillTimer(nullptr, id);
    auto actions = std::move(PendingActions());
    PendingActions().clear();
    for (auto& action : actions)
        action();
}
}  // namespace

TApplication& TestApplication()
{
    static std::unique_ptr<TApplication> app = [] {
        auto a = std::make_unique<TApplication>();
        Application = a.get();
        a->OnException = [](const std::exception& e) {
            auto* ex = dynamic_cast<const Exception*>(&e);
            if (!dynamic_cast<const EAbort*>(&e))
                ReportedErrors().push_back(Narrow(ReportText(Wide(ex ? ex->Message() : std::string(e.what())))));
        };
        a->Initialize();
        return a;
    }();
    return *app;
}

std::vector<std::string>& ReportedErrors()
{
    static std::vector<std::string> errors;
    return errors;
}

void PostAction(std::function<void()> action)
{
    PendingActions().push_back(std::move(action));
    SetTimer(nullptr, 0, 10, &RunPendingActions);
}

void ClearPendingActions()
{
    PendingActions().clear();
}

RECT BoundsInParent(HWND child)
{
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

SIZE ClientSize(HWND window)
{
    RECT r;
    GetClientRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE OuterSize(HWND window)
{
    RECT r;
    GetWindowRect(window, &r);
    return {r.right - r.left, r.bottom - r.top};
}

SIZE ResizeWindow(HWND window, int width, int height)
{
    SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
    return OuterSize(window);
}

void DispatchQueued()
{
    // What is queued only: the application's loop step waits for none then.
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE) && msg.message != WM_QUIT)
        TestApplication().ProcessOneMessage();
}

void Pump(int milliseconds)
{
    DWORD start = GetTickCount();
    do {
        DispatchQueued();
        Sleep(5);
    } while (GetTickCount() - start < static_cast<DWORD>(milliseconds));
}

TempFolder::TempFolder()
{
    static std::atomic<int> counter{0};
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    widePath_ = std::wstring(temp) + L"Базы 1С " + std::to_wstring(GetCurrentProcessId()) + L"_" +
                std::to_wstring(counter++) + L"\\";
    if (!CreateDirectoryW(widePath_.c_str(), nullptr))
        throw std::runtime_error("cannot create a test folder with a Russian name (no UTF-8 locale for Wine?)");
    path_ = Narrow(widePath_);
}

void WriteBytes(const std::wstring& path, const std::string& bytes)
{
    UniqueHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file);
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(file.Get(), bytes.data(), DWORD(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

void RemoveFolderTree(const std::wstring& path)
{
    std::wstring from = path;
    if (!from.empty() && from.back() == L'\\')
        from.pop_back();
    from.push_back(L'\0');  // double-NUL-terminated list
    SHFILEOPSTRUCTW op{};
    op.wFunc = FO_DELETE;
    op.pFrom = from.c_str();
    op.fFlags = FOF_NO_UI;
    SHFileOperationW(&op);
}

TempFolder::~TempFolder()
{
    RemoveFolderTree(widePath_);
}
