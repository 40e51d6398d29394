#include "forms/NewBaseUnit.h"

#include "ui/MessageDialog.h"
#include "forms/HelpUnit.h"
#include "forms/MainUnit.h"
#include "forms/SelectDirectoryUnit.h"
#include "platform/WideText.h"

#include <algorithm>

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
    return TFormDesign{.Caption = kNewCaption,
                       .Bounds = {386, 420, 490, 135},
                       .BorderStyle = TBorderStyle::bsDialog,
                       .BorderIcons = biSystemMenu};
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

// The operator is put right at the first character the list cannot keep.
void SelectFirstOutside(TEdit& box, const Cp1251Outside& outside)
{
    box.SetFocus();
    box.Select(int(outside.FirstStart), int(outside.FirstEnd));
}

std::string ValueOf(const TEdit& box)
{
    return SingleLineValue(Narrow(Composed(box.WideText())));
}

}  // namespace

TNewBaseForm::TNewBaseForm() : TForm("NewBaseForm", "TNewBaseForm", NewBaseFormDesign())
{
    for (TLabel* label : {&Label1, &Label2, &Label3, &Label4})
        label->SetOwnFont(kLabelFontFace, kLabelFontHeight);
    // Each label stands just before its box in the window order, where
    // screen readers look for a box's name; labels are never tab stops.
    AddControls({&OKButton, &CancelButton, &Label1, &NameEdit, &Label2, &PathEdit, &SelectDirectoryBitBtn, &Label3,
                 &LoginEdit, &Label4, &PasswordEdit});
    FormStorage1.IniSection = "NewForm";
    FormStorage1.UseRegistry = true;
    AddComponent(FormStorage1);

    OnShow = [this] { FormShow(); };
    OnHelp = [] { HelpForm->ShowModal(); };
    OKButton.OnClick = [this] { OKButtonClick(); };
    CancelButton.OnClick = [this] { CancelButtonClick(); };
    SelectDirectoryBitBtn.OnClick = [this] { SelectDirectoryBitBtnClick(); };
    // "..." says nothing read out or seen alone: say what it does.
    SelectDirectoryBitBtn.AccessibleName = SelectDirectoryBitBtn.Hint = "Выбрать папку базы";
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
    std::optional<std::array<std::string, 4>> values = ValuesForTheList();
    if (!values)
        return;
    TRxMemoryData& table = MainForm->BaseRxMemoryData;
    if (NewBaseMode)
        table.InsertRow();
    else
        table.EditRow();  // on an empty table this begins a new row
    table.SetFieldText("Name", (*values)[0]);
    table.SetFieldText("Path", (*values)[1]);
    table.SetFieldText("Login", (*values)[2]);
    table.SetFieldText("Password", (*values)[3]);
    table.PostRow();
    table.SortByFields("Name", true, false);
    Close();
}

std::optional<std::array<std::string, 4>> TNewBaseForm::ValuesForTheList()
{
    // Bases.dat keeps Windows-1251 text, which other copies of the program
    // and the operators' own files rely on; a character it cannot hold would
    // be stored as "?" with nobody told.
    struct Box {
        TEdit& Edit;
        const wchar_t* Label;
    };
    const Box boxes[] = {{NameEdit, L"Название"}, {LoginEdit, L"Пользователь"}, {PasswordEdit, L"Пароль"}};
    std::wstring lines;
    TEdit* first = nullptr;
    Cp1251Outside firstOutside;
    for (const Box& box : boxes) {
        Cp1251Outside outside = CharactersOutsideCp1251(box.Edit.WideText());
        if (outside.Characters.empty())
            continue;
        // Название: "数" (U+6570), "Ә" (U+04D8)
        lines += L"\n" + std::wstring(box.Label) + L": " + Wide(DescribeCharacters(outside.Characters));
        if (!first) {
            first = &box.Edit;
            firstOutside = std::move(outside);
        }
    }
    if (first) {
        MessageDialog(L"Эти символы нельзя сохранить в списке баз: в файле Bases.dat хранится только текст "
                      L"в кодировке Windows-1251.\n" +
                          lines + L"\n\nИсправьте текст и нажмите OK ещё раз.",
                      TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        SelectFirstOutside(*first, firstOutside);
        return std::nullopt;
    }
    // A typed or pasted folder is taken as one picked in the chooser is.
    std::optional<std::string> path = DirectoryForTheList(PathEdit.WideText());
    if (!path) {
        SelectFirstOutside(PathEdit, CharactersOutsideCp1251(PathEdit.WideText()));
        return std::nullopt;
    }
    return std::array<std::string, 4>{ValueOf(NameEdit), SingleLineValue(*path), ValueOf(LoginEdit),
                                      ValueOf(PasswordEdit)};
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
