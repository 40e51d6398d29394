// The dataset base of the form framework: states, the AtStart/AtEnd flags, the
// cursor, the view window a grid shows, and the change reports sent to the
// linked data sources. A concrete table supplies the row storage through the
// protected Internal* hooks; grids see only TDataSet and TDataSource.
//
//   TDataSource source("BaseDataSource");
//   source.SetDataSet(&table);
//   source.OnDataChange = [&](TDataChange change, int k) { grid.Refresh(change, k); };
//   table.SetWindowSize(grid.VisibleRows());
//   for (int line = 0; line < table.WindowRowCount(); ++line)
//       paint(table.WindowFieldText(line, 0), line == table.WindowCurrentLine());
//
// The view window is a run of consecutive rows holding the current row; every
// rebuild costs O(window size), never a walk of the table. In insert state the
// pending row is shown on the current line with the stored rows after it moved
// one line down, so the window counts one row more than the table.
//
// Every report is delivered to every linked source before the operation that
// caused it returns, and only after the dataset is consistent again.
#pragma once

#include "data/Fields.h"

#include <functional>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

class TDataSet;

enum class TDataSetState { dsInactive, dsBrowse, dsEdit, dsInsert };

enum class TDataChange {
    RowsChanged,  // redraw every line
    RowsReordered,  // the rows changed places (a sort): redraw every line
    // A sort that moved at most the current row (an entry just added or
    // renamed): the others kept their order. Redraw every line.
    CurrentRowResorted,
    RowsScrolled,  // the window moved by k rows (k may be 0: only the current line moved)
    CurrentRowChanged,  // redraw the current line
    StateChanged,
};

// A non-owning link from a grid to a dataset. A dataset may have several.
class TDataSource {
public:
    explicit TDataSource(std::string name = {});
    ~TDataSource();
    TDataSource(const TDataSource&) = delete;
    TDataSource& operator=(const TDataSource&) = delete;

    const std::string& Name() const { return name_; }
    TDataSet* DataSet() const { return dataSet_; }
    void SetDataSet(TDataSet* dataSet);

    // rowsScrolled is k for RowsScrolled (positive: the window moved down the
    // table), else 0.
    std::function<void(TDataChange change, int rowsScrolled)> OnDataChange;

private:
    friend class TDataSet;
    std::string name_;
    TDataSet* dataSet_ = nullptr;
};

class TDataSet {
public:
    explicit TDataSet(std::string name);
    virtual ~TDataSet();
    TDataSet(const TDataSet&) = delete;
    TDataSet& operator=(const TDataSet&) = delete;

    const std::string& Name() const { return name_; }
    bool Active() const { return state_ != TDataSetState::dsInactive; }
    void SetActive(bool active);
    TDataSetState State() const { return state_; }
    bool AtStart() const { return atStart_; }
    bool AtEnd() const { return atEnd_; }

    int FieldCount() const { return int(fields_.size()); }
    const TField& Field(int index) const;
    std::string FieldName(int index) const { return Field(index).FieldName(); }
    int FindFieldIndex(std::string_view name) const;  // -1 when none
    // The field of that name; fails as GetFieldText does when there is none.
    const TField& FieldByName(std::string_view name) const;

    int RowCount() const;
    int CurrentRowNumber() const;  // 1-based; 0 on an empty table
    void SetCurrentRowNumber(int number);
    void GoToFirstRow();
    void GoToLastRow();
    void GoToNextRow() { MoveByRows(1); }
    int MoveByRows(int n);
    bool IsTableEmpty() const;
    // The 1-based number of the first row, in table order, whose text in
    // that field passes `match`; 0 when none does. The cursor stays.
    int FindFirstRow(std::string_view fieldName, const std::function<bool(std::string_view)>& match) const;

