// A form with a list of names and paths shown in a grid, wired as the main
// window wires its own: the table, its data source and the grid with the
// columns "Название базы" and "Путь". The grid tests, the layout tests and
// the grid benchmark build their forms on it.
//
//   TScopedForm<TListGridForm> form("GridForm", "TGridForm", design, {0, 0, 400, 300});
//   form.Create();
//   form.BaseRxMemoryData.InsertRow();
#pragma once

#include "model/RxMemoryData.h"
#include "grid/DBGrid.h"
#include "ui/Form.h"

#include <string>
#include <utility>

class TListGridForm : public TForm {
public:
    TListGridForm(std::string name, std::string className, TFormDesign design, TBounds gridBounds,
                  unsigned gridAnchors = akLeft | akTop)
        : TForm(std::move(name), std::move(className), std::move(design)),
          MainRxDBGrid("MainRxDBGrid", gridBounds, gridAnchors)
    {
        BaseRxMemoryData.FieldDefs = {{"Name", TFieldType::ftString, 100}, {"Path", TFieldType::ftString, 200}};
        BaseRxMemoryData.SetActive(true);
        BaseDataSource.SetDataSet(&BaseRxMemoryData);
        MainRxDBGrid.Columns().Add("Name", "Название базы", 154);
        MainRxDBGrid.Columns().Add("Path", "Путь", 205);
        MainRxDBGrid.SetDataSource(&BaseDataSource);
        AddControl(MainRxDBGrid);
    }

    // Declared in this order, the grid goes before its source and table.
    TRxMemoryData BaseRxMemoryData{"BaseRxMemoryData"};
    TDataSource BaseDataSource{"BaseDataSource"};
    TRxDBGrid MainRxDBGrid;
};
