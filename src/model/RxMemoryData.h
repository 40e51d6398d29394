// The in-memory table that holds the list of information bases while the
// program runs (BaseRxMemoryData on the main window). Rows live only here:
// nothing is written anywhere by the table itself.
//
//   TRxMemoryData table("BaseRxMemoryData");
//   table.FieldDefs = {{"Name", TFieldType::ftString, 100}, {"Path", TFieldType::ftString, 200}};
//   table.SetActive(true);
//   table.InsertRow();
//   table.SetFieldText("Name", "Бухгалтерия");
//   table.PostRow();
//   table.SortByFields("Name", true, false);
//
// Text is stored byte for byte (Windows-1251), cut to the field's Size.
// Each row takes the room of its texts (see TMemoryRecord). Rows are held by
// reference in a deque, so inserting at the front (as the loader does) and
// sorting never copy a row. With a sort key (the
// default collation has one, and so does the user's locale), a sort computes
// one key per row and orders the rows by bytes, calling the comparison only
// for rows whose keys are equal: a million rows sort in a fraction of a
// second even when each call of the comparison costs microseconds.
#pragma once

#include "data/DataSet.h"
#include "model/MemoryRecord.h"
#include "model/RecordPool.h"
#include "collation/portable/TextCollation.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

class TRxMemoryData : public TDataSet {
public:
    explicit TRxMemoryData(std::string name);

    // The form adds the definitions before SetActive(true).
    std::vector<TFieldDef> FieldDefs;

    // The comparison of the sort and of field-name lookup, and optionally its
    // sort key; an empty comparison restores PortableTextCompare with its key.
    // Without a key the sort calls the comparison for every pair it weighs.
    void SetCollation(TextCompare compare, TextSortKey sortKey = {});

    // Sorts by the ";"-separated fields; rows that compare equal keep their
    // creation order (RowID), and the current row stays current.
    void SortByFields(std::string_view fieldNames, bool caseInsensitive, bool descending);
    const std::vector<std::string>& SortFieldNames() const { return sortFieldNames_; }
    bool SortCaseInsensitive() const { return sortCaseInsensitive_; }
    bool SortDescending() const { return sortDescending_; }

    static constexpr std::int32_t kNoRowID = INT32_MIN;
    std::int32_t LastRowID() const { return lastRowID_; }
    std::int32_t CurrentRowID() const;  // kNoRowID when no row is current
    std::int32_t RowIDAt(int index) const;  // index in table order

protected:
    void InternalOpen() override;
    void InternalClose() override;
    int InternalRowCount() const override { return int(rows_.size()); }
    std::string_view InternalRowText(int row, int fieldIndex) const override;
    void InternalRowTexts(int row, std::span<std::string_view> texts) const override;
    void InternalInitPending() override;
    void InternalLoadPending(int row) override;
    std::string_view InternalPendingText(int fieldIndex) const override;
    void InternalSetPendingText(int fieldIndex, std::string_view text) override;
    void InternalPostEdit(int row) override;
    void InternalPostInsert(int index) override;
    void InternalInsertRow(int index, std::span<const std::string_view> texts) override;
    void InternalDelete(int row) override;
    bool FieldNamesMatch(std::string_view a, std::string_view b) const override;

private:
    void DropAllRows();
    // The part of a text that a field keeps.
    std::string_view AsStored(std::size_t field, std::string_view text) const;
    // From the sort field at index `from` on, then RowID; descending applied.
    int CompareRows(const TMemoryRecord& a, const TMemoryRecord& b, const std::vector<int>& fields,
                    std::size_t from = 0) const;
    int CompareTexts(std::string_view a, std::string_view b) const;
    std::vector<int> ResolveSortFields(const std::vector<std::string>& names) const;
    std::vector<TMemoryRecord*> SortedByComparison(const std::vector<int>& fields) const;
    std::vector<TMemoryRecord*> SortedByKeys(const std::vector<int>& fields) const;

    TRecordPool pool_;  // owns the rows' memory
    std::deque<TMemoryRecord*> rows_;  // in table order, each in pool_
    std::vector<std::size_t> sizes_;  // of each field's text
    std::vector<std::size_t> offsets_;  // of each field's text in pendingBytes_
    // The pending row: per field, whether a value was assigned, and its
    // text, which lies in pendingBytes_ (room for every field's widest text).
    std::vector<TRecordValue> pending_;
    std::vector<char> pendingBytes_;
    std::int32_t lastRowID_ = kNoRowID;
    TextCompare collation_;
    TextSortKey sortKey_;
    std::vector<std::string> sortFieldNames_;
    bool sortCaseInsensitive_ = false;
    bool sortDescending_ = false;
};
