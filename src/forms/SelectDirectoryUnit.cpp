#include "forms/SelectDirectoryUnit.h"

#include "ui/MessageDialog.h"
#include "platform/Cp1251Path.h"
#include "platform/SystemErrorText.h"
#include "platform/Win32.h"

TSelectDirectoryForm* SelectDirectoryForm = nullptr;

namespace {

// The system's own words for an error code, without a closing full stop:
// they stand inside a sentence.
std::wstring SystemMessage(unsigned long code)
{
    std::wstring text = SystemErrorText(code);
    while (!text.empty() && (text.back() == L'.' || text.back() == L' '))
        text.pop_back();
    return text;
}

TFormDesign Design()
{
    return TFormDesign{.Caption = "Выберите директорию информационной базы 1С",
                       .Bounds = {379, 358, 424, 326},
                       .BorderStyle = TBorderStyle::bsDialog,
                       .BorderIcons = biSystemMenu,
                       .Position = TPosition::poDefault,
                       .DefaultMonitor = TDefaultMonitor::dmMainForm};
}
}  // namespace

TSelectDirectoryForm::TSelectDirectoryForm() : TForm("SelectDirectoryForm", "TSelectDirectoryForm", Design())
{
    MainShellTreeView.AccessibleName = "Папки";
    AddControls({&MainShellTreeView, &SelectDirectoryButton, &CancelButton});
    SelectFormStorage.IniSection = "SelectDirectoryForm";
    SelectFormStorage.Options = fpPosition;
    SelectFormStorage.UseRegistry = true;
    AddComponent(SelectFormStorage);

    OnShow = [this] { FormShow(); };
    SelectDirectoryButton.OnClick = [this] { SelectDirectoryButtonClick(); };
    CancelButton.OnClick = [this] { CancelButtonClick(); };
}

std::optional<std::string> DirectoryForTheList(const std::wstring& path)
{
    // The path goes into Bases.dat as Windows-1251 text.
    Cp1251Path text = Cp1251PathOf(path);
    if (text.Text)
        return text.Text;
    std::wstring why =
        L"\" нельзя сохранить в списке баз: в её пути есть символы, которых нет в кодировке Windows-1251, ";
    if (text.Error == 0) {
        why += L"а другого имени, ведущего к ней, файловая система не даёт.";
    } else {
        std::wstring said = SystemMessage(text.Error);
        why += L"а узнать другое имя, ведущее к ней, не удалось: " +
               (said.empty() ? std::wstring() : L"\"" + said + L"\", ") + L"код ошибки " + std::to_wstring(text.Error) +
               L".";
    }
    MessageDialog(L"Папку \"" + path + why + L"\n\nВыберите другую папку или переименуйте эту.", TMsgDlgType::mtWarning,
                  {TMsgDlgBtn::mbOK});
    return std::nullopt;
}

void TSelectDirectoryForm::FormShow()
{
    DirectorySelected = false;
}

void TSelectDirectoryForm::SelectDirectoryButtonClick()
{
    // Where the folder cannot be kept, the chooser stays open to pick or
    // rename another one.
    std::optional<std::string> text = DirectoryForTheList(MainShellTreeView.SelectedPath());
    if (!text)
        return;
    DirectorySelected = true;
    SelectedDirectory = *text;
    Close();
}

void TSelectDirectoryForm::CancelButtonClick()
{
    Close();
}
