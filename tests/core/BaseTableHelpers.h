// Helpers for the base record table tests: a table opened with the program's
// four fields, a quick way to add rows, and a data source that records every
// report it receives.
#pragma once

#include "data/DataSet.h"
#include "model/RxMemoryData.h"

#include <cstdint>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

struct Report {
    TDataChange change;
    int rowsScrolled = 0;
    bool operator==(const Report&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Report& r)
{
    static const char* const kNames[] = {"RowsChanged",  "RowsReordered",     "CurrentRowResorted",
                                         "RowsScrolled", "CurrentRowChanged", "StateChanged"};
    return out << kNames[int(r.change)] << "(" << r.rowsScrolled << ")";
}

class RecordingSource {
public:
    explicit RecordingSource(TDataSet& dataSet)
    {
        source.OnDataChange = [this](TDataChange change, int k) { reports.push_back({change, k}); };
        source.SetDataSet(&dataSet);
    }
    // The reports received since the last call.
    std::vector<Report> Take() { return std::exchange(reports, {}); }

    TDataSource source{"BaseDataSource"};
    std::vector<Report> reports;
};

inline void OpenBaseTable(TRxMemoryData& table)
{
    table.FieldDefs = {{"Name", TFieldType::ftString, 100},
                       {"Path", TFieldType::ftString, 200},
                       {"Login", TFieldType::ftString, 20},
                       {"Password", TFieldType::ftString, 20}};
    table.SetActive(true);
}

inline void AddRow(TRxMemoryData& table, const std::string& name)
{
    table.InsertRow();
    table.SetFieldText("Name", name);
    table.PostRow();
}

// The row IDs in table order.
inline std::vector<std::int32_t> RowIDs(const TRxMemoryData& table)
{
    std::vector<std::int32_t> ids;
    for (int i = 0; i < table.RowCount(); ++i)
        ids.push_back(table.RowIDAt(i));
    return ids;
}

// The names in table order, read through the view window so that the cursor
// stays where it is (the window's position may change).
inline std::vector<std::string> NamesInOrder(TRxMemoryData& table)
{
    int size = table.WindowSize();
    int current = table.CurrentRowNumber();
    std::vector<std::string> names;
    if (current == 0)
        return names;
    table.SetWindowSize(table.RowCount());
    for (int line = 0; line < table.WindowRowCount(); ++line)
        names.push_back(table.WindowFieldText(line, 0));
    table.SetWindowSize(size);
    return names;
}
