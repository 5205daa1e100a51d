#include "engine/opening_pair_search.h"

#include <algorithm>

namespace {

// Positions are passed over a block at a time while no pair stands in the
// block; inside a block that holds one, and in the last bytes, each
// position is tested in order.
constexpr std::uint32_t kBlock = 128;

// The scan asks for the memory a page ahead of it, each cache line of a
// block as the block is passed. The processor's own prefetchers stop at
// page boundaries, and the block test is too long for the processor to run
// far enough ahead by itself: on images larger than the caches the scan
// otherwise waits on memory for half its time.
constexpr std::uint32_t kAhead = 4096;
constexpr std::uint32_t kLine = 64;

template <bool kBoth>
inline bool pairAt(const unsigned char* q, OpeningPairs k)
{
    return (q[0] == k.a0 && q[1] == k.a1) || (kBoth && q[0] == k.b0 && q[1] == k.b1);
}

// Whether a pair (b0 b1 only with `kBoth`) stands at any of the block's
// positions. A position holds a0 a1 exactly when (first ^ a0) | (second ^ a1)
// is zero, so the block holds a pair when the least such value is zero: a
// loop of fixed length over bytes, without branches, that compilers turn
// into a few vector instructions per 16 or 32 positions.
template <bool kBoth>
inline bool blockHoldsPair(const unsigned char* q, OpeningPairs k)
{
    unsigned char least = 0xFF;
    for (std::uint32_t i = 0; i < kBlock; ++i) {
        const unsigned char first = q[i];
        const unsigned char second = q[i + 1];
        unsigned char differs = static_cast<unsigned char>((first ^ k.a0) | (second ^ k.a1));
        if constexpr (kBoth)
            differs = std::min(differs, static_cast<unsigned char>((first ^ k.b0) | (second ^ k.b1)));
        least = std::min(least, differs);
    }
    return least == 0;
}

template <bool kBoth>
[[gnu::always_inline]] inline std::uint32_t search(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                                                   OpeningPairs k)
{
    if (p >= size)
        return size;
    // A whole block and the byte after it (at most the closing NUL) are readable.
    while (size - p >= kBlock && !blockHoldsPair<kBoth>(bytes + p, k)) {
        if (size - p >= kAhead + kBlock)
            for (std::uint32_t line = 0; line < kBlock; line += kLine)
                __builtin_prefetch(bytes + p + kAhead + line);
        p += kBlock;
    }
    // A block that holds a pair ends this loop within the block.
    for (; p < size; ++p)
        if (pairAt<kBoth>(bytes + p, k))
            return p;
    return size;
}

[[gnu::always_inline]] inline std::uint32_t searchEither(const unsigned char* bytes, std::uint32_t p,
                                                         std::uint32_t size, OpeningPairs k)
{
    // Where both keywords open alike, one pair test covers both.
    if (k.a0 == k.b0 && k.a1 == k.b1)
        return search<false>(bytes, p, size, k);
    return search<true>(bytes, p, size, k);
}

// Most x86 processors of the last ten years have AVX2, which tests twice as
// many positions per instruction as the SSE2 that every x86-64 processor has
// (and that 32-bit builds do not assume at all). The search is compiled once
// more for it, inlined into a function built for AVX2, and chosen at run
// time: by a function attribute, not an indirect-function symbol, which
// Windows programs cannot have.
#if (defined(__GNUC__) || defined(__clang__)) && (defined(__x86_64__) || defined(__i386__))
#define WENDRIX_AVX2_SEARCH 1
__attribute__((target("avx2"))) std::uint32_t findOpeningPairAvx2(const unsigned char* bytes, std::uint32_t p,
                                                                    std::uint32_t size, OpeningPairs pairs)
{
    return searchEither(bytes, p, size, pairs);
}
#endif

} // namespace

std::uint32_t findOpeningPairPlain(const unsigned char* bytes, std::uint32_t p, std::uint32_t size,
                                   OpeningPairs pairs)
{
    return searchEither(bytes, p, size, pairs);
}

std::uint32_t findOpeningPair(const unsigned char* bytes, std::uint32_t p, std::uint32_t size, OpeningPairs pairs)
{
    using Search = std::uint32_t (*)(const unsigned char*, std::uint32_t, std::uint32_t, OpeningPairs);
#ifdef WENDRIX_AVX2_SEARCH
    static const Search search = __builtin_cpu_supports("avx2") ? findOpeningPairAvx2 : findOpeningPairPlain;
#else
    const Search search = findOpeningPairPlain;
#endif
    return search(bytes, p, size, pairs);
}
