// The keys a form answers window-wide, before the focused control: key
// preview, Enter and Esc for the default and cancel buttons, Tab through
// the dialog manager, and F1 with the other ways help is asked for.
#include "ui/Form.h"

#include "ui/StdControls.h"

namespace {

bool IsPushButton(HWND hwnd)
{
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpiW(cls, L"Button") != 0)
        return false;
    LONG type = GetWindowLongW(hwnd, GWL_STYLE) & BS_TYPEMASK;
    return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

}  // namespace

void TForm::Help()
{
    // A second request while help is up (F1 pressed again) opens nothing more.
    if (OnHelp && IsWindowEnabled(Handle()))
        OnHelp();
}

bool TForm::PreTranslateMessage(MSG& msg)
{
    if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) {
        if (design_.KeyPreview && OnKeyDown) {
            bool handled = false;
            OnKeyDown(static_cast<WORD>(msg.wParam), handled);
            if (handled)
                return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_F1 && OnHelp) {
            Help();
            return true;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN) {
            HWND focus = GetFocus();
            if (focus && IsChild(Handle(), focus) && IsPushButton(focus)) {
                SendMessageW(focus, BM_CLICK, 0, 0);
                return true;
            }
            if (DefaultButton && DefaultButton->Handle()) {
                DefaultButton->Click();
                return true;
            }
            // Controls that want Enter (multi-line boxes, grids) get it; nothing else happens.
            return !(SendMessageW(focus, WM_GETDLGCODE, VK_RETURN, reinterpret_cast<LPARAM>(&msg)) &
                     (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            if (CancelButton && CancelButton->Handle()) {
                CancelButton->Click();
                return true;
            }
            HWND focus = GetFocus();
            return !(SendMessageW(focus, WM_GETDLGCODE, VK_ESCAPE, reinterpret_cast<LPARAM>(&msg)) &
                     (DLGC_WANTALLKEYS | DLGC_WANTMESSAGE));
        }
    }
    return IsDialogMessageW(Handle(), &msg) != FALSE;
}
