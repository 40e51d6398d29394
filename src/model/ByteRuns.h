// Copying and scanning short runs of bytes (the values of a base list are a
// few dozen bytes each) without a call into the C library per run: under
// some platforms a call of memcpy or memchr costs more than the work itself,
// and a long list makes millions of them.
//
//   CopyBytes(to, from, 23);                   // like memcpy; the runs must not overlap
//   LengthBeforeZero("ab\0c", 4);              // 2
//   FindLineBreak(begin, end);                 // the first CR or LF, or end
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace byte_runs_detail {

template <std::size_t N>
inline void CopyBlock(char* to, const char* from)
{
    // A fixed size: the compiler turns both into plain moves.
    char block[N];
    std::memcpy(block, from, N);
    std::memcpy(to, block, N);
}

}  // namespace byte_runs_detail

// A hint that the bytes at `address` will be read soon; nothing where the
// compiler or the processor has no such hint.
inline void PrefetchForRead(const void* address)
{
#if defined(__GNUC__)
    __builtin_prefetch(address);
#else
    (void)address;
#endif
}

// Short runs as a few fixed-size moves, the last one ending at the run's end
// (overlapping the one before it); long runs through memcpy.
inline void CopyBytes(char* to, const char* from, std::size_t size)
{
    using namespace byte_runs_detail;
    if (size > 64) {
        std::memcpy(to, from, size);
    } else if (size >= 16) {
        CopyBlock<16>(to, from);
        if (size > 32) {
            CopyBlock<16>(to + 16, from + 16);
            if (size > 48)
                CopyBlock<16>(to + 32, from + 32);
        }
        CopyBlock<16>(to + size - 16, from + size - 16);
    } else if (size >= 8) {
        CopyBlock<8>(to, from);
        CopyBlock<8>(to + size - 8, from + size - 8);
    } else if (size >= 4) {
        CopyBlock<4>(to, from);
        CopyBlock<4>(to + size - 4, from + size - 4);
    } else if (size > 0) {
        to[0] = from[0];
        to[size / 2] = from[size / 2];
        to[size - 1] = from[size - 1];
    }
}

namespace byte_runs_detail {

// The bits of a word's zero bytes: the lowest set bit marks the first zero
// byte exactly (higher ones may be wrong).
template <typename Word>
inline Word ZeroBytes(Word word)
{
    constexpr Word kOnes = Word(~Word(0)) / 0xFF;  // 0x0101...
    return (word - kOnes) & ~word & Word(kOnes << 7);
}

// The first zero byte of a run of 4 to 2 * sizeof(Word) bytes, read as two
// words, the second ending at the run's end; `size` when there is none.
template <typename Word>
inline std::size_t WordsBeforeZero(const char* from, std::size_t size)
{
    Word first, last;
    std::memcpy(&first, from, sizeof(Word));
    std::memcpy(&last, from + size - sizeof(Word), sizeof(Word));
    if (Word zeros = ZeroBytes(first))
        return std::size_t(std::countr_zero(zeros)) / 8;
    if (Word zeros = ZeroBytes(last))
        return size - sizeof(Word) + std::size_t(std::countr_zero(zeros)) / 8;
    return size;
}

}  // namespace byte_runs_detail

// How many of the first `size` bytes come before the first zero byte: all
// of them when there is none. One pass in whole blocks, the last one
// overlapping the one before it, instead of a byte-by-byte rest that costs a
// mispredicted branch or two per run. Always inlined: the compiler left it
// a call of its own, which for a short value costs about as much as the scan.
[[gnu::always_inline]] inline std::size_t LengthBeforeZero(const char* from, std::size_t size)
{
    using namespace byte_runs_detail;
#if defined(__SSE2__)
    if (size >= 16) {
        const __m128i zero = _mm_setzero_si128();
        for (std::size_t at = 0;; at += 16) {
            if (size - at < 16)
                at = size - 16;  // the last block, overlapping: its zeros lie past what was checked
            __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + at));
            if (int found = _mm_movemask_epi8(_mm_cmpeq_epi8(block, zero)))
                return at + std::size_t(__builtin_ctz(unsigned(found)));
            if (at + 16 == size)
                return size;
        }
    }
#endif
    if constexpr (std::endian::native == std::endian::little) {
        if (size >= 8 && size <= 16)
            return WordsBeforeZero<std::uint64_t>(from, size);
        if (size >= 4 && size < 8)
            return WordsBeforeZero<std::uint32_t>(from, size);
    }
    std::size_t at = 0;
    while (at < size && from[at] != '\0')
        ++at;
    return at;
}

// The first CR or LF in [begin, end), or end.
inline const char* FindLineBreak(const char* begin, const char* end)
{
#if defined(__SSE2__)
    const __m128i lf = _mm_set1_epi8('\n');
    const __m128i cr = _mm_set1_epi8('\r');
    for (; end - begin >= 16; begin += 16) {
        __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(begin));
        __m128i breaks = _mm_or_si128(_mm_cmpeq_epi8(block, lf), _mm_cmpeq_epi8(block, cr));
        if (int found = _mm_movemask_epi8(breaks))
            return begin + __builtin_ctz(unsigned(found));
    }
#endif
    while (begin != end && *begin != '\n' && *begin != '\r')
        ++begin;
    return begin;
}
