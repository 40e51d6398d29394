#include "model/MemoryRecord.h"

#include "model/RecordPool.h"
#include "model/RxMemoryData.h"

#include <cassert>
#include <cstring>
#include <new>

TMemoryRecord::Ptr TMemoryRecord::Create(TRecordPool& pool, TRxMemoryData& owner, std::int32_t rowID,
                                         const unsigned char* data, std::size_t blockSize)
{
    assert(pool.SlotSize() >= sizeof(TMemoryRecord) + blockSize);
    auto* record = new (pool.Allocate()) TMemoryRecord(owner, rowID);
    std::memcpy(record->Data(), data, blockSize);
    return Ptr(record);
}

void TMemoryRecord::Deleter::operator()(TMemoryRecord* record) const
{
    TRecordPool& pool = record->Owner().pool_;
    record->~TMemoryRecord();
    pool.Free(record);
}
