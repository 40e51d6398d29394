// One stored row of the base record table: its RowID and its values,
// together in one slot of the table's record pool. A row takes the room of
// its texts and a few bytes more, not the widest text each field could hold,
// so a long list costs little more memory than its file, and a walk over it
// touches one or two cache lines per row. The pool owns the memory; the
// table hands rows out and back (Create, Destroy).
//
//   TRecordValue values[] = {{true, "Бухгалтерия"}, {true, "C:\\Base"}, {false, {}}, {true, ""}};
//   TMemoryRecord* row = TMemoryRecord::Create(pool, ++lastRowID, values);
//   row->Text(0);      // "Бухгалтерия"
//   row->HasValue(2);  // false: never assigned
//   TMemoryRecord::Destroy(pool, row);
//
// Layout after the header: one 16-bit entry per field (0: no value was ever
// assigned, else the text's length + 1), then the texts one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

class TRecordPool;

// A field's value as a row is made from it.
struct TRecordValue {
    bool assigned = false;  // a value was assigned, possibly empty
    std::string_view text;
};

class TMemoryRecord {
public:
    // The longest text a field may hold in a row.
    static constexpr std::size_t kMaxTextSize = UINT16_MAX - 1;

    // A row holding the values, in a slot of the pool. Texts longer than
    // kMaxTextSize are cut. Throws std::bad_alloc.
    static TMemoryRecord* Create(TRecordPool& pool, std::int32_t rowID, std::span<const TRecordValue> values);
    // Gives the row's slot back to the pool it came from.
    static void Destroy(TRecordPool& pool, TMemoryRecord* record) noexcept;

    TMemoryRecord(const TMemoryRecord&) = delete;
    TMemoryRecord& operator=(const TMemoryRecord&) = delete;

    std::int32_t RowID() const { return rowID_; }
    std::size_t FieldCount() const { return fieldCount_; }
    bool HasValue(std::size_t field) const { return Lengths()[field] != 0; }
    // Empty when the field has no value.
    std::string_view Text(std::size_t field) const;
    // The first texts.size() fields' texts, in one pass over the lengths.
    void ReadTexts(std::span<std::string_view> texts) const;

private:
    TMemoryRecord(std::int32_t rowID, std::uint16_t fieldCount) : rowID_(rowID), fieldCount_(fieldCount) {}
    ~TMemoryRecord() = default;

    std::size_t SlotSize() const;
    // A stored length entry's text length (0 for no value as for an empty text).
    static std::size_t TextLength(std::uint16_t entry) { return entry ? entry - 1u : 0u; }
    const std::uint16_t* Lengths() const { return reinterpret_cast<const std::uint16_t*>(this + 1); }
    std::uint16_t* Lengths() { return reinterpret_cast<std::uint16_t*>(this + 1); }
    const char* Texts() const { return reinterpret_cast<const char*>(Lengths() + fieldCount_); }
    char* Texts() { return reinterpret_cast<char*>(Lengths() + fieldCount_); }

    std::int32_t rowID_;
    std::uint16_t fieldCount_;
};
