#include "forms/HelpUnit.h"

#include "app/ProgramFolder.h"
#include "forms/MainUnit.h"

THelpForm* HelpForm = nullptr;

namespace {

const char kHelpFileName[] = "Readme.rtf";

TFormDesign HelpFormDesign()
{
    TFormDesign d;
    d.Caption = "О программе";
    d.Left = 323;
    d.Top = 333;
    d.ClientWidth = 508;
    d.ClientHeight = 398;
    d.BorderStyle = TBorderStyle::bsDialog;
    d.BorderIcons = biSystemMenu;
    return d;
}

std::string Megabytes(unsigned long long bytes)
{
    return std::to_string((bytes + 1024 * 1024 - 1) / (1024 * 1024));
}

std::string TooLargeText(const std::string& name, unsigned long long size)
{
    return "Файл помощи \"" + name + "\" слишком велик для показа: " + Megabytes(size) +
           " МБ, а окно справки показывает файлы не больше " + Megabytes(kRichEditMaxFileBytes) +
           " МБ. Откройте его в текстовом редакторе или в WordPad.";
}

}  // namespace

THelpForm::THelpForm() : TForm("HelpForm", "THelpForm", HelpFormDesign())
{
    HelpRichEdit.SetOwnFont(L"MS Sans Serif", 11);
    HelpRichEdit.TabOrder = 0;
    ButtonClose.TabOrder = 1;
    AddControl(HelpRichEdit);
    AddControl(RxLabel1);
    AddControl(ButtonClose);
    HelpFormStorage.IniSection = "HelpForm";
    HelpFormStorage.UseRegistry = true;
    AddComponent(HelpFormStorage);

    OnCreate = [this] { FormCreate(); };
    ButtonClose.OnClick = [this] { ButtonCloseClick(); };
}

void THelpForm::FormCreate()
{
    std::string name = ProgramFolder + kHelpFileName;
    if (FileExists(name)) {
        try {
            HelpRichEdit.LoadFromFile(name);
        } catch (const EFileTooLarge& e) {
            // Not an error of the program's: the window says what happened.
            HelpRichEdit.SetText(TooLargeText(name, e.Size));
        }
    } else
        HelpRichEdit.SetText("Файл помощи \"" + name + "\" не найден");
}

void THelpForm::ButtonCloseClick()
{
    Close();
}
