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
    DirectorySelected = true;
    SelectedDirectory = MainShellTreeView.SelectedPath();
    Close();
}

void TSelectDirectoryForm::CancelButtonClick()
{
    Close();
}
