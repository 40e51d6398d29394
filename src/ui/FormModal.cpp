// A form shown modally and closed: the modal loop, the close query and
// handler, and what a close does to a modal, the main or any other form.
#include "ui/Form.h"

#include "runtime/Exceptions.h"
#include "runtime/ScopeGuard.h"
#include "ui/Application.h"

int TForm::ShowModal()
{
    if (Visible() || modal_)
        throw Exception("Cannot make a visible window modal");
    if (GetCapture())
        SendMessageW(GetCapture(), WM_CANCELMODE, 0, 0);
    ReleaseCapture();
    HWND previousActive = GetActiveWindow();
    std::vector<HWND> disabled = Application->DisableTaskWindows(Handle());
    modal_ = true;
    ModalResult = mrNone;
    ScopeGuard undo([&] {
        modal_ = false;
        Application->EnableTaskWindows(disabled);
        Hide();
    });
    Show();
    while (ModalResult == mrNone) {
        if (!Application->ProcessOneMessage())
            break;  // WM_QUIT: left in the queue for the outer loop
        if (ModalResult != mrNone && !RunClose())
            ModalResult = mrNone;
    }
    undo.Dismiss();
    modal_ = false;
    Application->EnableTaskWindows(disabled);
    if (previousActive && IsWindow(previousActive))
        SetActiveWindow(previousActive);
    Hide();
    return ModalResult;
}

bool TForm::CloseQuery()
{
    bool canClose = true;
    if (OnCloseQuery)
        OnCloseQuery(canClose);
    return canClose;
}

bool TForm::RunClose()
{
    // A close handler that fails keeps the window open.
    return GuardedCall(
        [&] {
            if (!CloseQuery())
                return false;
            TCloseAction action = IsMainForm() ? TCloseAction::caFree : TCloseAction::caHide;
            if (OnClose)
                OnClose(action);
            return action != TCloseAction::caNone;
        },
        false);
}

void TForm::Close()
{
    if (modal_) {
        ModalResult = mrCancel;
        return;
    }
    if (!RunClose())
        return;
    if (IsMainForm())
        Application->Terminate();
    else
        Hide();
}
