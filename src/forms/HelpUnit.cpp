#include "forms/HelpUnit.h"

THelpForm* HelpForm = nullptr;

namespace {
TFormDesign Design()
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

THelpForm::THelpForm() : TForm("HelpForm", "THelpForm", Design()) {}
