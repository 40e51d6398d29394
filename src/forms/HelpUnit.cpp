#include "forms/HelpUnit.h"

#include "app/ProgramFolder.h"
#include "forms/MainUnit.h"

THelpForm* HelpForm = nullptr;

namespace {

const wchar_t kHelpFileName[] = L"Readme.rtf";

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
    std::wstring name = ProgramFolderPath + kHelpFileName;
    if (FileExists(name))
        HelpRichEdit.LoadFromFile(name);
    else
        HelpRichEdit.SetText(L"Файл помощи \"" + name + L"\" не найден");
}

void THelpForm::ButtonCloseClick()
{
    Close();
}
