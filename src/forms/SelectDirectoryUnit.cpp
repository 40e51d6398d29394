#include "forms/SelectDirectoryUnit.h"

#include "app/MessageDialog.h"
#include "platform/Cp1251Path.h"

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
    d.DefaultMonitor = TDefaultMonitor::dmMainForm;
    return d;
}
}  // namespace

TSelectDirectoryForm::TSelectDirectoryForm() : TForm("SelectDirectoryForm", "TSelectDirectoryForm", Design())
{
    MainShellTreeView.TabOrder = 0;
    SelectDirectoryButton.TabOrder = 1;
    CancelButton.TabOrder = 2;
    AddControl(MainShellTreeView);
    AddControl(SelectDirectoryButton);
    AddControl(CancelButton);
    SelectFormStorage.IniSection = "SelectDirectoryForm";
    SelectFormStorage.Options = fpPosition;
    SelectFormStorage.UseRegistry = true;
    AddComponent(SelectFormStorage);

    OnShow = [this] { FormShow(); };
    SelectDirectoryButton.OnClick = [this] { SelectDirectoryButtonClick(); };
    CancelButton.OnClick = [this] { CancelButtonClick(); };
}

TSelectDirectoryForm::~TSelectDirectoryForm()
{
    // While the controls and the store still exist: the store saves on
    // destroy, and the tree frees its records with its window.
    Destroy();
}

void TSelectDirectoryForm::FormShow()
{
    DirectorySelected = false;
}

void TSelectDirectoryForm::SelectDirectoryButtonClick()
{
    // The path goes into Bases.dat as Windows-1251 text. A folder whose name
    // that code page cannot write is kept by its short name where the file
    // system has one; otherwise the operator is told, and the chooser stays
    // open to pick or rename another folder.
    std::wstring path = MainShellTreeView.SelectedPathW();
    std::optional<std::string> text = Cp1251PathOf(path);
    if (!text) {
        MessageDialog(L"Папку \u00AB" + path +
                          L"\u00BB нельзя сохранить в списке баз: в её пути есть символы, которых нет в "
                          L"кодировке Windows-1251, а другого имени, ведущего к ней, файловая система не "
                          L"даёт.\n\nВыберите другую папку или переименуйте эту.",
                      TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        return;
    }
    DirectorySelected = true;
    SelectedDirectory = *text;
    Close();
}

void TSelectDirectoryForm::CancelButtonClick()
{
    Close();
}
