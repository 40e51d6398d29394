#include "forms/SelectDirectoryUnit.h"

std::string SelectedDirectory;
bool DirectorySelected = false;
TSelectDirectoryForm* SelectDirectoryForm = nullptr;

namespace {
TFormDesign Design()
{
    TFormDesign d;
    d.Caption = "Выберите директорию информационной базы 1С";
    d.Left = 379;
    d.Top = 358;
    d.ClientWidth = 424;
    d.ClientHeight = 326;
    d.BorderStyle = TBorderStyle::bsDialog;
    d.BorderIcons = biSystemMenu;
    d.Position = TPosition::poDefault;
    return d;
}
}  // namespace

TSelectDirectoryForm::TSelectDirectoryForm() : TForm("SelectDirectoryForm", "TSelectDirectoryForm", Design())
{
    OnShow = [this] { FormShow(); };
}

void TSelectDirectoryForm::FormShow()
{
    DirectorySelected = false;
}
