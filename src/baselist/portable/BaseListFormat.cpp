#include "baselist/portable/BaseListFormat.h"

#include "model/ByteRuns.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kEndOfText = '\x1A';

}  // namespace

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
BaseListReader::BaseListReader(IByteSource& source) : source_(source), buffer_(kBaseListBlockSize) {}

void BaseListReader::Refill()
{
    std::memmove(buffer_.data(), buffer_.data() + position_, length_ - position_);
    length_ -= position_;
    position_ = 0;
    size_t got = source_.Read(buffer_.data() + length_, kBaseListBlockSize - length_);
    sourceDone_ = got == 0;
    length_ += got;
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
    return length_ > 0;
}

BaseListReader::LineTaken BaseListReader::TakeBufferedLine(size_t& at, std::string_view& value) const
{
    const char* begin = buffer_.data() + at;
    const char* end = buffer_.data() + length_;
    const char* stop = FindLineBreak(begin, end);
    if (stop == end)
        return LineTaken::NeedMore;
    const char* next = stop + 1;
    if (*stop == '\r') {
        if (next == end)
            return LineTaken::NeedMore;
        if (*next != '\n')
            return LineTaken::Unusual;  // a CR to drop from the value
        ++next;
    }
    value = {begin, size_t(stop - begin)};
    at = size_t(next - buffer_.data());
    return LineTaken::Taken;
}

// The common case: the whole entry is in the buffer, possibly after moving
// the rest of the buffer to its front and reading more. Reading stops as soon
// as the entry is complete, so a failing read costs only the entry that
// needed it, as it would line by line.
bool BaseListReader::TakeBufferedEntry(BaseListValues& values)
{
    // A source that hands out a few bytes at a time would have the entry
    // scanned again after each; past a few reads, line by line is cheaper.
    constexpr int kMostRefills = 8;
    for (int refills = 0;; ++refills) {
        size_t at = position_;
        LineTaken taken = LineTaken::Taken;
        for (size_t i = 0; i < kBaseListFieldCount && taken == LineTaken::Taken; ++i)
            taken = TakeBufferedLine(at, values[i]);
        if (taken == LineTaken::Taken) {
            position_ = at;
            return true;
        }
        const bool bufferFull = position_ == 0 && length_ == kBaseListBlockSize;
        if (taken == LineTaken::Unusual || refills == kMostRefills || sourceDone_ || bufferFull)
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
