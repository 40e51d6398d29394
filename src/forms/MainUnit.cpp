#include "forms/MainUnit.h"

#include "ui/MessageDialog.h"
#include "app/ProgramFolder.h"
#include "app/Resources.h"
#include "forms/HelpUnit.h"
#include "forms/NewBaseUnit.h"
#include "baselist/BaseListFile.h"
#include "collation/LocaleCollation.h"
#include "platform/WideText.h"
#include "runtime/ScopeGuard.h"

TMainForm* MainForm = nullptr;

namespace {
TFormDesign Design()
{
    return TFormDesign{.Caption = "Автоматическое открытие периода в базах 1С",
                       .Bounds = {332, 347, 523, 351},
                       .BorderStyle = TBorderStyle::bsSizeable,
                       .BorderIcons = biSystemMenu | biHelp,
                       .MinWidth = 400,
                       .MinHeight = 300,
                       .IconId = IDI_MAINICON};
}
}  // namespace

TMainForm::TMainForm() : TForm("MainForm", "TMainForm", Design())
{
    AddControls({&AddBaseButton, &HelpButton, &ButtonClose, &MainRxDBGrid, &DeleteBaseButton});
    // Its close writes the list.
    CloseRefusedReason = L"Список баз не сохранён в файл Bases.dat";
    MainFormStorage.IniSection = "MainForm";
    MainFormStorage.UseRegistry = true;
    AddComponent(MainFormStorage);
    MainRxDBGridLayout.SetIniStorage(&MainFormStorage);

    BaseRxMemoryData.FieldDefs = {{"Name", TFieldType::ftString, 100},
                                  {"Path", TFieldType::ftString, 200},
                                  {"Login", TFieldType::ftString, 20},
                                  {"Password", TFieldType::ftString, 20}};
    BaseRxMemoryData.SetCollation(&CompareUserLocale, UserLocaleSortKey());
    BaseRxMemoryData.SetActive(true);
    BaseDataSource.SetDataSet(&BaseRxMemoryData);

    MainRxDBGrid.Columns().Add("Name", "Название базы", 154);
    MainRxDBGrid.Columns().Add("Path", "Путь", 205);
    MainRxDBGrid.SetDataSource(&BaseDataSource);
    MainRxDBGrid.AccessibleName = "Список баз";
    // Typing a name's first letters in the grid finds it, compared as the sort compares.
    MainRxDBGrid.IncrementalSearchField = "Name";
    MainRxDBGrid.IncrementalSearchCompare = [](std::string_view a, std::string_view b) {
        return CompareUserLocale(a, b, true);
    };

    OnCreate = [this] { FormCreate(); };
    OnClose = [this](TCloseAction& action) { FormClose(action); };
    AddBaseButton.OnClick = [this] { AddBaseButtonClick(); };
    DeleteBaseButton.OnClick = [this] { DeleteBaseButtonClick(); };
    HelpButton.OnClick = [this] { HelpButtonClick(); };
    // F1 and the caption's help button show the help as "Помощь" does.
    OnHelp = [this] { HelpButtonClick(); };
    ButtonClose.OnClick = [this] { ButtonCloseClick(); };
    MainRxDBGrid.OnDblClick = [this] { MainRxDBGridDblClick(); };
    // Enter and F2 in the grid, and a screen reader's default action on an
    // entry, edit it as a double-click does: the keyboard reaches every task.
    MainRxDBGrid.OnOpenRow = [this] { MainRxDBGridDblClick(); };
    MainRxDBGrid.RowActionName = "Изменить";
}

void TMainForm::FormCreate()
{
    ProgramFolder = GetProgramFolder();
    // The grid hears of the whole list once, not of every row as it comes.
    BaseRxMemoryData.DisableControls();
    ScopeGuard enable([this] { BaseRxMemoryData.EnableControls(); });
    const std::wstring notice = LoadBaseList(BaseRxMemoryData, ProgramFolder);
    BaseRxMemoryData.SortByFields("Name", true, false);
    // A list taken from the complete copy of an interrupted save.
    if (!notice.empty())
        MessageDialog(notice, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
}

void TMainForm::FormClose(TCloseAction&)
{
    // Where a backup or a leftover copy went, when the operator must know.
    const std::wstring notice = SaveBaseList(BaseRxMemoryData, ProgramFolder);
    if (!notice.empty())
        MessageDialog(notice, TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
}

void TMainForm::AddBaseButtonClick()
{
    NewBaseMode = true;
    NewBaseForm->ShowModal();
}

void TMainForm::MainRxDBGridDblClick()
{
    NewBaseMode = false;
    NewBaseForm->ShowModal();
}

void TMainForm::DeleteBaseButtonClick()
{
    if (BaseRxMemoryData.IsTableEmpty()) {
        MessageDialog("Выберите базу!", TMsgDlgType::mtWarning, {TMsgDlgBtn::mbOK});
        return;
    }
    std::string question = "Удалить базу \"" + BaseRxMemoryData.GetFieldText("Name") + "\"?";
    if (MessageDialog(question, TMsgDlgType::mtConfirmation, {TMsgDlgBtn::mbOK, TMsgDlgBtn::mbCancel}) == mrOk)
        BaseRxMemoryData.DeleteRow();
}

void TMainForm::HelpButtonClick()
{
    HelpForm->ShowModal();
}

void TMainForm::ButtonCloseClick()
{
    Close();
}
