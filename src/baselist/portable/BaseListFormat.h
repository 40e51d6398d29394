// The text format of Bases.dat: four lines per entry (Name, Path, Login,
// Password), each line ended by CR LF, single-byte text stored as the table
// holds it. The reader and writer know nothing of files or of the table; they
// work over two small byte-stream interfaces and hand entries through
// callbacks, so the format is tested natively and the Windows file layer
// stays thin. Entries travel as views of their values: the reader's point
// into its buffer wherever they can, so a long list is read without a copy
// of every line.
//
//   ReadBaseList(source, [&](const BaseListValues& e) { rows.push_back(CopyOf(e)); });
//
//   size_t i = 0;
//   WriteBaseList(sink, [&](BaseListValues& e) {
//       if (i == rows.size()) return false;
//       e = ViewsOf(rows[i++]);
//       return true;
//   });
#pragma once

#include <array>
#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Where the reader takes its bytes. Read fills at most `size` bytes and
// returns how many it gave; 0 means the end of the data. A failure throws
// (EInOutError with the platform's code).
class IByteSource {
public:
    virtual ~IByteSource() = default;
    virtual size_t Read(char* buffer, size_t size) = 0;
};

// Where the writer puts its bytes. Write takes all of them or throws.
class IByteSink {
public:
    virtual ~IByteSink() = default;
    virtual void Write(const char* data, size_t size) = 0;
};

// The fields of an entry, in the order of its lines.
inline constexpr size_t kBaseListFieldCount = 4;
inline constexpr std::array<std::string_view, kBaseListFieldCount> kBaseListFields = {"Name", "Path", "Login",
                                                                                      "Password"};

// One entry's values, indexed like kBaseListFields.
using BaseListEntry = std::array<std::string, kBaseListFieldCount>;
// The same as views, valid as long as what they view.
using BaseListValues = std::array<std::string_view, kBaseListFieldCount>;

BaseListEntry CopyOf(const BaseListValues& values);
BaseListValues ViewsOf(const BaseListEntry& entry);

// The file is small, but it is read and written through large blocks so that
// a long list costs few calls to the operating system.
inline constexpr size_t kBaseListBlockSize = 64 * 1024;

// Reads entries one at a time:
// - a line ends at LF or CR LF; any other CR is dropped and the line goes on;
// - lines have no length limit, and the last one may lack its terminator;
// - at the start of an entry, a 0x1A byte or the end of the data ends the
//   list (the 0x1A and whatever follows it are ignored);
// - when the data ends inside an entry, its remaining fields are empty and the
//   entry still counts;
// - a 0x1A anywhere else is an ordinary byte of the value: the writer never
//   puts one there, and keeping it loses nothing that the file holds.
class BaseListReader {
public:
    explicit BaseListReader(IByteSource& source);

    // Points `values` at the next entry's values and returns true, or returns
    // false at the end of the list. The views hold until the next call. A
    // failure of the source propagates; the entry being read does not count.
    bool Next(BaseListValues& values);

private:
    enum class LineTaken { Taken, NeedMore, Unusual };
    // The line from buffer_[at] when it lies wholly in the buffer, ends at
    // LF or CR LF and holds no other CR; `at` then moves past its end.
    LineTaken TakeBufferedLine(size_t& at, std::string_view& value) const;
    bool TakeBufferedEntry(BaseListValues& values);
    void Refill();  // moves the unread bytes to the front and reads once
    bool HasByte();  // makes sure a byte is buffered; false at the end of data
    void ReadLine(std::string& value);

    IByteSource& source_;
    std::vector<char> buffer_;
    size_t position_ = 0;
    size_t length_ = 0;
    bool sourceDone_ = false;  // the source has said that its data ended
    bool ended_ = false;
    BaseListEntry copies_;  // values that could not be viewed in the buffer
};

// Writes entries, each value followed by CR LF, with no header or trailer:
// an empty list writes nothing. Values are written as they are; a line break
// inside a value cannot be told from the end of the line on reading. The one
// exception: a name that begins with 0x1A gets a CR in front, which the reader
// drops, since a 0x1A at the start of an entry would end the list there.
class BaseListWriter {
public:
    explicit BaseListWriter(IByteSink& sink);

    void Write(const BaseListValues& values);
    // Hands what is still buffered to the sink. Call once at the end; bytes
    // not flushed are not written.
    void Flush();

private:
    void Put(const char* data, size_t size);

    IByteSink& sink_;
    std::vector<char> buffer_;  // kBaseListBlockSize bytes, the first used_ of them written
    size_t used_ = 0;
};

// Calls onEntry for each entry of the source, in file order; the views hold
// for the call.
void ReadBaseList(IByteSource& source, const std::function<void(const BaseListValues&)>& onEntry);

// Writes the entries that nextEntry hands out until it returns false, then
// flushes. Each entry's views need to hold only until the next call.
void WriteBaseList(IByteSink& sink, const std::function<bool(BaseListValues&)>& nextEntry);
