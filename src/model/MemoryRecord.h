// One stored row of the base record table: its owner, its RowID and its
// values, together in one slot of the table's record pool. A row takes the
// room of its texts and a few bytes more, not the widest text each field
// could hold, so a long list costs little more memory than its file, and a
// walk over it touches one or two cache lines per row.
//
//   TRecordValue values[] = {{true, "Бухгалтерия"}, {true, "C:\\Base"}, {false, {}}, {true, ""}};
//   TMemoryRecordPtr row = TMemoryRecord::Create(pool, table, ++lastRowID, values);
//   row->Text(0);      // "Бухгалтерия"
//   row->HasValue(2);  // false: never assigned
//
// Layout after the header: one 16-bit entry per field (0: no value was ever
// assigned, else the text's length + 1), then the texts one after another.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>

class TRecordPool;
class TRxMemoryData;

// A field's value as a row is made from it.
struct TRecordValue {
    bool assigned = false;  // a value was assigned, possibly empty
    std::string_view text;
};

class TMemoryRecord {
public:
    struct Deleter {
        void operator()(TMemoryRecord* record) const;
    };
    using Ptr = std::unique_ptr<TMemoryRecord, Deleter>;

    // The longest text a field may hold in a row.
    static constexpr std::size_t kMaxTextSize = UINT16_MAX - 1;

    // A row holding the values, in a slot of the pool, which must be the
    // owner's. Texts longer than kMaxTextSize are cut.
    static Ptr Create(TRecordPool& pool, TRxMemoryData& owner, std::int32_t rowID,
                      std::span<const TRecordValue> values);

    TMemoryRecord(const TMemoryRecord&) = delete;
    TMemoryRecord& operator=(const TMemoryRecord&) = delete;

    TRxMemoryData& Owner() const { return *owner_; }
    std::int32_t RowID() const { return rowID_; }
    std::size_t FieldCount() const { return fieldCount_; }
    bool HasValue(std::size_t field) const { return Lengths()[field] != 0; }
    // Empty when the field has no value.
    std::string_view Text(std::size_t field) const;

private:
    TMemoryRecord(TRxMemoryData& owner, std::int32_t rowID, std::uint32_t slotSize, std::uint16_t fieldCount)
        : owner_(&owner), rowID_(rowID), slotSize_(slotSize), fieldCount_(fieldCount)
    {
    }
    ~TMemoryRecord() = default;

    const std::uint16_t* Lengths() const { return reinterpret_cast<const std::uint16_t*>(this + 1); }
    std::uint16_t* Lengths() { return reinterpret_cast<std::uint16_t*>(this + 1); }
    const char* Texts() const { return reinterpret_cast<const char*>(Lengths() + fieldCount_); }
    char* Texts() { return reinterpret_cast<char*>(Lengths() + fieldCount_); }

    TRxMemoryData* owner_;
    std::int32_t rowID_;
    std::uint32_t slotSize_;  // as allocated from the pool, to give it back
    std::uint16_t fieldCount_;
};

using TMemoryRecordPtr = TMemoryRecord::Ptr;
