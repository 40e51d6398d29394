#include "model/MemoryRecord.h"

#include "model/RecordPool.h"
#include "model/RxMemoryData.h"
#include "runtime/ByteRuns.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <stdexcept>

static_assert(sizeof(TMemoryRecord) % alignof(std::uint16_t) == 0);

TMemoryRecord::Ptr TMemoryRecord::Create(TRecordPool& pool, TRxMemoryData& owner, std::int32_t rowID,
                                         std::span<const TRecordValue> values)
{
    if (values.size() > UINT16_MAX)
        throw std::length_error("too many fields for a row");
    std::size_t size = sizeof(TMemoryRecord) + values.size() * sizeof(std::uint16_t);
    for (const TRecordValue& value : values)
        size += std::min(value.text.size(), kMaxTextSize);
    if (size > UINT32_MAX)
        throw std::length_error("row too large");

    auto* record = new (pool.Allocate(size))
        TMemoryRecord(owner, rowID, std::uint32_t(size), std::uint16_t(values.size()));
    std::uint16_t* lengths = record->Lengths();
    char* text = record->Texts();
    for (const TRecordValue& value : values) {
        std::size_t length = value.assigned ? std::min(value.text.size(), kMaxTextSize) : 0;
        *lengths++ = value.assigned ? std::uint16_t(length + 1) : 0;
        CopyBytes(text, value.text.data(), length);
        text += length;
    }
    return Ptr(record);
}

std::string_view TMemoryRecord::Text(std::size_t field) const
{
    const std::uint16_t* lengths = Lengths();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < field; ++i)
        offset += lengths[i] ? lengths[i] - 1u : 0u;
    return {Texts() + offset, lengths[field] ? lengths[field] - 1u : 0u};
}

void TMemoryRecord::Deleter::operator()(TMemoryRecord* record) const
{
    TRecordPool& pool = record->Owner().pool_;
    const std::size_t size = record->slotSize_;
    record->~TMemoryRecord();
    pool.Free(record, size);
}