    void InsertRow();
    // A whole row at once: what InsertRow, SetFieldText for the first
    // texts.size() fields in order and PostRow do, with one RowsChanged
    // report instead of eight. The rest of the fields get no value. A load
    // of a long list adds its rows this way.
    void InsertRowWithTexts(std::span<const std::string_view> texts);
    void EditRow();
    void PostRow();
    void DeleteRow();
    std::string GetFieldText(std::string_view fieldName) const;
    // The same as a view that holds until the table next changes or moves:
    // a walk over a long list (the save) then copies nothing per row.
    std::string_view GetFieldTextView(std::string_view fieldName) const;
    void SetFieldText(std::string_view fieldName, std::string_view text);
    // The same for a field found before: a load or a save of a long list
    // then looks each name up once, not once per row.
    std::string_view GetFieldTextView(const TField& field) const;
    void SetFieldText(const TField& field, std::string_view text);
    // A stored row's text by its 0-based index in table order, read without
    // moving the cursor: a save walks the list this way, so the grid neither
    // follows it nor loses the operator's row. A pending row is not counted;
    // call CheckBrowseMode first to commit it.
    std::string_view RowTextView(int row, const TField& field) const;
    // The same for the first texts.size() fields at once, in field order.
    void RowTextViews(int row, std::span<std::string_view> texts) const;
    // Commits a pending row that has assignments, drops any other.
    void CheckBrowseMode();

    // Reports held back over a batch of changes (a load of the whole list):
    // the linked sources hear nothing until the last EnableControls, then
    // one StateChanged, after which a grid lays out and repaints everything.
    // Calls nest.
    void DisableControls() { ++controlsDisabled_; }
    void EnableControls();

    // The view window.
    void SetWindowSize(int rows);
    int WindowSize() const { return windowSize_; }
    int WindowRowCount() const;
    int WindowFirstRow() const { return windowFirst_; }
    int WindowCurrentLine() const;
    std::string WindowFieldText(int line, int fieldIndex) const;

protected:
    // Row storage, supplied by the concrete table. Row indexes are positions
    // in the table order; fieldIndex is a position in the field list.
    virtual void InternalOpen() = 0;  // creates the fields (AddField), empties the rows
    virtual void InternalClose() = 0;
    virtual int InternalRowCount() const = 0;
    // Texts as views that hold until the rows or the pending row change.
    virtual std::string_view InternalRowText(int row, int fieldIndex) const = 0;
    // The first texts.size() fields' texts.
    virtual void InternalRowTexts(int row, std::span<std::string_view> texts) const = 0;
    virtual void InternalInitPending() = 0;  // a blank pending row
    virtual void InternalLoadPending(int row) = 0;
    virtual std::string_view InternalPendingText(int fieldIndex) const = 0;
    virtual void InternalSetPendingText(int fieldIndex, std::string_view text) = 0;
    virtual void InternalPostEdit(int row) = 0;
    virtual void InternalPostInsert(int index) = 0;  // a new row from the pending one, at index
    // A new row at index from the texts of its first fields, cut as
    // InternalSetPendingText cuts them; the other fields without a value.
    virtual void InternalInsertRow(int index, std::span<const std::string_view> texts) = 0;
    virtual void InternalDelete(int row) = 0;
    // Field names match without regard to letter case; the default knows ASCII only.
    virtual bool FieldNamesMatch(std::string_view a, std::string_view b) const;

    // For the concrete table's own operations.
    void AddField(std::unique_ptr<TField> field);
    int FieldIndexOrFail(std::string_view name) const;
    int OwnFieldIndex(const TField& field) const;  // fails for a field not in this table
    void CheckActive() const;
    int Cursor() const { return cursor_; }  // index of the current row; -1 on an empty table
    // After a sort: centre the current row and report; `othersKeptOrder`
    // when no row but the current one changed its place among the others.
    void RowsReordered(int newCursor, bool othersKeptOrder = false);
    [[noreturn]] void Fail(const std::string& message) const;  // prefixed with the name

private:
    friend class TDataSource;

    int DisplayCount() const;
    void CheckRowPlace(int row) const;  // fails outside the stored rows
    void CheckValueCount(std::size_t count) const;  // fails for more values than fields
    int DisplayCursor() const;
    int CurrentLineOrTop() const;
    void PlaceWindow(int line);
    void SetBothFlagsFromRows();
    void DropPending();
    void EnterBrowse();
    void Report(TDataChange change, int rowsScrolled = 0);

    std::string name_;
    TDataSetState state_ = TDataSetState::dsInactive;
    bool atStart_ = true;
    bool atEnd_ = true;
    bool modified_ = false;  // a field was assigned since the pending row began
    int cursor_ = -1;
    int windowSize_ = 1;
    int windowFirst_ = 0;
    int controlsDisabled_ = 0;
    std::vector<std::unique_ptr<TField>> fields_;
    std::vector<TDataSource*> sources_;
};
