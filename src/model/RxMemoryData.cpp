#include "model/RxMemoryData.h"

#include "runtime/ScopeGuard.h"

#include "model/RowKeySort.h"
#include "model/ByteRuns.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

std::string_view TrimBlanks(std::string_view text)
{
    auto isBlank = [](char c) { return (unsigned char)c <= ' '; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::vector<std::string> SplitFieldNames(std::string_view fieldNames)
{
    std::vector<std::string> names;
    while (true) {
        auto semicolon = fieldNames.find(';');
        std::string_view name = TrimBlanks(fieldNames.substr(0, semicolon));
        if (!name.empty())
            names.emplace_back(name);
        if (semicolon == std::string_view::npos)
            return names;
        fieldNames.remove_prefix(semicolon + 1);
    }
}

// Whether `after` is `before` with at most `moved` taken out and put back
// elsewhere: every other row kept its place among the others.
bool OthersKeptOrder(const std::deque<TMemoryRecord*>& before, const std::vector<TMemoryRecord*>& after,
                     const TMemoryRecord* moved)
{
    auto b = before.begin();
    auto a = after.begin();
    while (true) {
        if (b != before.end() && *b == moved)
            ++b;
        if (a != after.end() && *a == moved)
            ++a;
        if (b == before.end() || a == after.end())
            return true;
        if (*b++ != *a++)
            return false;
    }
}

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

// How far ahead a walk asks for rows: about the rows read while one arrives
// from memory.
constexpr std::size_t kRowsFetchedAhead = 4;

// A hint that a row will be read soon; a row of the base list spans up to
// two cache lines.
void PrefetchRow(const TMemoryRecord* row)
{
    PrefetchForRead(row);
    PrefetchForRead(reinterpret_cast<const char*>(row) + 64);
}

}  // namespace

TRxMemoryData::TRxMemoryData(std::string name)
    : TDataSet(std::move(name)), collation_(PortableTextCompare), sortKey_(PortableTextSortKey)
{}

void TRxMemoryData::SetCollation(TextCompare compare, TextSortKey sortKey)
{
    if (compare) {
        collation_ = std::move(compare);
        sortKey_ = std::move(sortKey);
    } else {
        collation_ = PortableTextCompare;
        sortKey_ = PortableTextSortKey;
    }
}

// Every row lives in the pool, which gives its slabs back at once.
void TRxMemoryData::DropAllRows()
{
    rows_.clear();
    pool_.Reset();
}

bool TRxMemoryData::FieldNamesMatch(std::string_view a, std::string_view b) const
{
    // The same text is the same name under any collation.
    return a == b || collation_(a, b, true) == 0;
}

// ---- Storage ---------------------------------------------------------------

void TRxMemoryData::InternalOpen()
{
    for (const TFieldDef& def : FieldDefs) {
        if (def.DataType != TFieldType::ftString)
            Fail(FormatMessage("Field '%s' is of an unknown type", def.Name));
        if (def.Size < 0 || std::size_t(def.Size) > TMemoryRecord::kMaxTextSize)
            Fail(FormatMessage("Invalid field size for '%s'", def.Name));
    }
    DropAllRows();
    sizes_.clear();
    offsets_.clear();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < FieldDefs.size(); ++i) {
        const TFieldDef& def = FieldDefs[i];
        AddField(std::make_unique<TStringField>(def.Name, def.Size, int(i)));
        sizes_.push_back(std::size_t(def.Size));
        offsets_.push_back(offset);
        offset += std::size_t(def.Size);
    }
    pool_.Reset();
    pendingBytes_.assign(offset, '\0');
    pending_.assign(sizes_.size(), TRecordValue());
    lastRowID_ = kNoRowID;
}

void TRxMemoryData::InternalClose()
{
    DropAllRows();
    lastRowID_ = kNoRowID;
}

std::string_view TRxMemoryData::InternalRowText(int row, int fieldIndex) const
{
    // A walk reads the rows one after another in table order, which is not
    // their order in memory after a sort, and a row's fields together: with
    // its first field, ask for a row a little further on.
    if (std::size_t ahead = std::size_t(row) + kRowsFetchedAhead; fieldIndex == 0 && ahead < rows_.size())
        PrefetchRow(rows_[ahead]);
    return rows_[std::size_t(row)]->Text(std::size_t(fieldIndex));
}

void TRxMemoryData::InternalRowTexts(int row, std::span<std::string_view> texts) const
{
    if (std::size_t ahead = std::size_t(row) + kRowsFetchedAhead; ahead < rows_.size())
        PrefetchRow(rows_[ahead]);
    rows_[std::size_t(row)]->ReadTexts(texts);
}

