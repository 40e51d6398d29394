#include "forms/NewBaseUnit.h"

#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/SelectDirectoryUnit.h"

#include <algorithm>

bool NewBaseMode = false;
TNewBaseForm* NewBaseForm = nullptr;

namespace {

const char kNewCaption[] = "Подключение новой информационной базы";
const char kEditCaption[] = "Редактирование информационной базы";
const char kDefaultName[] = "Новая информационная база";
const char kDefaultLogin[] = "Administrator";

// The labels keep the font they were drawn with at design, a little larger
// than the window's.
const wchar_t kLabelFontFace[] = L"MS Sans Serif";
constexpr int kLabelFontHeight = 13;

TFormDesign NewBaseFormDesign()
{
    TFormDesign d;
    d.Caption = kNewCaption;
    d.Left = 386;
    d.Top = 420;
    d.ClientWidth = 490;
    d.ClientHeight = 135;
    d.BorderStyle = TBorderStyle::bsDialog;
    d.BorderIcons = biSystemMenu;
    return d;
}

// The text as a Bases.dat value can hold it: the file gives each value one
// line, so a line break typed or pasted into a box would split the entry and
// shift every entry after it. Every CR and LF becomes a blank.
std::string SingleLineValue(std::string text)
{
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

}  // namespace

TNewBaseForm::TNewBaseForm() : TForm("NewBaseForm", "TNewBaseForm", NewBaseFormDesign())
{
    for (TLabel* label : {&Label1, &Label2, &Label3, &Label4}) {
        label->SetOwnFont(kLabelFontFace, kLabelFontHeight);
        AddControl(*label);
    }
    OKButton.TabOrder = 0;
    CancelButton.TabOrder = 1;
    NameEdit.TabOrder = 2;
    PathEdit.TabOrder = 3;
    SelectDirectoryBitBtn.TabOrder = 4;
    LoginEdit.TabOrder = 5;
    PasswordEdit.TabOrder = 6;
    for (TControl* control : std::initializer_list<TControl*>{&OKButton, &CancelButton, &NameEdit, &PathEdit,
                                                              &SelectDirectoryBitBtn, &LoginEdit, &PasswordEdit})
        AddControl(*control);
    FormStorage1.IniSection = "NewForm";
    FormStorage1.UseRegistry = true;
    AddComponent(FormStorage1);

    OnShow = [this] { FormShow(); };
    OnHelp = [] { HelpForm->ShowModal(); };
    OKButton.OnClick = [this] { OKButtonClick(); };
    CancelButton.OnClick = [this] { CancelButtonClick(); };
    SelectDirectoryBitBtn.OnClick = [this] { SelectDirectoryBitBtnClick(); };
}

void TNewBaseForm::FormShow()
{
    if (NewBaseMode) {
        NameEdit.SetText(kDefaultName);
        PathEdit.SetText("");
        LoginEdit.SetText(kDefaultLogin);
        PasswordEdit.SetText("");
        SetCaption(kNewCaption);
    } else {
        // An empty table has no current row: its fields read as empty text.
        TRxMemoryData& table = MainForm->BaseRxMemoryData;
        NameEdit.SetText(table.GetFieldText("Name"));
        PathEdit.SetText(table.GetFieldText("Path"));
        LoginEdit.SetText(table.GetFieldText("Login"));
        PasswordEdit.SetText(table.GetFieldText("Password"));
        SetCaption(kEditCaption);
    }
}

void TNewBaseForm::OKButtonClick()
{
    TRxMemoryData& table = MainForm->BaseRxMemoryData;
    if (NewBaseMode)
        table.InsertRow();
    else
        table.EditRow();  // on an empty table this begins a new row
    table.SetFieldText("Name", SingleLineValue(NameEdit.Text()));
    table.SetFieldText("Path", SingleLineValue(PathEdit.Text()));
    table.SetFieldText("Login", SingleLineValue(LoginEdit.Text()));
    table.SetFieldText("Password", SingleLineValue(PasswordEdit.Text()));
    table.PostRow();
    table.SortByFields("Name", true, false);
    Close();
}

void TNewBaseForm::CancelButtonClick()
{
    Close();
}

void TNewBaseForm::SelectDirectoryBitBtnClick()
{
    SelectDirectoryForm->ShowModal();
    if (DirectorySelected)
        PathEdit.SetText(SelectedDirectory);
}
