// Bases.dat from arbitrary bytes, through the whole road the program takes:
// read into the base record table as the start-up does (InsertRow, the four
// fields, PostRow, then the sort by name), saved from the table as the close
// does, and loaded again.
//
// What must hold:
// - the reader yields the entries of a reference reader written from the
//   file rules (lines end at LF or CR LF, other CRs dropped, a 0x1A or the end
//   of data at the start of an entry ends the list, a short last entry is
//   completed with empty fields);
// - the table holds those entries cut to the field sizes (and at a zero
//   byte), sorted by name with ties in file order;
// - the saved file loads back into the same table, row for row, and saving
//   that table gives the same bytes again.
//
// The first byte of the input picks how many bytes the source hands out per
// read, so that every rule is also met across the reader's buffer refills.

#include "BaseListStreams.h"
#include "FuzzCheck.h"
#include "collation/portable/TextCollation.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

constexpr size_t kFieldSizes[kBaseListFieldCount] = {100, 200, 20, 20};

std::vector<BaseListEntry> ReferenceRead(std::string_view data)
{
    std::vector<BaseListEntry> entries;
    size_t i = 0;
    while (i < data.size() && data[i] != '\x1A') {
        BaseListEntry entry;
        for (std::string& value : entry) {
            for (; i < data.size() && data[i] != '\n'; ++i)
                if (data[i] != '\r')
                    value += data[i];
            if (i < data.size())
                ++i;  // the LF
        }
        entries.push_back(entry);
    }
    return entries;
}

void OpenTable(TRxMemoryData& table)
{
    for (size_t i = 0; i < kBaseListFieldCount; ++i)
        table.FieldDefs.push_back({std::string(kBaseListFields[i]), TFieldType::ftString, int(kFieldSizes[i])});
    table.SetActive(true);
}

// As the program's start-up loads the list.
void Load(std::string_view file, size_t readSize, TRxMemoryData& table, std::vector<BaseListEntry>* read)
{
    StringSource source(std::string(file), readSize);
    BaseListRowAdder add(table);
    ReadBaseList(source, [&](const BaseListValues& entry) {
        if (read)
            read->push_back(CopyOf(entry));
        add(entry);
    });
    table.SortByFields("Name", true, false);
}

std::string Show(const std::vector<BaseListEntry>& entries)
{
    std::string out;
    for (const BaseListEntry& e : entries)
        out += "\n    " + Printable(e[0]) + " " + Printable(e[1]) + " " + Printable(e[2]) + " " + Printable(e[3]);
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size == 0)
        return 0;
    const size_t readSize = bytes[0] < 0x80 ? size_t(bytes[0] % 16) + 1 : kBaseListBlockSize;
    const std::string_view file(reinterpret_cast<const char*>(bytes) + 1, size - 1);

    // The reader against the reference.
    TRxMemoryData first("BaseRxMemoryData");
    OpenTable(first);
    std::vector<BaseListEntry> read;
    Load(file, readSize, first, &read);
    const std::vector<BaseListEntry> reference = ReferenceRead(file);
    FUZZ_CHECK(read == reference,
               "file " + Printable(file) + "\n  read:" + Show(read) + "\n  expected:" + Show(reference));

    // The table: values cut to their fields, sorted by name, ties in file order.
    std::vector<BaseListEntry> expected = reference;
    for (BaseListEntry& entry : expected)
        for (size_t i = 0; i < kBaseListFieldCount; ++i) {
            entry[i].resize(std::min(entry[i].size(), kFieldSizes[i]));
            entry[i].resize(std::min(entry[i].size(), entry[i].find('\0')));
        }
    std::stable_sort(expected.begin(), expected.end(), [](const BaseListEntry& a, const BaseListEntry& b) {
        return PortableTextCompare(a[0], b[0], true) < 0;
    });
    const std::vector<BaseListEntry> rows = TableRows(first);
    FUZZ_CHECK(rows == expected,
               "file " + Printable(file) + "\n  table:" + Show(rows) + "\n  expected:" + Show(expected));
    for (int i = 0; i < first.RowCount(); ++i)
        FUZZ_CHECK(first.RowIDAt(i) != TRxMemoryData::kNoRowID, "a row without an identifier");

    // Save, load again: the same table; save again: the same bytes.
    const std::string saved = SaveFromTable(first);
    TRxMemoryData second("BaseRxMemoryData");
    OpenTable(second);
    Load(saved, readSize, second, nullptr);
    const std::vector<BaseListEntry> reloaded = TableRows(second);
    FUZZ_CHECK(reloaded == rows,
               "saved " + Printable(saved) + "\n  reloaded:" + Show(reloaded) + "\n  saved from:" + Show(rows));
    const std::string savedAgain = SaveFromTable(second);
    FUZZ_CHECK(savedAgain == saved, "saved " + Printable(saved) + "\n  then " + Printable(savedAgain));
    return 0;
}
