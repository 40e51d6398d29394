// The main window: the list of information bases in a grid, the commands
// that open the other windows, the load at creation and the save at close.
#pragma once

#include "app/SharedState.h"
#include "data/DataSet.h"
#include "model/RxMemoryData.h"
#include "storage/FormStorage.h"
#include "storage/GridLayout.h"
#include "grid/DBGrid.h"
#include "ui/Form.h"
#include "ui/StdControls.h"

#include <string>

class TMainForm : public TForm {
public:
    TMainForm();

    TRxMemoryData BaseRxMemoryData{"BaseRxMemoryData"};
    TDataSource BaseDataSource{"BaseDataSource"};
    TButton AddBaseButton{"AddBaseButton", {403, 5, 117, 25}, "Добавить базу", akTop | akRight};
    TButton HelpButton{"HelpButton", {403, 295, 117, 25}, "Помощь", akRight | akBottom};
    TButton ButtonClose{"ButtonClose", {403, 322, 117, 25}, "Закрыть", akRight | akBottom};
    TButton DeleteBaseButton{"DeleteBaseButton", {403, 32, 117, 25}, "Удалить базу", akTop | akRight};
    // Declared after its data source: the grid unlinks itself when it goes.
    TRxDBGrid MainRxDBGrid{"MainRxDBGrid", {2, 4, 397, 343}, akLeft | akTop | akRight | akBottom};
    TFormStorage MainFormStorage{*this, "MainFormStorage"};
    // The grid's IniStorage: its column layout rides on the window's store.
    TGridLayoutLink MainRxDBGridLayout{MainRxDBGrid};

    void FormCreate();
    void FormClose(TCloseAction& action);
    void AddBaseButtonClick();
    void MainRxDBGridDblClick();
    void DeleteBaseButtonClick();
    void HelpButtonClick();
    void ButtonCloseClick();
};

extern TMainForm* MainForm;
