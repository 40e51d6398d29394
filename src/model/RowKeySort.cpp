#include "model/RowKeySort.h"

#include "model/ByteRuns.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <tuple>
#include <utility>

namespace {

constexpr std::size_t kChunkSize = 256 * 1024;

}  // namespace

TRowKeySort::TRowKeySort(std::size_t expectedRows)
{
    entries_.reserve(expectedRows);
}

unsigned char* TRowKeySort::KeyRoom(std::size_t size)
{
    // Each key is stored after its length, and the last key of a chunk is
    // followed by room enough to read a whole digit from any of its bytes.
    const std::size_t needed = sizeof(std::uint32_t) + size + sizeof(std::uint64_t);
    if (chunks_.empty() || needed > chunkSize_ - chunkUsed_) {
        chunkSize_ = std::max(kChunkSize, needed);
        chunks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(chunkSize_));
        chunkUsed_ = 0;
    }
    return chunks_.back().get() + chunkUsed_ + sizeof(std::uint32_t);
}

void TRowKeySort::Add(TMemoryRecord* row, std::size_t size)
{
    unsigned char* stored = chunks_.back().get() + chunkUsed_;
    const std::uint32_t length = std::uint32_t(size);
    std::memcpy(stored, &length, sizeof length);
    chunkUsed_ += sizeof length + size;
    entries_.push_back({DigitAt(stored + sizeof length, 0), stored + sizeof length, row});
}

void TRowKeySort::AddWithoutValue(TMemoryRecord* row)
{
    entries_.push_back({0, nullptr, row});
}

// Sorting by keys goes seven bytes at a time, most significant first: the
// entries are sorted by their keys' first seven bytes (held in the entry, so
// the sort stays within the entry array), then each group of entries that
// agree on them by the next seven, loaded for that group only, and so on.
// Each key is read from the arena once per level it takes part in, not once
// per comparison; lists whose names begin alike ("ООО ...") would otherwise
// spend their time waiting for memory.

std::uint32_t TRowKeySort::KeySize(const unsigned char* key)
{
    std::uint32_t size;
    std::memcpy(&size, key - sizeof size, sizeof size);
    return size;
}

// The key's seven bytes from `offset`, zero-padded, high byte first, then in
// the lowest byte how many bytes are left from `offset`, 8 standing for
// "more than seven". Two keys whose bytes here are equal (zero padding
// included) order as their lengths: the shorter is the beginning of the
// longer. So digits order as the keys do, and equal digits with less than
// eight bytes left mean equal keys.
std::uint64_t TRowKeySort::DigitAt(const unsigned char* key, std::size_t offset)
{
    const std::size_t size = KeySize(key);
    const std::size_t left = offset < size ? size - offset : 0;
    // Eight bytes at once, whatever follows the key: the arena has room to
    // read them, and the bytes past the key are masked off.
    std::uint64_t bytes;
    std::memcpy(&bytes, key + std::min(offset, size), sizeof bytes);
    if constexpr (std::endian::native == std::endian::little)
        bytes = __builtin_bswap64(bytes);
    const std::size_t kept = std::min(left, kDigitBytes);
    const std::uint64_t mask = ~(~std::uint64_t(0) >> (8 * kept));
    return (bytes & mask) | std::min(left, kDigitBytes + 1);
}

bool TRowKeySort::MoreAfter(std::uint64_t digit)
{
    return (digit & 0xFFu) > kDigitBytes;
}

