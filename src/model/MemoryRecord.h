// One stored row of the base record table: its owner, its RowID and its
// fixed-size data block, together in one slot of the table's record pool so
// that a row of the base list costs little more than its 348 data bytes.
//
//   TMemoryRecordPtr row = TMemoryRecord::Create(pool, table, ++lastRowID, pending, blockSize);
//
// Data block layout, per field in definition order: one presence byte (0: no
// value was ever assigned) followed by Size + 1 bytes of zero-terminated text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

class TRecordPool;
class TRxMemoryData;

class TMemoryRecord {
public:
    struct Deleter {
        void operator()(TMemoryRecord* record) const;
    };
    using Ptr = std::unique_ptr<TMemoryRecord, Deleter>;

    // A row whose data block is a copy of the blockSize bytes at data, in a
    // slot of the pool, which must be the owner's and hold that much.
    static Ptr Create(TRecordPool& pool, TRxMemoryData& owner, std::int32_t rowID, const unsigned char* data,
                      std::size_t blockSize);

    TMemoryRecord(const TMemoryRecord&) = delete;
    TMemoryRecord& operator=(const TMemoryRecord&) = delete;

    TRxMemoryData& Owner() const { return *owner_; }
    std::int32_t RowID() const { return rowID_; }
    unsigned char* Data() { return reinterpret_cast<unsigned char*>(this) + sizeof(TMemoryRecord); }
    const unsigned char* Data() const
    {
        return reinterpret_cast<const unsigned char*>(this) + sizeof(TMemoryRecord);
    }

private:
    TMemoryRecord(TRxMemoryData& owner, std::int32_t rowID) : owner_(&owner), rowID_(rowID) {}
    ~TMemoryRecord() = default;

    TRxMemoryData* owner_;
    std::int32_t rowID_;
};

using TMemoryRecordPtr = TMemoryRecord::Ptr;
