#include "forms/HelpUnit.h"

#include "app/ProgramFolder.h"
#include "forms/MainUnit.h"
#include "platform/Win32.h"
#include "runtime/ScopeGuard.h"

THelpForm* HelpForm = nullptr;

namespace {

const wchar_t kHelpFileName[] = L"Readme.rtf";

// Puts the help into the box once the window showing it is up.
constexpr UINT kLoadHelpMessage = WM_APP + 1;

TFormDesign HelpFormDesign()
{
    return TFormDesign{.Caption = "О программе",
                       .Bounds = {323, 333, 508, 398},
                       .BorderStyle = TBorderStyle::bsDialog,
                       .BorderIcons = biSystemMenu};
}

std::wstring Megabytes(unsigned long long bytes)
{
    return std::to_wstring((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

std::wstring TooLargeText(const std::wstring& name, unsigned long long size)
{
    return L"Файл помощи \"" + name + L"\" слишком велик для показа: " + Megabytes(size) +
           L" МБ, а окно справки показывает файлы не больше " + Megabytes(kRichEditMaxFileBytes) +
           L" МБ. Откройте его в текстовом редакторе или в WordPad.";
}

}  // namespace

THelpForm::THelpForm() : TForm("HelpForm", "THelpForm", HelpFormDesign())
{
    HelpRichEdit.SetOwnFont(L"MS Sans Serif", 11);
    AddControls({&HelpRichEdit, &ButtonClose, &RxLabel1});
    HelpFormStorage.IniSection = "HelpForm";
    HelpFormStorage.UseRegistry = true;
    AddComponent(HelpFormStorage);

    OnCreate = [this] { FormCreate(); };
    OnShow = [this] { FormShow(); };
    ButtonClose.OnClick = [this] { ButtonCloseClick(); };
}

void THelpForm::FormCreate()
{
    std::wstring name = ProgramFolder + kHelpFileName;
    if (!FileExists(name)) {
        HelpRichEdit.SetText(L"Файл помощи \"" + name + L"\" не найден");
        return;
    }
    try {
        helpBytes_ = ReadRichTextFile(name);
    } catch (const EFileTooLarge& e) {
        // Not an error of the program's: the window says what happened.
        HelpRichEdit.SetText(TooLargeText(name, e.Size));
        return;
    }
    helpWaiting_ = true;
    HelpRichEdit.SetText(L"Справка загружается...");
}

void THelpForm::FormShow()
{
    // Handled once the window is up: posted now, it comes after the showing.
    if (helpWaiting_)
        PostMessageW(Handle(), kLoadHelpMessage, 0, 0);
}

void THelpForm::LoadHelpText()
{
    if (!helpWaiting_)
        return;
    // Once per run: a load that fails is not tried again.
    helpWaiting_ = false;
    // The window drawn whole before the control takes its time, with the
    // hourglass saying why it does not answer meanwhile.
    RedrawWindow(Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ScopeGuard restore([previous] { SetCursor(previous); });
    HelpRichEdit.SystemColours = HighContrast();
    HelpRichEdit.LoadFromBytes(helpBytes_);
}

LRESULT THelpForm::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case kLoadHelpMessage: LoadHelpText(); return 0;
    case WM_SYSCOLORCHANGE:
        // High contrast turned on or off: the help again, in the colours
        // that now fit, at once if the window is up.
        if (!helpBytes_.empty() && !helpWaiting_ && HighContrast() != HelpRichEdit.SystemColours) {
            helpWaiting_ = true;
            if (Visible())
                PostMessageW(Handle(), kLoadHelpMessage, 0, 0);
        }
        break;
    }
    return TForm::HandleMessage(message, wParam, lParam);
}

void THelpForm::ButtonCloseClick()
{
    Close();
}
