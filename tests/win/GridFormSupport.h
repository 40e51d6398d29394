// A form shaped like the main window for the layout tests: the table, its
// data source and the grid, whose column layout rides on the form's store
// under a throwaway registry key.
#pragma once

#include "StoreTestSupport.h"

#include "model/RxMemoryData.h"
#include "storage/GridLayout.h"
#include "ui/DBGrid.h"

#include <string>
#include <vector>

inline const std::string kGridSection = "MainForm\\TMainFormMainRxDBGrid";

class TGridForm : public TForm {
public:
    TGridForm() : TForm("MainForm", "TMainForm", StoredFormDesign(TBorderStyle::bsSizeable))
    {
        BaseRxMemoryData.FieldDefs = {{"Name", TFieldType::ftString, 100}, {"Path", TFieldType::ftString, 200}};
        BaseRxMemoryData.SetActive(true);
        BaseDataSource.SetDataSet(&BaseRxMemoryData);
        MainRxDBGrid.Columns().Add("Name", "Название базы", 154);
        MainRxDBGrid.Columns().Add("Path", "Путь", 205);
        MainRxDBGrid.SetDataSource(&BaseDataSource);
        AddControl(MainRxDBGrid);
        MainFormStorage.IniFileName = kStoreTestKey;
        MainFormStorage.IniSection = "MainForm";
        MainFormStorage.UseRegistry = true;
        AddComponent(MainFormStorage);
        MainRxDBGridLayout.SetIniStorage(&MainFormStorage);
    }
    ~TGridForm() override { Destroy(); }

    // "Field:width" of every column, left to right.
    std::vector<std::string> Layout()
    {
        std::vector<std::string> columns;
        for (int i = 0; i < MainRxDBGrid.ColumnCount(); ++i)
            columns.push_back(MainRxDBGrid.Column(i).FieldName() + ":" +
                              std::to_string(MainRxDBGrid.Column(i).Width()));
        return columns;
    }

    TRxMemoryData BaseRxMemoryData{"BaseRxMemoryData"};
    TDataSource BaseDataSource{"BaseDataSource"};
    TRxDBGrid MainRxDBGrid{"MainRxDBGrid", {2, 4, 290, 190}};
    TFormStorage MainFormStorage{*this, "MainFormStorage"};
    TGridLayoutLink MainRxDBGridLayout{MainRxDBGrid};
};
