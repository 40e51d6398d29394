#include "forms/HelpUnit.h"

#include "app/ProgramFolder.h"
#include "forms/MainUnit.h"
#include "platform/Win32.h"
#include "runtime/ScopeGuard.h"

THelpForm* HelpForm = nullptr;

namespace {

const wchar_t kHelpFileName[] = L"Readme.rtf";

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

    OnShow = [this] { FormShow(); };
    ButtonClose.OnClick = [this] { ButtonCloseClick(); };
}

void THelpForm::FormShow()
{
    // Once per run: a load that failed is not tried again, and a file
    // changed after the first showing is seen at the next start.
    if (helpTextLoaded_)
        return;
    helpTextLoaded_ = true;
    // A long rich text keeps the window from showing for a while; the
    // hourglass says why.
    HCURSOR previous = SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ScopeGuard restore([previous] { SetCursor(previous); });
    LoadHelpText();
}

void THelpForm::LoadHelpText()
{
    std::wstring name = ProgramFolderPath + kHelpFileName;
    if (FileExists(name)) {
        try {
            HelpRichEdit.LoadFromFile(name);
        } catch (const EFileTooLarge& e) {
            // Not an error of the program's: the window says what happened.
            HelpRichEdit.SetText(TooLargeText(name, e.Size));
        }
    } else
        HelpRichEdit.SetText(L"Файл помощи \"" + name + L"\" не найден");
}

void THelpForm::ButtonCloseClick()
{
    Close();
}
