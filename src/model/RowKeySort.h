// Sorts the rows of the base record table by byte keys computed once per row,
// calling the text comparison only where keys cannot tell rows apart. A
// locale comparison costs microseconds under some platforms; a sort that
// calls it n log n times takes minutes on a long list, while keys cost one
// computation per row and then plain byte comparisons.
//
//   TRowKeySort sort(rowCount);
//   for (TMemoryRecord* row : rows) {
//       if (!hasValue) { sort.AddWithoutValue(row); continue; }
//       unsigned char* room = sort.KeyRoom(most);
//       sort.Add(row, writeKey(room));  // the key's length, at most `most`
//   }
//   std::vector<TMemoryRecord*> order = sort.Sort(how);
//
// The order is the one of comparing the first field's texts with
// how.compareText, then how.compareRest, as long as the keys agree with
// compareText wherever they differ (see TextSortKey). Rows with different
// keys are ordered by the keys. In a run of rows with equal keys, the run's
// distinct texts are ranked with compareText (identical texts are equal
// under any comparison, so a list full of repeated names costs few calls),
// and the rows ordered by rank, then by compareRest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>
#include <utility>
#include <vector>

class TMemoryRecord;

class TRowKeySort {
public:
    struct Ordering {
        bool descending = false;
        // The first sort field's text of a row that has a value.
        std::function<std::string_view(const TMemoryRecord*)> text;
        // The comparison of those texts (<0, 0, >0), ascending.
        std::function<int(std::string_view, std::string_view)> compareText;
        // Rows whose first fields compare equal: the later fields and the
        // creation order, descending already applied. A total order.
        std::function<int(const TMemoryRecord*, const TMemoryRecord*)> compareRest;
    };

    explicit TRowKeySort(std::size_t expectedRows);

    // Room for the next key, at least `size` bytes; the key is written
    // there and then added with its length. Valid until the next call.
    unsigned char* KeyRoom(std::size_t size);
    // A row with a value, whose key of `size` bytes is in the room.
    void Add(TMemoryRecord* row, std::size_t size);
    // A row without a value: it goes before every row with one (after, when
    // descending).
    void AddWithoutValue(TMemoryRecord* row);

    // The rows in order. The functions may throw; nothing outside has
    // changed then. Call once.
    std::vector<TMemoryRecord*> Sort(const Ordering& how);

private:
    static constexpr std::size_t kDigitBytes = 7;

    struct Entry {
        std::uint64_t digit;  // see DigitAt
        const unsigned char* key;  // the whole key, in the arena; null for a row without a value
        TMemoryRecord* row;
    };

    static std::uint32_t KeySize(const unsigned char* key);
    static std::uint64_t DigitAt(const unsigned char* key, std::size_t offset);
    static bool MoreAfter(std::uint64_t digit);  // the key goes on after this digit's bytes
    static Entry* SortByLowBytes(Entry* from, Entry* other, std::size_t count, int passes);
    void RadixSort(Entry* first, Entry* end);
    void SortKeysFrom(Entry* first, Entry* end, std::size_t offset,
                      std::vector<std::pair<std::size_t, std::size_t>>& runs);
    void SortRun(Entry* first, Entry* end, const Ordering& how);

    struct RunMember {
        std::string_view text;
        std::size_t rank;
        Entry entry;
    };

    std::vector<Entry> entries_;
    std::vector<Entry> scratch_;  // the radix passes' second array
    // SortRun's buffers, kept from run to run.
    std::vector<RunMember> runMembers_;
    std::vector<std::string_view> runTexts_;
    std::vector<std::size_t> runOrder_;
    std::vector<std::size_t> runRanks_;
    // Keys live in large chunks, so a million keys cost a few hundred
    // allocations and no per-key overhead.
    std::vector<std::unique_ptr<unsigned char[]>> chunks_;
    std::size_t chunkUsed_ = 0;
    std::size_t chunkSize_ = 0;
};
