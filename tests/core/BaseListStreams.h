// Bases.dat in memory, for the tests, the fuzz targets and the benchmarks: a
// source that hands out a string in pieces (and can fail part-way), a sink
// that keeps what is written, and the list read, written, loaded into the
// table and saved from it as the program's start-up and close do.
//
//   StringSource source(bytes, 3);   // three bytes a read
//   LoadIntoTable(source, table);
//   EXPECT_EQ(SaveFromTable(table), bytes);
#pragma once

#include "baselist/portable/BaseListFormat.h"
#include "baselist/portable/BaseListRows.h"
#include "model/RxMemoryData.h"
#include "runtime/Exceptions.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

// Hands out the data in pieces of at most `chunk` bytes, then throws the
// given code once `failAfter` bytes have gone out (when set). A reader that
// asks for nothing is a fault of the reader: that throws too.
class StringSource : public IByteSource {
public:
    explicit StringSource(std::string data, size_t chunk = kBaseListBlockSize, size_t failAfter = SIZE_MAX)
        : data_(std::move(data)), chunk_(chunk), failAfter_(failAfter)
    {}
    size_t Read(char* buffer, size_t size) override
    {
        if (size == 0)
            throw std::logic_error("asked to read 0 bytes");
        if (position_ >= failAfter_)
            throw EInOutError(23);
        size_t n = std::min({size, chunk_, data_.size() - position_, failAfter_ - position_});
        std::memcpy(buffer, data_.data() + position_, n);
        position_ += n;
        return n;
    }

private:
    std::string data_;
    size_t chunk_;
    size_t failAfter_;
    size_t position_ = 0;
};

// Keeps the bytes written and the size of each write.
class StringSink : public IByteSink {
public:
    void Write(const char* data, size_t size) override
    {
        bytes.append(data, size);
        writes.push_back(size);
    }
    std::string bytes;
    std::vector<size_t> writes;
};

inline std::vector<BaseListEntry> ReadAll(const std::string& data, size_t chunk = kBaseListBlockSize)
{
    StringSource source(data, chunk);
    std::vector<BaseListEntry> entries;
    ReadBaseList(source, [&](const BaseListValues& e) { entries.push_back(CopyOf(e)); });
    return entries;
}

// The bytes a list of entries is saved as, written through `sink`.
inline std::string BytesOf(const std::vector<BaseListEntry>& entries, StringSink& sink)
{
    size_t i = 0;
    WriteBaseList(sink, [&](BaseListValues& e) {
        if (i == entries.size())
            return false;
        e = ViewsOf(entries[i++]);
        return true;
    });
    return sink.bytes;
}

inline std::string BytesOf(const std::vector<BaseListEntry>& entries)
{
    StringSink sink;
    return BytesOf(entries, sink);
}

// As the program's start-up fills the table, sort included.
inline void LoadIntoTable(IByteSource& source, TRxMemoryData& table)
{
    ReadBaseList(source, BaseListRowAdder(table));
    table.SortByFields("Name", true, false);
}

// As the program's close writes it.
inline std::string SaveFromTable(TRxMemoryData& table)
{
    StringSink sink;
    table.CheckBrowseMode();
    WriteBaseList(sink, BaseListRowWalker(table));
    return sink.bytes;
}

// The rows in table order, read with the saving walk.
inline std::vector<BaseListEntry> TableRows(TRxMemoryData& table)
{
    std::vector<BaseListEntry> rows;
    for (table.GoToFirstRow(); !table.AtEnd(); table.GoToNextRow()) {
        BaseListEntry row;
        for (size_t i = 0; i < kBaseListFieldCount; ++i)
            row[i] = table.GetFieldText(kBaseListFields[i]);
        rows.push_back(row);
    }
    return rows;
}
