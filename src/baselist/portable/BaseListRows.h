// Where the base list file meets the base record table: entries become rows
// as the start-up adds them, and rows become entries as the close walks the
// table. Each of the four fields is looked up by name once, when the first
// row needs it, not once per row.
//
//   ReadBaseList(source, BaseListRowAdder(table));  // a row before the current one, per entry
//   table.CheckBrowseMode();
//   WriteBaseList(sink, BaseListRowWalker(table));  // from the first row to the last
#pragma once

#include "baselist/portable/BaseListFormat.h"

#include <array>

class TDataSet;
class TField;

class BaseListRowAdder {
public:
    explicit BaseListRowAdder(TDataSet& table) : table_(&table) {}
    // A new row before the current one, which it then becomes: rows added
    // one after another stand in the reverse of their order.
    void operator()(const BaseListValues& entry);

private:
    TDataSet* table_;
    std::array<const TField*, kBaseListFieldCount> fields_{};
    bool inFieldOrder_ = false;  // the fields are the table's first four, in the entry's order
};

// Reads the rows in table order without moving the cursor: the operator's
// row stays where it was, whether the save succeeds or fails.
class BaseListRowWalker {
public:
    explicit BaseListRowWalker(const TDataSet& table) : table_(&table) {}
    // The first row's values, the first time; afterwards the next row's.
    // False once the walk has passed the last row. The views hold until the
    // table changes.
    bool operator()(BaseListValues& entry);

private:
    const TDataSet* table_;
    std::array<const TField*, kBaseListFieldCount> fields_{};
    bool inFieldOrder_ = false;
    int next_ = 0;
};
