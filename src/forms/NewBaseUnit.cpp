#include "forms/NewBaseUnit.h"

#include "app/MessageDialog.h"
#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/SelectDirectoryUnit.h"
#include "platform/WideText.h"
#include "runtime/Cp1251.h"

#include <algorithm>
#include <cwchar>

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
    std::replace_if(
        text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

// One character for the operator: itself in quotes and its code, which
// tells apart characters that look alike or show nothing.
std::wstring DescribeCharacter(char32_t c)
{
    std::wstring shown;
    if (c >= 0x10000) {
        shown += wchar_t(0xD800 + ((c - 0x10000) >> 10));
        shown += wchar_t(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
        shown += wchar_t(c);
    }
    wchar_t code[16];
    std::swprintf(code, 16, L"U+%04X", unsigned(c));
    return L"\u00AB" + shown + L"\u00BB (" + code + L")";
}

// "Название: «数» (U+6570), «Ә» (U+04D8)"; a long list is cut short.
std::wstring DescribeBox(const wchar_t* label, const std::u32string& outside)
{
    constexpr size_t kMostShown = 8;
    std::wstring line = label;
    line += L":";
    for (size_t i = 0; i < outside.size() && i < kMostShown; ++i)
        line += (i == 0 ? L" " : L", ") + DescribeCharacter(outside[i]);
    if (outside.size() > kMostShown)
        line += L" и ещё " + std::to_wstring(outside.size() - kMostShown);
    return line;
}

std::u32string OutsideCp1251(const std::wstring& text)
{
    return CharactersOutsideCp1251(std::u16string_view(reinterpret_cast<const char16_t*>(text.data()), text.size()));
}

// Where the first such character stands, in UTF-16 units.
int FirstOutsideCp1251(const std::wstring& text)
{
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] != L'?' && Utf16ToCp1251Char(char16_t(text[i])) == '?')
            return int(i);
    return 0;
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
    if (!AllBoxesFitTheList())
        return;
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

bool TNewBaseForm::AllBoxesFitTheList()
{
    // Bases.dat keeps Windows-1251 text, which other copies of the program
    // and the operators' own files rely on; a character it cannot hold would
    // be stored as "?" with nobody told.
    struct Box {
        TEdit& Edit;
        const wchar_t* Label;
    };
    const Box boxes[] = {
        {NameEdit, L"Название"}, {PathEdit, L"Путь"}, {LoginEdit, L"Пользователь"}, {PasswordEdit, L"Пароль"}};
    std::wstring lines;
    TEdit* first = nullptr;
    for (const Box& box : boxes) {
        std::u32string outside = OutsideCp1251(box.Edit.WideText());
        if (outside.empty())
            continue;
        lines += L"\n" + DescribeBox(box.Label, outside);
        if (!first)
            first = &box.Edit;
    }
    if (!first)
        return true;
    MessageDialog(L"Эти символы нельзя сохранить в списке баз: в файле Bases.dat хранится только текст "
                  L"в кодировке Windows-1251.\n" +
                      lines + L"\n\nИсправьте текст и нажмите OK ещё раз.",
                  TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
    // The operator is put right at the first such character.
    first->SetFocus();
    std::wstring text = first->WideText();
    int at = FirstOutsideCp1251(text);
    first->Select(at, at + (text[size_t(at)] >= 0xD800 && text[size_t(at)] <= 0xDBFF ? 2 : 1));
    return false;
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