// A least-significant-first radix sort by the digit's lowest `passes`
// bytes: stable counting passes, one per byte, each skipped when all
// entries share its byte, moving the entries between `from` and `other`.
// Returns the one that holds them sorted.
TRowKeySort::Entry* TRowKeySort::SortByLowBytes(Entry* from, Entry* other, std::size_t count, int passes)
{
    std::array<std::array<std::uint32_t, 256>, 8> histograms{};
    for (const Entry* e = from; e != from + count; ++e) {
        const std::uint32_t low = std::uint32_t(e->digit), high = std::uint32_t(e->digit >> 32);
        for (int pass = 0; pass < 4; ++pass) {
            ++histograms[std::size_t(pass)][(low >> (8 * pass)) & 0xFFu];
            ++histograms[std::size_t(pass) + 4][(high >> (8 * pass)) & 0xFFu];
        }
    }
    Entry* to = other;
    for (int pass = 0; pass < passes; ++pass) {
        auto& histogram = histograms[std::size_t(pass)];
        if (std::find(histogram.begin(), histogram.end(), std::uint32_t(count)) != histogram.end())
            continue;  // every entry has the same byte here
        std::uint32_t position = 0;
        for (std::uint32_t& bucket : histogram)
            position += std::exchange(bucket, position);
        const int shift = 8 * (pass % 4);
        for (const Entry* e = from; e != from + count; ++e) {
            const std::uint32_t half = pass < 4 ? std::uint32_t(e->digit) : std::uint32_t(e->digit >> 32);
            to[histogram[(half >> shift) & 0xFFu]++] = *e;
        }
        std::swap(from, to);
    }
    return from;
}

// A radix sort of [first, end) by digit: linear in the number of entries,
// where a comparison sort pays log n comparisons of two 64-bit digits per
// entry. A list too long for the processor's nearer caches is first split
// by the digit's top byte, and each part is sorted by the other seven on
// its own, within the cache, instead of every pass going through all of
// the entries in memory.
void TRowKeySort::RadixSort(Entry* first, Entry* end)
{
    const std::size_t count = std::size_t(end - first);
    scratch_.resize(count);
    constexpr std::size_t kInCache = 32 * 1024;  // 512 KB of entries, and as much scratch
    if (count <= kInCache) {
        if (SortByLowBytes(first, scratch_.data(), count, 8) != first)
            std::copy(scratch_.begin(), scratch_.end(), first);
        return;
    }
    std::array<std::uint32_t, 257> starts{};
    for (const Entry* e = first; e != end; ++e)
        ++starts[(e->digit >> 56) + 1];
    for (std::size_t b = 1; b < starts.size(); ++b)
        starts[b] += starts[b - 1];
    std::array<std::uint32_t, 256> next;
    std::copy(starts.begin(), starts.end() - 1, next.begin());
    for (const Entry* e = first; e != end; ++e)
        scratch_[next[e->digit >> 56]++] = *e;
    for (std::size_t b = 0; b < 256; ++b) {
        const std::size_t size = starts[b + 1] - starts[b];
        Entry* part = scratch_.data() + starts[b];
        Entry* home = first + starts[b];
        if (size > 1 && SortByLowBytes(part, home, size, 7) == home)
            continue;
        std::copy(part, part + size, home);
    }
}

void TRowKeySort::SortKeysFrom(Entry* first, Entry* end, std::size_t offset,
                               std::vector<std::pair<std::size_t, std::size_t>>& runs)
{
    if (offset > 0) {
        // The first level has scattered the entries away from their keys'
        // order in the arena: on a list too long for the processor's caches
        // each key would be waited for in turn, so later ones are asked for
        // early.
        constexpr std::ptrdiff_t kKeysAhead = 16;
        for (Entry* e = first; e != end; ++e) {
            if (end - e > kKeysAhead)
                PrefetchForRead(e[kKeysAhead].key + offset);
            e->digit = DigitAt(e->key, offset);
        }
    }
    // Below this, the radix passes' fixed costs outweigh what they save.
    constexpr std::ptrdiff_t kRadixFrom = 1024;
    if (end - first >= kRadixFrom)
        RadixSort(first, end);
    else
        std::sort(first, end, [](const Entry& a, const Entry& b) { return a.digit < b.digit; });
    for (Entry* group = first; group != end;) {
        Entry* groupEnd = group + 1;
        while (groupEnd != end && groupEnd->digit == group->digit)
            ++groupEnd;
        if (groupEnd - group > 1) {
            if (!MoreAfter(group->digit))  // the whole keys are equal
                runs.emplace_back(std::size_t(group - entries_.data()), std::size_t(groupEnd - entries_.data()));
            else
                SortKeysFrom(group, groupEnd, offset + kDigitBytes, runs);
        }
        group = groupEnd;
    }
}

