#include "model/BaseListFormat.h"

#include "runtime/ByteRuns.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr char kEndOfText = '\x1A';

} // namespace

BaseListEntry CopyOf(const BaseListValues& values)
{
    BaseListEntry entry;
    for (size_t i = 0; i < kBaseListFieldCount; ++i)
        entry[i] = values[i];
    return entry;
}

BaseListValues ViewsOf(const BaseListEntry& entry)
{
    BaseListValues values;
    for (size_t i = 0; i < kBaseListFieldCount; ++i)
        values[i] = entry[i];
    return values;
}

// The buffer's padding is never filled; it lets a scan read past the data.
// The buffer's padding is never filled; it lets a scan read past the data.
BaseListReader::BaseListReader(IByteSource& source)
    : source_(source), buffer_(kBaseListBlockSize + kScanPadding), lineEnds_(kBaseListBlockSize + kScanPadding)
{
}

void BaseListReader::Refill()
{
    std::memmove(buffer_.data(), buffer_.data() + position_, length_ - position_);
    length_ -= position_;
    position_ = 0;
    size_t got = source_.Read(buffer_.data() + length_, kBaseListBlockSize - length_);
    sourceDone_ = got == 0;
    length_ += got;
    IndexBuffer();
}

bool BaseListReader::HasByte()
{
    if (position_ < length_)
        return true;
    position_ = length_ = 0;
    if (sourceDone_)
        return false;
    length_ = source_.Read(buffer_.data(), kBaseListBlockSize);
    sourceDone_ = length_ == 0;
    IndexBuffer();
    return length_ > 0;
}

// One pass over the block finds every line end, so that taking a line costs
// a look-up instead of a scan that stops at its end, a branch the processor
// mispredicts on nearly every line.
void BaseListReader::IndexBuffer()
{
    strayCRs_.clear();
    lineEndCursor_ = strayCRCursor_ = 0;
    std::uint32_t* ends = lineEnds_.data();
    size_t endCount = 0;
    const char* data = buffer_.data();
    for (size_t base = 0; base < length_; base += kScanPadding) {
        unsigned lf = 0, cr = 0;
        const size_t valid = std::min(kScanPadding, length_ - base);
#if defined(__SSE2__)
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + base));
        lf = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\n'))));
        cr = unsigned(_mm_movemask_epi8(_mm_cmpeq_epi8(block, _mm_set1_epi8('\r'))));
#else
        for (size_t i = 0; i < kScanPadding; ++i) {
            lf |= unsigned(data[base + i] == '\n') << i;
            cr |= unsigned(data[base + i] == '\r') << i;
        }
#endif
        const unsigned inData = valid == kScanPadding ? 0xFFFFu : (1u << valid) - 1;
        lf &= inData;
        cr &= inData;
        // A CR is part of a line end when an LF follows it, here or at the
        // start of the next block.
        const bool nextStartsWithLF = base + kScanPadding < length_ && data[base + kScanPadding] == '\n';
        unsigned stray = cr & ~((lf >> 1) | (unsigned(nextStartsWithLF) << 15));
        for (; stray; stray &= stray - 1)
            strayCRs_.push_back(std::uint32_t(base + unsigned(std::countr_zero(stray))));
        // Most blocks hold at most four line ends: those are written without
        // a branch per end, and the count moves on by as many as there are.
        const int count = std::popcount(lf);
        unsigned rest = lf;
        for (int i = 0; i < 4; ++i) {
            ends[endCount + size_t(i)] = std::uint32_t(base + unsigned(std::countr_zero(rest | 0x10000u)));
            rest &= rest - 1;
        }
        for (int i = 4; i < count; ++i) {
            ends[endCount + size_t(i)] = std::uint32_t(base + unsigned(std::countr_zero(rest)));
            rest &= rest - 1;
        }
        endCount += size_t(count);
    }
    lineEndCount_ = endCount;
}

