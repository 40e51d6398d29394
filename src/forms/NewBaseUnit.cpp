#include "forms/NewBaseUnit.h"

bool NewBaseMode = false;
TNewBaseForm* NewBaseForm = nullptr;

namespace {
TFormDesign Design()
{
    TFormDesign d;
    d.Caption = "Подключение новой информационной базы";
    d.Left = 386;
    d.Top = 420;
    d.ClientWidth = 490;
    d.ClientHeight = 135;
    d.BorderStyle = TBorderStyle::bsDialog;
    d.BorderIcons = biSystemMenu;
    return d;
}
}  // namespace

TNewBaseForm::TNewBaseForm() : TForm("NewBaseForm", "TNewBaseForm", Design()) {}