void TRxMemoryData::InternalInitPending()
{
    std::fill(pending_.begin(), pending_.end(), TRecordValue());
}

void TRxMemoryData::InternalLoadPending(int row)
{
    const TMemoryRecord& record = *rows_[std::size_t(row)];
    for (std::size_t i = 0; i < pending_.size(); ++i) {
        std::string_view text = record.Text(i);
        char* slot = pendingBytes_.data() + offsets_[i];
        CopyBytes(slot, text.data(), text.size());
        pending_[i] = {record.HasValue(i), {slot, text.size()}};
    }
}

std::string_view TRxMemoryData::InternalPendingText(int fieldIndex) const
{
    return pending_[std::size_t(fieldIndex)].text;
}

void TRxMemoryData::InternalSetPendingText(int fieldIndex, std::string_view text)
{
    const std::size_t field = std::size_t(fieldIndex);
    char* slot = pendingBytes_.data() + offsets_[field];
    text = AsStored(field, text);
    CopyBytes(slot, text.data(), text.size());
    pending_[field] = {true, {slot, text.size()}};  // assigned, even when empty
}

std::string_view TRxMemoryData::AsStored(std::size_t field, std::string_view text) const
{
    // Longer text is cut without a report, and a zero byte ends the text early.
    text = text.substr(0, sizes_[field]);
    return text.substr(0, LengthBeforeZero(text.data(), text.size()));
}

void TRxMemoryData::InternalInsertRow(int index, std::span<const std::string_view> texts)
{
    // While the table browses, the pending row is free: its values serve as
    // the new row's, cut as SetFieldText cuts them, but left where they are
    // instead of being copied twice.
    for (std::size_t i = 0; i < pending_.size(); ++i)
        pending_[i] = i < texts.size() ? TRecordValue{true, AsStored(i, texts[i])} : TRecordValue();
    // The views lead out of the table: none may outlive the call.
    ScopeGuard blank([this] { std::fill(pending_.begin(), pending_.end(), TRecordValue()); });
    InternalPostInsert(index);
}

void TRxMemoryData::InternalPostEdit(int row)
{
    TMemoryRecord*& stored = rows_[std::size_t(row)];
    // The new row is complete before the old one goes: a failure changes nothing.
    TMemoryRecord* edited = TMemoryRecord::Create(pool_, stored->RowID(), pending_);
    TMemoryRecord::Destroy(pool_, std::exchange(stored, edited));
}

void TRxMemoryData::InternalPostInsert(int index)
{
    if (lastRowID_ == INT32_MAX)
        Fail("No row identifier left for a new row");
    TMemoryRecord* row = TMemoryRecord::Create(pool_, lastRowID_ + 1, pending_);
    ScopeGuard destroy([&] { TMemoryRecord::Destroy(pool_, row); });
    rows_.insert(rows_.begin() + index, row);
    destroy.Dismiss();
    ++lastRowID_;
}

void TRxMemoryData::InternalDelete(int row)
{
    TMemoryRecord::Destroy(pool_, rows_[std::size_t(row)]);
    rows_.erase(rows_.begin() + row);
    if (rows_.empty())
        lastRowID_ = kNoRowID;
}

std::int32_t TRxMemoryData::CurrentRowID() const
{
    int cursor = Cursor();
    return cursor < 0 ? kNoRowID : rows_[std::size_t(cursor)]->RowID();
}

std::int32_t TRxMemoryData::RowIDAt(int index) const
{
    if (index < 0 || index >= int(rows_.size()))
        throw EDatabaseError(FormatMessage("List index out of bounds (%d)", index));
    return rows_[std::size_t(index)]->RowID();
}

// ---- Sort ------------------------------------------------------------------

std::vector<int> TRxMemoryData::ResolveSortFields(const std::vector<std::string>& names) const
{
    std::vector<int> fields;
    for (const std::string& name : names) {
        if (Active()) {
            fields.push_back(FieldIndexOrFail(name));
            continue;
        }
        // A closed table has no fields yet; its definitions name the future ones.
        auto def = std::find_if(FieldDefs.begin(), FieldDefs.end(),
                                [&](const TFieldDef& d) { return FieldNamesMatch(d.Name, name); });
        if (def == FieldDefs.end())
            Fail(FormatMessage("Field '%s' not found", name));
        fields.push_back(int(def - FieldDefs.begin()));
    }
    return fields;
}

