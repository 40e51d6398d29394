#include "data/DataSet.h"

#include "runtime/ScopeGuard.h"

#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstdlib>
#include <span>

namespace {

char AsciiLower(char c)
{
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool IsPending(TDataSetState state)
{
    return state == TDataSetState::dsEdit || state == TDataSetState::dsInsert;
}

}  // namespace

// ---- TDataSource -----------------------------------------------------------

TDataSource::TDataSource(std::string name) : name_(std::move(name)) {}

TDataSource::~TDataSource()
{
    SetDataSet(nullptr);
}

void TDataSource::SetDataSet(TDataSet* dataSet)
{
    if (dataSet == dataSet_)
        return;
    if (dataSet_)
        std::erase(dataSet_->sources_, this);
    dataSet_ = dataSet;
    if (dataSet_)
        dataSet_->sources_.push_back(this);
}

// ---- TDataSet: opening, fields ---------------------------------------------

TDataSet::TDataSet(std::string name) : name_(std::move(name)) {}

TDataSet::~TDataSet()
{
    for (TDataSource* source : sources_)
        source->dataSet_ = nullptr;
}

void TDataSet::SetActive(bool active)
{
    if (active == Active())
        return;
    if (active) {
        ScopeGuard forget([this] { fields_.clear(); });
        InternalOpen();
        forget.Dismiss();
        state_ = TDataSetState::dsBrowse;
    } else {
        // Closing drops a pending row: nothing is committed on the way out.
        state_ = TDataSetState::dsInactive;
        InternalClose();
        fields_.clear();
    }
    modified_ = false;
    cursor_ = -1;
    windowFirst_ = 0;
    atStart_ = atEnd_ = true;
    Report(TDataChange::StateChanged);
}

const TField& TDataSet::Field(int index) const
{
    if (index < 0 || index >= FieldCount())
        throw EDatabaseError(FormatMessage("List index out of bounds (%d)", index));
    return *fields_[size_t(index)];
}

int TDataSet::FindFieldIndex(std::string_view name) const
{
    for (const auto& field : fields_)
        if (FieldNamesMatch(field->FieldName(), name))
            return field->Index();
    return -1;
}

bool TDataSet::FieldNamesMatch(std::string_view a, std::string_view b) const
{
    return std::ranges::equal(a, b, {}, AsciiLower, AsciiLower);
}

void TDataSet::AddField(std::unique_ptr<TField> field)
{
    fields_.push_back(std::move(field));
}

const TField& TDataSet::FieldByName(std::string_view name) const
{
    return *fields_[std::size_t(FieldIndexOrFail(name))];
}

int TDataSet::OwnFieldIndex(const TField& field) const
{
    int index = field.Index();
    // A field of another table, or of this one before it was closed.
    if (index < 0 || index >= FieldCount() || fields_[std::size_t(index)].get() != &field)
        Fail(FormatMessage("Field '%s' not found", field.FieldName()));
    return index;
}

int TDataSet::FieldIndexOrFail(std::string_view name) const
{
    int index = FindFieldIndex(name);
    if (index < 0)
        Fail(FormatMessage("Field '%s' not found", std::string(name)));
    return index;
}

void TDataSet::Fail(const std::string& message) const
{
    throw EDatabaseError(name_.empty() ? message : name_ + ": " + message);
}

void TDataSet::CheckActive() const
{
    if (!Active())
        Fail("Cannot perform this operation on a closed dataset");
}

// ---- Cursor ----------------------------------------------------------------

int TDataSet::RowCount() const
{
    return Active() ? InternalRowCount() : 0;
}

int TDataSet::FindFirstRow(std::string_view fieldName, const std::function<bool(std::string_view)>& match) const
{
    if (!Active())
        return 0;
    int field = FieldIndexOrFail(fieldName);
    for (int row = 0, count = InternalRowCount(); row < count; ++row)
        if (match(InternalRowText(row, field)))
            return row + 1;
    return 0;
}

bool TDataSet::IsTableEmpty() const
{
    return DisplayCount() == 0;
}

int TDataSet::CurrentRowNumber() const
{
    return cursor_ + 1;
}

void TDataSet::SetCurrentRowNumber(int number)
{
    CheckActive();
    if (number < 1 || number > InternalRowCount())
        return;
    CheckBrowseMode();
    int line = CurrentLineOrTop();
    cursor_ = number - 1;
    PlaceWindow(line);
    SetBothFlagsFromRows();
    Report(TDataChange::RowsChanged);
}

void TDataSet::GoToFirstRow()
{
    CheckActive();
    CheckBrowseMode();
    int count = InternalRowCount();
    cursor_ = count > 0 ? 0 : -1;
    windowFirst_ = 0;
    atStart_ = true;
    atEnd_ = count == 0;
    Report(TDataChange::RowsChanged);
}

void TDataSet::GoToLastRow()
{
    CheckActive();
    CheckBrowseMode();
    int count = InternalRowCount();
    cursor_ = count - 1;
    windowFirst_ = std::max(0, count - windowSize_);
    atStart_ = count == 0;
    atEnd_ = true;
    Report(TDataChange::RowsChanged);
}

int TDataSet::MoveByRows(int n)
{
    CheckActive();
    CheckBrowseMode();
    if (n == 0 || (n > 0 && atEnd_) || (n < 0 && atStart_))
        return 0;
    atStart_ = atEnd_ = false;
    int count = InternalRowCount();
    // 64-bit so that n = INT_MIN cannot overflow.
    long long target = (long long)cursor_ + n;
    if (target > count - 1) {
        target = count - 1;
        atEnd_ = true;
    } else if (target < 0) {
        target = count > 0 ? 0 : -1;
        atStart_ = true;
    }
    int moved = int(target - cursor_);
    if (moved == 0)
        return 0;
    cursor_ = int(target);

    // Shift the window only as far as the current row needs.
    int oldFirst = windowFirst_;
    int visible = WindowRowCount();
    if (cursor_ < windowFirst_)
        windowFirst_ = cursor_;
    else if (cursor_ >= windowFirst_ + visible)
        windowFirst_ = cursor_ - visible + 1;
    int k = windowFirst_ - oldFirst;
    if (std::abs(k) >= visible)
        Report(TDataChange::RowsChanged);
    else
        Report(TDataChange::RowsScrolled, k);
    return moved;
}

// ---- Editing ---------------------------------------------------------------

std::string TDataSet::GetFieldText(std::string_view fieldName) const
{
    return std::string(GetFieldTextView(fieldName));
}

std::string_view TDataSet::GetFieldTextView(std::string_view fieldName) const
{
    return GetFieldTextView(FieldByName(fieldName));
}

std::string_view TDataSet::GetFieldTextView(const TField& fieldObject) const
{
    int field = OwnFieldIndex(fieldObject);
    if (IsPending(state_))
        return InternalPendingText(field);
    if (cursor_ < 0)
        return {};
    return InternalRowText(cursor_, field);
}

void TDataSet::CheckRowPlace(int row) const
{
    if (row < 0 || row >= RowCount())
        throw EDatabaseError(FormatMessage("List index out of bounds (%d)", row));
}

void TDataSet::CheckValueCount(std::size_t count) const
{
    if (count > fields_.size())
        Fail(FormatMessage("Too many values for a row (%d)", (long long)count));
}

std::string_view TDataSet::RowTextView(int row, const TField& fieldObject) const
{
    int field = OwnFieldIndex(fieldObject);
    CheckRowPlace(row);
    return InternalRowText(row, field);
}

void TDataSet::RowTextViews(int row, std::span<std::string_view> texts) const
{
    CheckValueCount(texts.size());
    CheckRowPlace(row);
    InternalRowTexts(row, texts);
}

void TDataSet::SetFieldText(std::string_view fieldName, std::string_view text)
{
    SetFieldText(FieldByName(fieldName), text);
}

void TDataSet::SetFieldText(const TField& fieldObject, std::string_view text)
{
    int field = OwnFieldIndex(fieldObject);
    if (!IsPending(state_))
        throw EDatabaseError("Dataset not in edit or insert mode");
    InternalSetPendingText(field, text);
    modified_ = true;
    Report(TDataChange::CurrentRowChanged);
}

void TDataSet::InsertRow()
{
    CheckActive();
    CheckBrowseMode();
    // The pending row takes the current line; the rows below move down one.
    int line = CurrentLineOrTop();
    InternalInitPending();
    modified_ = false;
    state_ = TDataSetState::dsInsert;
    PlaceWindow(line);
    Report(TDataChange::StateChanged);
    Report(TDataChange::RowsChanged);
}

void TDataSet::InsertRowWithTexts(std::span<const std::string_view> texts)
{
    CheckActive();
    CheckBrowseMode();
    CheckValueCount(texts.size());
    // The line where InsertRow would show the pending row is the one PostRow
    // then keeps for the new row.
    int line = CurrentLineOrTop();
    int at = std::max(cursor_, 0);
    InternalInsertRow(at, texts);
    cursor_ = at;
    PlaceWindow(line);
    SetBothFlagsFromRows();
    Report(TDataChange::RowsChanged);
}

void TDataSet::EditRow()
{
    CheckActive();
    if (IsPending(state_))
        return;
    if (InternalRowCount() == 0) {
        InsertRow();
        return;
    }
    InternalLoadPending(cursor_);
    modified_ = false;
    state_ = TDataSetState::dsEdit;
    Report(TDataChange::StateChanged);
    Report(TDataChange::CurrentRowChanged);
}

void TDataSet::PostRow()
{
    CheckActive();
    if (!IsPending(state_))
        Fail("Dataset not in edit or insert mode");
    int line = CurrentLineOrTop();
    if (state_ == TDataSetState::dsEdit) {
        InternalPostEdit(cursor_);
    } else {
        // Before the row that was current at InsertRow; at the front of an empty table.
        int at = std::max(cursor_, 0);
        InternalPostInsert(at);
        cursor_ = at;
    }
    EnterBrowse();
    PlaceWindow(line);
    SetBothFlagsFromRows();
    Report(TDataChange::StateChanged);
    Report(TDataChange::RowsChanged);
}

void TDataSet::DeleteRow()
{
    CheckActive();
    if (state_ == TDataSetState::dsInsert) {
        DropPending();
        return;
    }
    if (InternalRowCount() == 0)
        Fail("Cannot perform this operation on an empty dataset");
    bool wasEditing = state_ == TDataSetState::dsEdit;
    int line = CurrentLineOrTop();
    InternalDelete(cursor_);
    // The row that followed becomes current, or the new last row.
    cursor_ = std::min(cursor_, InternalRowCount() - 1);
    EnterBrowse();
    PlaceWindow(line);
    SetBothFlagsFromRows();
    if (wasEditing)
        Report(TDataChange::StateChanged);
    Report(TDataChange::RowsChanged);
}

void TDataSet::CheckBrowseMode()
{
    if (!IsPending(state_))
        return;
    if (modified_)
        PostRow();
    else
        DropPending();
}

void TDataSet::DropPending()
{
    int line = CurrentLineOrTop();
    EnterBrowse();
    PlaceWindow(line);
    Report(TDataChange::StateChanged);
    Report(TDataChange::RowsChanged);
}

void TDataSet::EnterBrowse()
{
    state_ = TDataSetState::dsBrowse;
    modified_ = false;
}

void TDataSet::RowsReordered(int newCursor, bool othersKeptOrder)
{
    cursor_ = newCursor;
    PlaceWindow((windowSize_ - 1) / 2);
    SetBothFlagsFromRows();
    Report(othersKeptOrder ? TDataChange::CurrentRowResorted : TDataChange::RowsReordered);
}

void TDataSet::SetBothFlagsFromRows()
{
    atStart_ = atEnd_ = InternalRowCount() == 0;
}

// ---- View window -----------------------------------------------------------

// In insert state the pending row is one more line in the window, standing at
// the cursor's index.
int TDataSet::DisplayCount() const
{
    if (!Active())
        return 0;
    return InternalRowCount() + (state_ == TDataSetState::dsInsert ? 1 : 0);
}

int TDataSet::DisplayCursor() const
{
    return state_ == TDataSetState::dsInsert ? std::max(cursor_, 0) : cursor_;
}

int TDataSet::CurrentLineOrTop() const
{
    return DisplayCount() == 0 ? 0 : DisplayCursor() - windowFirst_;
}

// Puts the current row on the given line as far as enough rows precede it,
// then fills the window from the rows after it and, when those run out, from
// further rows before.
void TDataSet::PlaceWindow(int line)
{
    int count = DisplayCount();
    if (count == 0) {
        windowFirst_ = 0;
        return;
    }
    int current = DisplayCursor();
    int visible = std::min(windowSize_, count);
    line = std::clamp(line, 0, visible - 1);
    windowFirst_ = std::min(current - std::min(line, current), count - visible);
}

void TDataSet::SetWindowSize(int rows)
{
    windowSize_ = std::max(1, rows);
    int count = DisplayCount();
    if (count == 0) {
        windowFirst_ = 0;
        return;
    }
    int visible = std::min(windowSize_, count);
    int current = DisplayCursor();
    if (current >= windowFirst_ + visible)
        windowFirst_ = current - visible + 1;
    windowFirst_ = std::max(0, std::min(windowFirst_, count - visible));
}

int TDataSet::WindowRowCount() const
{
    return std::min(windowSize_, DisplayCount());
}

int TDataSet::WindowCurrentLine() const
{
    return DisplayCount() == 0 ? -1 : DisplayCursor() - windowFirst_;
}

std::string TDataSet::WindowFieldText(int line, int fieldIndex) const
{
    if (line < 0 || line >= WindowRowCount() || fieldIndex < 0 || fieldIndex >= FieldCount())
        return {};
    int row = windowFirst_ + line;
    int current = DisplayCursor();
    if (IsPending(state_) && row == current)
        return std::string(InternalPendingText(fieldIndex));
    if (state_ == TDataSetState::dsInsert && row > current)
        --row;
    return std::string(InternalRowText(row, fieldIndex));
}

// ---- Reports ---------------------------------------------------------------

void TDataSet::EnableControls()
{
    if (controlsDisabled_ > 0 && --controlsDisabled_ == 0)
        Report(TDataChange::StateChanged);
}

void TDataSet::Report(TDataChange change, int rowsScrolled)
{
    if (controlsDisabled_ > 0)
        return;
    // One linked source, as a grid makes: nothing can be unlinked before
    // its handler runs.
    if (sources_.size() <= 1) {
        if (!sources_.empty() && sources_.front()->OnDataChange)
            sources_.front()->OnDataChange(change, rowsScrolled);
        return;
    }
    // A handler may unlink sources; call only those still linked. The
    // snapshot lives on the stack: a load reports several times per row.
    constexpr std::size_t kOnStack = 8;
    TDataSource* onStack[kOnStack];
    std::vector<TDataSource*> onHeap;
    std::span<TDataSource* const> snapshot;
    if (sources_.size() <= kOnStack) {
        std::copy(sources_.begin(), sources_.end(), onStack);
        snapshot = {onStack, sources_.size()};
    } else {
        onHeap = sources_;
        snapshot = onHeap;
    }
    for (TDataSource* source : snapshot) {
        if (std::find(sources_.begin(), sources_.end(), source) == sources_.end())
            continue;
        if (source->OnDataChange)
            source->OnDataChange(change, rowsScrolled);
    }
}
