// The portable core's share of a load, sort and save, natively and without
// any file: a generated Bases.dat read from memory into the table, sorted by
// name (portable collation, by keys and by comparing every pair), and
// written to a sink that only counts. Shows what the table and the format
// cost apart from the platform.
//
//   core_bench [--pairwise] [entries...]    (default 100000 1000000)
#include "BaseListGenerator.h"
#include "BaseTableHelpers.h"

#include "baselist/portable/BaseListFormat.h"
#include "baselist/portable/BaseListRows.h"
#include "model/RxMemoryData.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

double Now()
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

class MemorySource : public IByteSource {
public:
    explicit MemorySource(const std::string& bytes) : bytes_(bytes) {}
    size_t Read(char* buffer, size_t size) override
    {
        size_t part = std::min(size, bytes_.size() - at_);
        std::memcpy(buffer, bytes_.data() + at_, part);
        at_ += part;
        return part;
    }

private:
    const std::string& bytes_;
    size_t at_ = 0;
};

class CountingSink : public IByteSink {
public:
    void Write(const char*, size_t size) override { written += size; }
    size_t written = 0;
};

void Load(TRxMemoryData& table, const std::string& bytes)
{
    MemorySource source(bytes);
    ReadBaseList(source, BaseListRowAdder(table));
}

size_t Save(TRxMemoryData& table)
{
    CountingSink sink;
    table.CheckBrowseMode();
    WriteBaseList(sink, BaseListRowWalker(table));
    return sink.written;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<size_t> sizes;
    bool withPairwise = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--pairwise") == 0)
            withPairwise = true;
        else
            sizes.push_back(size_t(std::strtoull(argv[i], nullptr, 10)));
    }
    if (sizes.empty())
        sizes = {100'000, 1'000'000};

    std::printf("   entries   file MB |  load ms  sort ms  (pairwise)  save ms\n");
    for (size_t entries : sizes) {
        std::string bytes = GenerateBaseListFile(entries, 20240601);
        double pairwise = 0;
        if (withPairwise) {
            TRxMemoryData table("BaseRxMemoryData");
            table.SetCollation(PortableTextCompare);  // no key: every pair compared
            OpenBaseTable(table);
            table.SetWindowSize(20);
            Load(table, bytes);
            double start = Now();
            table.SortByFields("Name", true, false);
            pairwise = Now() - start;
        }
        TRxMemoryData table("BaseRxMemoryData");
        OpenBaseTable(table);
        table.SetWindowSize(20);  // a grid's view window
        double start = Now();
        Load(table, bytes);
        double load = Now() - start;
        start = Now();
        table.SortByFields("Name", true, false);
        double sort = Now() - start;
        start = Now();
        size_t written = Save(table);
        double save = Now() - start;
        if (written != bytes.size()) {
            std::fprintf(stderr, "core_bench: wrote %zu bytes of %zu\n", written, bytes.size());
            return 1;
        }
        std::printf("%10zu %9.1f | %8.1f %8.1f  (%8.1f) %8.1f\n", entries, bytes.size() / 1e6, load * 1e3, sort * 1e3,
                    pairwise * 1e3, save * 1e3);
    }
    return 0;
}
