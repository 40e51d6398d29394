#include "model/BaseListFormat.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr char kEndOfText = '\x1A';

// Appends bytes to a value, leaving out every CR: a CR before LF belongs to
// the line end, and a CR anywhere else is dropped from the value.
void AppendWithoutCr(std::string& value, const char* begin, const char* end)
{
    while (begin != end) {
        const char* cr = static_cast<const char*>(std::memchr(begin, '\r', size_t(end - begin)));
        const char* stop = cr ? cr : end;
        value.append(begin, stop);
        begin = cr ? cr + 1 : end;
    }
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

std::string BaseListReader::ReadLine()
{
    std::string value;
    while (HasByte()) {
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + length_;
        const char* lf = static_cast<const char*>(std::memchr(begin, '\n', size_t(end - begin)));
        AppendWithoutCr(value, begin, lf ? lf : end);
        if (lf) {
            position_ += size_t(lf - begin) + 1;
            return value;
        }
        position_ = length_;
    }
    return value;
}

bool BaseListReader::Next(BaseListEntry& entry)
{
    if (ended_ || !HasByte() || buffer_[position_] == kEndOfText) {
        ended_ = true;
        return false;
    }
    BaseListEntry next;
    for (std::string& value : next)
        value = ReadLine();
    entry = std::move(next);
    return true;
}

BaseListWriter::BaseListWriter(IByteSink& sink) : sink_(sink)
{
    buffer_.reserve(kBaseListBlockSize);
}

void BaseListWriter::Put(const char* data, size_t size)
{
    while (size > 0) {
        size_t room = kBaseListBlockSize - buffer_.size();
        size_t part = std::min(room, size);
        buffer_.insert(buffer_.end(), data, data + part);
        data += part;
        size -= part;
        if (buffer_.size() == kBaseListBlockSize)
            Flush();
    }
}

void BaseListWriter::Write(const BaseListEntry& entry)
{
    for (const std::string& value : entry) {
        Put(value.data(), value.size());
        Put("\r\n", 2);
    }
}

void BaseListWriter::Flush()
{
    if (buffer_.empty())
        return;
    sink_.Write(buffer_.data(), buffer_.size());
    buffer_.clear();
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
