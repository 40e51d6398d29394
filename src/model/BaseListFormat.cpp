#include "model/BaseListFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kEndOfText = '\x1A';

// The first CR or LF in [begin, end), or end. An inline scan rather than the
// C library's memchr: lines are short, and under some platforms the call
// costs more than the scan.
const char* FindLineBreak(const char* begin, const char* end)
{
    while (begin != end && *begin != '\n' && *begin != '\r')
        ++begin;
    return begin;
}

} // namespace

BaseListReader::BaseListReader(IByteSource& source) : source_(source), buffer_(kBaseListBlockSize) {}

bool BaseListReader::HasByte()
{
    if (position_ < length_)
        return true;
    position_ = 0;
    length_ = source_.Read(buffer_.data(), buffer_.size());
    return length_ > 0;
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

bool BaseListReader::Next(BaseListEntry& entry)
{
    if (ended_ || !HasByte() || buffer_[position_] == kEndOfText) {
        ended_ = true;
        return false;
    }
    // Read in place: the values keep their storage from entry to entry, so
    // a long list costs no allocation per line.
    for (std::string& value : entry)
        ReadLine(value);
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

void BaseListWriter::Write(const BaseListEntry& entry)
{
    // A 0x1A where an entry begins would end the list for the reader, and
    // every entry from this one on would be lost at the next load. A CR in
    // front keeps the byte away from the entry's start; the reader drops a CR
    // that is not followed by LF, so the name reads back unchanged.
    if (entry[0].starts_with(kEndOfText))
        Put("\r", 1);
    for (const std::string& value : entry) {
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

void ReadBaseList(IByteSource& source, const std::function<void(const BaseListEntry&)>& onEntry)
{
    BaseListReader reader(source);
    BaseListEntry entry;
    while (reader.Next(entry))
        onEntry(entry);
}

void WriteBaseList(IByteSink& sink, const std::function<bool(BaseListEntry&)>& nextEntry)
{
    BaseListWriter writer(sink);
    BaseListEntry entry;
    while (nextEntry(entry))
        writer.Write(entry);
    writer.Flush();
}