// The common case: the whole entry is in the buffer, its lines ended by LF
// or CR LF with no other CR, possibly after moving the rest of the buffer to
// its front and reading more. Reading stops as soon as the entry is
// complete, so a failing read costs only the entry that needed it, as it
// would line by line.
bool BaseListReader::TakeBufferedEntry(BaseListValues& values)
{
    // A source that hands out a few bytes at a time would have the entry
    // looked for again after each; past a few reads, line by line is cheaper.
    constexpr int kMostRefills = 8;
    for (int refills = 0;; ++refills) {
        while (lineEndCursor_ < lineEndCount_ && lineEnds_[lineEndCursor_] < position_)
            ++lineEndCursor_;
        while (strayCRCursor_ < strayCRs_.size() && strayCRs_[strayCRCursor_] < position_)
            ++strayCRCursor_;
        if (lineEndCursor_ + kBaseListFieldCount <= lineEndCount_) {
            const std::uint32_t* ends = lineEnds_.data() + lineEndCursor_;
            const size_t last = ends[kBaseListFieldCount - 1];
            if (strayCRCursor_ < strayCRs_.size() && strayCRs_[strayCRCursor_] < last)
                return false;  // a CR to drop from a value
            size_t start = position_;
            for (size_t i = 0; i < kBaseListFieldCount; ++i) {
                size_t end = ends[i];
                end -= end > start && buffer_[end - 1] == '\r';
                values[i] = {buffer_.data() + start, end - start};
                start = ends[i] + 1;
            }
            position_ = start;
            lineEndCursor_ += kBaseListFieldCount;
            return true;
        }
        const bool bufferFull = position_ == 0 && length_ == kBaseListBlockSize;
        if (refills == kMostRefills || sourceDone_ || bufferFull)
            return false;
        Refill();
    }
}

// The bytes up to LF, without every CR: a CR before LF belongs to the line
// end, and a CR anywhere else is dropped from the value.
void BaseListReader::ReadLine(std::string& value)
{
    value.clear();
    while (HasByte()) {
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + length_;
        const char* stop = FindLineBreak(begin, end);
        value.append(begin, stop);
        position_ += size_t(stop - begin);
        if (stop == end)
            continue;
        ++position_;
        if (*stop == '\n')
            return;
    }
}

bool BaseListReader::Next(BaseListValues& values)
{
    if (ended_ || !HasByte() || buffer_[position_] == kEndOfText) {
        ended_ = true;
        return false;
    }
    if (TakeBufferedEntry(values))
        return true;
    // A stray CR, a line longer than the buffer or the end of the data
    // inside the entry: line by line into storage of the reader's own.
    for (size_t i = 0; i < kBaseListFieldCount; ++i) {
        ReadLine(copies_[i]);
        values[i] = copies_[i];
    }
    return true;
}

BaseListWriter::BaseListWriter(IByteSink& sink) : sink_(sink), buffer_(kBaseListBlockSize) {}

void BaseListWriter::Put(const char* data, size_t size)
{
    while (size > 0) {
        size_t part = std::min(kBaseListBlockSize - used_, size);
        std::memcpy(buffer_.data() + used_, data, part);
        used_ += part;
        data += part;
        size -= part;
        if (used_ == kBaseListBlockSize)
            Flush();
    }
}

void BaseListWriter::Write(const BaseListValues& values)
{
    // A 0x1A where an entry begins would end the list for the reader, and
    // every entry from this one on would be lost at the next load. A CR in
    // front keeps the byte away from the entry's start; the reader drops a CR
    // that is not followed by LF, so the name reads back unchanged.
    if (values[0].starts_with(kEndOfText))
        Put("\r", 1);
    for (std::string_view value : values) {
        // The usual short line goes in with its line end in one step.
        if (value.size() + 2 <= kBaseListBlockSize - used_) {
            char* at = buffer_.data() + used_;
            CopyBytes(at, value.data(), value.size());
            at[value.size()] = '\r';
            at[value.size() + 1] = '\n';
            used_ += value.size() + 2;
            continue;
        }
        Put(value.data(), value.size());
        Put("\r\n", 2);
    }
}

void BaseListWriter::Flush()
{
    if (used_ == 0)
        return;
    sink_.Write(buffer_.data(), used_);
    used_ = 0;
}

void ReadBaseList(IByteSource& source, const std::function<void(const BaseListValues&)>& onEntry)
{
    BaseListReader reader(source);
    BaseListValues values;
    while (reader.Next(values))
        onEntry(values);
}

void WriteBaseList(IByteSink& sink, const std::function<bool(BaseListValues&)>& nextEntry)
{
    BaseListWriter writer(sink);
    BaseListValues values;
    while (nextEntry(values))
        writer.Write(values);
    writer.Flush();
}
