#include "model/MemoryRecord.h"

#include <cstring>
#include <new>

TMemoryRecord::Ptr TMemoryRecord::Create(TRxMemoryData& owner, std::int32_t rowID, std::size_t blockSize)
{
    void* memory = ::operator new(sizeof(TMemoryRecord) + blockSize);
    auto* record = new (memory) TMemoryRecord(owner, rowID);
    std::memset(record->Data(), 0, blockSize);
    return Ptr(record);
}

void TMemoryRecord::Deleter::operator()(TMemoryRecord* record) const
{
    record->~TMemoryRecord();
    ::operator delete(record);
}
