#include "model/MemoryRecord.h"

#include "model/RecordPool.h"
#include "model/ByteRuns.h"

#include <algorithm>
#include <new>
#include <stdexcept>

static_assert(sizeof(TMemoryRecord) % alignof(std::uint16_t) == 0);
static_assert(alignof(TMemoryRecord) <= TRecordPool::kGrain);

TMemoryRecord* TMemoryRecord::Create(TRecordPool& pool, std::int32_t rowID, std::span<const TRecordValue> values)
{
    if (values.size() > UINT16_MAX)
        throw std::length_error("too many fields for a row");
    std::size_t size = sizeof(TMemoryRecord) + values.size() * sizeof(std::uint16_t);
    for (const TRecordValue& value : values)
        size += value.assigned ? std::min(value.text.size(), kMaxTextSize) : 0;

    auto* record = new (pool.Allocate(size)) TMemoryRecord(rowID, std::uint16_t(values.size()));
    std::uint16_t* lengths = record->Lengths();
    char* text = record->Texts();
    for (const TRecordValue& value : values) {
        std::size_t length = value.assigned ? std::min(value.text.size(), kMaxTextSize) : 0;
        *lengths++ = value.assigned ? std::uint16_t(length + 1) : 0;
        CopyBytes(text, value.text.data(), length);
        text += length;
    }
    return record;
}

void TMemoryRecord::Destroy(TRecordPool& pool, TMemoryRecord* record) noexcept
{
    const std::size_t size = record->SlotSize();
    record->~TMemoryRecord();
    pool.Free(record, size);
}

std::size_t TMemoryRecord::SlotSize() const
{
    std::size_t size = sizeof(TMemoryRecord) + fieldCount_ * sizeof(std::uint16_t);
    for (std::size_t i = 0; i < fieldCount_; ++i)
        size += TextLength(Lengths()[i]);
    return size;
}

std::string_view TMemoryRecord::Text(std::size_t field) const
{
    const std::uint16_t* lengths = Lengths();
    std::size_t offset = 0;
    for (std::size_t i = 0; i < field; ++i)
        offset += TextLength(lengths[i]);
    return {Texts() + offset, TextLength(lengths[field])};
}

void TMemoryRecord::ReadTexts(std::span<std::string_view> texts) const
{
    const std::uint16_t* lengths = Lengths();
    const char* text = Texts();
    for (std::string_view& out : texts) {
        const std::size_t length = TextLength(*lengths);
        out = {text, length};
        text += length;
        ++lengths;
    }
}
