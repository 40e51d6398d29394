// A form shaped like the main window for the layout tests: the table, its
// data source and the grid, whose column layout rides on the form's store
// under a throwaway registry key.
#pragma once

#include "ListGridForm.h"
#include "StoreTestSupport.h"

#include "storage/GridLayout.h"

#include <string>
#include <vector>

inline const std::string kGridSection = "MainForm\\TMainFormMainRxDBGrid";

class TGridForm : public TListGridForm {
public:
    TGridForm() : TListGridForm("MainForm", "TMainForm", StoredFormDesign(TBorderStyle::bsSizeable), {2, 4, 290, 190})
    {
        MainFormStorage.IniFileName = kStoreTestKey;
        MainFormStorage.IniSection = "MainForm";
        MainFormStorage.UseRegistry = true;
        AddComponent(MainFormStorage);
        MainRxDBGridLayout.SetIniStorage(&MainFormStorage);
    }

    // "Field:width" of every column, left to right.
    std::vector<std::string> Layout()
    {
        std::vector<std::string> columns;
        for (int i = 0; i < MainRxDBGrid.ColumnCount(); ++i)
            columns.push_back(MainRxDBGrid.Column(i).FieldName() + ":" +
                              std::to_string(MainRxDBGrid.Column(i).Width()));
        return columns;
    }

    TFormStorage MainFormStorage{*this, "MainFormStorage"};
    TGridLayoutLink MainRxDBGridLayout{MainRxDBGrid};
};