// A run of rows whose keys are equal. Their texts may still differ (in case,
// accents, punctuation, whatever the key leaves out), or be the very same.
// The buffers live in the sort and serve every run: a long list has
// thousands of short runs.
void TRowKeySort::SortRun(Entry* first, Entry* end, const Ordering& how)
{
    const int direction = how.descending ? -1 : 1;
    std::vector<RunMember>& members = runMembers_;
    members.clear();
    const bool withValues = first->key != nullptr;
    for (Entry* e = first; e != end; ++e)
        members.push_back({withValues ? how.text(e->row) : std::string_view(), 0, *e});

    if (withValues) {
        // The distinct texts, ranked by the comparison; texts it calls equal
        // share a rank.
        std::sort(members.begin(), members.end(),
                  [](const RunMember& a, const RunMember& b) { return a.text < b.text; });
        std::vector<std::string_view>& distinct = runTexts_;
        distinct.clear();
        for (RunMember& m : members) {
            if (distinct.empty() || distinct.back() != m.text)
                distinct.push_back(m.text);
            m.rank = distinct.size() - 1;  // provisional: position among the distinct texts
        }
        if (distinct.size() > 1) {
            std::vector<std::size_t>& byText = runOrder_;
            byText.resize(distinct.size());
            for (std::size_t i = 0; i < byText.size(); ++i)
                byText[i] = i;
            auto compare = [&](std::size_t a, std::size_t b) {
                int result = how.compareText(distinct[a], distinct[b]);
                return (result > 0) - (result < 0);
            };
            // A merge sort, which stays within bounds even for a comparison
            // that is not consistent.
            std::stable_sort(byText.begin(), byText.end(),
                             [&](std::size_t a, std::size_t b) { return compare(a, b) < 0; });
            std::vector<std::size_t>& rankOf = runRanks_;
            rankOf.resize(distinct.size());
            std::size_t rank = 0;
            for (std::size_t i = 0; i < byText.size(); ++i) {
                if (i > 0 && compare(byText[i - 1], byText[i]) != 0)
                    ++rank;
                rankOf[byText[i]] = rank;
            }
            for (RunMember& m : members)
                m.rank = rankOf[m.rank];
        }
    }

    std::stable_sort(members.begin(), members.end(), [&](const RunMember& a, const RunMember& b) {
        if (a.rank != b.rank)
            return (a.rank < b.rank) == (direction > 0);
        return how.compareRest(a.entry.row, b.entry.row) < 0;
    });
    for (std::size_t i = 0; i < members.size(); ++i)
        first[i] = members[i].entry;
}

std::vector<TMemoryRecord*> TRowKeySort::Sort(const Ordering& how)
{
    // Ascending by key, rows without a value first; [begin, end) of every
    // run of equal keys.
    auto withValues = std::partition(entries_.begin(), entries_.end(), [](const Entry& e) { return e.key == nullptr; });
    std::vector<std::pair<std::size_t, std::size_t>> runs;
    if (withValues - entries_.begin() > 1)
        runs.emplace_back(0, std::size_t(withValues - entries_.begin()));
    SortKeysFrom(entries_.data() + (withValues - entries_.begin()), entries_.data() + entries_.size(), 0, runs);

    if (how.descending) {
        std::reverse(entries_.begin(), entries_.end());
        for (auto& [begin, end] : runs)
            std::tie(begin, end) = std::pair(entries_.size() - end, entries_.size() - begin);
    }
    // Within a run the keys say nothing: the texts and the rest decide.
    for (const auto& [begin, end] : runs)
        SortRun(entries_.data() + begin, entries_.data() + end, how);

    std::vector<TMemoryRecord*> order;
    order.reserve(entries_.size());
    for (const Entry& entry : entries_)
        order.push_back(entry.row);
    entries_ = {};
    scratch_ = {};
    runMembers_ = {};
    runTexts_ = {};
    runOrder_ = {};
    runRanks_ = {};
    chunks_.clear();
    return order;
}
