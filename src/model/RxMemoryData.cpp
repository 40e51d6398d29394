#include "model/RxMemoryData.h"

#include "model/RowKeySort.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstring>

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

int Sign(int v)
{
    return (v > 0) - (v < 0);
}

}  // namespace

TRxMemoryData::TRxMemoryData(std::string name)
    : TDataSet(std::move(name)), collation_(PortableTextCompare), sortKey_(PortableTextSortKey)
{
}

void TRxMemoryData::SetCollation(TextCompare compare, TextSortKey sortKey)
{
    if (compare) {
        collation_ = std::move(compare);
        sortKey_ = std::move(sortKey);
    } else {
        collation_ = PortableTextCompare;
        sortKey_ = PortableTextSortKey;
    }
    ForgetFieldLookups();
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
        if (def.Size < 0)
            Fail(FormatMessage("Invalid field size for '%s'", def.Name));
    }
    rows_.clear();
    offsets_.clear();
    sizes_.clear();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < FieldDefs.size(); ++i) {
        const TFieldDef& def = FieldDefs[i];
        AddField(std::make_unique<TStringField>(def.Name, def.Size, int(i)));
        offsets_.push_back(offset);
        sizes_.push_back(std::size_t(def.Size));
        offset += 1 + std::size_t(def.Size) + 1;  // presence byte, text, terminating zero
    }
    blockSize_ = offset;
    pool_.Reset(sizeof(TMemoryRecord) + blockSize_);
    pending_.assign(blockSize_, 0);
    lastRowID_ = kNoRowID;
}

void TRxMemoryData::InternalClose()
{
    rows_.clear();
    pool_.Reset(0);
    lastRowID_ = kNoRowID;
}

std::string_view TRxMemoryData::TextIn(const unsigned char* block, int fieldIndex) const
{
    const unsigned char* slot = block + offsets_[std::size_t(fieldIndex)];
    if (slot[0] == 0)
        return {};
    const char* text = reinterpret_cast<const char*>(slot + 1);
    // An inline scan: the texts are short, and a call of the C library's
    // memchr costs more than the scan under some platforms.
    const char* end = text + sizes_[std::size_t(fieldIndex)];
    return {text, std::size_t(std::find(text, end, '\0') - text)};
}

std::string TRxMemoryData::InternalRowText(int row, int fieldIndex) const
{
    return std::string(TextIn(rows_[std::size_t(row)]->Data(), fieldIndex));
}

void TRxMemoryData::InternalRowTextInto(int row, int fieldIndex, std::string& text) const
{
    text.assign(TextIn(rows_[std::size_t(row)]->Data(), fieldIndex));
}

void TRxMemoryData::InternalInitPending()
{
    std::fill(pending_.begin(), pending_.end(), 0);
}

void TRxMemoryData::InternalLoadPending(int row)
{
    std::memcpy(pending_.data(), rows_[std::size_t(row)]->Data(), blockSize_);
}

std::string TRxMemoryData::InternalPendingText(int fieldIndex) const
{
    return std::string(TextIn(pending_.data(), fieldIndex));
}

void TRxMemoryData::InternalSetPendingText(int fieldIndex, std::string_view text)
{
    std::size_t size = sizes_[std::size_t(fieldIndex)];
    // Longer text is cut without a report, and a zero byte ends the text early.
    text = text.substr(0, std::min(text.size(), size));
    text = text.substr(0, std::size_t(std::find(text.begin(), text.end(), '\0') - text.begin()));
    unsigned char* slot = pending_.data() + offsets_[std::size_t(fieldIndex)];
    slot[0] = 1;  // assigned, even when empty
    std::memcpy(slot + 1, text.data(), text.size());
    std::memset(slot + 1 + text.size(), 0, size + 1 - text.size());
}

void TRxMemoryData::InternalPostEdit(int row)
{
    std::memcpy(rows_[std::size_t(row)]->Data(), pending_.data(), blockSize_);
}

void TRxMemoryData::InternalPostInsert(int index)
{
    if (lastRowID_ == INT32_MAX)
        Fail("No row identifier left for a new row");
    auto row = TMemoryRecord::Create(pool_, *this, lastRowID_ + 1, pending_.data(), blockSize_);
    rows_.insert(rows_.begin() + index, std::move(row));
    ++lastRowID_;
}

void TRxMemoryData::InternalDelete(int row)
{
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
    return Sign(collation_(a, b, sortCaseInsensitive_));
}

int TRxMemoryData::CompareRows(const TMemoryRecord& a, const TMemoryRecord& b,
                               const std::vector<int>& fields, std::size_t from) const
{
    int direction = sortDescending_ ? -1 : 1;
    for (std::size_t i = from; i < fields.size(); ++i) {
        int field = fields[i];
        bool hasA = a.Data()[offsets_[std::size_t(field)]] != 0;
        bool hasB = b.Data()[offsets_[std::size_t(field)]] != 0;
        int result = 0;
        if (hasA && hasB)
            result = CompareTexts(TextIn(a.Data(), field), TextIn(b.Data(), field));
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
    for (const TMemoryRecordPtr& row : rows_)
        order.push_back(row.get());
    std::stable_sort(order.begin(), order.end(), [&](const TMemoryRecord* a, const TMemoryRecord* b) {
        return CompareRows(*a, *b, fields) < 0;
    });
    return order;
}

// The first sort field's key orders the rows; where keys are equal, the
// texts are compared, and then the further fields and the RowID.
std::vector<TMemoryRecord*> TRxMemoryData::SortedByKeys(const std::vector<int>& fields) const
{
    TRowKeySort sort(rows_.size());
    const int field = fields.front();
    const std::size_t presence = offsets_[std::size_t(field)];
    std::string key;
    for (const TMemoryRecordPtr& row : rows_) {
        if (row->Data()[presence] == 0) {
            sort.AddWithoutValue(row.get());
            continue;
        }
        key.clear();
        sortKey_(TextIn(row->Data(), field), sortCaseInsensitive_, key);
        sort.Add(row.get(), key);
    }
    TRowKeySort::Ordering how;
    how.descending = sortDescending_;
    how.text = [&](const TMemoryRecord* row) { return TextIn(row->Data(), field); };
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

    std::int32_t currentID = CurrentRowID();
    std::vector<TMemoryRecord*> order =
        sortKey_ && !fields.empty() ? SortedByKeys(fields) : SortedByComparison(fields);
    int current = 0;
    for (std::size_t i = 0; i < order.size(); ++i) {
        (void)rows_[i].release();
        rows_[i].reset(order[i]);
        if (order[i]->RowID() == currentID)
            current = int(i);
    }
    RowsReordered(current);
}