int TRxMemoryData::CompareTexts(std::string_view a, std::string_view b) const
{
    // The same text is equal to itself under any collation, and lists repeat
    // names often enough for this to save most calls of a slow one.
    if (a == b)
        return 0;
    // Nor does a case-insensitive one need asking about texts that differ
    // only in case, as names in a long list often do.
    if (sortCaseInsensitive_ && SameLettersIgnoringCase(a, b))
        return 0;
    return Sign(collation_(a, b, sortCaseInsensitive_));
}

int TRxMemoryData::CompareRows(const TMemoryRecord& a, const TMemoryRecord& b, const std::vector<int>& fields,
                               std::size_t from) const
{
    int direction = sortDescending_ ? -1 : 1;
    for (std::size_t i = from; i < fields.size(); ++i) {
        std::size_t field = std::size_t(fields[i]);
        bool hasA = a.HasValue(field);
        bool hasB = b.HasValue(field);
        int result = 0;
        if (hasA && hasB)
            result = CompareTexts(a.Text(field), b.Text(field));
        else if (hasA != hasB)
            result = hasA ? 1 : -1;  // a row with a value goes after one without
        if (result != 0)
            return result * direction;
    }
    // Equal keys: creation order, so the result never depends on the previous order.
    if (a.RowID() == b.RowID())
        return 0;
    return a.RowID() < b.RowID() ? -direction : direction;
}

// Sorted aside and put back only when done, so that a collation that throws
// leaves the table as it was. A merge sort: the order is total (RowID breaks
// ties), and unlike an introsort it stays within bounds even if an injected
// collation is not consistent.
std::vector<TMemoryRecord*> TRxMemoryData::SortedByComparison(const std::vector<int>& fields) const
{
    std::vector<TMemoryRecord*> order;
    order.reserve(rows_.size());
    for (TMemoryRecord* row : rows_)
        order.push_back(row);
    std::stable_sort(order.begin(), order.end(),
                     [&](const TMemoryRecord* a, const TMemoryRecord* b) { return CompareRows(*a, *b, fields) < 0; });
    return order;
}

// The first sort field's key orders the rows; where keys are equal, the
// texts are compared, and then the further fields and the RowID.
std::vector<TMemoryRecord*> TRxMemoryData::SortedByKeys(const std::vector<int>& fields) const
{
    TRowKeySort sort(rows_.size());
    const std::size_t field = std::size_t(fields.front());
    for (TMemoryRecord* row : rows_) {
        if (!row->HasValue(field)) {
            sort.AddWithoutValue(row);
            continue;
        }
        std::string_view text = row->Text(field);
        unsigned char* room = sort.KeyRoom(text.size() * kMaxSortKeyBytesPerChar);
        sort.Add(row, sortKey_(text, sortCaseInsensitive_, room));
    }
    TRowKeySort::Ordering how;
    how.descending = sortDescending_;
    how.text = [&](const TMemoryRecord* row) { return row->Text(field); };
    how.compareText = [&](std::string_view a, std::string_view b) { return CompareTexts(a, b); };
    how.compareRest = [&](const TMemoryRecord* a, const TMemoryRecord* b) { return CompareRows(*a, *b, fields, 1); };
    return sort.Sort(how);
}

void TRxMemoryData::SortByFields(std::string_view fieldNames, bool caseInsensitive, bool descending)
{
    std::vector<std::string> names = SplitFieldNames(fieldNames);
    std::vector<int> fields = ResolveSortFields(names);
    sortFieldNames_ = std::move(names);
    sortCaseInsensitive_ = caseInsensitive;
    sortDescending_ = descending;
    if (!Active() || rows_.empty())
        return;
    // A pending row is committed or dropped first, as any cursor move does.
    CheckBrowseMode();

    // Found again by its address: asking every row for its RowID would
    // fetch each of them from memory once more.
    const TMemoryRecord* currentRow = Cursor() < 0 ? nullptr : rows_[std::size_t(Cursor())];
    std::vector<TMemoryRecord*> order = sortKey_ && !fields.empty() ? SortedByKeys(fields) : SortedByComparison(fields);
    // An entry added or renamed and then sorted into place is one row that
    // moved, not a new order of the list: screen readers are told so.
    const bool othersKeptOrder = OthersKeptOrder(rows_, order, currentRow);
    int current = 0;
    std::size_t i = 0;
    for (TMemoryRecord*& row : rows_) {
        row = order[i];
        if (row == currentRow)
            current = int(i);
        ++i;
    }
    RowsReordered(current, othersKeptOrder);
}
