#include "model/RowKeySort.h"

#include "runtime/ByteRuns.h"

#include <algorithm>
#include <array>
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
    if (chunks_.empty() || size > chunkSize_ - chunkUsed_) {
        chunkSize_ = std::max(kChunkSize, size);
        chunks_.push_back(std::make_unique_for_overwrite<unsigned char[]>(chunkSize_));
        chunkUsed_ = 0;
    }
    return chunks_.back().get() + chunkUsed_;
}

void TRowKeySort::Add(TMemoryRecord* row, std::size_t size)
{
    const unsigned char* stored = chunks_.back().get() + chunkUsed_;
    chunkUsed_ += size;
    entries_.push_back({0, stored, std::uint32_t(size), row});
    entries_.back().digit = DigitAt(entries_.back(), 0);
}

void TRowKeySort::AddWithoutValue(TMemoryRecord* row)
{
    entries_.push_back({0, nullptr, kNoValue, row});
}

// Sorting by keys goes eight bytes at a time, most significant first: the
// entries are sorted by their keys' first eight bytes (held in the entry, so
// the sort stays within the entry array), then each group of entries that
// agree on them by the next eight, loaded for that group only, and so on.
// Each key is read from the arena once per level it takes part in, not once
// per comparison; lists whose names begin alike ("ООО ...") would otherwise
// spend their time waiting for memory.

std::uint64_t TRowKeySort::DigitAt(const Entry& e, std::size_t offset)
{
    char bytes[8] = {};
    if (offset < e.size)
        CopyBytes(bytes, reinterpret_cast<const char*>(e.key) + offset, std::min<std::size_t>(8, e.size - offset));
    auto word = [&bytes](int at) {
        return std::uint32_t((unsigned char)bytes[at]) << 24 | std::uint32_t((unsigned char)bytes[at + 1]) << 16 |
               std::uint32_t((unsigned char)bytes[at + 2]) << 8 | std::uint32_t((unsigned char)bytes[at + 3]);
    };
    return std::uint64_t(word(0)) << 32 | word(4);
}

// How much of the key is left from `offset`, 9 standing for "more than this
// digit". Two keys whose digits are equal (zero padding included) order as
// their lengths: the shorter is the beginning of the longer.
std::uint32_t TRowKeySort::LengthFrom(const Entry& e, std::size_t offset)
{
    return std::min<std::uint32_t>(e.size - std::uint32_t(offset), 9);
}

// The byte of a digit for radix pass `pass`: pass 0 orders by the length
// left, passes 1 to 8 by the digit's bytes from the least significant up.
static unsigned RadixByte(std::uint64_t digit, std::uint32_t lengthLeft, int pass)
{
    return pass == 0 ? lengthLeft : unsigned(digit >> (8 * (pass - 1))) & 0xFFu;
}

// A least-significant-first radix sort of [first, end) by (digit, length
// left): nine stable counting passes, each skipped when all entries share
// its byte. Linear in the number of entries, where a comparison sort pays
// log n comparisons of two 64-bit digits per entry.
void TRowKeySort::RadixSort(Entry* first, Entry* end, std::size_t offset)
{
    constexpr int kPasses = 9;
    const std::size_t count = std::size_t(end - first);
    std::vector<std::array<std::uint32_t, 256>> histograms(kPasses);
    for (auto& histogram : histograms)
        histogram.fill(0);
    for (const Entry* e = first; e != end; ++e) {
        const std::uint32_t left = LengthFrom(*e, offset);
        for (int pass = 0; pass < kPasses; ++pass)
            ++histograms[std::size_t(pass)][RadixByte(e->digit, left, pass)];
    }
    scratch_.resize(count);
    Entry* from = first;
    Entry* to = scratch_.data();
    for (int pass = 0; pass < kPasses; ++pass) {
        auto& histogram = histograms[std::size_t(pass)];
        if (std::find(histogram.begin(), histogram.end(), std::uint32_t(count)) != histogram.end())
            continue;  // every entry has the same byte here
        std::uint32_t position = 0;
        for (std::uint32_t& bucket : histogram)
            position += std::exchange(bucket, position);
        for (const Entry* e = from; e != from + count; ++e)
            to[histogram[RadixByte(e->digit, LengthFrom(*e, offset), pass)]++] = *e;
        std::swap(from, to);
    }
    if (from != first)
        std::copy(from, from + count, first);
}

void TRowKeySort::SortKeysFrom(Entry* first, Entry* end, std::size_t offset,
                               std::vector<std::pair<std::size_t, std::size_t>>& runs)
{
    if (offset > 0) {
        // The sort has scattered the entries away from their keys' order in
        // the arena: ask for keys a few entries early.
        constexpr std::ptrdiff_t kAhead = 8;
        for (Entry* e = first; e != end; ++e) {
            if (end - e > kAhead && e[kAhead].size > offset)
                PrefetchForRead(e[kAhead].key + offset);
            e->digit = DigitAt(*e, offset);
        }
    }
    // Below this, the radix passes' fixed costs outweigh what they save.
    constexpr std::ptrdiff_t kRadixFrom = 1024;
    if (end - first >= kRadixFrom) {
        RadixSort(first, end, offset);
    } else {
        std::sort(first, end, [offset](const Entry& a, const Entry& b) {
            if (a.digit != b.digit)
                return a.digit < b.digit;
            return LengthFrom(a, offset) < LengthFrom(b, offset);
        });
    }
    for (Entry* group = first; group != end;) {
        Entry* groupEnd = group + 1;
        while (groupEnd != end && groupEnd->digit == group->digit &&
               LengthFrom(*groupEnd, offset) == LengthFrom(*group, offset))
            ++groupEnd;
        if (groupEnd - group > 1) {
            if (LengthFrom(*group, offset) > 8)
                SortKeysFrom(group, groupEnd, offset + 8, runs);
            else  // the whole keys are equal
                runs.emplace_back(std::size_t(group - entries_.data()), std::size_t(groupEnd - entries_.data()));
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
    const bool withValues = first->size != kNoValue;
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
            // A locale comparison costs about a microsecond, and the ranking
            // below asks again about pairs the sort has weighed: a short run
            // keeps the answers. (A long run is rare; its answers are not kept.)
            std::vector<ComparedPair>& answers = runAnswers_;
            answers.clear();
            const bool keepAnswers = distinct.size() <= 16;
            auto compare = [&](std::size_t a, std::size_t b) {
                for (const ComparedPair& p : answers) {
                    if (p.a == a && p.b == b)
                        return p.result;
                    if (p.a == b && p.b == a)
                        return -p.result;
                }
                int result = how.compareText(distinct[a], distinct[b]);
                result = (result > 0) - (result < 0);
                if (keepAnswers)
                    answers.push_back({a, b, result});
                return result;
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
    auto withValues = std::partition(entries_.begin(), entries_.end(),
                                     [](const Entry& e) { return e.size == kNoValue; });
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
    runAnswers_ = {};
    chunks_.clear();
    return order;
}
